# SPDX-License-Identifier: MIT
# Sourced by the shell checks: check WHAT COMMAND... runs one check and counts
# it; checks_done prints the closing line and sets the exit status; sourcing
# this first proves that a failed check fails the entry.
passed=0 failed=0

check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $what" >&2
        failed=$((failed + 1))
    fi
}

checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# The update callback's instructions in an armhf tag-mirror, one a line, as
# objdump writes them; nothing when the binary has no such symbol.
callback_instructions() {
    local symbol
    symbol=$(nm "$1" | awk '/on_update_tag/ {print $3; exit}')
    [ -n "$symbol" ] || return 0
    arm-linux-gnueabihf-objdump -d --no-show-raw-insn --disassemble="$symbol" "$1" |
        grep -P '^\s+[0-9a-f]+:\t'
}

# The README's promise for an armhf tag-mirror, in the C locale: these
# libraries, and every glibc symbol at GLIBC_2.4, the ARM EABI baseline.
check_gateway_needs() {
    local needed newest
    needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
    newest=$(readelf -V "$1" | grep -o 'GLIBC_[0-9.]*' | sort -u -V | tail -n 1)
    echo "tag-mirror needs: $needed, glibc up to $newest"
    check "needs libQuorvel.so, libpthread.so.0, libc.so.6, ld-linux-armhf.so.3, nothing else" \
        test "$needed" = "ld-linux-armhf.so.3 libQuorvel.so libc.so.6 libpthread.so.0 "
    check "every glibc symbol at GLIBC_2.4 (newest: $newest)" test "$newest" = GLIBC_2.4
}

# The unit as installed under PREFIX in ROOT: it runs a start script
# installed there too, which runs a tag-mirror installed there too.
check_unit_runs() { # check_unit_runs ROOT PREFIX
    local unit=$1$2/lib/systemd/system/tag-mirror@.service start program
    start=$(sed -n 's/^ExecStart=\([^ ]*\) .*/\1/p' "$unit" 2>/dev/null)
    program=$(sed -n 's/^exec \([^ ]*\) .*/\1/p' "$1$start" 2>/dev/null)
    check "the unit is in $2/lib/systemd/system" test -f "$unit"
    check "  it runs $start, which is there" test -n "$start" -a -x "$1$start"
    check "  which runs $program, which is there" test -n "$program" -a -x "$1$program"
    check "  with the file that systemd reads for it" \
        test "$(sed -n 's/^EnvironmentFile=-//p' "$unit")" = "$(sed -n 's/^ExecStart=[^ ]* //p' "$unit")"
}

(check "a check that fails" false && checks_done) >/dev/null 2>&1 &&
    { echo "FAILED: checks.sh lets an entry with a failed check pass" >&2; exit 1; }
