#!/usr/bin/env bash
# Measures the time from starting zorvan to its main window being mapped on
# the display, over several runs. Needs a display and xdotool; without one:
#   xvfb-run -a -s '-screen 0 1024x768x24' bench/startup_time.sh build/ui/zorvan
set -euo pipefail
exe=$(realpath "${1:-build/ui/zorvan}")
cd "$(dirname "$0")/../data"
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$exe" &
  pid=$!
  # Poll finely: xdotool's own --sync waits half a second between tries.
  until xdotool search --onlyvisible --name "分子量計算" > /dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s.%N)
  kill "$pid"
  wait "$pid" 2> /dev/null || true
  printf 'run %d: %.3f s\n' "$run" "$(echo "$end - $start" | bc)"
done
