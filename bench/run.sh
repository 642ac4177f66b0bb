#!/bin/sh
# Runs the in-memory engine bench and times tamsenor-batch strip over the corpus.
# Usage: run.sh BUILD_DIR [CORPUS_DIR] [BUDGET_SECONDS]
#   BUILD_DIR holds bench/tamsenor-bench and batch/tamsenor-batch;
#   CORPUS_DIR defaults to /tmp/tamsenor-corpus (made by make_corpus.sh when missing);
#   BUDGET_SECONDS stops each in-memory measurement (default 20).
set -eu
build=${1:?usage: run.sh BUILD_DIR [CORPUS_DIR] [BUDGET_SECONDS]}
corpus=${2:-/tmp/tamsenor-corpus}
budget=${3:-20}
here=$(cd "$(dirname "$0")" && pwd)

[ -d "$corpus" ] || sh "$here/make_corpus.sh" "$corpus"
files=$(find "$corpus" -maxdepth 1 -type f | wc -l)
bytes=$(find "$corpus" -maxdepth 1 -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')

echo "== in memory"
"$build/bench/tamsenor-bench" --budget "$budget" "$corpus"

# The markup reader and the link rules, alone and within an extraction run.
if [ -x "$build/bench/tamsenor-markup-bench" ]; then
    echo
    echo "== links in markup, in memory"
    "$build/bench/tamsenor-markup-bench" --budget "$budget" "$corpus"
fi

echo
echo "== tamsenor-batch strip over the corpus ($files files, $bytes bytes), whole process"
out=$(mktemp -d /tmp/tamsenor-bench-out-XXXXXX)
trap 'rm -rf "$out"' EXIT
# Read the corpus once so the first timed run does not measure the disk.
cat "$corpus"/* >/dev/null
for run in 1 2 3; do
    rm -rf "$out" && mkdir "$out"
    start=$(date +%s.%N)
    status=0
    /usr/bin/time -f '%M' -o "$out.rss" "$build/batch/tamsenor-batch" strip --out "$out" "$corpus" >"$out.log" 2>&1 || status=$?
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v b="$bytes" -v r="$run" -v st="$status" -v rss="$(cat "$out.rss")" \
        'BEGIN { t = e - s; printf "run %d: %.2f s, %.1f MB/s, exit %d, peak RSS %d KiB\n", r, t, b / 1e6 / t, st, rss }'
done
tail -n 3 "$out.log"

# Onto the disk, side by side with copying the same files and making the
# copy durable: the disk work is the cost the strip run cannot avoid.
echo
echo "== strip onto the disk against cp -r + sync -f (same folder, same files)"
copy="$out.copy"
for run in 1 2 3; do
    rm -rf "$out" "$copy" && mkdir "$out" && sync
    start=$(date +%s.%N)
    "$build/batch/tamsenor-batch" strip --out "$out" "$corpus" >"$out.log" 2>&1 || true
    middle=$(date +%s.%N)
    sync
    rest=$(date +%s.%N)
    cp -r "$corpus" "$copy" && sync -f "$copy"
    end=$(date +%s.%N)
    awk -v s="$start" -v m="$middle" -v r="$rest" -v e="$end" -v n="$run" \
        'BEGIN { a = m - s; c = e - r; printf "run %d: strip %.2f s, copy+sync %.2f s, ratio %.2f\n", n, a, c, a / c }'
done
rm -rf "$copy"

# On a
# memory file system the strip run shows what the program itself costs.
if [ -d /dev/shm ] && shm=$(mktemp -d /dev/shm/tamsenor-bench-out-XXXXXX); then
    start=$(date +%s.%N)
    status=0
    "$build/batch/tamsenor-batch" strip --out "$shm" "$corpus" >"$out.log" 2>&1 || status=$?
    end=$(date +%s.%N)
    rm -rf "$shm"
    awk -v s="$start" -v e="$end" -v b="$bytes" -v st="$status" \
        'BEGIN { t = e - s; printf "outputs on /dev/shm: %.2f s, %.1f MB/s, exit %d\n", t, b / 1e6 / t, st }'
fi
rm -f "$out.log" "$out.rss"

# The same strip run done by the main window (offscreen), to compare with the batch runs above.
if [ -x "$build/bench/tamsenor-window-bench" ]; then
    echo
    echo "== the main window's strip run over the corpus"
    rm -rf "$out" && mkdir "$out"
    "$build/bench/tamsenor-window-bench" "$corpus" "$out" 2>/dev/null
fi
