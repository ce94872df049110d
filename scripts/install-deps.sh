#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, from Debian's archive, whatever the named jobs need and this
# machine lacks. Jobs: host (build, simulator, tests, sanitizers, benchmarks),
# armhf (cross build, emulation and the Debian package checks), gateway (the
# system test's Debian armhf VM), analysis (clang-tidy, cppcheck).
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev)
for job in "$@"; do
    case "$job" in
    host) ;;
    armhf) packages+=(g++-arm-linux-gnueabihf qemu-user lintian systemd) ;;
    gateway) packages+=(qemu-system-arm qemu-utils debootstrap cpio e2fsprogs kmod xz-utils procps debian-archive-keyring) ;;
    analysis) packages+=(clang-tidy cppcheck git) ;;
    *) echo "install-deps.sh: unknown job '$job' (host, armhf, gateway, analysis)" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
# Through env: sudo would drop the variable, and apt might stop to ask.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
