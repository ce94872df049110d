#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Static analysis of the project's own code, from the host build's compile
# database: clang-tidy (checks in .clang-tidy) and cppcheck (suppressions,
# each with its reason, in .cppcheck-suppressions). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host analysis
# shellcheck source=build-quietly.sh
. scripts/build-quietly.sh
build_quietly host

mapfile -t sources < <(git ls-files '*.cpp')
echo "clang-tidy: ${#sources[@]} files"
# clang-tidy counts the warnings it hid in system headers on stderr; only findings matter.
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build/host --quiet 2>&1 |
    { grep -v '^[0-9]* warnings\? generated\.$' || true; }

echo "cppcheck"
cppcheck --project=build/host/compile_commands.json --library=googletest --library=posix \
    --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 --quiet \
    -j "$(nproc)" --suppressions-list=.cppcheck-suppressions
echo "static analysis: clean"
