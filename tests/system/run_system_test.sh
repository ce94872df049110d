#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The system test: boots the Debian armhf gateway (of the release that
# TAG_MIRROR_GATEWAY_RELEASE names, 11 by default; built once by
# gateway-vm/build_image.sh) on a fresh copy-on-write overlay under
# qemu-system-arm, and has on_gateway.sh install, run, restart, upgrade and
# remove the package there as an administrator would, against the armhf
# simulator installed as the gateway's libQuorvel.so. The test travels in on
# a read-only disk holding a tar archive and its findings come back on
# another; no network.
#
#   run_system_test.sh BUILD_DIR LIBQUORVEL SDK_PROBE
#
# Exit status 0 when every check in the gateway passed. The last run's
# console, log and findings stay in $TAG_MIRROR_VM_DIR/last-run.
#
# TAG_MIRROR_SYSTEM_TEST_BUDGET: seconds the whole test may take, building
#   the image and the previous release included (default 2400); past them
#   it stops, and says so.
# TAG_MIRROR_SYSROOT: Debian 11's armhf C library, to build the previous
#   release with.
system_test=$(cd "$(dirname "$0")" && pwd)
. "$system_test/../../gateway-vm/vm.sh"
build=$(realpath "${1:?usage: run_system_test.sh BUILD_DIR LIBQUORVEL SDK_PROBE}")
sdk=$(realpath "${2:?}")
probe=$(realpath "${3:?}")
budget=${TAG_MIRROR_SYSTEM_TEST_BUDGET:-2400}
time_left() { echo $((budget - SECONDS)); }

VM_SETUP_TIMEOUT=$(time_left) vm_hold_image

run=$vm_dir/last-run
rm -rf "$run"
mkdir -p "$run/payload"/{previous,tested,newer} "$run/findings"
(cd "$build" && cpack -B "$run/cpack" >"$run/cpack.log" 2>&1) || { cat "$run/cpack.log"; exit 1; }
deb=$(ls "$run"/cpack/*.deb)
cp "$deb" "$run/payload/tested/"
# The last release before this version, built from its commit: what a
# gateway that runs it gets upgraded from.
version=$(dpkg-deb --field "$deb" Version)
previous=$(awk '!/^#/ && NF { print $1 }' "$source_tree/packaging/releases" | sort -V |
    while read -r released; do
        if dpkg --compare-versions "$released" lt "$version"; then echo "$released"; fi
    done | tail -n 1)
[ -n "$previous" ] || { echo "packaging/releases has no release before $version" >&2; exit 1; }
log "Debian $gateway_release ($gateway_suite); building the previous release, $previous"
cp "$("$source_tree/scripts/build-release.sh" "$previous" "$user_cache/releases")" "$run/payload/previous/"
# The same package under a higher version: what an upgrade replaces is the
# installed files under the running mirrors, whatever changed in them.
dpkg-deb -R "$deb" "$run/newer"
sed -i "s/^Version: .*/Version: $version+upgrade/" "$run/newer/DEBIAN/control"
dpkg-deb --root-owner-group -b "$run/newer" "$run/payload/newer/" >/dev/null
cp "$sdk" "$run/payload/libQuorvel.so"
cp "$probe" "$run/payload/sdk_probe"
install -m 0755 "$system_test/on_gateway.sh" "$run/payload/run"
tar -cf "$run/payload.tar" --owner=0 --group=0 -C "$run/payload" .
truncate -s 64M "$run/findings.img"
qemu-img create -q -f qcow2 -b "$image_dir/base.qcow2" -F qcow2 "$run/overlay.qcow2"

# The test may reboot the gateway; qemu then exits, and the next boot goes
# on with the same disks, as a reboot would.
for boot in 1 2 3; do
    log "boot $boot of the gateway (console: $run/console.log)"
    status=0
    VM_TIMEOUT=$(time_left) vm_boot "$run/overlay.qcow2" qcow2 "" \
        -drive "if=none,id=payload,file=${run//,/,,}/payload.tar,format=raw,readonly=on" \
        -device virtio-blk-device,drive=payload,serial=payload \
        -drive "if=none,id=findings,file=${run//,/,,}/findings.img,format=raw,werror=report" \
        -device virtio-blk-device,drive=findings,serial=results \
        >>"$run/console.log" 2>&1 || status=$?
    vm_write_error "$run/console.log" "$run"
    if [ "$status" = 124 ] || [ "$(time_left)" -le 0 ]; then
        echo "the system test did not finish within its $budget s" \
            "(TAG_MIRROR_SYSTEM_TEST_BUDGET); the end of the gateway's console:" >&2
        tail -n 40 "$run/console.log" >&2
        exit 1
    fi
    [ "$status" = 0 ] || log "qemu ended with status $status"
    # Before the gateway writes its findings the disk holds only zeros.
    tar -xf "$run/findings.img" -C "$run/findings" 2>/dev/null
    [ -e "$run/findings/failed" ] && break
    [ "$(grep -ac 'guest_runner: rebooting' "$run/console.log")" -ge "$boot" ] || break
done

if [ ! -e "$run/findings/failed" ]; then
    echo "the gateway brought back no findings; the end of its console:" >&2
    tail -n 40 "$run/console.log" >&2
    exit 1
fi
grep -E '^(CHECK|FAILED)' "$run/findings/run.log" || true
failed=$(cat "$run/findings/failed")
echo "gateway: $failed check(s) failed (log: $run/findings/run.log)"
[ "$failed" = 0 ]
