#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Holds the README to its word: builds tag-mirror with the compiler command
# for a vendor's toolchain and the CXXFLAGS for Debian's cross compiler and
# the project's sysroot, both as they stand there, C++11 with pedantic errors
# and the project's warnings as errors. Then checks its glibc versions and
# libraries, that the callback is the same code as the shipped build's, and
# runs the suites for the command line, start-up and mirroring on it.
#
#   check_vendor_build.sh SOURCE_DIR SYSROOT SHIPPED_TAG_MIRROR SIMULATOR_DIR DRIVER WARNING...
set -uo pipefail
export LC_ALL=C

source=${1:?usage: check_vendor_build.sh SOURCE_DIR SYSROOT SHIPPED_TAG_MIRROR SIMULATOR_DIR DRIVER WARNING...}
sysroot=${2:?} shipped=${3:?} simulator=${4:?} driver=${5:?}
shift 5
triple=arm-linux-gnueabihf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

# The command is the README's fenced line that starts "$CXX" -std=c++11,
# and the lines it continues onto.
command=$(awk '/^"\$CXX" -std=c\+\+11/ { on = 1 } on { print } on && !/\\$/ { exit }' "$source/README.md")
flags=$(grep -m 1 '^CXXFLAGS="--sysroot=' "$source/README.md")
[ -n "$command" ] && [ -n "$flags" ] || { echo "README.md gives no such command" >&2; exit 1; }
printf '%s\n' "$flags" "$command"
# Run from the top of a tree as the README has it, with the sysroot where it says.
ln -s "$source/src" "$work/src"
mkdir -p "$work/build/sysroot" && ln -s "$sysroot" "$work/build/sysroot/debian11-armhf"
(
    cd "$work" && eval "$flags" &&
        CXX=$triple-g++ SDK_INCLUDE=$source/sdk SDK_LIB=$simulator \
            CXXFLAGS="$CXXFLAGS -pedantic-errors -Werror $*" eval "$command"
) || { echo "FAILED: the README's command does not build tag-mirror" >&2; exit 1; }
check_gateway_needs "$work/tag-mirror"

disassembly() { # the callback, without addresses
    callback_instructions "$1" | cut -f 2- | sed 's/[0-9a-f]* <[^>]*>//; s/^\.word\t.*/.word/'
}
check "the callback is the same code as the shipped build's" \
    cmp -s <(disassembly "$work/tag-mirror") <(disassembly "$shipped")
diff <(disassembly "$shipped") <(disassembly "$work/tag-mirror")

"$driver" --gtest_filter='command_line.*:startup.*:mirror.*' --tag-mirror="$work/tag-mirror" \
    --library-path="$simulator" --launcher=qemu-arm --launcher=-L --launcher="$sysroot"
check "the end-to-end suites pass against it" test $? -eq 0
checks_done
