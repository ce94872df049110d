#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches the armhf C library of Debian 11 (bullseye, glibc 2.31) into a
# sysroot, so that armhf binaries built against it load on gateways with that
# glibc or newer. Uses a private apt configuration: nothing on the build
# machine changes.
#
#   fetch-armhf-sysroot.sh DEST
set -euo pipefail

dest=${1:?usage: fetch-armhf-sysroot.sh DEST}
packages=(libc6 libc6-dev linux-libc-dev libgcc-s1)

if [ -e "$dest/.complete" ]; then
    exit 0
fi

fail() {
    echo "fetch-armhf-sysroot.sh: $*" >&2
    exit 1
}
# shellcheck source=debian-apt.sh
. "$(dirname "$0")/debian-apt.sh"

work="$dest.partial"
rm -rf "$work"
mkdir -p "$work/root"
debian_apt "$work/apt" 11 ||
    fail "the armhf build needs Debian's archive once, then reuses $dest"

echo "Fetching Debian 11 armhf ${packages[*]} from $(debian_mirror)" >&2
(cd "$work" && apt-get -qq download "${packages[@]/%/:armhf}") >>"$work/apt.log" 2>&1 ||
    fail "cannot download ${packages[*]} for armhf (see $work/apt.log)"
for deb in "$work"/*.deb; do
    dpkg -x "$deb" "$work/root"
done

# The packages hold absolute links such as libm.so -> /lib/arm-linux-gnueabihf/libm.so.6;
# inside a sysroot they must point within it.
find "$work/root" -type l -lname '/*' | while read -r link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$work/root$target")" "$link"
done

rm -rf "$dest"
mv "$work/root" "$dest"
mkdir -p "$work/debs" && mv "$work"/*.deb "$work/debs/"
ls "$work/debs" >"$dest/.complete"
rm -rf "$work"
