#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the armhf package of a released version again, from the commit that
# packaging/releases names for it, out of this checkout's git history, and
# prints its path. A package built before from the same commit is reused.
#
#   build-release.sh VERSION OUT_DIR
#
# TAG_MIRROR_SYSROOT: Debian 11's armhf C library (default: the armhf
# preset's, build/sysroot/debian11-armhf).
set -euo pipefail
export LC_ALL=C
source_tree=$(cd "$(dirname "$0")/.." && pwd)
version=${1:?usage: build-release.sh VERSION OUT_DIR}
out=${2:?usage: build-release.sh VERSION OUT_DIR}
sysroot=${TAG_MIRROR_SYSROOT:-$source_tree/build/sysroot/debian11-armhf}

commit=$(awk -v version="$version" '$1 == version { print $2 }' "$source_tree/packaging/releases")
[ -n "$commit" ] || { echo "build-release.sh: no release $version in packaging/releases" >&2; exit 1; }
if ! git -C "$source_tree" cat-file -e "$commit^{commit}" 2>/dev/null; then
    echo "build-release.sh: tag-mirror $version was built from commit $commit, which the history" \
        "of this checkout does not hold (a shallow clone?); fetch it, with git fetch --unshallow" >&2
    exit 1
fi
deb=$out/$commit/tag-mirror_${version}_armhf.deb
if [ ! -e "$deb" ]; then
    # Beside its place, so that it arrives there whole even when another
    # clone builds the same release at the same time.
    mkdir -p "$out/$commit"
    work=$(mktemp -d "$out/$commit/.build-XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir "$work/src"
    git -C "$source_tree" archive "$commit" | tar -x -C "$work/src"
    {
        cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/toolchain-armhf.cmake" \
            -DTAG_MIRROR_SYSROOT="$sysroot" -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF &&
            cmake --build "$work/build" && (cd "$work/build" && cpack -B "$work/out")
    } >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
    mv "$work/out/tag-mirror_${version}_armhf.deb" "$deb"
fi
echo "$deb"
