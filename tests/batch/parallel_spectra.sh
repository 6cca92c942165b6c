#!/usr/bin/env bash
# Checks the command the README gives for a spectra file too large for one
# machine: GNU parallel cuts the file at each compound's first line, a
# zorvan-ms find --spectra per piece answers it, and with the repeated
# header lines dropped the rows are those of one run, in the same order.
# Usage: parallel_spectra.sh ZORVAN_MS DATA_DIR GOLDEN_DIR
# Exits 77 (skipped) when GNU parallel is not installed.
set -euo pipefail
ms="$1" data="$2" golden="$3"
if ! command -v parallel > /dev/null; then
  echo "GNU parallel is not installed: skipped"
  exit 77
fi
for case in "spectra_ms >compound ms 3" "spectra_mgf BEGIN.IONS mgf 2"; do
  read -r name start format top <<< "$case"
  if ! parallel --will-cite --pipe -k --recstart "${start/./ }" -N 2 -j 3 -q "$ms" find --data "$data" --rules \
    --top "$top" --jobs 1 --spectra - --spectra-format "$format" < "$golden/$name.in" 2> /dev/null |
    awk 'NR == 1 || !/^query\t/' | cmp - "$golden/$name.out"; then
    echo "$name: the rows of parallel --pipe -k differ from those of one run"
    exit 1
  fi
done
echo "parallel --pipe -k --recstart: the rows of one run, in order"
