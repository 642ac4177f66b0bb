#!/bin/sh
# Scores the readable text against the browser's own text of the corpus pages
# (word, punctuation and line F1), next to the strip mode's text when the batch
# tool is built, then times the readable text in memory and renders one page
# of BIG_MB megabytes (default 1024; 0 skips it) to show its peak memory.
# Usage: readable.sh BUILD_DIR [CORPUS_DIR]
#   BUILD_DIR holds bench/tamsenor-readable-browser and bench/tamsenor-readable-bench;
#   the browser's texts are kept in $READABLE_BROWSER_CACHE (default
#   /tmp/tamsenor-readable-browser), so only new pages go through the browser.
set -eu
build=${1:?usage: readable.sh BUILD_DIR [CORPUS_DIR]}
corpus=${2:-/tmp/tamsenor-corpus}
cache=${READABLE_BROWSER_CACHE:-/tmp/tamsenor-readable-browser}
big=${BIG_MB:-1024}
here=$(cd "$(dirname "$0")" && pwd)

[ -d "$corpus" ] || sh "$here/make_corpus.sh" "$corpus"

echo "== the browser's text of each page (cached in $cache)"
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu \
    "$build/bench/tamsenor-readable-browser" "$corpus" "$cache" 2>/dev/null

out=$(mktemp -d /tmp/tamsenor-readable-XXXXXX)
trap 'rm -rf "$out"' EXIT

echo
echo "== readable text against the browser"
"$build/bench/tamsenor-readable-bench" --out "$out/readable" --budget 10 "$corpus" >"$out/bench.log"
python3 "$here/readable_score.py" "$cache" "$out/readable" --worst 10

if [ -x "$build/batch/tamsenor-batch" ]; then
    echo
    echo "== the strip mode's text against the browser, for comparison"
    "$build/batch/tamsenor-batch" strip --out "$out/strip" "$corpus" >/dev/null 2>&1 || true
    python3 "$here/readable_score.py" "$cache" "$out/strip" --from-header --worst 0
fi

echo
echo "== speed"
cat "$out/bench.log"
if [ "$big" -gt 0 ]; then
    "$build/bench/tamsenor-readable-bench" --budget 0 --only-readable --big "$big" "$corpus" | tail -n 3
fi
