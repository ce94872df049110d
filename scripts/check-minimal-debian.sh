#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the README's two commands the way a newcomer on a fresh, minimal
# Debian 12 would: bootstraps one (debootstrap --variant=minbase) into a
# directory, clones the last commit into it, and runs scripts/demo.sh and then
# scripts/test.sh there as root, in a chroot, in a locale the system does not
# have. Exit 0 when both passed and the demo left nothing in /tmp. Needs root;
# takes about nineteen minutes on two cores, most of them the test command.
#
#   scripts/check-minimal-debian.sh [DIR]   (default build/minimal-debian)
#
# DIR is removed afterwards unless KEEP=1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(realpath -m "${1:-build/minimal-debian}")
[ "$(id -u)" = 0 ] || { echo "check-minimal-debian.sh: needs root (debootstrap, chroot)" >&2; exit 2; }
scripts/install-deps.sh gateway # for debootstrap
# shellcheck source=debian-apt.sh
. scripts/debian-apt.sh

mounts=(proc sys dev)
cleanup() {
    set +e
    for m in "${mounts[@]}"; do
        mountpoint -q "$root/$m" && umount -R "$root/$m"
    done
    if grep -q " $root/" /proc/mounts; then
        echo "check-minimal-debian.sh: something is still mounted under $root; not removing it" >&2
    elif [ -z "${KEEP:-}" ]; then
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT

rm -rf --one-file-system "$root"
echo "bootstrapping a minimal Debian 12 into $root" >&2
debootstrap --variant=minbase bookworm "$root" "$(debian_mirror)" >"$root.debootstrap.log" 2>&1 ||
    { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
git clone -q . "$root/root/tag-mirror"

# A login's environment, no more; a locale that is not installed there.
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=en_US.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c '
    set -e
    cd /root/tag-mirror
    echo "=== scripts/demo.sh"
    scripts/demo.sh
    left=$(ls -A /tmp)
    [ -z "$left" ] || { echo "the demo left in /tmp: $left"; exit 1; }
    echo "=== scripts/test.sh"
    scripts/test.sh
'
echo "minimal Debian 12: the demo and the test command passed"
