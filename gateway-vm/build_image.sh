#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian armhf gateway that the system test boots (and shell.sh,
# for a look around), of the release that TAG_MIRROR_GATEWAY_RELEASE names
# (vm.sh), from Debian's packages only, unless this user's cache already
# holds one built from these very scripts ($image_dir, named by vm.sh's
# image_key). Nothing ARM runs on this machine:
#  1. the release's armmp-lpae kernel and busybox-static are unpacked with
#     dpkg -x, and an initramfs is put together by hand;
#  2. debootstrap --foreign unpacks the root file system, mkfs.ext4 -d makes
#     an image of it (no loop mount);
#  3. the VM boots that image once to run debootstrap's second stage and set
#     it up for tests (guest_setup.sh), then powers off;
#  4. the image becomes base.qcow2, which every run overlays and never changes.
# It is built beside its place in the cache and renamed into it when whole;
# a second build started meanwhile, from any clone, waits for the first and
# takes its image. The release's older images then go.
. "$(dirname "$0")/vm.sh"

[ -d "$image_dir" ] && exit 0
mkdir -p "$image_cache"
exec 9>"$image_cache/lock"
if ! flock -n 9; then
    log "waiting for another build of the gateway image to finish"
    flock 9
fi
[ -d "$image_dir" ] && exit 0
# Holding the lock, no build is under way: what is left is from one that died.
rm -rf "$image_cache"/.build-* "$image_cache"/.removing-*
work=$(mktemp -d "$image_cache/.build-XXXXXX")
trap 'rm -rf "$work"' EXIT
final=$image_dir
image_dir=$work/image
mkdir -p "$work/debs" "$image_dir"
started=$SECONDS
log "building the gateway image in $final (once for this user; later runs reuse it)"
debian_apt "$vm_dir/apt-$gateway_suite" "$gateway_release"

# The kernel: virtio core, PCI host, PL011 serial, PL031 clock and PL061 GPIO
# are built in; what finds and mounts the root disk may be a module.
kernel=$(apt-cache depends linux-image-armmp-lpae | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n 1)
[ -n "$kernel" ] || { echo "cannot find Debian $gateway_release's armmp-lpae kernel package" >&2; exit 1; }
(cd "$work/debs" && apt-get -qq download "$kernel:armhf" busybox-static:armhf) >&2
for deb in "$work"/debs/*.deb; do
    dpkg -x "$deb" "$work/unpacked"
done
# Under /usr from Debian 13 on: /usr/bin/busybox, /usr/lib/modules.
unpacked=$work/unpacked
[ ! -d "$unpacked/usr/lib/modules" ] || unpacked=$unpacked/usr
modules=$unpacked
kernel_version=$(ls "$modules/lib/modules")
# Emulated, depmod takes most of a minute; this machine's writes the same
# index, byte for byte, in a second.
depmod -b "$modules" "$kernel_version"

initramfs=$work/initramfs
mkdir -p "$initramfs/bin" "$initramfs/lib/modules"
: >"$initramfs/modules"
cp "$unpacked/bin/busybox" "$initramfs/bin/"
install -m 0755 "$gateway_vm/initramfs_init" "$initramfs/init"
# What reaches and mounts the root disk, and the guest's entropy, each after
# what it needs, as the kernel's own index orders them; which of them are
# built in differs by release. Variants for a processor's extensions (under
# arch/) are udev's to load once the system runs. busybox's insmod reads no
# compressed module, and Debian 13's are compressed with xz.
for module in virtio_mmio virtio_blk crc32c_generic ext4 virtio_rng; do
    modprobe -d "$modules" -S "$kernel_version" --show-depends "$module"
done | awk '$1 == "insmod" && $2 !~ "/kernel/arch/" && !seen[$2]++ { print $2 }' >"$work/modules"
while read -r module; do
    name=${module##*/}
    case $name in
    *.ko) cp "$module" "$initramfs/lib/modules/$name" ;;
    *.ko.xz) name=${name%.xz} && xz -dc "$module" >"$initramfs/lib/modules/$name" ;;
    *) echo "cannot put $module into the initramfs" >&2; exit 1 ;;
    esac
    echo "/lib/modules/$name" >>"$initramfs/modules"
done <"$work/modules"

root=$work/root
log "debootstrap --foreign $gateway_suite armhf ($image_packages)"
debootstrap --foreign --arch=armhf --variant=minbase --include="$image_packages" \
    "$gateway_suite" "$root" "$(debian_mirror)" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
# In a container debootstrap makes the target's /proc a link to the host's;
# booted, that link would point at itself.
if [ -L "$root/proc" ]; then rm "$root/proc" && mkdir -m 0555 "$root/proc"; fi
mkdir -p "$root/lib/modules" "$root/setup"
cp -a "$modules/lib/modules/$kernel_version" "$root/lib/modules/"
install -m 0755 "$gateway_vm/guest_setup.sh" "$gateway_vm/guest_runner.sh" "$root/setup/"
install -m 0644 "$gateway_vm/guest-runner.service" "$root/setup/"

cp "$work/unpacked/boot/vmlinuz-$kernel_version" "$image_dir/vmlinuz"
(cd "$initramfs" && find . | sort | cpio --quiet -o -H newc -R 0:0 | gzip -9) \
    >"$image_dir/initrd.img"
mkfs.ext4 -q -F -L vmroot -d "$root" "$work/root.raw" 2G

log "booting it once to finish debootstrap inside the emulated gateway (a few minutes)"
booted=$SECONDS
# qemu does not hold the lock: should this script be killed, the next build
# need not wait for the VM's time-out. Two CPUs, unlike the test's boots:
# the rest of a first run waits for this boot anyway, and it took 355 s
# with two against 437 s with one.
# A kill of this script alone stops the boot too (timeout hands the signal on
# to qemu), which would otherwise go on from a removed disk.
VM_TIMEOUT=${VM_SETUP_TIMEOUT:-3600} VM_SMP=${VM_SMP:-2} vm_boot "$work/root.raw" raw "vmsetup=/setup/guest_setup.sh" \
    >"$work/setup-console.log" 2>&1 9>&- &
setup_boot=$!
trap 'pkill -P "$setup_boot" 2>/dev/null || true; rm -rf "$work"' EXIT
wait "$setup_boot" || true
# The release that the image was asked for, not only a setup that ended.
if ! grep -q "^guest_setup: done: Debian $gateway_release\." "$work/setup-console.log" ||
   ! grep -q 'initramfs: root unmounted cleanly' "$work/setup-console.log"; then
    vm_write_error "$work/setup-console.log" "$work"
    mkdir -p "$vm_dir"
    cp "$work/setup-console.log" "$vm_dir/setup-console.log" || true
    echo "the image's setup inside the VM failed; the end of its console" \
        "(all of it in $vm_dir/setup-console.log):" >&2
    tail -n 40 "$work/setup-console.log" >&2
    exit 1
fi
log "the setup boot took $((SECONDS - booted)) s"
qemu-img convert -O qcow2 "$work/root.raw" "$image_dir/base.qcow2"
grep '^guest_setup:' "$work/setup-console.log" >"$image_dir/setup.txt"
mv -T "$image_dir" "$final"
log "gateway image ready in $((SECONDS - started)) s: $(tail -n 1 "$final/setup.txt")"
# Of this release, this image is kept; the others go, but one that a run
# holds (vm_hold_image), which goes with the next. Those of other releases
# stay, one each.
for old in "$image_cache"/*; do
    [ -d "$old" ] && [ "$old" != "$final" ] || continue
    case ${old##*/} in "$gateway_suite"-*) ;; *-*) continue ;; esac
    gone=$image_cache/.removing-${old##*/}
    if flock -n -x "$old/base.qcow2" mv -T "$old" "$gone"; then
        rm -rf "$gone"
        log "removed the older image ${old##*/}"
    fi
done
