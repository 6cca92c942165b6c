#!/usr/bin/env bash
# The formula finder on 200 realistic queries: m/z 100-900 of CHNOS and
# halogen compounds as [M+H]+, [M+Na]+ and [M-H]-, 5 ppm, the ranges
# C0-60 H0-120 N0-8 O0-15 S0-3 Cl0-3 Br0-2.
#
#   bench/ms_find.sh PATH/TO/zorvan-ms [RUNS]
#
# The queries are generated afresh in a scratch folder, the same every time
# (a fixed-seed generator picks the formulas, zorvan-ms mass gives their m/z,
# and each is moved by up to 3 ppm). One zorvan-ms find run reads all 200 ten
# times over from standard input, so that the program's start hardly counts;
# RUNS runs (default 10) give the best and the median, also per 200 queries.
# finder_queries, built beside zorvan-ms in bench/, then times each query on
# its own (best of 5) for the slowest single one. With MF_FINDER_DIR set to a
# folder where `npm install mf-finder` was run, the same queries go through
# mf-finder too (a warm-up pass, then the best of RUNS passes over the 200,
# and each query's best of 5 for its slowest), and the queries whose numbers
# of candidates differ are counted. KEEP_QUERIES=FILE keeps the queries.
set -euo pipefail

ms=$(realpath "${1:?usage: ms_find.sh PATH/TO/zorvan-ms [RUNS]}")
runs=${2:-10}
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ranges='C0-60 H0-120 N0-8 O0-15 S0-3 Cl0-3 Br0-2'

# Formulas of organic compounds, within the ranges (Park-Miller generator,
# exact in awk's doubles).
awk 'BEGIN {
  seed = 18
  for (i = 0; i < 1200; ++i) {
    c = 4 + r(40); h = int(c / 2) + r(c + 4); n = r(3) ? r(5) : 0; o = r(9)
    s = r(5) ? 0 : 1 + r(2); cl = r(5) ? 0 : 1 + r(3); br = r(8) ? 0 : 1 + r(2)
    printf "C%dH%d", c, h + 1
    if (n) printf "N%d", n
    if (o) printf "O%d", o
    if (s) printf "S%d", s
    if (cl) printf "Cl%d", cl
    if (br) printf "Br%d", br
    printf "\n"
  }
}
function r(k) { seed = (seed * 48271) % 2147483647; return int(seed / 2147483647 * k) }' > "$work/formulas"

for ion in '[M+H]+' '[M+Na]+' '[M-H]-'; do
  "$ms" mass --data "$data" --ion "$ion" < "$work/formulas" | tail -n +2 | cut -f 6,9 > "$work/mz.$ion"
done
paste "$work/mz.[M+H]+" "$work/mz.[M+Na]+" "$work/mz.[M-H]-" | awk -F'\t' -v ranges="$ranges" 'BEGIN { seed = 7 }
function r(k) { seed = (seed * 48271) % 2147483647; return int(seed / 2147483647 * k) }
{
  k = NR % 3; ion = $(2 * k + 1); mz = $(2 * k + 2)
  if (mz < 100 || mz > 900 || count == 200) next
  count++
  printf "%.5f\t%s\t5\t%s\n", mz * (1 + (r(61) - 30) / 10 * 1e-6), ion, ranges
}' > "$work/queries"
[ "$(wc -l < "$work/queries")" = 200 ] || { echo "generated too few queries" >&2; exit 1; }
if [ -n "${KEEP_QUERIES:-}" ]; then cp "$work/queries" "$KEEP_QUERIES"; fi
for i in 1 2 3 4 5 6 7 8 9 10; do cat "$work/queries"; done > "$work/input"

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
# Without the plausibility rules, as mf-finder answers.
"$ms" find --data "$data" --no-rules < "$work/input" > "$work/out"
echo "candidates over the 200: $(( $(tail -n +2 "$work/out" | wc -l) / 10 ))"
times=()
for ((i = 0; i < runs; ++i)); do
  start=$(date +%s%N)
  "$ms" find --data "$data" --no-rules < "$work/input" > /dev/null
  times+=($(( ($(date +%s%N) - start) / 1000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
best=${sorted[0]} median=${sorted[$((runs / 2))]}
printf 'zorvan-ms find, 2000 queries: best %.1f ms, median %.1f ms; per 200: best %.2f ms, median %.2f ms\n' \
  "$(echo "$best / 1000" | bc -l)" "$(echo "$median / 1000" | bc -l)" \
  "$(echo "$best / 10000" | bc -l)" "$(echo "$median / 10000" | bc -l)"

queries_bench=$(dirname "$ms")/../bench/finder_queries
if [ -x "$queries_bench" ]; then "$queries_bench" "$work/queries" 5; fi

if [ -n "${MF_FINDER_DIR:-}" ]; then
  awk -F'\t' 'NR > 1 && $1 <= 200 { n[$1]++ } END { for (q in n) print q "\t" n[q] }' "$work/out" | sort > "$work/ours"
  cat > "$MF_FINDER_DIR/zorvan_bench.mjs" <<'JS'
import { findMFs } from 'mf-finder';
import { readFileSync } from 'node:fs';
const ions = { '[M+H]+': 'H+', '[M+Na]+': 'Na+', '[M-H]-': '(H+)-1' };
const queries = readFileSync(process.argv[2], 'utf8').trim().split('\n').map((l) => l.split('\t'));
const runs = Number(process.argv[3]);
const ask = (q) => findMFs(Number(q[0]), { ionizations: ions[q[1]], ranges: q[3], precision: Number(q[2]), limit: 1e7 });
const totals = [];
for (let run = 0; run <= runs; ++run) {
  const start = performance.now();
  for (const q of queries) await ask(q);
  if (run > 0) totals.push(performance.now() - start);
}
let slowest = 0;
const counts = [];
for (const q of queries) {
  let best = Infinity;
  for (let k = 0; k < 5; ++k) {
    const start = performance.now();
    const r = await ask(q);
    best = Math.min(best, performance.now() - start);
    if (k === 0) counts.push(r.mfs.length);
  }
  slowest = Math.max(slowest, best);
}
totals.sort((a, b) => a - b);
console.log(`mf-finder, 200 queries: best ${totals[0].toFixed(1)} ms, median ${totals[totals.length >> 1].toFixed(1)} ms; slowest query ${slowest.toFixed(3)} ms`);
console.error(counts.map((c, i) => `${i + 1}\t${c}`).join('\n'));
JS
  (cd "$MF_FINDER_DIR" && node zorvan_bench.mjs "$work/queries" "$runs") 2> "$work/counts"
  sort "$work/counts" > "$work/theirs"
  echo "queries whose numbers of candidates differ from mf-finder's: $(join -a 1 -a 2 -e 0 -o 0,1.2,2.2 "$work/ours" "$work/theirs" | awk '$2 != $3' | wc -l)"
fi
