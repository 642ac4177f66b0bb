#!/bin/sh
# Builds a corpus of real HTML that nobody here wrote: the HTML pages of
# Debian's Python and PostgreSQL documentation packages, copied into one flat
# folder (tamsenor-batch takes a folder's own files, not its subfolders).
# Usage: make_corpus.sh [DIR]   (default: /tmp/tamsenor-corpus; needs root for apt-get)
set -eu
dest=${1:-/tmp/tamsenor-corpus}
packages="python3-doc postgresql-doc-15"

missing=
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# python3-doc only points at the versioned package that holds the pages.
pages=$packages
for package in $packages; do
    for dependency in $(dpkg-query -W -f='${Depends}' "$package" | tr ',' '\n' | sed 's/(.*//; s/|.*//' | grep -E -- '-doc *$'); do
        pages="$pages $dependency"
    done
done

mkdir -p "$dest"
for package in $pages; do
    # The package's own files, symbolic links to shared copies resolved.
    dpkg -L "$package" | grep -E '\.html?$' | while read -r file; do
        [ -f "$file" ] || continue
        # One flat name per page: the path below /usr/share/doc, "/" as "__".
        name=$(printf '%s' "${file#/usr/share/doc/}" | sed 's|/|__|g')
        cp -L "$file" "$dest/$name"
    done
done
count=$(find "$dest" -maxdepth 1 -type f | wc -l)
bytes=$(find "$dest" -maxdepth 1 -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
echo "corpus: $dest, $count files, $bytes bytes"
