#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: on this machine, and cross-built for
# the armhf gateway under qemu-arm with Debian 11's C library. Installs what
# it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host armhf
for preset in host armhf; do
    echo "=== $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
