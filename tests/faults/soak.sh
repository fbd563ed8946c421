#!/usr/bin/env bash
# Random kills (SIGKILL, SIGTERM) of page and batch at random moments over a folder of
# existing pages: every page must stay the old one or become the new one, byte for byte,
# and no temporary file may remain (a killed run's leftovers are swept by the next run).
#   soak.sh PROGRAM_DIR        rounds: SOAK_ROUNDS (200 by default)
set -u
bin=${1:?program folder}
cli="$bin/quillon-cli"
rounds=${SOAK_ROUNDS:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

sources=()
for i in 1 2 3 4 5 6; do
    "$bin/quillon-vbgen" --size $((i * 700000)) "m$i.frm" >/dev/null || exit 1
    sources+=("$work/m$i.frm") # absolute, as strace -P matches the folder by its name
done
# The old pages, and the new ones each run must either leave or make.
for s in "${sources[@]}"; do
    "$cli" page --no-optimize "$s" "$s.html" && cp "$s.html" "$s.old" || exit 1
    "$cli" page "$s" "$s.new.html" && mv "$s.new.html" "$s.new" || exit 1
done
cp "${sources[0]}.old" "${sources[0]}.html"

# Every third round, where strace can, the file system is made to refuse unnamed files,
# so that the named temporary files are killed too.
named=()
command -v strace >/dev/null && named=(strace -f -o /dev/null -P "$work" -e inject=openat:error=EOPNOTSUPP)
kills=0 checked=0 bad=0 debris=0 named_debris=0
for ((round = 1; round <= rounds; round++)); do
    before=$(ls -A | grep '^\.')
    signal=$((RANDOM % 2 == 0 ? 9 : 15))
    wrapper=()
    ((round % 3 == 0)) && wrapper=("${named[@]}")
    if ((RANDOM % 2 == 0)); then
        s=${sources[RANDOM % ${#sources[@]}]}
        "${wrapper[@]}" "$cli" page "$s" "$s.html" 2>/dev/null &
    else
        "${wrapper[@]}" "$cli" batch --jobs 2 "${sources[@]}" >/dev/null 2>&1 &
    fi
    pid=$!
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    target=$pid
    [ ${#wrapper[@]} -gt 0 ] && target=$(pgrep -P "$pid" | head -1)
    [ -n "$target" ] && kill -"$signal" "$target" 2>/dev/null && kills=$((kills + 1))
    wait "$pid" 2>/dev/null
    for s in "${sources[@]}"; do
        checked=$((checked + 1))
        cmp -s "$s.html" "$s.old" || cmp -s "$s.html" "$s.new" || { echo "round $round: $s.html is neither"; bad=$((bad + 1)); }
    done
    # With unnamed files only a SIGKILL between naming the finished page and renaming it
    # leaves a name behind; with named ones any SIGKILL does. The next run removes them.
    left=$(comm -13 <(echo "$before") <(ls -A | grep '^\.') | grep -c .)
    if [ ${#wrapper[@]} -eq 0 ]; then debris=$((debris + left)); else named_debris=$((named_debris + left)); fi
done
"$cli" page "${sources[0]}" "${sources[0]}.html" || bad=$((bad + 1))
remaining=$(ls -A | grep -c '^\.')
echo "rounds $rounds, kills $kills, pages checked $checked, pages neither old nor new $bad," \
     "new temporary files left by a kill $debris (unnamed files) and $named_debris (named files)," \
    "left after the next run $remaining"
[ "$bad" -eq 0 ] && [ "$remaining" -eq 0 ]
