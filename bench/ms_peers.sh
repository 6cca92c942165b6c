#!/usr/bin/env bash
# zorvan-ms beside the npm packages chemists reach for, measured in the same
# minute: mf-parser's monoisotopic masses over the corpus of
# bench/ms_throughput.sh, and isotopic-distribution's insulin fine structure
# (C257H383N65O77S6, 0.01% floor) against zorvan-ms pattern.
#
#   bench/ms_peers.sh PATH/TO/zorvan-ms [LINES]
#
# Needs node and npm (skips, saying so, without them). The two packages are
# installed into a scratch folder outside the repository, removed afterwards;
# PEERS_DIR=FOLDER installs them there once and keeps them.
set -euo pipefail

ms=${1:?usage: ms_peers.sh PATH/TO/zorvan-ms [LINES]}
lines=${2:-1000000}
ms=$(realpath "$ms")
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v node > /dev/null || ! command -v npm > /dev/null; then
  echo "ms_peers: node and npm are needed for the peers; skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
peers=${PEERS_DIR:-$work/peers}
mkdir -p "$peers"
if [[ ! -d $peers/node_modules/mf-parser || ! -d $peers/node_modules/isotopic-distribution ]]; then
  (cd "$peers" && npm init -y > /dev/null && npm install --no-audit --no-fund --silent mf-parser isotopic-distribution)
fi
echo "peers: mf-parser $(node -p "require('$peers/node_modules/mf-parser/package.json').version")," \
  "isotopic-distribution $(node -p "require('$peers/node_modules/isotopic-distribution/package.json').version")"

cat > "$peers/peers.mjs" << 'JS'
import { readFileSync } from 'node:fs';
import { MF } from 'mf-parser';
import { IsotopicDistribution } from 'isotopic-distribution';

const [mode, arg] = process.argv.slice(2);
if (mode === 'mass') {
  const formulas = readFileSync(arg, 'utf8').split('\n').filter((f) => f);
  let sum = 0;
  const start = performance.now();
  for (const f of formulas) sum += new MF(f).getInfo().monoisotopicMass;
  const seconds = (performance.now() - start) / 1000;
  console.log(`${(formulas.length / seconds).toFixed(0)} ${sum.toFixed(0)}`);
} else {
  const times = [];
  let peaks = 0;
  for (let i = 0; i < 60; i++) {
    const start = performance.now();
    const d = new IsotopicDistribution(arg, { fwhm: 1e-8, threshold: 1e-4 }).getDistribution();
    times.push(performance.now() - start);
    peaks = d.array.length;
  }
  times.splice(0, 10);  // warming up
  times.sort((a, b) => a - b);
  console.log(`${times[0].toFixed(3)} ${times[times.length >> 1].toFixed(3)} ${peaks}`);
}
JS

echo "== monoisotopic masses over the same $lines formulas"
own=$(KEEP_CORPUS="$work/corpus" "$here/ms_throughput.sh" "$ms" "$lines" 5)
echo "$own"
zorvan=$(echo "$own" | awk '/best/ { for (i = 1; i <= NF; i++) if ($i == "M") { print $(i - 1) * 1e6; exit } }')
read -r peer _ < <(node "$peers/peers.mjs" mass "$work/corpus")
awk -v z="$zorvan" -v p="$peer" 'BEGIN {
  printf "mf-parser %.0f formulas/s; zorvan-ms (best) %.0f formulas/s: %.0f times as many\n", p, z, z / p }'

echo "== insulin C257H383N65O77S6 fine structure, 0.01% floor"
data=$(cd "$here/../data" && pwd)
insulin=C257H383N65O77S6
awk -v f="$insulin" 'BEGIN { for (i = 0; i < 1000; i++) print f }' > "$work/insulin"
best=
for r in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$ms" pattern --data "$data" --min 0.01 < "$work/insulin" > "$work/peaks"
  end=$(date +%s.%N)
  best=$(awk -v b="$best" -v t="$(awk -v s="$start" -v e="$end" 'BEGIN { print (e - s) / 1000 * 1000 }')" \
    'BEGIN { print (b == "" || t < b) ? t : b }')
done
read -r peerBest peerMedian peerPeaks < <(node "$peers/peers.mjs" pattern "$insulin")
awk -v z="$best" -v zp="$(($(wc -l < "$work/peaks") / 1000))" -v pb="$peerBest" -v pm="$peerMedian" -v pp="$peerPeaks" 'BEGIN {
  printf "isotopic-distribution best %.3f ms, median %.3f ms (%d peaks)\n", pb, pm, pp
  printf "zorvan-ms pattern %.3f ms a pattern end to end, best of 5 runs of 1000 (%d peaks): %.0f times faster\n",
    z, zp, pb / z }'
echo "load: $(uptime | sed 's/.*load average/load average/')"
