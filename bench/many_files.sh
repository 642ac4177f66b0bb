#!/bin/sh
# A batch of many files: N names (hard links, so the disk holds each page
# once) spread over the corpus pages, through strip and extract. Reports time
# and peak memory of each, beside the corpus run scaled to N files.
# Usage: many_files.sh BUILD_DIR [N] [CORPUS_DIR] [WORK_DIR]
set -eu
build=${1:?usage: many_files.sh BUILD_DIR [N] [CORPUS_DIR] [WORK_DIR]}
count=${2:-100000}
corpus=${3:-/tmp/tamsenor-corpus}
work=${4:-/tmp}
batch="$build/batch/tamsenor-batch"
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$corpus" ] || sh "$here/make_corpus.sh" "$corpus"

dir=$(mktemp -d "$work/tamsenor-many-XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/in"
find "$corpus" -maxdepth 1 -type f | sort >"$dir/pages"
pages=$(wc -l <"$dir/pages")
awk -v n="$count" -v d="$dir/in" '{ page[NR] = $0 } END { for (i = 0; i < n; i++) printf "%s\t%s/p%06d.html\n", page[i % NR + 1], d, i }' "$dir/pages" |
    while IFS="$(printf '\t')" read -r from to; do ln "$from" "$to"; done
cat "$corpus"/* >/dev/null

# measure NAME COMMAND...: wall seconds and peak resident memory.
measure() {
    name=$1
    shift
    sync
    /usr/bin/time -f "%e %M" -o "$dir/time" "$@" >/dev/null 2>"$dir/err" || true
    set -- $(tail -n 1 "$dir/time")
    echo "$name $1 $2"
}

for mode in strip extract; do
    for what in corpus many; do
        source=$corpus
        [ "$what" = many ] && source="$dir/in"
        rm -rf "$dir/out" "$dir/r.tsv"
        if [ "$mode" = strip ]; then
            measure "$what" "$batch" strip -q --out "$dir/out" "$source"
        else
            measure "$what" "$batch" extract -q --web --email --results "$dir/r.tsv" "$source"
        fi
    done >"$dir/$mode"
    awk -v mode="$mode" -v n="$count" -v pages="$pages" '
        $1 == "corpus" { t = $2 }
        $1 == "many" { scaled = t * n / pages
            printf "%s: %d files %.1f s (corpus scaled: %.1f s, ratio %.2f), peak RSS %.1f MB\n", mode, n, $2, scaled, $2 / scaled, $3 / 1024 }' "$dir/$mode"
done
