#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Holds the README to its word: builds tag-mirror with the one compiler
# command the README gives for a vendor's toolchain, as it stands there,
# with Debian's cross compiler and its own C library in place of the
# vendor's, C++11 with pedantic errors and the project's warnings as errors.
# Then checks that the callback is the same code as the shipped build's, and
# runs the end-to-end suites for the command line, start-up and mirroring
# against that binary under qemu-arm.
#
#   check_vendor_build.sh SOURCE_DIR SHIPPED_TAG_MIRROR SIMULATOR_DIR DRIVER WARNING...
set -uo pipefail
export LC_ALL=C

source=${1:?usage: check_vendor_build.sh SOURCE_DIR SHIPPED_TAG_MIRROR SIMULATOR_DIR DRIVER WARNING...}
shipped=${2:?} simulator=${3:?} driver=${4:?}
shift 4
triple=arm-linux-gnueabihf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

# The command is the README's fenced line that starts "$CXX" -std=c++11,
# and the lines it continues onto.
command=$(awk '/^"\$CXX" -std=c\+\+11/ { on = 1 } on { print } on && !/\\$/ { exit }' "$source/README.md")
[ -n "$command" ] || { echo "README.md gives no \"\$CXX\" -std=c++11 command" >&2; exit 1; }
printf '%s\n' "$command"
ln -s "$source/src" "$work/src"
(
    cd "$work" &&
        CXX=$triple-g++ SDK_INCLUDE=$source/sdk SDK_LIB=$simulator \
            CXXFLAGS="-pedantic-errors -Werror $*" eval "$command"
) || { echo "FAILED: the README's command does not build tag-mirror" >&2; exit 1; }

disassembly() { # the callback, without addresses
    callback_instructions "$1" | cut -f 2- | sed 's/[0-9a-f]* <[^>]*>//; s/^\.word\t.*/.word/'
}
check "the callback is the same code as the shipped build's" \
    cmp -s <(disassembly "$work/tag-mirror") <(disassembly "$shipped")
diff <(disassembly "$shipped") <(disassembly "$work/tag-mirror")

# The vendor's toolchain brings its own C library; here that is Debian's
# cross libc, which qemu-arm finds under this prefix.
"$driver" --gtest_filter='command_line.*:startup.*:mirror.*' --tag-mirror="$work/tag-mirror" \
    --library-path="$simulator" --launcher=qemu-arm --launcher=-L --launcher=/usr/$triple
check "the end-to-end suites pass against it" test $? -eq 0
checks_done
