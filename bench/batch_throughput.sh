#!/usr/bin/env bash
# End-to-end throughput of zorvan-batch: reading, calculating, formatting and
# writing a corpus of realistic formulas, in each output format.
#
#   bench/batch_throughput.sh PATH/TO/zorvan-batch [LINES] [RUNS]
#
# Builds nothing: give it the zorvan-batch of a Release build. The corpus
# (LINES formula lines, default 200000) is generated afresh in a scratch
# folder, the same every time: the formulas of data/name.csv and generated
# ones (salts, hydrates, organic formulas, nested groups, group
# abbreviations, counts with decimals) with about 3% errors. Each format is
# timed with hyperfine when it is installed (apt-get install hyperfine), else
# with a loop of RUNS (default 10) runs; the best run gives the formulas per
# second, and hyperfine's median is shown beside it. KEEP_CORPUS=FILE keeps a
# copy of the corpus. The machine's load is printed too: other work on it
# slows the runs.
set -euo pipefail

batch=${1:?usage: batch_throughput.sh PATH/TO/zorvan-batch [LINES] [RUNS]}
lines=${2:-200000}
runs=${3:-10}
batch=$(realpath "$batch")
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The formulas of name.csv (the last field), decoded from code page 932.
iconv -f CP932 -t UTF-8 "$data/name.csv" | tr -d '\r' | awk -F, 'NF >= 3 { print $NF }' > "$work/names"

# A fixed-seed generator (Park-Miller, exact in awk's doubles) makes the same
# corpus on every machine.
awk -v lines="$lines" '
  function rnd(n) { seed = (seed * 48271) % 2147483647; return int(seed / 2147483647 * n) }
  function pick(list,   a, k) { k = split(list, a, " "); return a[rnd(k) + 1] }
  function num(k) { return k == 1 ? "" : k }
  function organic(   c, s) {
    c = rnd(24) + 1
    s = "C" num(c) "H" num(2 * c + 2 - 2 * rnd(c))
    if (rnd(3)) s = s "O" num(rnd(6) + 1)
    if (rnd(4) == 0) s = s "N" num(rnd(4) + 1)
    if (rnd(8) == 0) s = s pick("Na K Cl Br S P F")
    return s
  }
  function salt() {
    return pick("Na K Ca Mg Cu Fe Zn Al Co Ni Mn Ba Li (NH4)") num(rnd(3) + 1) \
           pick("Cl SO4 NO3 CO3 PO4 (OH)2 (NO3)2 (SO4)3 (CN)6 CH3COO C2O4 Br I")
  }
  function grouped(   s) {
    s = pick("Ph Me Et Bu Bn Bz Ts Ms Tf Cp Cy Boc Tol")
    s = s pick("OH COOH NH2 Cl Br OMe OEt CHO COOEt SH CN NO2 OPh Ph Me")
    if (rnd(3) == 0) s = pick("(Me)3C (Et)2N Ph2C Bu3Sn Me3Si (Ph)3P") s
    return s
  }
  function nested(   s) {
    s = "((" pick("CH3 C2H5 CF3 Ph Me") ")" (rnd(3) + 2) pick("C Si N P") ")" (rnd(3) + 2) pick("O S NH CH2 Fe")
    return rnd(2) ? s : pick("K4Fe(CN)6 Cu(NH3)4SO4 Fe2(SO4)3 Ca3(PO4)2 (CH3)3CCH2C(CH3)3")
  }
  function hydrate() { return salt() "*" pick("H2O 2H2O 3H2O 5H2O 6H2O 7H2O 10H2O 12H2O 0.5H2O") }
  function broken() {
    return pick("H2o CuSO4.5H2O.1 Xx2O NaCl\t C6H5-OH h2o 2H2O (CH3 ,NaCl Cl2 C1.2.3 Ｈ2O MeO-Ph Na+")
  }
  FILENAME == ARGV[1] { names[n++] = $0; next }
  END {
    seed = 20240601
    for (i = 0; i < lines; i++) {
      k = rnd(100)
      if (k < 35) print names[rnd(n)]
      else if (k < 50) print organic()
      else if (k < 62) print salt()
      else if (k < 74) print hydrate()
      else if (k < 86) print grouped()
      else if (k < 94) print nested()
      else if (k < 97) print organic() "*" num(rnd(4) + 1) "H2O"
      else print broken()
    }
  }' "$work/names" /dev/null > "$work/corpus"

if [[ -n ${KEEP_CORPUS:-} ]]; then cp "$work/corpus" "$KEEP_CORPUS"; fi
echo "corpus: $(wc -l < "$work/corpus") lines, $(wc -c < "$work/corpus") bytes"
echo "load: $(uptime | sed 's/.*load average/load average/')"
cd "$work"
for format in report tsv jsonl; do
  cmd="$batch --data $data --format $format"
  if command -v hyperfine > /dev/null; then
    hyperfine -w 2 -r "$runs" --export-json "$format.json" -n "$format" "$cmd < corpus > /dev/null" \
      > /dev/null
    best=$(awk -F: '/"min"/ { gsub(/[ ,]/, "", $2); print $2; exit }' "$format.json")
    median=$(awk -F: '/"median"/ { gsub(/[ ,]/, "", $2); print $2; exit }' "$format.json")
  else
    best=
    median=
    for ((r = 0; r < runs; r++)); do
      start=$(date +%s.%N)
      $cmd < corpus > /dev/null
      end=$(date +%s.%N)
      best=$(awk -v b="$best" -v t="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
        'BEGIN { print (b == "" || t < b) ? t : b }')
    done
  fi
  awk -v f="$format" -v t="$best" -v m="$median" -v n="$lines" \
    'BEGIN { printf "%-7s best %.4f s  %6.2f M formulas/s", f, t, n / t / 1e6
             if (m != "") printf "   (median %.4f s  %6.2f M/s)", m, n / m / 1e6
             print "" }'
done
echo "load: $(uptime | sed 's/.*load average/load average/')"
