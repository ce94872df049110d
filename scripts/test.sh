#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host
cmake --preset host
cmake --build --preset host
ctest --preset host
