#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: on this machine, cross-built for the
# armhf gateway under qemu-arm with Debian 11's C library, and on this machine
# again under AddressSanitizer with UndefinedBehaviorSanitizer and under
# ThreadSanitizer; then static analysis. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host armhf analysis
passed=0
for preset in host armhf asan tsan; do
    echo "=== $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset" | tee "build/$preset/ctest-summary.txt"
    # "100% tests passed, 0 tests failed out of 7": ctest stops the script on any failure.
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "build/$preset/ctest-summary.txt")
    passed=$((passed + total))
done

echo "=== static analysis"
scripts/analyze.sh
echo "tests: $passed passed, 0 failed"
