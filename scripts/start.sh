#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "tamsenor: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Start it from a desktop session, or under a virtual display: xvfb-run bash scripts/start.sh" >&2
  exit 1
fi
exec "$root/build/tamsenor"
