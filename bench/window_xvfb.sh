#!/bin/sh
# The main window's strip run, shown and painted on a real X server (Xvfb),
# against `tamsenor-batch strip --jobs 1` on the same files: paired runs
# (window, companion, window, companion, ...), medians of each.
# Usage: window_xvfb.sh BUILD_DIR [CORPUS_DIR] [ROUNDS]
#   BUILD_DIR holds bench/tamsenor-window-bench and batch/tamsenor-batch;
#   CORPUS_DIR defaults to /tmp/tamsenor-corpus (made by make_corpus.sh when missing);
#   ROUNDS defaults to 5. Needs xvfb-run (Debian's xvfb).
set -eu
build=${1:?usage: window_xvfb.sh BUILD_DIR [CORPUS_DIR] [ROUNDS]}
corpus=${2:-/tmp/tamsenor-corpus}
rounds=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$corpus" ] || sh "$here/make_corpus.sh" "$corpus"
files=$(find "$corpus" -maxdepth 1 -type f | wc -l)

out=$(mktemp -d /tmp/tamsenor-xvfb-out-XXXXXX)
trap 'rm -rf "$out" "$out.times"' EXIT
cat "$corpus"/* >/dev/null

: >"$out.times"
round=1
while [ "$round" -le "$rounds" ]; do
    rm -rf "$out" && mkdir "$out"
    window=$(xvfb-run -a -s '-screen 0 1600x1000x24' \
        "$build/bench/tamsenor-window-bench" --shown "$corpus" "$out" 2>/dev/null |
        sed -n 's/.* in \([0-9.]*\) s$/\1/p')
    rm -rf "$out" && mkdir "$out"
    start=$(date +%s.%N)
    "$build/batch/tamsenor-batch" strip --quiet --jobs 1 --out "$out" "$corpus" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    batch=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }')
    echo "round $round: window ${window:-failed} s, companion --jobs 1 $batch s"
    echo "${window:-nan} $batch" >>"$out.times"
    round=$((round + 1))
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
w=$(cut -d' ' -f1 "$out.times" | median)
b=$(cut -d' ' -f2 "$out.times" | median)
awk -v w="$w" -v b="$b" -v n="$files" 'BEGIN {
    limit = 3 * b; if (b + 2 > limit) limit = b + 2
    printf "%d files: window (shown, Xvfb) median %.2f s, companion --jobs 1 median %.2f s, ratio %.1f, limit %.2f s: %s\n",
        n, w, b, w / b, limit, (w <= limit ? "within" : "over")
}'
