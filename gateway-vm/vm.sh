# SPDX-License-Identifier: MIT
# Sourced by the gateway VM's scripts and the system test: which Debian
# release the armhf gateway runs, where its image is kept, and the one
# qemu-system-arm command line every boot uses.
#
# TAG_MIRROR_GATEWAY_RELEASE: the gateway's Debian release: 11 (the
#   default), 12 or 13. Each has an image of its own.
# TAG_MIRROR_VM_DIR: the apt caches and the runs (default: build/gateway-vm
#   in the source tree)
# XDG_CACHE_HOME: what every clone of this user shares is kept in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/tag-mirror: the images in gateway-image,
#   the newest of each release (build_image.sh), and the previous releases'
#   packages in releases
# VM_MEM (MiB, default 512), VM_SMP (default 1): the emulated gateway. One
#   CPU: on a two-core machine qemu's multi-threaded emulation of a second
#   took the system test from about 6 to 8½ minutes, with nothing else
#   running, and spent more of the build machine on it.
set -euo pipefail
export LC_ALL=C
gateway_vm=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_tree=$(cd "$gateway_vm/.." && pwd)
vm_dir=${TAG_MIRROR_VM_DIR:-$source_tree/build/gateway-vm}
# shellcheck source=../scripts/debian-apt.sh
. "$source_tree/scripts/debian-apt.sh"
gateway_release=${TAG_MIRROR_GATEWAY_RELEASE:-11}
gateway_suite=$(debian_suite "$gateway_release") || {
    echo "TAG_MIRROR_GATEWAY_RELEASE=$gateway_release: the gateway runs Debian 11, 12 or 13" >&2
    exit 2
}

# The packages debootstrap puts in the image besides the minimal base.
image_packages=systemd-sysv,udev,kmod,procps,socat
# The key names everything the image is made of: the files that build it and
# the packages they fetch, but not the mirror they come from. How it is
# booted (this file, shell.sh) does not change what is in it.
image_key() {
    (cd "$source_tree" &&
        sha256sum gateway-vm/build_image.sh gateway-vm/initramfs_init gateway-vm/guest_setup.sh \
            gateway-vm/guest_runner.sh gateway-vm/guest-runner.service scripts/debian-apt.sh &&
        echo "$image_packages") | sha256sum | cut -c1-16
}
user_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tag-mirror
image_cache=$user_cache/gateway-image
image_dir=$image_cache/$gateway_suite-$(image_key)

log() { printf '[%(%H:%M:%S)T] %s\n' -1 "$*" >&2; }

# Builds the image if need be and holds it for as long as this shell runs:
# a newer image of the release removes no image that a run holds.
vm_hold_image() {
    "$gateway_vm/build_image.sh"
    { exec 8<"$image_dir/base.qcow2"; } 2>/dev/null && flock -s 8 && [ "$image_dir/base.qcow2" -ef /dev/fd/8 ] ||
        { echo "$image_dir was replaced while this run began; run it again" >&2; exit 1; }
}

# One line when the guest could not write to a disk: qemu hands a write
# error on this machine, such as a full file system, to the guest, whose
# root then stops it (errors=panic), rather than pausing it for good. The
# console may be on that file system, and miss the guest's word on it.
vm_write_error() { # vm_write_error CONSOLE DIR_OF_THE_DISKS
    if grep -aqs 'I/O error, dev vd' "$1" || [ "$(df -Pk "$2" | awk 'NR == 2 { print $4 }')" -lt 10240 ]; then
        echo "the emulated gateway could not write to its disks in $2" \
            "($(df -h --output=avail "$2" | tail -n 1 | tr -d ' ') free there); see $1" >&2
    fi
}

# vm_boot DISK FORMAT KERNEL_ARGS [QEMU_ARGS...]: boots the image's kernel
# and initramfs with DISK as the root (virtio serial "vmroot") until the guest
# powers off or resets, or VM_TIMEOUT seconds (default 1800) pass. The serial
# console is standard output; with VM_INTERACTIVE set it is this terminal,
# both ways, and Ctrl-A X ends qemu. qemu stays in the caller's process
# group (timeout --foreground), so that Ctrl-C, or a kill of the group that
# runs it, ends it at once; in a group of timeout's own it ran on. A comma
# in a path is doubled, as -drive's options need it.
vm_boot() {
    local disk=$1 format=$2 kernel_args=$3 console=stdio input=/dev/null
    shift 3
    if [ -n "${VM_INTERACTIVE:-}" ]; then
        console=mon:stdio input=/dev/stdin
    fi
    timeout --foreground "${VM_TIMEOUT:-1800}" qemu-system-arm \
        -M virt,highmem=off -cpu cortex-a15 -smp "${VM_SMP:-1}" -m "${VM_MEM:-512}" \
        -accel tcg,thread=multi,tb-size=64 \
        -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd.img" \
        -append "console=ttyAMA0 panic=-1 $kernel_args" \
        -drive "if=none,id=root,file=${disk//,/,,},format=$format,cache=unsafe,discard=unmap,werror=report" \
        -device virtio-blk-device,drive=root,serial=vmroot \
        -device virtio-rng-device \
        -nic none -display none -monitor none -serial "$console" -no-reboot \
        "$@" <"$input"
}
