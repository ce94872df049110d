#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches the armhf C library of Debian 11 (bullseye, glibc 2.31) into a
# sysroot, so that armhf binaries built against it load on gateways with that
# glibc or newer. Uses a private apt configuration: nothing on the build
# machine changes.
#
#   fetch-armhf-sysroot.sh DEST
#
# The Debian mirror is the one this machine's apt uses, unless
# TAG_MIRROR_DEBIAN_MIRROR names another (for bullseye's move to the archive).
set -euo pipefail

dest=${1:?usage: fetch-armhf-sysroot.sh DEST}
suite=bullseye
packages=(libc6 libc6-dev linux-libc-dev libgcc-s1)

if [ -e "$dest/.complete" ]; then
    exit 0
fi

fail() {
    echo "fetch-armhf-sysroot.sh: $*" >&2
    exit 1
}

machine_mirror() {
    # deb822 sources first, then one-line ones; the main archive, not security.
    { grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | sed 's/^URIs:[[:space:]]*//' | tr ' ' '\n'
      grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
          sed -E 's/^deb +(\[[^]]*\] +)?([^ ]+).*/\2/'
    } | grep -E '/debian/?$' | head -n 1 || true
}
mirror=${TAG_MIRROR_DEBIAN_MIRROR:-$(machine_mirror)}
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt; set TAG_MIRROR_DEBIAN_MIRROR"

work="$dest.partial"
rm -rf "$work"
mkdir -p "$work"/apt/{lists/partial,archives/partial} "$work/root"
touch "$work/apt/status"
echo "deb [arch=armhf signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
    >"$work/apt/sources.list"
cat >"$work/apt/apt.conf" <<CONF
Dir::State "$work/apt";
Dir::State::lists "$work/apt/lists";
Dir::State::status "$work/apt/status";
Dir::Etc::SourceList "$work/apt/sources.list";
Dir::Etc::SourceParts "/dev/null";
Dir::Etc::Preferences "/dev/null";
Dir::Etc::PreferencesParts "/dev/null";
Dir::Cache "$work/apt";
Dir::Cache::archives "$work/apt/archives";
APT::Architecture "armhf";
APT::Architectures "armhf";
APT::Sandbox::User "root";
CONF
export APT_CONFIG="$work/apt/apt.conf"

echo "Fetching Debian 11 armhf ${packages[*]} from $mirror" >&2
apt-get -qq --error-on=any update >"$work/apt.log" 2>&1 ||
    fail "cannot read Debian $suite's package index from $mirror (see $work/apt.log);" \
        "the armhf build needs Debian's archive once, then reuses $dest"
(cd "$work" && apt-get -qq download "${packages[@]/%/:armhf}") >>"$work/apt.log" 2>&1 ||
    fail "cannot download ${packages[*]} for armhf from $mirror (see $work/apt.log)"
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
