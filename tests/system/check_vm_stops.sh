#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Ctrl-C, or the kill of its process group that scripts/test.sh makes when
# it stops, ends the emulated gateway at once: vm_boot run in a process group
# of its own, as the test command runs the gateway, and that group sent
# SIGINT, then SIGTERM. The machine boots a kernel of zeros, which runs on
# until stopped.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../checks.sh
. "$(dirname "$0")/../checks.sh"
# shellcheck source=../../gateway-vm/vm.sh
. "$(dirname "$0")/../../gateway-vm/vm.sh"
set +e
image_dir=$work
truncate -s 64K "$work/vmlinuz" "$work/initrd.img" "$work/disk"
marker=check-vm-stops-$$
qemu_runs() { pgrep -f -- "^qemu-system-arm .* -name $marker" >/dev/null; }

for signal in INT TERM; do
    set -m
    vm_boot "$work/disk" raw "" -name "$marker" >"$work/console" 2>&1 &
    group=$!
    set +m
    for _ in $(seq 100); do qemu_runs && break; sleep 0.1; done
    # Not one that refuses its command line and is on its way out.
    sleep 0.3
    check "qemu starts, and runs" qemu_runs
    kill -s "$signal" -- -"$group"
    for _ in $(seq 20); do qemu_runs || break; sleep 0.1; done
    check "SIG$signal to its process group ends it within 2 s" eval '! qemu_runs'
    pkill -KILL -f -- "^qemu-system-arm .* -name $marker"
    wait "$group" 2>/dev/null
done
checks_done
