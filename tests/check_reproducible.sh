#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the armhf package twice, from two clones of the last commit in
# directories of different names and depths, seconds apart, and checks that
# the two packages are the same, byte for byte. (What is not committed is
# not in the clones.)
#
#   check_reproducible.sh SOURCE_DIR ARMHF_SYSROOT
set -uo pipefail
export LC_ALL=C

source=${1:?usage: check_reproducible.sh SOURCE_DIR ARMHF_SYSROOT}
sysroot=${2:?usage: check_reproducible.sh SOURCE_DIR ARMHF_SYSROOT}
git -C "$source" rev-parse --verify -q HEAD >/dev/null ||
    { echo "not a git checkout: nothing to clone"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

# package DIR: clones, builds and packages in DIR; prints the package's path.
package() {
    local tree=$1
    git clone -q "$source" "$tree" &&
        cmake -S "$tree" -B "$tree/build/armhf" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/toolchain-armhf.cmake" \
            -DTAG_MIRROR_SYSROOT="$sysroot" -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
            >"$work/build.log" 2>&1 &&
        cmake --build "$tree/build/armhf" >>"$work/build.log" 2>&1 &&
        (cd "$tree/build/armhf" && env -u SOURCE_DATE_EPOCH cpack -B "$tree/out") >>"$work/build.log" 2>&1 ||
        { cat "$work/build.log" >&2; return 1; }
    ls "$tree"/out/*.deb
}

first=$(package "$work/first/tag-mirror") || exit 1
sleep 1
second=$(package "$work/elsewhere/and/later") || exit 1
sha256sum "$first" "$second"
check "two builds make the same package" cmp -s "$first" "$second"
checks_done
