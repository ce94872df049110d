#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Boots a throw-away overlay of the gateway (TAG_MIRROR_GATEWAY_RELEASE: 11,
# 12 or 13) for a look around: its console on this terminal, root logs in
# without a password, `poweroff` ends it (Ctrl-A X ends qemu at once).
# Builds the image first if need be.
. "$(dirname "$0")/vm.sh"
vm_hold_image
overlay=$(mktemp --suffix=.qcow2)
trap 'rm -f "$overlay"' EXIT
qemu-img create -q -f qcow2 -b "$image_dir/base.qcow2" -F qcow2 "$overlay"
VM_INTERACTIVE=1 VM_TIMEOUT=${VM_TIMEOUT:-86400} vm_boot "$overlay" qcow2 ""
