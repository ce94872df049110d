#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: on this machine, cross-built for the
# armhf gateway under qemu-arm with Debian 11's C library, and on this machine
# again under AddressSanitizer with UndefinedBehaviorSanitizer and under
# ThreadSanitizer; then static analysis. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host armhf analysis
for preset in host armhf asan tsan; do
    echo "=== $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

echo "=== static analysis"
scripts/analyze.sh
