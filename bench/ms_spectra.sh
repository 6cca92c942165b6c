#!/usr/bin/env bash
# How often zorvan-ms find --spectra puts the true formula first, and how
# fast, on simulated spectra of known formulas.
#
#   bench/ms_spectra.sh PATH/TO/zorvan-ms [COUNT [SEED]]
#
# spectra_sim (built beside zorvan-ms in bench/) writes COUNT compounds
# (default 150, half of 100-500 Da, half of 500-1000 Da, [M+H]+, [M+Na]+ and
# [M-H]- in turn; centroids at R 60000, peaks under 0.5% dropped) with m/z
# and intensity noise. Each set is answered with --ppm 5, the default
# ranges, --rules and --top 5, on 2 threads, once with its peaks and once
# without them (mass alone), and the share of compounds whose formula comes
# first and among the first five is given below and above 500 Da. The sets:
# noise 1.5 ppm / 5% (the main one), 3 ppm / 2% and 3 ppm / 10%; the last
# two are also answered with settings that suit their noise (--ppm 9 and
# --intensity-error of their percentage). Then each compound of the main set
# is answered on its own on one thread, and the median and slowest times per
# compound are given below and above 500 Da, wall-clock and processor time,
# less those of a run without compounds.
#
# Extra options for zorvan-ms find can be given in FIND_OPTIONS.
set -euo pipefail

ms=$(realpath "${1:?usage: ms_spectra.sh PATH/TO/zorvan-ms [COUNT [SEED]]}")
count=${2:-150}
seed=${3:-23}
sim=$(dirname "$ms")/../bench/spectra_sim
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find_options=(--data "$data" --rules --ppm 5 --top 5 ${FIND_OPTIONS:-})

now() { date +%s%N; }
# The rank of each compound's own formula (6: not among the five), and its
# class by the neutral mass, from the output of find.
ranks() {
  awk -F'\t' -v masses="$work/masses" '
    BEGIN { while ((getline line < masses) > 0) { split(line, f, "\t"); heavy[f[1]] = f[2] >= 500 } }
    NR > 1 { split($1, n, "_"); if (n[2] == $3) rank[$1] = $12 }
    END { for (name in heavy) print name "\t" heavy[name] "\t" (name in rank ? rank[name] : 6) }' "$1"
}
shares() {
  awk -F'\t' '{ n[$2]++; if ($3 == 1) one[$2]++; if ($3 <= 5) five[$2]++; all++; if ($3 <= 5) allFive++ }
    END { printf "first: %5.1f%% below 500 Da, %5.1f%% above; first five: %5.1f%% below, %5.1f%% above, %5.1f%% overall\n",
            100 * one[0] / n[0], 100 * one[1] / n[1], 100 * five[0] / n[0], 100 * five[1] / n[1], 100 * allFive / all }'
}

# Answers a set with the extra options given; prints the shares.
answer() {
  local label="$1"
  shift
  local start seconds
  start=$(now)
  "$ms" find "${find_options[@]}" "$@" --jobs 2 --spectra "$work/set.ms" > "$work/scored" 2> /dev/null
  seconds=$(echo "($(now) - $start) / 1000000000" | bc -l)
  printf '  %-34s %s (%.1f s on 2 threads)\n' "$label:" "$(ranks "$work/scored" | shares)" "$seconds"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
for noise in "1.5 5" "3 2" "3 10"; do
  read -r ppm percent <<< "$noise"
  "$sim" "$count" "$seed" "$ppm" "$percent" > "$work/set.ms"
  grep '^>compound' "$work/set.ms" | cut -d' ' -f2 | cut -d_ -f2 > "$work/formulas"
  "$ms" mass --data "$data" < "$work/formulas" | tail -n +2 | cut -f3 |
    paste <(grep '^>compound' "$work/set.ms" | cut -d' ' -f2) - > "$work/masses"
  echo "noise $ppm ppm / $percent%, $count compounds:"
  answer "with the pattern, 5 ppm / 5%"
  if [ "$noise" != "1.5 5" ]; then
    # Settings that suit the noise: three standard deviations of m/z.
    answer "with the pattern, 9 ppm / $percent%" --ppm 9 --intensity-error "$percent"
  fi
  cp "$work/set.ms" "$work/full.ms"
  awk '/^>ms1/ { skip = 1; next } /^>/ || /^$/ { skip = 0 } !skip' "$work/full.ms" > "$work/set.ms"
  answer "mass alone, 5 ppm"
  if [ "$noise" = "1.5 5" ]; then cp "$work/full.ms" "$work/main.ms"; cp "$work/masses" "$work/main.masses"; fi
done

# Each compound on its own, on one thread: wall-clock and processor time
# (user + system), less those of a run without compounds.
clock() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" > /dev/null 2>&1; } 2> "$work/clock"
  awk '{ print $1 * 1000, ($2 + $3) * 1000 }' "$work/clock"
}
printf '' > "$work/empty.ms"
read -r startup startupCpu < <(for i in 1 2 3 4 5; do clock "$ms" find "${find_options[@]}" --jobs 1 --spectra "$work/empty.ms"; done | sort -n | head -1)
awk -v dir="$work" '/^>compound/ { n++; file = sprintf("%s/one.%04d.ms", dir, n) } { print > file }' "$work/main.ms"
for file in "$work"/one.*.ms; do
  echo "$(head -1 "$file" | cut -d' ' -f2) $(clock "$ms" find "${find_options[@]}" --jobs 1 --spectra "$file")"
done | sort > "$work/times"
join <(sort "$work/main.masses" | tr '\t' ' ') "$work/times" |
  awk -v s="$startup" -v c="$startupCpu" '{ print ($2 >= 500), $3 - s, $4 - c }' > "$work/classed"
for heavy in 0 1; do
  for column in 2 3; do awk -v h="$heavy" -v k="$column" '$1 == h { print $k }' "$work/classed" | sort -n | tr '\n' ' '; echo; done |
    awk -v h="$heavy" '{ n = split($0, t, " "); m[NR] = t[int((n + 1) / 2)]; top[NR] = t[n] }
      END { printf "one thread, %s 500 Da, per compound: median %.1f ms (processor %.1f ms), slowest %.0f ms (processor %.0f ms)\n",
        h ? "above" : "below", m[1], m[2], top[1], top[2] }'
done
echo "start-up left out: $startup ms (processor $startupCpu ms)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
