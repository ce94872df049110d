#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build tree as a person would by hand (cmake --install, with the
# prefix it was configured for) into a DESTDIR, and checks that its unit runs
# what it installed, and that the unit's start script refuses each mistake
# in an instance file, or in the name that picks it, with its one line and
# exit status 78. The environment of each case is the one systemd would hand
# the script for that file.
#
#   check_installed_unit.sh BUILD_DIR
set -uo pipefail
export LC_ALL=C

build=${1:?usage: check_installed_unit.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

DESTDIR=$work/root cmake --install "$build" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
check_unit_runs "$work/root" "$prefix"
start=$work/root$(sed -n 's/^ExecStart=\([^ ]*\) .*/\1/p' "$work/root$prefix/lib/systemd/system/tag-mirror@.service")

files=$work/etc
mkdir "$files" "$files/folder.conf"
# A name with every character a name may have but letters and digits; lines
# that name a setting without setting it, which are no reason to blame.
printf '\357\273\277# OUTPUT_TAG=\n# export OUTPUT_TAG=X\nexported_OUTPUT_TAG=X\nMONITOR_TAG=Valve\n' \
    >"$files/BoardIO:DO.1_half-2@b.conf"
printf 'MONITOR_TAG=\nexport OUTPUT_TAG=BoardIO:DO.1\n' >"$files/empty.conf"
# As an editor of another system saves it: with carriage returns, and in
# another encoding (\374, which <u> stands for below, is u with diaeresis
# in Latin-1, and no UTF-8).
printf '# door\r\nexport MONITOR_TAG=T\374r\r\nOUTPUT_TAG=BoardIO:DO.1\r\n' >"$files/export.conf"
printf '\357\273\277MONITOR_TAG=Valve\r\nOUTPUT_TAG=BoardIO:DO.1\r\n' >"$files/bom.conf"
cp "$files/export.conf" "$files/a\\x2db.conf"
ln -s "$files/gone.conf" "$files/dangling.conf"
# Opens as any file does, and fails to read (EIO), for root too.
ln -s /proc/self/mem "$files/unreadable.conf"
mkfifo "$files/fifo.conf"
while IFS='|' read -r name environment wrong <&3; do
    # shellcheck disable=SC2086 # the environment is words
    said=$(env -i PATH="$PATH" LANG=C.UTF-8 $environment "$start" "$files/$name.conf" 2>&1)
    check "$name.conf: $wrong" test "$?: $said" = "78: $files/$name.conf: ${wrong//<u>/$'\374'}"
done 3<<'EOF'
typo||no such file
folder||is a directory, not a file
dangling||is a symbolic link to nothing
fifo||is not a regular file
unreadable||cannot be read
a\x2db|MONITOR_TAG=Valve OUTPUT_TAG=BoardIO:DO.1|systemd cannot read the file of an instance whose name has a backslash; name it without one
BoardIO:DO.1_half-2@b|MONITOR_TAG=Valve|OUTPUT_TAG= is missing or empty
empty|MONITOR_TAG=|MONITOR_TAG= is missing or empty
export|OUTPUT_TAG=BoardIO:DO.1|line 2, export MONITOR_TAG=T<u>r, is ignored by systemd; write it without export
bom|OUTPUT_TAG=BoardIO:DO.1|line 1, MONITOR_TAG=Valve, is ignored by systemd: the file starts with a byte-order mark; save it without one
EOF

checks_done
