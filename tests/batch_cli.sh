#!/bin/sh
# Drives tamsenor-batch as a user would and checks exit codes and bytes.
# Usage: batch_cli.sh /path/to/tamsenor-batch
set -u
LC_ALL=C.UTF-8
export LC_ALL
BATCH=${1:?usage: batch_cli.sh /path/to/tamsenor-batch}
. "$(dirname "$0")/checks.sh"

# The stripper deletes "amp" and "nbsp" and blanks "," and ";" even in the
# "From: " line, so the expected bytes below need a path free of them.
while :; do
    work=$(mktemp -d /tmp/tamsenor-batch-XXXXXX) || exit 1
    case $work in
    *amp* | *nbsp* | *,* | *\;*) rmdir "$work" ;;
    *) break ;;
    esac
done
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

CR=$(printf '\r')

# expect_exit CODE NAME COMMAND... : runs the command, checks its exit code.
expect_exit() {
    code=$1
    name=$2
    shift 2
    "$@" >out.log 2>err.log
    got=$?
    [ "$got" -eq "$code" ] || fail "$name: exit $got, expected $code ($(cat err.log))"
}

same_bytes() {
    cmp -s "$1" "$2" || {
        fail "$3: $1 differs from the expected bytes"
        od -c "$1" | head -20 >&2
        echo "expected:" >&2
        od -c "$2" | head -20 >&2
    }
}

mkdir in
printf 'a\r\nb\rc' >in/plain.txt
printf '<b>one</b> &amp; two' >in/Marked.HTM
printf 'hidden' >in/.hidden
mkdir in/sub
printf 'deep' >in/sub/deep.htm
printf 'Price 12 USD, see http://shop.test/a and mail sales@shop.test\r\n' >in/shop.html

# Usage errors: exit 2, a message, nothing written.
expect_exit 2 "no arguments" "$BATCH"
expect_exit 2 "unknown command" "$BATCH" convert in
grep -q "unknown command" err.log || fail "unknown command: no clear message"
expect_exit 2 "unknown option" "$BATCH" strip --out o --fast in
expect_exit 2 "strip without --out" "$BATCH" strip in
expect_exit 2 "--out without a value" "$BATCH" strip in --out
expect_exit 2 "extract option in strip" "$BATCH" strip --out o --web in
expect_exit 2 "extract without --results" "$BATCH" extract --web in
expect_exit 2 "extract without a switch" "$BATCH" extract --results r.txt in
expect_exit 2 "no path" "$BATCH" strip --out o
expect_exit 1 "missing path" "$BATCH" strip --out o in/nothing-here
grep -q "'in/nothing-here' does not exist" err.log || fail "missing path: not named ($(cat err.log))"
grep -q "Try" err.log && fail "missing path: pointed to --help"
rm -rf o
expect_exit 2 "missing keyword file" "$BATCH" extract --keywords none.txt --results r.txt in
expect_exit 2 "duplicate keyword column" sh -c "printf 'WebSite\t1\r\n' >dup.txt && '$BATCH' extract --web --keywords dup.txt --results r.txt in"
grep -q "the keyword 'WebSite' in the keyword file 'dup.txt' has the name of a built-in column; rename it" err.log ||
    fail "duplicate keyword column: $(cat err.log)"
grep -q "Try" err.log && fail "a refused run pointed to --help"
expect_exit 2 "unreadable positions" sh -c "printf 'Price\tone\r\n' >bad.txt && '$BATCH' extract --keywords bad.txt --results r.txt in"
grep -q "the positions of the keyword 'Price' in the keyword file 'bad.txt' cannot be read: its Position field" err.log ||
    fail "unreadable positions: $(cat err.log)"
grep -q "Property" err.log && fail "unreadable positions: points to a window control"
[ ! -e o ] && [ ! -e r.txt ] || fail "usage errors wrote something"
# A run refused by its checks leaves a results file of that name as it was.
printf 'kept\r\n' >kept.tsv
expect_exit 2 "refused run" "$BATCH" extract --web --keywords dup.txt --results kept.tsv in
[ "$(cat kept.tsv)" = "kept$CR" ] || fail "a refused run changed the results file: $(cat kept.tsv)"
rm -f kept.tsv
expect_exit 0 "--help" "$BATCH" --help
grep -q "tamsenor-batch strip -o DIR" out.log || fail "--help shows no usage"
expect_exit 2 "unknown option" "$BATCH" strip --out o --fast in
grep -q "Try 'tamsenor-batch --help'" err.log || fail "a usage error did not point to --help"

# Strip: ordinary files of the directory, in case-blind order, hidden and sub-directory files left out.
expect_exit 0 "strip" "$BATCH" strip --out o in
[ -s err.log ] && fail "strip: unexpected output on stderr (not a terminal): $(cat err.log)"
[ "$(ls -A o | tr '\n' ' ')" = "MarkedHTM.txt plaintxt.txt shophtml.txt " ] || fail "strip: outputs $(ls -A o)"
printf ' From: %s/in/plain.txt\r\nabc\r\n' "$work" >expected-plain
same_bytes o/plaintxt.txt expected-plain "strip plain"
# Every tag and "&" a space, ";" a space, "amp" gone: "one", five spaces, "two".
printf ' From: %s/in/Marked.HTM\r\n one     two\r\n' "$work" >expected-marked
same_bytes o/MarkedHTM.txt expected-marked "strip markup"
grep -q "3 of 3 files stripped" out.log || fail "strip: summary $(cat out.log)"

# A file given by name, relative: its absolute path is in the header; the output is replaced.
expect_exit 0 "strip one file" "$BATCH" strip in/plain.txt --out=o
same_bytes o/plaintxt.txt expected-plain "strip named file"

# Skipped files: one that is no text to its end, one whose output cannot be written.
mkdir skip
printf 'text\032more' >skip/binary.htm
printf 'fine' >skip/good.htm
printf 'blocked' >skip/blocked.htm
mkdir -p o2/blockedhtm.txt
expect_exit 1 "strip with skipped files" "$BATCH" strip --out o2 skip
grep -q "2 files skipped" out.log || fail "strip skips: summary $(cat out.log)"
grep -q "skip/binary.htm: " out.log || fail "strip skips: binary.htm not listed"
grep -q "skip/blocked.htm: " out.log || fail "strip skips: blocked.htm not listed"
printf ' From: %s/skip/good.htm\r\nfine\r\n' "$work" >expected-good
same_bytes o2/goodhtm.txt expected-good "strip next to skipped files"

# An unreadable file (root reads everything, so only for other users).
if [ "$(id -u)" -ne 0 ]; then
    mkdir locked
    printf 'secret' >locked/locked.htm
    chmod 000 locked/locked.htm
    expect_exit 1 "strip with an unreadable file" "$BATCH" strip --out o3 locked
    grep -q "locked/locked.htm: " out.log || fail "unreadable file not listed"
    expect_exit 1 "an unreadable PATH" "$BATCH" strip --out o3 locked/locked.htm in/plain.txt
    grep -q "'locked/locked.htm' cannot be read" err.log || fail "an unreadable PATH is not named ($(cat err.log))"
    [ -f o3/plaintxt.txt ] || fail "an unreadable PATH: the others were not processed"
    chmod 600 locked/locked.htm
fi

# Extract: results file bytes from the documented format, ProcessTime fixed;
# the keyword file starts with a byte order mark, which is no part of the name.
printf '\357\273\277Price\t1\r\n' >kw.txt
expect_exit 0 "extract" "$BATCH" extract --web --email --keywords kw.txt --results r.txt --process-time T0 in
{
    printf 'Email\tWebSite\tPrice\tFileName\tProcessTime\r\n'
    printf 'sales@shop.test\thttp://shop.test/a\t12\t%s/in/shop.html\tT0\r\n' "$work"
} >expected-results
same_bytes r.txt expected-results "extract"
grep -q "3 of 3 files searched, 1 findings" out.log || fail "extract: summary $(cat out.log)"

# --format: tsv is the results file itself; csv and jsonl hold the same findings.
expect_exit 0 "extract tsv" "$BATCH" extract --web --email --keywords kw.txt --results r.tsv --format tsv --process-time T0 in
same_bytes r.tsv expected-results "extract tsv"
expect_exit 0 "extract csv" "$BATCH" extract --web --email --keywords kw.txt --results r.csv --format=csv --process-time -T0 in
{
    printf '\357\273\277Email,WebSite,Price,FileName,ProcessTime\r\n'
    printf "sales@shop.test,http://shop.test/a,12,%s/in/shop.html,'-T0\r\n" "$work"
} >expected-csv
same_bytes r.csv expected-csv "extract csv"
expect_exit 0 "extract jsonl" "$BATCH" extract --format jsonl --web --email --keywords kw.txt --results r.jsonl --process-time 'T"0' in
printf '{"Email":"sales@shop.test","WebSite":"http://shop.test/a","Price":"12","FileName":"%s/in/shop.html","ProcessTime":"T\\"0"}\n' \
    "$work" >expected-jsonl
same_bytes r.jsonl expected-jsonl "extract jsonl"
expect_exit 2 "unknown format" "$BATCH" extract --web --results r6.txt --format json in
grep -q "tsv, csv or jsonl" err.log || fail "unknown format: no clear message"
expect_exit 2 "format in strip" "$BATCH" strip --out ofmt --format csv in
[ ! -e r6.txt ] && [ ! -e ofmt ] || fail "format usage errors wrote something"

# --links adds the markup's links and mailto addresses as the last two columns.
mkdir linked
printf '<a\nhref="https://Docs.test:443/x">d</a> <a href="mailto:Team@Docs.TEST">m</a>' >linked/page.htm
expect_exit 0 "extract links" "$BATCH" extract --links --results r7.txt --process-time T0 linked
{
    printf 'FileName\tProcessTime\tLink\tMailTo\r\n'
    printf '%s/linked/page.htm\tT0\thttps://docs.test/x\tTeam@docs.test\r\n' "$work"
} >expected-links
same_bytes r7.txt expected-links "extract links"

# --readable writes the text a browser shows, in UTF-8 with LF; -v names each page's encoding.
printf '<meta charset="windows-1252"><p>caf\351 &lt;b&gt;</p>x<br>y' >linked/old.htm
expect_exit 0 "strip readable" "$BATCH" strip --readable -v --out oread linked/old.htm
printf 'From: %s/linked/old.htm\ncaf\303\251 <b>\n\nx\ny\n' "$work" >expected-readable
same_bytes oread/oldhtm.txt expected-readable "strip readable"
grep -q "old.htm: windows-1252" out.log || fail "strip readable: no encoding line ($(cat out.log))"

# --main-text writes the article alone and -v says so; a page without one is written whole, and -v says that;
# extract --main-text searches the article only.
long="words enough to count as the prose of a paragraph of the story"
printf '<nav><a href="http://menu.test/">Home</a></nav><h1>T</h1><p>One %s.</p><p>Two %s.</p><p>Three %s.</p><footer>ask@footer.test</footer>' \
    "$long" "$long" "$long" >linked/story.htm
printf '<h1>Index</h1><ul><li><a href="/a">A</a></li></ul>' >linked/index.htm
expect_exit 0 "strip main text" "$BATCH" strip --main-text -v --out omain linked/story.htm linked/index.htm
# The layout of the main text is the engine's tests' matter; here: the article without its menu.
grep -q '^One ' omain/storyhtm.txt && ! grep -q Home omain/storyhtm.txt || fail "strip main text: $(cat omain/storyhtm.txt)"
grep -q '^A$' omain/indexhtm.txt || fail "strip main text of an index: $(cat omain/indexhtm.txt)"
grep -q "story.htm: .*, main text" out.log || fail "strip main text: -v does not say main text ($(cat out.log))"
grep -q "index.htm: .*, whole page" out.log || fail "strip main text: -v does not say whole page ($(cat out.log))"
expect_exit 0 "extract main text" "$BATCH" extract --main-text --email --results r8.txt --process-time T0 linked/story.htm
grep -q "footer.test" r8.txt && fail "extract main text: searched the footer"
expect_exit 0 "extract readable" "$BATCH" extract --readable --email --results r9.txt --process-time T0 linked/story.htm
grep -q "ask@footer.test" r9.txt || fail "extract readable: the footer's address not found"

# --process-time makes two runs agree byte for byte.
expect_exit 0 "extract again" "$BATCH" extract --results r2.txt --process-time T0 --keywords=kw.txt --web --email in
same_bytes r2.txt r.txt "extract reproducible"

# A tab or line break in a file name or in --process-time is one space each, so every line keeps its fields.
mkdir odd
printf 'http://odd.test/a' >"odd/a	b.htm"
printf 'http://odd.test/b' >"odd/n
l.htm"
expect_exit 0 "extract odd names" "$BATCH" extract --web --results r5.txt --process-time "T	1${CR}" odd
{
    printf 'WebSite\tFileName\tProcessTime\r\n'
    printf 'http://odd.test/a\t%s/odd/a b.htm\tT 1 \r\n' "$work"
    printf 'http://odd.test/b\t%s/odd/n l.htm\tT 1 \r\n' "$work"
} >expected-odd
same_bytes r5.txt expected-odd "extract odd names"

# The results never replace a file of the run or the keyword file: a usage error, both kept.
cp in/shop.html shop-copy.html
expect_exit 2 "results onto a chosen file" "$BATCH" extract --web --results shop-copy.html shop-copy.html
cmp -s shop-copy.html in/shop.html || fail "results onto a chosen file: the file was changed"
cp kw.txt kw-copy.txt
expect_exit 2 "results onto the keyword file" "$BATCH" extract --keywords kw-copy.txt --results kw-copy.txt in
cmp -s kw-copy.txt kw.txt || fail "results onto the keyword file: the file was changed"
grep -q "keyword file in use" err.log || fail "results onto the keyword file: no clear message"

# Special files are never replaced, and a pipe among the inputs is refused, not waited on.
mkfifo pipe
# Refused before the first file, as every place that cannot take the results.
expect_exit 2 "results onto a pipe" "$BATCH" extract --web --results pipe in/shop.html
[ -p pipe ] || fail "results onto a pipe: the pipe was replaced"
mkdir withpipe
cp in/shop.html withpipe/
ln -s ../pipe withpipe/zlink.htm
expect_exit 0 "strip with a link to a pipe" timeout 20 "$BATCH" strip --out o5 withpipe
grep -q "1 of 1 files stripped" out.log || fail "link to a pipe: taken for an ordinary file ($(cat out.log))"
expect_exit 1 "a pipe named as input" timeout 20 "$BATCH" strip --out o5 withpipe/zlink.htm
grep -q "'withpipe/zlink.htm' is not an ordinary file" err.log || fail "a pipe named as input: not named"

# An interrupted strip run takes its outputs back and puts replaced files back.
mkdir -p big o6
printf 'kept by the user' >o6/ahtm.txt
printf '<p>a</p>' >big/a.htm
head -c 300000000 /dev/zero | tr '\0' 'x' >big/b.htm
"$BATCH" strip --out o6 big >out.log 2>err.log &
pid=$!
while [ ! -e o6/.done ] && kill -0 "$pid" 2>/dev/null; do
    # a.htm is first; once its output is in place the run is on b.htm.
    grep -q '^ From' o6/ahtm.txt 2>/dev/null && break
    sleep 0.05
done
kill -INT "$pid" 2>/dev/null
wait "$pid"
got=$?
[ "$got" -eq 130 ] || fail "interrupted strip: exit $got, expected 130"
[ "$(cat o6/ahtm.txt)" = "kept by the user" ] || fail "interrupted strip: the replaced file was not put back"
[ "$(ls -A o6)" = "ahtm.txt" ] || fail "interrupted strip: left $(ls -A o6)"

# Names that are no UTF-8 are listed, read and written under their own bytes.
mkdir "$(printf 'latin\351')"
printf '<b>x</b>' >"$(printf 'latin\351/caf\351.htm')"
expect_exit 0 "names that are no UTF-8" "$BATCH" strip --out "$(printf 'out\351')" "$(printf 'latin\351')"
[ -f "$(printf 'out\351/caf\351htm.txt')" ] || fail "names that are no UTF-8: output $(ls -A "$(printf 'out\351')")"

# A working folder deeper than a path may be long: relative paths are refused, never taken from "/".
# dash cannot enter such a folder; bash can, one step at a time.
bash -c 'cd "$1" || exit 1
  long=dddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddddd
  i=0
  while [ $i -lt 50 ]; do mkdir $long && cd $long || exit 1; i=$((i + 1)); done
  printf x >page.htm
  "$2" strip --out o page.htm >"$1/out.log" 2>"$1/err.log"
  echo $? >"$1/deep.code"' deep "$work" "$BATCH"
[ "$(cat deep.code)" = 1 ] || fail "deep working folder: exit $(cat deep.code) ($(cat err.log))"
grep -q "working folder" err.log || fail "deep working folder: no clear message ($(cat err.log))"
[ ! -e /o ] || fail "deep working folder: wrote into /"

# More threads, the same bytes; names from a list, as find -print0 writes them.
expect_exit 0 "strip on one thread" "$BATCH" strip --jobs 1 --out j1 in skip/good.htm
expect_exit 0 "strip on three threads" "$BATCH" strip --jobs=3 --out j3 in skip/good.htm
for f in j1/*; do same_bytes "$f" "j3/${f#j1/}" "--jobs 3"; done
[ "$(ls j1 | wc -l)" -eq 4 ] && [ "$(ls j3 | wc -l)" -eq 4 ] || fail "--jobs: $(ls j1) / $(ls j3)"
expect_exit 2 "--jobs 0" "$BATCH" strip --jobs 0 --out j0 in
find in -maxdepth 1 -type f ! -name '.*' -print0 | "$BATCH" strip -0 --files-from - --out jf >out.log 2>err.log
[ $? -eq 0 ] || fail "--files-from -: $(cat err.log)"
for f in j1/*; do [ "$f" = j1/goodhtm.txt ] || same_bytes "$f" "jf/${f#j1/}" "--files-from"; done
printf 'in/plain.txt\r\n\nin/shop.html\n' >list.txt
expect_exit 0 "--files-from a file" "$BATCH" strip --files-from list.txt --out jl -q
[ "$(ls jl | tr '\n' ' ')" = "plaintxt.txt shophtml.txt " ] || fail "--files-from a file: $(ls jl)"
[ -s out.log ] && fail "--quiet: printed $(cat out.log)"
expect_exit 2 "-0 without a list" "$BATCH" strip -0 --out jn in
# --recursive: the whole tree, hidden folders and links to folders left out.
mkdir -p in/.secret && printf 'x' >in/.secret/hidden.htm && ln -s .. in/sub/loop
expect_exit 0 "--recursive" "$BATCH" strip -r --out jr in
[ "$(ls jr | tr '\n' ' ')" = "MarkedHTM.txt deephtm.txt plaintxt.txt shophtml.txt " ] || fail "--recursive: $(ls jr)"
rm -rf in/.secret in/sub/loop
for suffix in html '*.html' .HTML; do
    expect_exit 0 "--suffix $suffix" "$BATCH" strip -r --suffix "$suffix" --out "js$suffix" in
    [ "$(ls "js$suffix" | tr '\n' ' ')" = "shophtml.txt " ] || fail "--suffix $suffix: $(ls "js$suffix")"
done
expect_exit 2 "--suffix with a slash" "$BATCH" strip --suffix a/b --out jx in
expect_exit 0 "--version" "$BATCH" --version
grep -q "^tamsenor-batch [0-9]" out.log || fail "--version: $(cat out.log)"


# Shell habits. A PATH that names nothing is named on standard error; the others are processed, exit 1.
expect_exit 1 "missing path among others" "$BATCH" strip --out om in/nothing-here in
grep -q "'in/nothing-here' does not exist" err.log || fail "missing path among others: not named ($(cat err.log))"
[ "$(ls om | tr '\n' ' ')" = "MarkedHTM.txt plaintxt.txt shophtml.txt " ] || fail "missing path among others: $(ls om)"
expect_exit 1 "missing path before extract" "$BATCH" extract --web --email --keywords kw.txt --process-time T0 --results rm.txt nope in
same_bytes rm.txt expected-results "missing path before extract"
# --results - writes the results to standard output; the summary goes to standard error.
"$BATCH" extract --web --email --keywords kw.txt --process-time T0 --results - in >stdout.tsv 2>err.log
[ $? -eq 0 ] || fail "--results -: $(cat err.log)"
same_bytes stdout.tsv expected-results "--results -"
grep -q "1 findings written to standard output" err.log || fail "--results -: summary $(cat err.log)"
[ ! -e ./- ] || fail "--results -: wrote a file named -"
"$BATCH" extract -v --web --results - --format=jsonl --process-time 'T"0' in/shop.html | grep -q '^{"WebSite"' ||
    fail "--results - with jsonl"
# Bundled short forms, -j N and -o DIR.
expect_exit 0 "-rqo bundled" "$BATCH" strip -rqo ob -j 2 in
[ -s out.log ] && fail "-rqo: not quiet ($(cat out.log))"
[ "$(ls ob | tr '\n' ' ')" = "MarkedHTM.txt deephtm.txt plaintxt.txt shophtml.txt " ] || fail "-rqo: $(ls ob)"
expect_exit 0 "-qv bundled" "$BATCH" strip -qv -j2 -oob2 in
[ -s out.log ] && fail "-qv: printed $(cat out.log)"
[ -f ob2/plaintxt.txt ] || fail "-oDIR: no output"
# list: the files a run processes, in its order; -0 ends each with NUL.
"$BATCH" list -r in >list.out 2>err.log || fail "list: $(cat err.log)"
printf '%s/in/Marked.HTM\n%s/in/plain.txt\n%s/in/shop.html\n%s/in/sub/deep.htm\n' "$work" "$work" "$work" "$work" >expected-list
same_bytes list.out expected-list "list"
"$BATCH" list -0 -r in | tr '\0' '\n' >list0.out
same_bytes list0.out expected-list "list -0"
expect_exit 1 "list with a missing path" "$BATCH" list in nope
grep -q "'nope' does not exist" err.log || fail "list with a missing path: $(cat err.log)"
[ "$(wc -l <out.log)" -eq 3 ] || fail "list with a missing path: $(cat out.log)"

# ProcessTime: csv and jsonl write ISO 8601 with seconds and the UTC offset; tsv keeps its own text.
iso='[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9][+-][0-9][0-9]:[0-9][0-9]'
expect_exit 0 "extract csv time" "$BATCH" extract --web --format csv --results t.csv in/shop.html
tail -n 1 t.csv | grep -q ",${iso}${CR}\$" || fail "csv time: $(tail -n 1 t.csv)"
expect_exit 0 "extract jsonl time" "$BATCH" extract --web --format jsonl --results t.jsonl in/shop.html
grep -q "\"ProcessTime\":\"${iso}\"}\$" t.jsonl || fail "jsonl time: $(cat t.jsonl)"
expect_exit 0 "extract tsv time" "$BATCH" extract --web --results t.tsv in/shop.html
tail -n 1 t.tsv | grep -q "	[A-Z][a-z][a-z]-[0-9]\{1,2\}-[0-9][0-9] [0-9]\{1,2\}:[0-9][0-9]${CR}\$" || fail "tsv time: $(tail -n 1 t.tsv)"

# Extract with a file that is no text: skipped, exit 1, the others' results written.
expect_exit 1 "extract with a skipped file" "$BATCH" extract --web --results r4.txt --process-time T skip
grep -q "skip/binary.htm: " out.log || fail "extract skips: binary.htm not listed"
[ -f r4.txt ] || fail "extract skips: no results file"

finish "all batch checks passed"
