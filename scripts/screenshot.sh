#!/usr/bin/env bash
# Starts the program on a virtual display, waits for its window and saves a
# screenshot of the whole screen.
#   bash scripts/screenshot.sh OUT.png [PROGRAM] [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:?usage: screenshot.sh OUT.png [PROGRAM] [SECONDS]}"
program="${2:-$root/build/tamsenor}"
wait_s="${3:-4}"
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" & pid=$!
  sleep "$3"
  import -window root "$2"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' screenshot "$program" "$out" "$wait_s"
echo "saved $out"
