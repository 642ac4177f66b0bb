#!/bin/sh
# One companion against the README's GNU parallel recipe with PARTS parts,
# on a folder of pages: paired runs (A B A B ...), the median time and the
# peak memory of each, and whether the joined parts equal the one file.
# Usage: bench/parallel_parts.sh BUILD_DIR PAGES_DIR [PARTS] [ROUNDS]
set -u
BATCH=$(realpath "${1:?usage: parallel_parts.sh BUILD_DIR PAGES_DIR [PARTS] [ROUNDS]}")/batch/tamsenor-batch
PAGES=$(realpath "${2:?usage: parallel_parts.sh BUILD_DIR PAGES_DIR [PARTS] [ROUNDS]}")
PARTS=${3:-2}
ROUNDS=${4:-5}
work=$(mktemp -d /tmp/tamsenor-parts-XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
"$BATCH" list -0 -r "$PAGES" >list
echo "$(tr -cd '\0' <list | wc -c) pages, $PARTS parts, $ROUNDS rounds, $(nproc) cores"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
round=0
while [ $round -lt "$ROUNDS" ]; do
    round=$((round + 1))
    rm -f whole.tsv part-*.tsv
    /usr/bin/time -f "%e %M" -a -o a.times "$BATCH" extract -r --web --email --process-time T -q --results whole.tsv "$PAGES"
    /usr/bin/time -f "%e %M" -a -o b.times parallel --will-cite -j "$PARTS" -0 --pipe-part -a list --block -1 \
        --recend '\0' "$BATCH" extract -0 --files-from - --web --email --process-time T -q --results part-{#}.tsv
    parts=$(ls | grep '^part-[0-9]*\.tsv$' | sort -t- -k2 -n)
    # shellcheck disable=SC2086
    { head -n 1 "$(echo "$parts" | head -n 1)"; for p in $parts; do tail -n +2 "$p"; done; } >joined.tsv
    cmp -s joined.tsv whole.tsv || echo "round $round: the joined parts DIFFER from one companion's file"
done
echo "one companion:       $(cut -d' ' -f1 a.times | median) s, peak $(cut -d' ' -f2 a.times | median) KB"
echo "$PARTS parts, parallel: $(cut -d' ' -f1 b.times | median) s, peak $(cut -d' ' -f2 b.times | median) KB per process"
