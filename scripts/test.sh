#!/usr/bin/env bash
# Sets up, builds and runs every test, headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# GNU parallel: the README's recipe for splitting a batch is tested too.
"$root/scripts/setup.sh" parallel
"$root/scripts/build.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900
