#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize/ (or the folder given as $1) and runs the whole suite there; any report fails.
# The browser window is left out: its engine is a separate, uninstrumented
# Chromium process tree that the sanitizers cannot see into.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# GNU parallel: the README's recipe for splitting a batch is tested too.
"$root/scripts/setup.sh" parallel
build="${1:-$root/build-sanitize}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTAMSENOR_SANITIZE=ON -DTAMSENOR_BUILD_BROWSER=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Leaks inside the system's font and GUI libraries are theirs, not ours.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 1200
