#!/bin/sh
# SPDX-License-Identifier: MIT
# Started by guest-runner.service once the gateway has booted. Unpacks the
# test the host attached (a tar archive on the virtio disk with serial
# "payload") and runs its ./run with a directory for what goes back. That
# directory survives a reboot: a test that leaves a file "reboot" in it is
# started again after one. What the test found is its own business: it
# writes it into the directory. Otherwise the directory is written as a tar
# archive onto the disk with serial "results" and the gateway powers off.
disk() {
    for block in /sys/block/vd*; do
        [ "$(cat "$block/serial" 2>/dev/null)" = "$1" ] && echo "/dev/${block##*/}" && return 0
    done
    return 1
}
payload=$(disk payload) || { echo "guest_runner: no test attached"; exit 0; }
results=$(disk results) || { echo "guest_runner: no disk for the results"; exit 1; }

test_dir=/run/guest-runner out=/var/lib/guest-runner
rm -rf "$test_dir" && mkdir -p "$test_dir" "$out"
tar -xf "$payload" -C "$test_dir"
systemctl is-system-running --wait >"$out/system-state.txt" 2>&1
echo "guest_runner: system $(cat "$out/system-state.txt"), starting the test"
# On the console too, so that the host sees how far a test got.
(cd "$test_dir" && ./run "$out") 2>&1 | tee -a "$out/run.log"
# What `systemctl reboot` and `poweroff` do, without asking logind (there is
# no D-Bus on this minimal system) first.
if [ -e "$out/reboot" ]; then
    rm "$out/reboot"
    echo "guest_runner: rebooting as the test asked"
    sync
    systemctl start reboot.target --job-mode=replace-irreversibly --no-block
    exit 0
fi
journalctl --no-pager -o short-monotonic >"$out/journal.txt" 2>&1
tar -cf "$results" -C "$out" .
sync
systemctl start poweroff.target --job-mode=replace-irreversibly --no-block
