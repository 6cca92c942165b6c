#!/usr/bin/env bash
# Checks that a file split into chunks of three lines by GNU parallel, each
# chunk run by its own zorvan-batch, gives the same bytes as one run: every
# report block starts with its own CR LF, so the blocks simply concatenate.
# Usage: parallel_pipe_order.sh ZORVAN_BATCH DATA_DIR WORK_DIR
# Exits 77 (skipped) when GNU parallel is not installed.
set -euo pipefail
batch="$1" data="$2" work="$3"
if ! command -v parallel > /dev/null; then
  echo "GNU parallel is not installed: skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"
# Ten lines, CR LF and LF mixed, with an error, an empty line, a group
# abbreviation, full-width text and no line end after the last one.
printf 'H2O\r\nCuSO4*5H2O\n\nPhOH\r\nC6H12O6\nXx\r\nＨ２Ｏ\nCa(OH)2\nCH3COOH\r\nNaCl' > "$work/input"
"$batch" --data "$data" < "$work/input" > "$work/single"
parallel --will-cite --pipe -k -N 3 -j 4 -q "$batch" --data "$data" < "$work/input" > "$work/split"
if ! cmp "$work/single" "$work/split"; then
  echo "the output of parallel --pipe -k differs from a single run (see $work)"
  exit 1
fi
echo "parallel --pipe -k -N 3: $(wc -c < "$work/single") bytes, the same as one run"
