#!/bin/sh
# Scores the main text against the snippets of the main-text development set
# (main_text_score.py: precision, recall and F-score on the pages at even and
# at odd positions, and on all), next to the readable text whole, and times
# both strips on one thread (user and system seconds, whole process).
# Usage: main_text.sh BUILD_DIR [DATA_TAR]
#   DATA_TAR defaults to ../shared/data/main-text-dev.tar.xz beside the
#   checkout; it is unpacked into a temporary folder, never into the checkout.
set -eu
build=${1:?usage: main_text.sh BUILD_DIR [DATA_TAR]}
here=$(cd "$(dirname "$0")" && pwd)
data=${2:-$here/../../shared/data/main-text-dev.tar.xz}
batch="$build/batch/tamsenor-batch"

work=$(mktemp -d /tmp/tamsenor-main-text-XXXXXX)
trap 'rm -rf "$work"' EXIT
tar -xJf "$data" -C "$work"
set_dir="$work/main-text-dev"
bytes=$(cat "$set_dir"/pages/* | wc -c)

for mode in readable main-text; do
    mkdir "$work/$mode"
    /usr/bin/time -f "%U %S %M" -o "$work/$mode.time" \
        "$batch" strip "--$mode" --jobs 1 -q --out "$work/$mode" "$set_dir/pages" || true
    read -r user sys peak <"$work/$mode.time"
    echo "== --$mode: $bytes bytes in ${user}s user ${sys}s system," \
        "$(echo "$bytes $user $sys" | awk '{ printf "%.0f", $1 / ($2 + $3) / 1e6 }') MB/s, peak ${peak} KiB"
    for half in even odd all; do
        python3 "$here/main_text_score.py" "$set_dir/snippets.json" "$work/$mode" --half "$half"
    done
done
