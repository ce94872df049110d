#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from a configured and built tree and checks it:
# architecture, dependencies and files, lintian, and the systemd unit.
#
#   check_package.sh BUILD_DIR DEBIAN_ARCH
set -uo pipefail
export LC_ALL=C

build=${1:?usage: check_package.sh BUILD_DIR DEBIAN_ARCH}
arch=${2:?usage: check_package.sh BUILD_DIR DEBIAN_ARCH}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

(cd "$build" && cpack -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
info=$(dpkg-deb --info "$deb")
field() { dpkg-deb --field "$deb" "$1"; }
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sort)
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"

check "named and versioned as Debian expects" \
    test "$(basename "$deb")" = "tag-mirror_$(field Version)_${arch}.deb"
check "Architecture: $arch" test "$(field Architecture)" = "$arch"
check "installs exactly the program, its man page, docs, unit and its start, example and lintian's overrides" \
    test "$contents" = "$(printf '%s\n' ./usr/lib/systemd/system/tag-mirror@.service \
        ./usr/bin/tag-mirror ./usr/libexec/tag-mirror/start ./usr/share/doc/tag-mirror/changelog.gz \
        ./usr/share/doc/tag-mirror/copyright ./usr/share/doc/tag-mirror/examples/example.conf \
        ./usr/share/lintian/overrides/tag-mirror ./usr/share/man/man1/tag-mirror.1.gz | sort)"
check "no instance file, so no mirror can start before one is written" \
    test -d "$work/root/etc/tag-mirror" -a -z "$(ls -A "$work/root/etc/tag-mirror")"
check "maintainer scripts for the running instances and the dropped conffile" \
    test "$(cd "$work/control" && ls -d preinst postinst prerm postrm 2>/dev/null | wc -l)" = 4

# Every glibc symbol the armhf binary takes is at GLIBC_2.4 (armhf.binary
# lists them): a symbol from a newer glibc, or a version taken from the build
# machine's libc, shows here as a change. Nothing provides libQuorvel.so.
binary="$work/root/usr/bin/tag-mirror"
echo "Depends: $(field Depends)"
check "Depends: libc6 (>= 2.4), and nothing else" test "$(field Depends)" = "libc6 (>= 2.4)"
check "the shipped binary is stripped" \
    bash -c '! readelf -S "$1" | grep -q "\.symtab"' _ "$binary"
check "the shipped binary has no run path" \
    bash -c '! readelf -d "$1" | grep -qE "\((RUNPATH|RPATH)\)"' _ "$binary"

# Every tag, down to the pedantic and informational ones; its remark on
# running as root goes to standard error. Its temporary files (which it
# leaves) go with this check's.
TMPDIR=$work lintian -I -E --pedantic "$deb" >"$work/lintian.log" 2>/dev/null
check "lintian has nothing to say" test $? -eq 0 -a ! -s "$work/lintian.log"
cat "$work/lintian.log"

check_unit_runs "$work/root" /usr
# The unit checked in a root of its own, whatever this machine has: the
# package's files, and beside them only the targets that every service is
# ordered against.
cp -a "$work/root" "$work/verify"
units=$work/verify/usr/lib/systemd/system
ln -s tag-mirror@.service "$units/tag-mirror@example.service"
for target in sysinit basic shutdown; do
    printf '[Unit]\nDescription=%s\n' "$target" >"$units/$target.target"
done
systemd-analyze verify --man=no --root="$work/verify" tag-mirror@example.service \
    >"$work/verify.log" 2>&1
check "systemd-analyze verify passes" test $? -eq 0 -a ! -s "$work/verify.log"
cat "$work/verify.log"
# On an arm64 gateway running the armhf package, native alone would kill it.
check "the unit lets the program make 32-bit ARM system calls on any machine" \
    grep -qx 'SystemCallArchitectures=native arm' "$work/root/usr/lib/systemd/system/tag-mirror@.service"

checks_done
