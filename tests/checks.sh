# SPDX-License-Identifier: MIT
# Sourced by the shell checks: check WHAT COMMAND... runs one check and counts
# it; checks_done prints the closing line and sets the exit status. Every
# entry's status rests on these two, so each entry first proves that a
# failed check fails it.
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

if (check "a check that fails" false && checks_done) >/dev/null 2>&1; then
    echo "FAILED: checks.sh lets an entry with a failed check pass" >&2
    exit 1
fi
