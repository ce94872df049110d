#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs once inside the emulated gateway, chrooted into the new root by the
# initramfs (vmsetup=): finishes debootstrap and readies the system for
# tests. The initramfs then unmounts the root and powers off.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive
started=$(date +%s)
if ! /debootstrap/debootstrap --second-stage; then
    tail -n 40 /debootstrap/debootstrap.log
    echo "guest_setup: debootstrap --second-stage failed"
    exit 1
fi
set -e
echo "guest_setup: second stage took $(( $(date +%s) - started )) s"
echo gateway >/etc/hostname
printf '127.0.0.1\tlocalhost\n127.0.1.1\tgateway\n' >/etc/hosts
# The initramfs mounts the root read-write, and every run boots a fresh
# overlay of this image: nothing to check or mount here.
: >/etc/fstab
# Root logs in on the console without a password: only vm_shell.sh uses it.
passwd -d root >/dev/null
# apt's timers could take the dpkg lock in the middle of a test's apt install.
systemctl mask apt-daily.timer apt-daily-upgrade.timer
install -m 0755 /setup/guest_runner.sh /usr/local/sbin/guest_runner
install -m 0644 /setup/guest-runner.service /etc/systemd/system/
systemctl enable guest-runner.service
systemctl set-default multi-user.target
apt-get clean
rm -rf /var/lib/apt/lists/* /setup
# Give the blocks of the unpacked .debs back, so the image stays small.
fstrim /
echo "guest_setup: done: Debian $(cat /etc/debian_version)," \
    "$(dpkg-query -W -f '${binary:Package}\n' | wc -l) packages," \
    "systemd $(dpkg-query -W -f '${Version}' systemd)"
