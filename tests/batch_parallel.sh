#!/bin/sh
# The README's recipes for splitting a batch across companions with GNU
# parallel, on page names as real sites have them: each part writes its own
# results file, and the parts joined under one header are exactly the file
# one companion writes. On one machine (--pipe-part), and across machines
# (--sshloginfile, --transfer, --return, --cleanup) with a stand-in for ssh
# that gives each machine a folder tree of its own.
# Usage: batch_parallel.sh /path/to/tamsenor-batch
set -u
LC_ALL=C.UTF-8
export LC_ALL
BATCH=${1:?usage: batch_parallel.sh /path/to/tamsenor-batch}
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
command -v rsync >/dev/null || { echo "rsync is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
. "$(dirname "$0")/checks.sh"
top=$(mktemp -d /tmp/tamsenor-parallel-XXXXXX) || exit 1
trap 'rm -rf "$top"' EXIT
work=$top/work
mkdir "$work" && cd "$work" || exit 1

# join PARTS... : the header of the first part, then every part's rows, in the order given.
join_parts() {
    [ $# -gt 0 ] || return 1
    head -n 1 "$1"
    for p in "$@"; do tail -n +2 "$p"; done
}
# numbered PREFIX SUFFIX : the parts PREFIX1SUFFIX, PREFIX2SUFFIX, ... in number order.
numbered() {
    ls | grep "^$1[0-9]*$2\$" | sort -t- -k2 -n
}

# Names as sites have them: "_" sorts before letters when letters are
# compared as lower case, and after them when compared as upper case.
mkdir pages pages/sub
i=0
for name in __init__ _thread A_b a_B b10 b9 B-2 b-1 c.d.e C.d Zeta zeta 0lead 10 9 \
    "$(printf 'caf\303\251')" "$(printf 'caf\351')" "$(printf '\303\251t\303\251')" Ω x_ x- x. "a b"; do
    i=$((i + 1))
    printf '<p>Page %d: http://site%d.test/ team%d@site.test Price %d</p>\r\n' $i $((i % 7)) $i $i >"pages/$name.html"
    printf '<p>sub %d http://sub%d.test/</p>' $i $i >"pages/sub/$name.htm"
done
printf 'Price\t1\r\n' >kw.txt

# One companion over the whole batch, for comparison.
"$BATCH" extract -r --web --email --keywords kw.txt --process-time T --results whole.tsv -q pages ||
    fail "one companion"
"$BATCH" strip -r -q -o whole-out pages || fail "one companion strip"

# The recipe on one machine: the companion's own list cut into parts.
"$BATCH" list -0 -r "$PWD/pages" >list || fail "list"
parallel --will-cite -0 --pipe-part -a list --block -3 --recend '\0' \
    "$BATCH" extract -0 --files-from - --web --email --keywords kw.txt --process-time T -q \
    --results part-{#}.tsv || fail "parallel extract"
parts=$(numbered part- .tsv)
[ "$(echo "$parts" | wc -l)" -ge 2 ] || fail "the batch was not split ($parts)"
# shellcheck disable=SC2086
join_parts $parts >joined.tsv
cmp -s joined.tsv whole.tsv || { fail "the joined parts differ from one companion's results"; diff joined.tsv whole.tsv | head >&2; }

# Strip parts, each into a folder of its own: together the outputs of one run.
parallel --will-cite -0 --pipe-part -a list --block -3 --recend '\0' \
    "$BATCH" strip -0 --files-from - -q -o strip-{#} || fail "parallel strip"
mkdir merged
for d in strip-*; do cp "$d"/* merged/; done
diff -r merged whole-out >/dev/null || fail "the strip parts differ from one run's outputs"

# Several machines. The stand-in for ssh runs a command of machine HOST in
# a mount namespace where this work folder is HOST's own folder
# ($top/machines/HOST) and HOME: a page is there only when the recipe moved it.
# Like an ssh login it sets SHELL, which parallel's remote side runs the job
# with (without it every job vanishes and parallel still exits 0).
mkdir "$top/machines"
cat >"$top/ssh" <<'EOF'
#!/bin/sh
while [ $# -gt 0 ]; do
    case $1 in
    -[bcDEeFIiJLlmOopQRSWw]) shift 2 ;;
    -*) shift ;;
    *) break ;;
    esac
done
host=$1
shift
[ "${1-}" = "--" ] && shift
mkdir -p "$MACHINES/$host"
exec unshare $UNSHARE sh -c 'mount --bind "$1" "$2" && cd "$2" && HOME=$2 && SHELL=/bin/sh && export HOME SHELL && shift 2 && exec sh -c "$*"' \
    ssh "$MACHINES/$host" "$WORK" "$@"
EOF
chmod +x "$top/ssh"
MACHINES=$top/machines WORK=$work
export MACHINES WORK
UNSHARE=-m
export UNSHARE
if ! unshare -m true 2>/dev/null; then
    UNSHARE=-Urm
    unshare -Urm true 2>/dev/null || { echo "SKIP: no mount namespace for the stand-in machines" >&2; exit 77; }
fi
"$top/ssh" one test -e pages && fail "the stand-in machine sees the starting machine's pages"
printf '1/one\n1/two\n' >machines

# The recipe: parts of at most 5 pages, each sent to a machine with the
# keyword file, its results file brought back, nothing left behind there.
parallel --will-cite --ssh "$top/ssh" --sshloginfile machines -0 -N 5 --basefile kw.txt \
    --transfer --return mpart-{#}.tsv --cleanup \
    "$BATCH" extract -j 1 --web --email --keywords kw.txt --process-time T -q --results mpart-{#}.tsv -- {} \
    :::: list 2>parallel.err || fail "parallel across machines: $(cat parallel.err)"
mparts=$(numbered mpart- .tsv)
[ "$(echo "$mparts" | wc -l)" -ge 4 ] || { fail "the batch was not split across machines ($mparts)"; head -5 parallel.err >&2; }
# shellcheck disable=SC2086
join_parts $mparts >joined-machines.tsv
cmp -s joined-machines.tsv whole.tsv ||
    { fail "the joined parts of the machines differ from one companion's results"; diff joined-machines.tsv whole.tsv | head >&2; }
[ -d "$top/machines/one" ] && [ -d "$top/machines/two" ] || fail "not both machines ran parts"
left=$(find "$top/machines" -type f | head -3)
[ -z "$left" ] || fail "the machines kept files: $left"
[ "$(find pages -type f | wc -l)" -eq 46 ] || fail "the starting machine's pages changed"

finish "all parallel checks passed"
