#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the armhf tag-mirror as it ships: the ABI the gateway needs, the
# libraries and glibc versions it asks for, a callback that calls nothing
# and moves the value with single-copy atomic instructions, and hardening.
#
#   check_armhf_binary.sh TAG_MIRROR
set -uo pipefail
# sort and the character classes below must not follow the caller's locale.
export LC_ALL=C

binary=${1:?usage: check_armhf_binary.sh TAG_MIRROR}
size_ceiling=6144
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=checks.sh
. "$(dirname "$0")/checks.sh"

header=$(readelf -h "$binary")
dynamic=$(readelf -d "$binary")
imports=$(readelf --dyn-syms -W "$binary" | awk '$7 == "UND" {print $8}')

# Flags that readelf decodes so for 32-bit ARM only.
check "ARM, EABI version 5, hard-float" grep -q 'Version5 EABI, hard-float ABI' <<<"$header"
check "Tag_ABI_VFP_args: VFP registers" \
    grep -q 'Tag_ABI_VFP_args: VFP registers' <<<"$(readelf -A "$binary")"

check_gateway_needs "$binary"
check "no RUNPATH or RPATH of the build machine" \
    bash -c '! grep -qE "\((RUNPATH|RPATH)\)" <<<"$1"' _ "$dynamic"

body=$(callback_instructions "$binary")
# Counted without the literal pool's data words.
echo "on_update_tag: $(grep -cvP '\t\.word\t' <<<"$body") instructions"
check "on_update_tag is in the binary" test -n "$body"
check "on_update_tag calls nothing (no bl/blx)" \
    bash -c '! grep -qP "\tblx?\s" <<<"$1"' _ "$body"
# Each path on its own, whatever the compiler's block order: the report
# stores with a retried strexd, the hand-back passes on what ldrexd loaded.
paths="$(dirname "$0")/exclusive_paths.pl"
check "on_update_tag moves the value only through ldrexd/strexd, on every path" perl "$paths" <<<"$body"
check "exclusive_paths.pl refuses a plain ldrd" bash -c '! perl "$1" <<<"$2" >/dev/null' _ \
    "$paths" "$(tac <<<"$body" | sed '0,/\tldrexd/s//\tldrd/' | tac)"
check "exclusive_paths.pl refuses an strexd not retried" bash -c '! perl "$1" <<<"$2" >/dev/null' _ \
    "$paths" "$(sed '/\tbne/d' <<<"$body")"

arm-linux-gnueabihf-strip -o "$work/stripped" "$binary"
size=$(stat -c %s "$work/stripped")
echo "stripped: $size bytes"
check "stripped, at most $size_ceiling bytes (no unwinder, no type information)" \
    test "$size" -le "$size_ceiling"
check "no compiler version note (.comment)" \
    bash -c '! readelf -S "$1" | grep -q "\.comment"' _ "$binary"

check "PIE" grep -q 'Type:[[:space:]]*DYN' <<<"$header"
check "full RELRO: GNU_RELRO segment" grep -q GNU_RELRO <<<"$(readelf -l "$binary")"
check "full RELRO: BIND_NOW" grep -qE '\(FLAGS_1\).*NOW|\(BIND_NOW\)|\(FLAGS\).*BIND_NOW' <<<"$dynamic"
check "stack protector" grep -qE '^__stack_chk_(fail|guard)' <<<"$imports"
check "_FORTIFY_SOURCE: __printf_chk" grep -q '^__printf_chk' <<<"$imports"

checks_done
