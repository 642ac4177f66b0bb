#!/bin/sh
# What the companion does when it is ended from outside, killed outright, or
# given places it cannot write: nothing of the user's is lost.
# Usage: batch_safety.sh /path/to/tamsenor-batch
set -u
LC_ALL=C.UTF-8
export LC_ALL
BATCH=${1:?usage: batch_safety.sh /path/to/tamsenor-batch}
. "$(dirname "$0")/checks.sh"

work=$(mktemp -d /tmp/tamsenor-safety-XXXXXX) || exit 1
cleanup() {
    chattr -R -i "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

# A run long enough to be caught in the middle: a.htm first, then a big page.
mkdir in
printf '<p>a</p>' >in/a.htm
head -c 300000000 /dev/zero | tr '\0' 'x' >in/b.htm

# start_and_catch DIR: starts a strip run into DIR over the user's ahtm.txt
# and returns once that file was replaced (the run is then on b.htm).
start_and_catch() {
    mkdir -p "$1"
    printf 'kept by the user' >"$1/ahtm.txt"
    "$BATCH" strip --out "$1" in >out.log 2>err.log &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        grep -q 'From' "$1/ahtm.txt" 2>/dev/null && return 0
        sleep 0.02
    done
    return 1
}

# Every catchable ending puts back what the run replaced; exit 128 + the signal.
for signal in HUP:129 INT:130 QUIT:131 TERM:143 PIPE:141; do
    name=${signal%%:*}
    code=${signal##*:}
    start_and_catch "o$name" || fail "SIG$name: the run ended before it could be caught"
    kill -"$name" "$pid" 2>/dev/null
    wait "$pid"
    got=$?
    [ "$got" -eq "$code" ] || fail "SIG$name: exit $got, expected $code ($(cat err.log))"
    [ "$(cat "o$name/ahtm.txt")" = "kept by the user" ] || fail "SIG$name: the replaced file was not put back"
    [ "$(ls -A "o$name")" = "ahtm.txt" ] || fail "SIG$name: left $(ls -A "o$name")"
    grep -q "put back (1)" err.log || fail "SIG$name: the summary does not count what came back ($(cat err.log))"
done

# kill -9 in the middle: "recover" puts the replaced file back and says so.
start_and_catch okill || fail "SIGKILL: the run ended before it could be caught"
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
ls -A okill | grep -q '^\.tmsn-journal-' || fail "SIGKILL: no journal beside the outputs ($(ls -A okill))"
"$BATCH" recover okill >out.log 2>err.log
got=$?
[ "$got" -eq 0 ] || fail "recover: exit $got ($(cat err.log))"
grep -q "put back: .*okill/ahtm.txt" out.log || fail "recover: does not list what it put back ($(cat out.log))"
[ "$(cat okill/ahtm.txt)" = "kept by the user" ] || fail "recover: the replaced file is not back"
[ "$(ls -A okill)" = "ahtm.txt" ] || fail "recover: left $(ls -A okill)"
"$BATCH" recover okill >out.log 2>err.log || fail "recover with nothing to do: exit $?"
grep -q "no interrupted run" out.log || fail "recover with nothing to do: $(cat out.log)"

# kill -9, then a new run into the same folder: it takes the old one back first.
start_and_catch onext || fail "SIGKILL before a new run: the run ended before it could be caught"
kill -KILL "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
mkdir small && printf '<b>c</b>' >small/c.htm
"$BATCH" strip --out onext small >out.log 2>err.log || fail "the run after a crash: exit $? ($(cat err.log))"
grep -q "earlier run into this folder ended before it finished" err.log || fail "the run after a crash says nothing"
[ "$(cat onext/ahtm.txt)" = "kept by the user" ] || fail "the run after a crash: the replaced file is not back"
[ "$(ls -A onext | tr '\n' ' ')" = "ahtm.txt chtm.txt " ] || fail "the run after a crash: left $(ls -A onext)"

# Places that cannot be written are refused before the first file, once, by name.
mkdir ro
if chattr +i ro 2>/dev/null || { [ "$(id -u)" -ne 0 ] && chmod a-w ro; }; then
    "$BATCH" strip --out ro small >out.log 2>err.log
    got=$?
    [ "$got" -eq 2 ] || fail "read-only output folder: exit $got, expected 2"
    [ "$(wc -l <err.log)" -le 2 ] || fail "read-only output folder: more than one message ($(cat err.log))"
    grep -q "output directory '.*ro' cannot be written" err.log || fail "read-only output folder: $(cat err.log)"
    "$BATCH" extract --web --results ro/r.tsv small >out.log 2>err.log
    got=$?
    [ "$got" -eq 2 ] || fail "read-only results folder: exit $got, expected 2"
    grep -q "'ro/r.tsv' cannot be written" err.log || fail "read-only results folder: $(cat err.log)"
    [ -z "$(ls -A ro)" ] || fail "read-only folders: left $(ls -A ro)"
    chattr -i ro 2>/dev/null
    chmod u+w ro
else
    echo "note: no way to make a folder read-only here; those checks were left out" >&2
fi

finish "all safety checks passed"
