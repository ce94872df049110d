#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: on this machine, cross-built for the
# armhf gateway under qemu-arm with Debian 11's C library, the armhf package
# on a booted Debian 11 armhf gateway under qemu-system-arm, and on this
# machine again under AddressSanitizer with UndefinedBehaviorSanitizer and
# under ThreadSanitizer; then static analysis. Installs what it needs first.
#
# The emulated gateway keeps one core busy for most of the run, so it goes
# on beside the rest: its image is built from the start, its test starts as
# soon as the armhf build and its suites are done, which is why they come
# first, and everything else runs at a lower priority on the other core.
# What the gateway printed comes in one block at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host armhf gateway analysis
mkdir -p build
armhf_ready=build/.armhf-ready
gateway_log=build/gateway.log
rm -f "$armhf_ready" build/ctest-*.txt
# What the tests make in TMPDIR goes into a directory of this run's, which is
# gone when the run ends, however it ends; a run that passes leaves it empty.
TMPDIR=$(mktemp -d)
export TMPDIR

# The image first; the test only once the armhf build it installs is there.
gateway_job() {
    # Killed outright (kill -9), the test command runs no trap: the job
    # notices within a second, removes the run's TMPDIR and stops with all
    # it runs.
    local group=$BASHPID
    (while kill -0 $$ 2>/dev/null; do sleep 1; done; rm -rf "$TMPDIR"; kill -- -"$group") &
    gateway-vm/build_image.sh
    until [ -e "$armhf_ready" ]; do sleep 1; done
    ctest --preset gateway | tee build/ctest-gateway.txt
}
# In a process group of its own, so that it can be stopped with all it runs.
set -m
gateway_job </dev/null >"$gateway_log" 2>&1 &
gateway_pid=$!
set +m
trap 'kill -- -"$gateway_pid" 2>/dev/null || true; rm -rf "$TMPDIR"' EXIT
renice -n 10 -p $$ >/dev/null

passed=0 skipped=0
# count PRESET: adds the tests of the preset's ctest run to passed and
# skipped; ctest has already failed the run if any of them failed.
count() {
    # "100% tests passed, 0 tests failed out of 7", and after "The following
    # tests did not run:" a line "  3 - armhf.reproducible (Skipped)" each
    local total skips
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "build/ctest-$1.txt")
    skips=$(grep -c ' (Skipped)$' "build/ctest-$1.txt" || true)
    passed=$((passed + total - skips)) skipped=$((skipped + skips))
}
for preset in armhf host asan tsan; do
    echo "=== $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset" | tee "build/ctest-$preset.txt"
    count "$preset"
    if [ "$preset" = armhf ]; then : >"$armhf_ready"; fi
done

echo "=== static analysis"
scripts/analyze.sh

echo "=== gateway (output kept in $gateway_log until now)"
status=0
wait "$gateway_pid" || status=$?
cat "$gateway_log"
if [ "$status" != 0 ]; then
    echo "the gateway test failed (exit status $status)" >&2
    exit 1
fi
count gateway
if [ -n "$(ls -A "$TMPDIR")" ]; then
    echo "the tests left in TMPDIR: $(ls -A "$TMPDIR" | tr '\n' ' ')" >&2
    exit 1
fi
summary="$passed passed"
[ "$skipped" = 0 ] || summary="$summary, $skipped skipped"
echo "tests: $summary, 0 failed"
