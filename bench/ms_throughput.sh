#!/usr/bin/env bash
# End-to-end rate of `zorvan-ms mass --ion '[M+H]+'`: reading, calculating,
# forming the ion and writing the TSV of a corpus of organic formulas.
#
#   bench/ms_throughput.sh PATH/TO/zorvan-ms [LINES] [RUNS]
#
# Builds nothing: give it the zorvan-ms of a Release build. The corpus (LINES
# formulas, default 1000000) is generated afresh, the same every time: formulas
# of small organic molecules and peptides with C, H, N, O, S, P, the halogens
# and Na, as an HRMS list holds them. Each of RUNS runs (default 10) is timed
# (zorvan-ms runs on one thread); the best and the median give the formulas
# per second, with the user CPU time of the best beside them, since other
# work on the machine stretches the wall time. KEEP_CORPUS=FILE keeps a copy
# of the corpus.
set -euo pipefail

ms=${1:?usage: ms_throughput.sh PATH/TO/zorvan-ms [LINES] [RUNS]}
lines=${2:-1000000}
runs=${3:-10}
ms=$(realpath "$ms")
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fixed-seed generator (Park-Miller, exact in awk's doubles).
awk -v lines="$lines" '
  function rnd(n) { seed = (seed * 48271) % 2147483647; return int(seed / 2147483647 * n) }
  function part(symbol, k) { return k == 0 ? "" : k == 1 ? symbol : symbol k }
  BEGIN {
    seed = 20261207
    for (i = 0; i < lines; i++) {
      c = rnd(100) < 90 ? rnd(40) + 1 : rnd(300) + 40
      s = part("C", c) part("H", rnd(2 * c + 3) + 1)
      if (rnd(5) == 0) s = s part("Br", rnd(2) + 1)
      if (rnd(5) == 0) s = s part("Cl", rnd(3) + 1)
      if (rnd(8) == 0) s = s part("F", rnd(6) + 1)
      if (rnd(3)) s = s part("N", rnd(int(c / 4) + 2))
      if (rnd(12) == 0) s = s "Na"
      if (rnd(5)) s = s part("O", rnd(int(c / 3) + 3))
      if (rnd(10) == 0) s = s part("P", 1)
      if (rnd(6) == 0) s = s part("S", rnd(3) + 1)
      print s
    }
  }' > "$work/corpus"

if [[ -n ${KEEP_CORPUS:-} ]]; then cp "$work/corpus" "$KEEP_CORPUS"; fi
echo "corpus: $(wc -l < "$work/corpus") formulas, $(wc -c < "$work/corpus") bytes"
echo "load: $(uptime | sed 's/.*load average/load average/')"
times=()
for ((r = 0; r < runs; r++)); do
  # GNU time's %e and %U: wall and user seconds.
  /usr/bin/time -f "%e %U" -o "$work/time" "$ms" mass --data "$data" --ion '[M+H]+' \
    < "$work/corpus" > /dev/null
  times+=("$(cat "$work/time")")
done
printf '%s\n' "${times[@]}" | sort -n | awk -v n="$lines" -v runs="$runs" '
  { wall[NR] = $1; user[NR] = $2 }
  END {
    median = runs % 2 ? wall[(runs + 1) / 2] : (wall[runs / 2] + wall[runs / 2 + 1]) / 2
    printf "zorvan-ms mass best %.3f s  %.2f M formulas/s  (user %.3f s)   median %.3f s  %.2f M formulas/s\n",
      wall[1], n / wall[1] / 1e6, user[1], median, n / median / 1e6
  }'
echo "load: $(uptime | sed 's/.*load average/load average/')"
