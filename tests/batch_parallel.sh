#!/bin/sh
# The README's recipe for splitting a batch across companions with GNU
# parallel: each part writes its own results file, and the parts are joined
# under one header into exactly the file one companion would have written.
# Usage: batch_parallel.sh /path/to/tamsenor-batch
set -u
LC_ALL=C.UTF-8
export LC_ALL
BATCH=${1:?usage: batch_parallel.sh /path/to/tamsenor-batch}
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
work=$(mktemp -d /tmp/tamsenor-parallel-XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

mkdir pages
i=0
while [ $i -lt 40 ]; do
    printf '<p>Page %d: see http://site%d.test/ or mail team%d@site.test</p>\r\n' $i $((i % 7)) $i >"pages/p$i.htm"
    i=$((i + 1))
done
printf 'Page\t1\r\n' >kw.txt

# One companion over the whole batch, for comparison.
"$BATCH" extract --web --email --keywords kw.txt --process-time T --results whole.tsv -q pages || exit 1

# The recipe: a sorted list cut into parts, one companion per part, the parts joined.
# Sorted without regard to case, as the companion orders its files.
find "$PWD/pages" -type f -print0 | sort -z -f >list
parallel --will-cite -0 --pipe-part -a list --block -3 --recend '\0' \
    "$BATCH" extract -0 --files-from - --web --email --keywords kw.txt --process-time T -q \
    --results part-{#}.tsv || exit 1
parts=$(ls part-*.tsv | sort -t- -k2 -n)
{ head -n 1 "$(echo "$parts" | head -n 1)"; for p in $parts; do tail -n +2 "$p"; done; } >joined.tsv

[ "$(echo "$parts" | wc -l)" -ge 2 ] || { echo "FAIL: the batch was not split ($parts)" >&2; exit 1; }
cmp -s joined.tsv whole.tsv || { echo "FAIL: the joined parts differ from one companion's results" >&2; diff joined.tsv whole.tsv | head >&2; exit 1; }
echo "1 passed, 0 failed"
