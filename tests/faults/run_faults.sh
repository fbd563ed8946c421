#!/usr/bin/env bash
# Faults of the machine, simulated as root: a full disk, failing writes and renames, a
# read-only folder, a page named like one of its inputs, an interrupted page. In every case
# quillon-cli must say what failed, naming the file, leave the previous file as it was and
# leave no temporary file behind.
#   run_faults.sh PROGRAM_DIR
set -u
bin=${1:?program folder}
cli="$bin/quillon-cli"
[ "$(id -u)" -eq 0 ] || { echo "needs root to mount and inject faults: skipped"; exit 77; }
command -v unshare >/dev/null && command -v strace >/dev/null || { echo "unshare or strace missing: skipped"; exit 77; }

work=$(mktemp -d)
trap 'umount -q "$work/small" 2>/dev/null; chattr -i "$work/locked" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

"$bin/quillon-vbgen" --size 400000 "$work/big.frm" || exit 1
printf 'Dim a\r\n' > "$work/small.bas"

# expect NAME STATUS STDERR_PATTERN FILE EXPECTED_CONTENT FOLDER
expect() {
    local name=$1 status=$2 pattern=$3 file=$4 content=$5 folder=$6
    if [ "$got_status" -ne "$status" ]; then fail "$name: exit $got_status, wanted $status ($got_err)"; return; fi
    if ! grep -qE -- "$pattern" <<<"$got_err"; then fail "$name: message [$got_err] lacks /$pattern/"; return; fi
    if [ -n "$file" ] && [ "$(cat "$file" 2>/dev/null)" != "$content" ]; then fail "$name: $file was changed"; return; fi
    if ls -A "$folder" | grep -q '^\.'; then fail "$name: temporary file left: $(ls -A "$folder" | grep '^\.')"; return; fi
    pass "$name"
}
run() { got_err=$("$@" 2>&1 >/dev/null); got_status=$?; }

# A full disk part way through the page.
mkdir "$work/small"
run unshare -m --propagation private sh -c "
    mount -t tmpfs -o size=64k tmpfs '$work/small' && printf 'old page' > '$work/small/page.html' &&
    '$cli' page '$work/big.frm' '$work/small/page.html'; s=\$?;
    cat '$work/small/page.html' > '$work/kept'; ls -A '$work/small' > '$work/listing'; exit \$s"
if [ "$got_status" -eq 1 ] && grep -q "$work/small/page.html: Disk full" <<<"$got_err" &&
   [ "$(cat "$work/kept")" = "old page" ] && [ "$(cat "$work/listing")" = "page.html" ]; then
    pass "disk full while writing a page"
else
    fail "disk full while writing a page: exit $got_status [$got_err] kept=[$(cat "$work/kept")] listing=[$(cat "$work/listing")]"
fi

# The same for a new page, which is not synced before it is put in place: the full disk
# must still be noticed, and no page, whole or not, be left.
run unshare -m --propagation private sh -c "
    mount -t tmpfs -o size=64k tmpfs '$work/small' &&
    '$cli' page '$work/big.frm' '$work/small/new.html'; s=\$?; ls -A '$work/small' > '$work/listing'; exit \$s"
if [ "$got_status" -eq 1 ] && grep -q "$work/small/new.html: Disk full" <<<"$got_err" && [ ! -s "$work/listing" ]; then
    pass "disk full while writing a new page"
else
    fail "disk full while writing a new page: exit $got_status [$got_err] listing=[$(cat "$work/listing")]"
fi

# A write that fails with ENOSPC, and a rename that cannot cross devices.
mkdir "$work/out"
printf 'old page' > "$work/out/page.html"
run strace -f -o /dev/null -e inject=write:error=ENOSPC:when=3 "$cli" page "$work/big.frm" "$work/out/page.html"
expect "failing write" 1 "^quillon-cli: $work/out/page.html: Disk full$" "$work/out/page.html" "old page" "$work/out"
run strace -f -o /dev/null -e inject=rename:error=EXDEV "$cli" page "$work/big.frm" "$work/out/page.html"
expect "failing rename" 1 "^quillon-cli: $work/out/page.html: " "$work/out/page.html" "old page" "$work/out"
printf 'old sheet' > "$work/out/style.css"
run strace -f -o /dev/null -e inject=write:error=ENOSPC:when=1 "$cli" css "$work/out/style.css"
expect "failing style-sheet write" 1 "^quillon-cli: $work/out/style.css: Disk full$" "$work/out/style.css" "old sheet" "$work/out"

# A folder nobody may write to, and a target that is a folder.
mkdir "$work/locked"; printf 'old page' > "$work/locked/page.html"; chattr +i "$work/locked" 2>/dev/null
if lsattr -d "$work/locked" 2>/dev/null | grep -q -- '-i-'; then
    run "$cli" page "$work/small.bas" "$work/locked/page.html"
    expect "read-only folder" 1 "^quillon-cli: $work/locked/page.html: Permission denied$" "$work/locked/page.html" "old page" "$work/locked"
    chattr -i "$work/locked"
fi
mkdir "$work/out/dir.html"
run "$cli" page "$work/small.bas" "$work/out/dir.html"
expect "folder as target" 1 "^quillon-cli: $work/out/dir.html: Is a directory$" "" "" "$work/out"

# A page named like its own source (through a second name) is refused before writing.
printf 'Dim keep' > "$work/out/same.bas"; ln "$work/out/same.bas" "$work/out/same.html"
run "$cli" page "$work/out/same.bas" "$work/out/same.html"
expect "page over its own source" 1 "own source file" "$work/out/same.bas" "Dim keep" "$work/out"

# Input without end: a device as the header; one line of 100 MB on standard input, coloured
# as it arrives in bounded memory.
run timeout 20 "$cli" page --header /dev/urandom "$work/small.bas" "$work/out/page.html"
expect "device as header" 1 "/dev/urandom: Not a plain file" "$work/out/page.html" "old page" "$work/out"
if [ -x /usr/bin/time ]; then
    got_err=$(head -c 100000000 /dev/zero | tr '\0' x |
        timeout 60 /usr/bin/time -f 'peak %M KB' "$cli" colorize 2>&1 >/dev/null); got_status=$?
    peak=$(sed -n 's/^peak \([0-9]*\) KB$/\1/p' <<<"$got_err")
    if [ "$got_status" -eq 0 ] && [ -n "$peak" ] && [ "$peak" -lt 65536 ]; then
        pass "one line of 100 MB ($peak KB at the peak)"
    else
        fail "one line of 100 MB: exit $got_status [$got_err]"
    fi
fi

# Interrupted while writing a page whose temporary file has a name (strace makes the folder
# refuse unnamed ones): the file goes before the program ends as the signal would end it.
"$bin/quillon-vbgen" --size 30000000 "$work/huge.frm" >/dev/null || exit 1
for signal in INT:130 TERM:143 HUP:129; do
    printf 'old page' > "$work/out/page.html"
    (trap - INT; exec strace -f -o /dev/null -P "$work/out" -e inject=openat:error=EOPNOTSUPP \
        "$cli" page "$work/huge.frm" "$work/out/page.html") 2>/dev/null &
    sleep 0.5
    kill -"${signal%:*}" "$(pgrep -P "$!")"
    wait "$!"; got_status=$?; got_err=""
    # strace passes on how its child ended: killed by the signal, 128 + its number.
    expect "SIG${signal%:*} while writing" "${signal#*:}" "" "$work/out/page.html" "old page" "$work/out"
done

echo "$failures failed"
[ "$failures" -eq 0 ]
