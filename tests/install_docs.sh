#!/bin/sh
# Installs the build into a fresh prefix and checks what people look for:
# the man pages (rendered by man without a warning) and the bash completion
# (sourced, and asked as bash asks it).
# Usage: install_docs.sh BUILD_DIR WITH_WINDOW(0|1)
set -u
BUILD=${1:?usage: install_docs.sh BUILD_DIR WITH_WINDOW}
WINDOW=${2:-0}
. "$(dirname "$0")/checks.sh"
prefix=$(mktemp -d /tmp/tamsenor-install-XXXXXX) || exit 1
trap 'rm -rf "$prefix"' EXIT
cmake --install "$BUILD" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log" >&2; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"

pages="tamsenor-batch"
[ "$WINDOW" = 1 ] && pages="$pages tamsenor"
for page in $pages; do
    file="$prefix/share/man/man1/$page.1"
    [ -f "$file" ] || { fail "$page.1 is not installed"; continue; }
    MANWIDTH=80 man -l "$file" >"$prefix/$page.txt" 2>"$prefix/$page.err" || fail "man -l $page.1 failed"
    [ -s "$prefix/$page.err" ] && fail "man -l $page.1 warned: $(cat "$prefix/$page.err")"
    grep -q "^NAME" "$prefix/$page.txt" || fail "$page.1 renders no NAME section"
    warnings=$(groff -man -ww -z "$file" 2>&1)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# The window program's man page names every option its --help names.
if [ "$WINDOW" = 1 ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/tamsenor" --help >"$prefix/help.txt" ||
        fail "tamsenor --help needs a display"
    for option in $(grep -o -- ' --*[a-z][a-z-]*' "$prefix/help.txt" | grep -v -- '-platform\|-style' | sort -u); do
        grep -q -- "$option" "$prefix/tamsenor.txt" || fail "tamsenor.1 does not name $option"
    done
fi

completion="$prefix/share/bash-completion/completions/tamsenor-batch"
[ -f "$completion" ] || fail "the bash completion is not installed"
# complete_words WORD... : what the completion offers for the last word.
complete_words() {
    bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tamsenor_batch; printf "%s\n" "${COMPREPLY[@]}"' \
        complete "$completion" "$@"
}
[ "$(complete_words tamsenor-batch ex)" = extract ] || fail "completion of a command: $(complete_words tamsenor-batch ex)"
[ "$(complete_words tamsenor-batch extract --for)" = --format ] || fail "completion of an option"
[ "$(complete_words tamsenor-batch extract --format '' | tr '\n' ' ')" = "tsv csv jsonl " ] ||
    fail "completion of --format's value"
complete_words tamsenor-batch strip --w | grep -q . && fail "strip is offered an option of extract"
[ "$(complete_words tamsenor-batch list -)" ] || fail "list is offered no option"

finish "installed documentation checked"
