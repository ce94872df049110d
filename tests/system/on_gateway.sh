#!/bin/bash
# SPDX-License-Identifier: MIT
# The system test's part on the gateway, run as root by guest_runner in the
# unpacked test: the package and its next version, the armhf simulator as
# libQuorvel.so, and sdk_probe. Does what an administrator would and checks
# every step: install, two mirrors, one whose tag does not exist, one that is
# killed, the unit's room for an SDK, upgrade, reboot, remove and purge.
# Writes its log into $1, which survives the reboot, and at the very end the
# number of failed checks into $1/failed.
set -u
out=$1
export LC_ALL=C DEBIAN_FRONTEND=noninteractive SYSTEMD_PAGER='' SYSTEMD_COLORS=0
test_dir=$PWD
failed=$(cat "$out/failed-so-far" 2>/dev/null || echo 0)

step() { printf '\n=== %s\n' "$*"; }
check() { # check WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "CHECK ok: $what"
    else
        echo "CHECK FAILED: $what"
        failed=$((failed + 1))
    fi
}
# Runs a command, showing it and what it printed; its status stays in $status.
run() {
    echo "\$ $*"
    "$@" >"$out/last.out" 2>"$out/last.err"
    status=$?
    cat "$out/last.out" "$out/last.err"
}
# Waits up to $1 seconds for a command to succeed.
within() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# One line to an instance's simulator; prints its answer.
sim() {
    local instance=$1
    shift
    printf '%s\n' "$*" | socat -t 0.5 - "UNIX-CONNECT:/run/quorvel-sim-$instance.sock" 2>/dev/null
}
holds() { [[ "$(sim "$1" get "$2")" == "ok $3 "* ]]; }
# Switches the monitored tag and waits for the output to follow.
follows() { # follows INSTANCE MONITORED OUTPUT VALUE
    sim "$1" set "$2" "$4" >/dev/null && within 10 holds "$1" "$3" "$4"
}
unit() { echo "tag-mirror@$1.service"; }
property() { systemctl show -p "$2" --value "$(unit "$1")"; }
starts() { journalctl -u "$(unit "$1")" -o cat --no-pager | grep -c '^Started '; }
# Simulator settings for an instance, in a drop-in as `systemctl edit` keeps one.
simulator() { # simulator NAME [UNIT LINE...]
    local dir
    dir=/etc/systemd/system/$(unit "$1").d
    mkdir -p "$dir"
    printf '[Service]\nEnvironment=QUORVEL_SIM_SOCKET=/run/quorvel-sim-%s.sock\n' "$1" >"$dir/override.conf"
    shift
    [ $# -eq 0 ] || printf '%s\n' "$@" >>"$dir/override.conf"
}
instance() { # instance NAME MONITORED OUTPUT [UNIT LINE...]
    printf 'MONITOR_TAG=%s\nOUTPUT_TAG=%s\n' "$2" "$3" >"/etc/tag-mirror/$1.conf"
    simulator "$1" "${@:4}"
}
running_new_binary() { # running_new_binary NAME OLD_PID
    local pid
    pid=$(property "$1" MainPID)
    [ "$pid" != 0 ] && [ "$pid" != "$2" ] && [ "$(readlink "/proc/$pid/exe")" = /usr/bin/tag-mirror ]
}
no_mirror_process() { ! pgrep -x tag-mirror >/dev/null; }
# apt's own two remarks on a minimal system, run from a script; anything else
# on standard error came from the package.
quiet_apt() {
    [ "$status" = 0 ] && ! grep -Ev '^(WARNING: apt does not have a stable CLI|debconf: delaying package configuration)' \
        "$out/last.err" | grep -q .
}

deb=$(ls "$test_dir"/tag-mirror_*_armhf.deb | grep -v +upgrade)
newer=$(ls "$test_dir"/tag-mirror_*+upgrade_armhf.deb)

if [ ! -e "$out/rebooted" ]; then
    step "the gateway"
    uname -a
    echo "Debian $(cat /etc/debian_version), $(systemctl --version | head -n 1)"

    step "apt install ./$(basename "$deb")"
    run apt install -y "$deb"
    check "apt installs the package without a word on standard error" quiet_apt
    check "it is installed" test "$(dpkg-query -W -f '${Status}' tag-mirror)" = "install ok installed"
    install -m 0644 libQuorvel.so /usr/lib/arm-linux-gnueabihf/libQuorvel.so
    ldconfig
    run ldd /usr/bin/tag-mirror
    check "tag-mirror finds the gateway's libQuorvel.so" grep -q 'libQuorvel.so => /' "$out/last.out"

    step "a mirror whose monitored tag does not exist"
    instance bogus NoSuchTag BoardIO:DO.2
    systemctl daemon-reload
    run systemctl start "$(unit bogus)"

    step "two mirrors, each with its own tags and simulator"
    cp /usr/share/doc/tag-mirror/examples/example.conf /etc/tag-mirror/valve.conf
    simulator valve
    instance pump Pump BoardIO:DO.2 Environment=QUORVEL_SIM_INPUTS=Pump
    systemctl daemon-reload
    run systemctl enable --now "$(unit valve)" "$(unit pump)"
    check "systemctl enable --now starts both" test "$status" = 0
    check "valve's output follows Valve: on" follows valve Valve BoardIO:DO.1 1
    check "pump's output follows Pump: on" follows pump Pump BoardIO:DO.2 1
    check "valve's output follows Valve: off" follows valve Valve BoardIO:DO.1 0
    check "valve leaves the DO.2 of its own device alone" holds valve BoardIO:DO.2 0
    check "pump's output follows Pump: off" follows pump Pump BoardIO:DO.2 0

    step "the example is not an instance"
    run systemctl start "$(unit example)"
    check "tag-mirror@example does not start" test "$(property example ActiveState)" = inactive

    step "SIGKILL"
    killed=$(property valve MainPID)
    kill -KILL "$killed"
    killed_at=$SECONDS
    check "a killed mirror is started again" within 20 running_new_binary valve "$killed"
    check "  after the unit's pause, not at once" test $((SECONDS - killed_at)) -ge 9
    check "  and mirrors" follows valve Valve BoardIO:DO.1 1

    step "the failing mirror"
    within 40 eval '[ "$(starts bogus)" -ge 3 ]'
    run journalctl -u "$(unit bogus)" -o short-unix --no-pager
    check "it reports the tag that did not open" grep -q 'fail to open tag: NoSuchTag' "$out/last.out"
    check "it exits with 252" grep -q 'status=252' "$out/last.out"
    gaps=$(awk '/ Started / { if (last) printf "%.1f ", $1 - last; last = $1 }' "$out/last.out")
    echo "seconds between its starts: $gaps"
    check "it is restarted at least twice, at least 9.5 s apart" \
        awk -v gaps="$gaps" 'BEGIN { n = split(gaps, g, " "); for (i = 1; i <= n; i++) if (g[i] < 9.5) exit 1; exit n < 2 }'
    run systemctl stop "$(unit bogus)"
    bogus_stopped_at=$SECONDS bogus_starts=$(starts bogus)

    step "what an SDK may need, under the shipped unit"
    install -m 0755 sdk_probe /usr/local/bin/sdk_probe
    for dir in /tmp /run /dev/shm; do : >"$dir/sdk-probe.outside"; done
    run /usr/local/bin/sdk_probe /dev/gpiochip0 /dev/ttyAMA0
    check "the probe succeeds as root outside any unit" test "$status" = 0
    instance probe Valve BoardIO:DO.3
    # The shipped unit's settings, with only the program replaced.
    printf '[Service]\nExecStart=\nExecStart=/usr/local/bin/sdk_probe /dev/gpiochip0 /dev/ttyAMA0\n' \
        >"/etc/systemd/system/$(unit probe).d/override.conf"
    systemctl daemon-reload
    systemctl start "$(unit probe)"
    within 20 eval '[ "$(property probe ExecMainExitTimestampMonotonic)" != 0 ]'
    probe_status=$(property probe ExecMainStatus)
    systemctl stop "$(unit probe)"
    journalctl -u "$(unit probe)" -o cat --no-pager | grep -E '^(ok|FAILED|  )' >"$out/probe.txt"
    while IFS= read -r line; do
        case $line in
        ok:*) check "under the unit: ${line#ok: }" true ;;
        FAILED:*) check "under the unit: ${line#FAILED: }" false ;;
        *) echo "$line" ;;
        esac
    done <"$out/probe.txt"
    check "under the unit the probe succeeds" test "$probe_status" = 0
    systemd-analyze security "$(unit valve)" >"$out/security.txt" 2>&1
    tail -n 1 "$out/security.txt"

    step "upgrade to $(basename "$newer") with both mirrors running"
    valve_pid=$(property valve MainPID) pump_pid=$(property pump MainPID)
    run apt install -y "$newer"
    check "apt upgrades the package without a word on standard error" quiet_apt
    check "the new version is installed" test "$(dpkg-query -W -f '${Version}' tag-mirror)" \
        = "$(dpkg-deb --field "$newer" Version)"
    check "valve runs the new binary" running_new_binary valve "$valve_pid"
    check "pump runs the new binary" running_new_binary pump "$pump_pid"
    check "valve mirrors again" follows valve Valve BoardIO:DO.1 1
    check "pump mirrors again" follows pump Pump BoardIO:DO.2 1
    sleep $((bogus_stopped_at + 12 - SECONDS > 0 ? bogus_stopped_at + 12 - SECONDS : 0))
    check "the stopped mirror stayed stopped, through the upgrade too" \
        test "$(property bogus ActiveState)/$(starts bogus)" = "inactive/$bogus_starts"

    step "reboot"
    journalctl -b --no-pager -o short-monotonic >"$out/journal-before-reboot.txt"
    echo "$failed" >"$out/failed-so-far"
    : >"$out/rebooted"
    : >"$out/reboot"
    exit 0
fi

step "after the reboot"
check "the enabled mirrors came back" \
    within 30 eval '[ "$(property valve ActiveState)/$(property pump ActiveState)" = active/active ]'
check "valve mirrors" follows valve Valve BoardIO:DO.1 1
check "pump mirrors" follows pump Pump BoardIO:DO.2 1
check "the mirror that was never enabled did not start" test "$(property bogus ActiveState)" = inactive

step "apt remove with the mirrors running"
run apt remove -y tag-mirror
check "apt removes the package without a word on standard error" quiet_apt
check "no tag-mirror process is left" no_mirror_process
check "the program is gone" test ! -e /usr/bin/tag-mirror

step "apt purge"
run apt purge -y tag-mirror
check "apt purges the package without a word on standard error" quiet_apt
check "dpkg knows nothing of it any more" eval '! dpkg -s tag-mirror >/dev/null 2>&1'
run find /etc/systemd/system -name 'tag-mirror@*'
check "no enable link is left" test -z "$(find /etc/systemd/system -type l -name 'tag-mirror@*')"
check "the administrator's instance files and drop-ins stay" \
    test -e /etc/tag-mirror/valve.conf -a -e "/etc/systemd/system/$(unit valve).d/override.conf"
check "no instance is left loaded" test -z "$(systemctl list-units --all --no-legend 'tag-mirror@*')"
check "no tag-mirror process is left" no_mirror_process

step "$failed check(s) failed"
echo "$failed" >"$out/failed"
