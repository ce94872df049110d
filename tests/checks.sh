# SPDX-License-Identifier: MIT
# Sourced by the shell checks: check WHAT COMMAND... runs one check and counts
# it; checks_done prints the closing line and sets the exit status.
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
