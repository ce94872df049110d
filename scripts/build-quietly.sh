# SPDX-License-Identifier: MIT
# Sourced. build_quietly PRESET [TARGET...]: configures and builds a preset
# (only the targets named, if any) without a word, unless it fails: then all
# that the build said goes to standard error, and the status is 1. What it
# said stays in build/PRESET.log either way.
build_quietly() {
    local preset=$1 log=build/$1.log
    shift
    mkdir -p build
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset" ${1:+--target "$@"}; } \
        >"$log" 2>&1; then
        cat "$log" >&2
        echo "the $preset build failed (its output above is also in $log)" >&2
        return 1
    fi
}
