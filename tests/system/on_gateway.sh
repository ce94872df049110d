#!/bin/bash
# SPDX-License-Identifier: MIT
# The system test's part on the gateway, run as root by guest_runner in the
# unpacked test: the package (tested/), the release before it (previous/)
# and its next version (newer/), the armhf simulator as libQuorvel.so, and
# sdk_probe. Does what an administrator would and checks every step, in
# piuparts' order: install the previous release, run mirrors on it; install
# and purge in another root (dpkg --root) beside them; upgrade; the unit's
# answers to mistakes, a killed mirror, the unit's room for an SDK; reboot;
# upgrade again, an upgrade and a removal that fail, remove, install again
# and purge; an example made a mirror of, through the upgrade, and purged.
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
# Switches the monitored tag on, then off, and waits for the output to
# follow each time: one of the two is a change, whatever the output held.
follows() { # follows INSTANCE MONITORED OUTPUT
    local instance=$1 monitored=$2 output=$3 value
    for value in 1 0; do
        # Asked again until its simulator, which starts with the mirror, answers.
        within 10 eval '[[ "$(sim "$instance" set "$monitored" "$value")" == ok* ]]' &&
            within 10 holds "$instance" "$output" "$value" || return 1
    done
}
unit() { echo "tag-mirror@$1.service"; }
property() { systemctl show -p "$2" --value "$(unit "$1")"; }
# Every start, "Started" or not: a notify service that fails never gets there.
starts() { journalctl -u "$(unit "$1")" -o cat --no-pager | grep -c '^Starting '; }
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
# The link `systemctl enable` makes, in this system or under ROOT, without
# the daemon-reload that costs seconds here.
enable_link() { # enable_link NAME [ROOT]
    mkdir -p "${2:-}/etc/systemd/system/multi-user.target.wants"
    ln -s /usr/lib/systemd/system/tag-mirror@.service "${2:-}/etc/systemd/system/multi-user.target.wants/$(unit "$1")"
}
# Whether the status shows LINE as one the program (or its start) wrote.
says() { # says NAME LINE
    systemctl status --full "$(unit "$1")" >"$out/status.txt"
    line=$2 awk 'index($0, " tag-mirror[") && index($0, "]: " ENVIRON["line"]) { found = 1 }
        END { exit !found }' "$out/status.txt"
}
# Starting the instance fails for good, with one line in its status, under
# the program's name, that names its file and what is wrong; and the start
# shows there as one line a person reads.
refused() { # refused NAME WRONG
    local name=$1 line="/etc/tag-mirror/$1.conf: $2"
    run systemctl start "$(unit "$name")"
    check "systemctl start tag-mirror@$name fails, and it is not restarted" within 10 eval \
        '[ "$status" != 0 ] && [ "$(property "$name" ActiveState)/$(property "$name" ExecMainStatus)" = failed/78 ]'
    check "  its status says, as tag-mirror: $line" within 5 says "$name" "$line"
    grep '^ *Process: ' "$out/status.txt"
    check "  and its Process: line fits on one line" \
        awk '/^ *Process: / { n++; if (length > 120) long = 1 } END { exit n != 1 || long }' "$out/status.txt"
}
# The system is as it was when it booted: "running", unless it was not then.
as_booted() { [ "$(systemctl is-system-running)" = "$(cat "$out/system-state.txt")" ]; }
running_new_binary() { # running_new_binary NAME OLD_PID
    local pid
    pid=$(property "$1" MainPID)
    [ "$pid" != 0 ] && [ "$pid" != "$2" ] && [ "$(readlink "/proc/$pid/exe")" = /usr/bin/tag-mirror ]
}
no_mirror_process() { ! pgrep -x tag-mirror >/dev/null; }
version() { dpkg-deb --field "$1" Version; }
installed() { # installed VERSION: unpacked and configured, at that version
    [ "$(dpkg-query -W -f '${db:Status-Status} ${Version}' tag-mirror 2>/dev/null)" = "installed $1" ]
}
# apt as a script runs it, with dpkg's output, maintainer scripts' included,
# on apt's own standard output and error rather than on a pseudo-terminal.
apt_get() { run apt -o Dpkg::Use-Pty=0 "$@"; }
# Done, with nothing on standard error but apt's own two remarks on a
# minimal system and what $1 allows.
quiet_apt() {
    [ "$status" = 0 ] && ! grep -Ev "^(WARNING: apt does not have a stable CLI interface\. Use with caution in scripts\.|debconf: delaying package configuration, since apt-utils is not installed${1:+|$1})$" \
        "$out/last.err" | grep -q .
}
# dpkg's word on the directories it leaves: /etc/tag-mirror holds the
# administrator's instance files; /usr/lib/systemd/system, where the unit is,
# has no other owner on Debian 11, whose packages put their units in /lib.
# dpkg's word on the upgrade from the previous release on Debian 13, where no
# other package owns /lib/systemd any more: the release had its unit there.
moved_remark="dpkg: warning: unable to delete old directory '/lib/systemd(/system)?': Directory not empty"
# apt's remark on a package file of the version that dpkg already knows, as
# installed or as configuration kept; nothing of the package's.
local_remark="W: Repository is broken: tag-mirror:armhf \(= [^)]*\) has no Size information"
purge_remark="dpkg: warning: while removing tag-mirror, directory '(/etc/tag-mirror|/usr/lib/systemd/system)' not empty so not removed"

previous=$(ls "$test_dir"/previous/*.deb)
deb=$(ls "$test_dir"/tested/*.deb)
newer=$(ls "$test_dir"/newer/*.deb)

if [ ! -e "$out/rebooted" ]; then
    step "the gateway"
    uname -a
    echo "Debian $(cat /etc/debian_version), $(systemctl --version | head -n 1)"

    step "the previous release, $(basename "$previous"), with two mirrors and a failing one"
    apt_get install -y "$previous"
    check "apt installs it without a word on standard error" quiet_apt
    install -m 0644 libQuorvel.so /usr/lib/arm-linux-gnueabihf/libQuorvel.so
    ldconfig
    run ldd /usr/bin/tag-mirror
    check "tag-mirror finds the gateway's libQuorvel.so" grep -q 'libQuorvel.so => /' "$out/last.out"
    # It shipped the example in /etc/tag-mirror, where it was an instance file.
    cp /etc/tag-mirror/example.conf /etc/tag-mirror/valve.conf
    simulator valve
    instance pump Pump BoardIO:DO.2 Environment=QUORVEL_SIM_INPUTS=Pump
    instance bogus NoSuchTag BoardIO:DO.2
    systemctl daemon-reload
    run systemctl enable --now "$(unit valve)" "$(unit pump)"
    check "systemctl enable --now starts both" test "$status" = 0
    run systemctl start "$(unit bogus)"
    check "valve's output follows Valve" follows valve Valve BoardIO:DO.1
    check "pump's output follows Pump" follows pump Pump BoardIO:DO.2
    check "valve leaves the DO.2 of its own device alone" holds valve BoardIO:DO.2 0

    step "dpkg --root: $(basename "$deb") installed and purged in another root, beside them"
    # As a chroot is bootstrapped without running its binaries: the
    # maintainer scripts run here, with DPKG_ROOT naming the root.
    root=$(mktemp -d)
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    : >"$root/var/lib/dpkg/status"
    valve_pid=$(property valve MainPID) pump_pid=$(property pump MainPID)
    links=$(find /etc/systemd/system -type l -name 'tag-mirror@*' | sort)
    run dpkg --root="$root" --force-script-chrootless --force-depends -i "$deb"
    check "dpkg --root installs it there" test "$status" = 0 -a -x "$root/usr/bin/tag-mirror"
    enable_link 'in\x2droot' "$root"
    run dpkg --root="$root" --force-script-chrootless --purge tag-mirror
    check "  and purges it there, with the enable link made there" \
        test "$status" = 0 -a -z "$(find "$root/etc/systemd/system" -type l)"
    check "  while this system's mirrors ran on" eval \
        '[ "$(property valve MainPID)/$(property pump MainPID)" = "$valve_pid/$pump_pid" ]'
    check "  and kept their enable links" test "$(find /etc/systemd/system -type l -name 'tag-mirror@*' | sort)" = "$links"
    rm -rf "$root"

    step "upgrade to $(basename "$deb") with them running"
    valve_pid=$(property valve MainPID) pump_pid=$(property pump MainPID)
    apt_get install -y "$deb"
    # Caught running on the old binary between two tries, bogus is restarted
    # on the new one, and fails there: a word on it is its due.
    check "apt upgrades the package without a word on standard error, but on bogus" \
        quiet_apt ".*tag-mirror@bogus\.service.*|$moved_remark"
    check "the new version is installed" installed "$(version "$deb")"
    check "  with the unit that the release had in /lib in /usr/lib, the package's" eval \
        '[ -f /usr/lib/systemd/system/tag-mirror@.service ] && dpkg -S /usr/lib/systemd/system/tag-mirror@.service'
    check "valve runs the new binary" running_new_binary valve "$valve_pid"
    check "pump runs the new binary" running_new_binary pump "$pump_pid"
    check "valve mirrors" follows valve Valve BoardIO:DO.1
    check "pump mirrors" follows pump Pump BoardIO:DO.2
    check "dpkg lists no obsolete conffile" test -z "$(dpkg-query -W -f '${Conffiles}' tag-mirror)"
    check "the unmodified example is gone" test ! -e /etc/tag-mirror/example.conf
    refused example "no such file"

    step "systemctl start says whether the mirror runs"
    # Each open takes a second here, and its start waits for both.
    instance slow Valve BoardIO:DO.3 Environment=QUORVEL_SIM_OPEN_STORM_MS=1000 \
        Environment=QUORVEL_SIM_EVENT_LOG=/run/quorvel-sim-slow.log
    systemctl daemon-reload
    run systemctl start "$(unit slow)"
    check "it returns, with 0, once both tags are open" eval \
        '[ "$status" = 0 ] && [ "$(grep -c " open .* -> [1-9]" /run/quorvel-sim-slow.log)" = 2 ]'
    check "  and the output follows at once" eval \
        '[[ "$(sim slow set Valve 1)" == ok* ]] && within 1 holds slow BoardIO:DO.3 1'
    systemctl stop "$(unit slow)"

    step "SIGKILL"
    killed=$(property valve MainPID)
    # Not kill 0: with valve not running that would end this test.
    [ "$killed" = 0 ] || kill -KILL "$killed"
    killed_at=$SECONDS
    check "a killed mirror is started again" within 20 running_new_binary valve "$killed"
    check "  after the unit's pause, not at once" test $((SECONDS - killed_at)) -ge 9
    check "  and mirrors" follows valve Valve BoardIO:DO.1

    step "the failing mirror"
    within 40 eval '[ "$(starts bogus)" -ge 4 ]'
    run journalctl -u "$(unit bogus)" -o short-unix --no-pager
    # Every time: the journal holds the previous release's lines too.
    check "it reports the tag that did not open, each time under its own name" \
        awk '/fail to open tag: NoSuchTag$/ { n++; if ($0 !~ / tag-mirror\[[0-9]+\]: /) bad = 1 }
            END { exit !n || bad }' "$out/last.out"
    check "it exits with 252" grep -q 'status=252' "$out/last.out"
    # From each failure to the restart systemd makes of it: the upgrade's own
    # restart of it is no retry.
    gaps=$(awk '/Failed with result/ { failed = $1 } /Scheduled restart job/ && failed { printf "%.1f ", $1 - failed }' "$out/last.out")
    echo "seconds from each failure to its retry: $gaps"
    check "it is retried at least three times, each at least 9.5 s after it failed, upgrade or not" \
        awk -v gaps="$gaps" 'BEGIN { n = split(gaps, g, " "); for (i = 1; i <= n; i++) if (g[i] < 9.5) exit 1; exit n < 3 }'
    systemctl stop "$(unit bogus)"
    run systemctl start "$(unit bogus)"
    check "systemctl start of it fails" test "$status" != 0
    check "  and its status says which tag" within 5 eval \
        'systemctl status --full "$(unit bogus)" | grep -qF "fail to open tag: NoSuchTag"'
    sed -i 's/NoSuchTag/Valve/' /etc/tag-mirror/bogus.conf
    check "mended, the next retry brings it up without anyone starting it" \
        within 15 eval '[ "$(property bogus ActiveState)" = active ] && follows bogus Valve BoardIO:DO.2'
    run systemctl stop "$(unit bogus)"

    step "what an SDK may need, under the shipped unit"
    install -m 0755 sdk_probe /usr/local/bin/sdk_probe
    for dir in /tmp /run /dev/shm; do : >"$dir/sdk-probe.outside"; done
    run /usr/local/bin/sdk_probe /dev/gpiochip0 /dev/ttyAMA0
    check "the probe succeeds as root outside any unit" test "$status" = 0
    grep '^ok:' "$out/last.out" >"$out/probe-outside.txt"
    instance probe Valve BoardIO:DO.3
    # The shipped unit's settings, with only the program replaced, and the
    # type, since the probe tells systemd nothing; kept active when it has
    # exited, so that systemd keeps how it ended.
    printf '[Service]\nType=exec\nExecStart=\nExecStart=/usr/local/bin/sdk_probe /dev/gpiochip0 /dev/ttyAMA0\nRemainAfterExit=yes\n' \
        >"/etc/systemd/system/$(unit probe).d/override.conf"
    systemctl daemon-reload
    systemctl start "$(unit probe)"
    within 20 eval '[ "$(property probe ExecMainExitTimestampMonotonic)" != 0 ]'
    # ExecMainCode 1: it exited by itself, not killed by a signal.
    probe_end=$(property probe ExecMainCode)/$(property probe ExecMainStatus)
    systemctl stop "$(unit probe)"
    journalctl -u "$(unit probe)" -o cat --no-pager | grep -E '^(ok|FAILED|  )' >"$out/probe.txt"
    while IFS= read -r line; do
        case $line in
        FAILED:*) check "under the unit: ${line#FAILED: }" false ;;
        *) echo "$line" ;;
        esac
    done <"$out/probe.txt"
    check "under the unit the probe ran to its end and exited 0 ($probe_end)" test "$probe_end" = 1/0
    check "  having done all it did outside any unit" diff <(grep '^ok:' "$out/probe.txt") "$out/probe-outside.txt"
    systemd-analyze security "$(unit valve)" >"$out/security.txt" 2>&1
    tail -n 1 "$out/security.txt"

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
check "valve mirrors" follows valve Valve BoardIO:DO.1
check "pump mirrors" follows pump Pump BoardIO:DO.2
check "the mirror that was never enabled did not start" test "$(property bogus ActiveState)" = inactive

# Starts that fail for good stay so, through every upgrade, until the
# package goes. The lines that systemd reads but cannot take are left out
# of what it hands the program.
printf '\357\273\277MONITOR_TAG=Valve\nOUTPUT_TAG=BoardIO:DO.3\n' >/etc/tag-mirror/bom.conf
printf 'export MONITOR_TAG=Valve\nOUTPUT_TAG=BoardIO:DO.3\n' >/etc/tag-mirror/export.conf
cp /etc/tag-mirror/export.conf '/etc/tag-mirror/a\x2db.conf'
step "an instance name made by systemd-escape, and an instance file with a byte-order mark"
refused 'a\x2db' "systemd cannot read the file of an instance whose name has a backslash; name it without one"
refused bom "line 1, MONITOR_TAG=Valve, is ignored by systemd: the file starts with a byte-order mark; save it without one"

step "upgrade to $(basename "$newer") with both mirrors running, and one waiting for its tags, while policy-rc.d forbids every action"
# It never says it is ready, and is given all the time in the world: it
# waits on the old binary, started by hand, until an upgrade restarts it
# under the unit as shipped (postinst reloads systemd).
instance late Valve BoardIO:DO.3 UnsetEnvironment=NOTIFY_SOCKET TimeoutStartSec=infinity
systemctl daemon-reload
systemctl start --no-block "$(unit late)"
check "one that never says it is ready stays activating" \
    within 20 eval '[ "$(property late SubState)" = start ] && [ "$(property late MainPID)" != 0 ]'
late_pid=$(property late MainPID)
simulator late
valve_pid=$(property valve MainPID) pump_pid=$(property pump MainPID)
# As in an image build or a maintenance freeze.
printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
chmod 0755 /usr/sbin/policy-rc.d
run dpkg -i "$newer"
rm /usr/sbin/policy-rc.d
check "dpkg upgrades the package, with a word on standard error only for what policy-rc.d forbade" \
    quiet_apt 'tag-mirror: policy-rc\.d forbids (try-)?restart of tag-mirror@(valve|pump|late)\.service; left as it is'
check "  one for each of the three" test "$(grep -c 'policy-rc.d forbids' "$out/last.err")" = 3
check "the new version is installed" installed "$(version "$newer")"
check "  and nothing was restarted" eval \
    '[ "$(property valve MainPID)/$(property pump MainPID)/$(property late MainPID)" = "$valve_pid/$pump_pid/$late_pid" ]'

step "the same again, policy-rc.d gone"
run dpkg -i "$newer"
check "dpkg installs it again without a word on standard error" quiet_apt
check "valve runs the new binary" running_new_binary valve "$valve_pid"
check "pump runs the new binary" running_new_binary pump "$pump_pid"
check "the one waiting for its tags runs the new binary" eval \
    '[ "$(property late ActiveState)" = active ] && running_new_binary late "$late_pid"'
systemctl stop "$(unit late)"
check "valve mirrors again" follows valve Valve BoardIO:DO.1
check "the stopped mirror stayed stopped, and those that failed for good failed" test \
    "$(property bogus ActiveState)/$(property bom ActiveState)/$(property 'a\x2db' ActiveState)" = inactive/failed/failed

# From here until the removal succeeds bogus is enabled but stopped, as an
# administrator leaves a mirror they stopped by hand: no failure starts it.
enable_link bogus
step "an upgrade whose new preinst fails"
dpkg-deb -R "$newer" /tmp/broken
printf '#!/bin/sh\nexit 1\n' >/tmp/broken/DEBIAN/preinst
sed -i 's/^Version: .*/&+broken/' /tmp/broken/DEBIAN/control
dpkg-deb -Zgzip -b /tmp/broken /tmp/broken.deb >/dev/null
valve_pid=$(property valve MainPID) pump_pid=$(property pump MainPID)
run dpkg -i /tmp/broken.deb
check "it fails, and leaves the installed version" eval '[ "$status" != 0 ] && installed "$(version "$newer")"'
check "  with valve and pump running on" eval \
    '[ "$(property valve MainPID)/$(property pump MainPID)" = "$valve_pid/$pump_pid" ]'
check "  and bogus stopped" test "$(property bogus ActiveState)" = inactive

step "apt remove, while policy-rc.d forbids stopping pump"
# It allows everything else as policy-rc.d may, with 104, and notes what it
# was asked.
printf '#!/bin/sh\necho "$1 $2" >>/run/policy-asked\n[ "$1 $2" != "tag-mirror@pump.service stop" ] || exit 101\nexit 104\n' \
    >/usr/sbin/policy-rc.d
chmod 0755 /usr/sbin/policy-rc.d
apt_get remove -y tag-mirror
rm /usr/sbin/policy-rc.d
check "the removal fails" test "$status" != 0
check "  naming the mirror that still runs, and how to stop it" grep -qF \
    'tag-mirror: still running: tag-mirror@pump.service; stop it by hand (systemctl stop tag-mirror@pump.service)' \
    "$out/last.err"
check "  and the mirror it had stopped runs again, policy-rc.d asked first" eval \
    'grep -qx "tag-mirror@valve.service start" /run/policy-asked && follows valve Valve BoardIO:DO.1'
check "  and the package is still installed" installed "$(version "$newer")"
check "  and bogus stays stopped" test "$(property bogus ActiveState)" = inactive
rm "/etc/systemd/system/multi-user.target.wants/$(unit bogus)"

step "apt remove with the mirrors running, and two that failed for good"
apt_get remove -y tag-mirror
check "apt removes the package without a word on standard error" quiet_apt
check "no tag-mirror process is left" no_mirror_process
check "the program is gone" test ! -e /usr/bin/tag-mirror
check "no instance is left failed, and the system is as it was when it booted" eval \
    '[ -z "$(systemctl list-units --failed --no-legend "tag-mirror@*")" ] && as_booted'

step "apt install ./$(basename "$newer") again"
apt_get install -y "$newer"
check "apt installs the package again without a word on standard error" quiet_apt "$local_remark"
check "the enabled mirrors run again: valve" follows valve Valve BoardIO:DO.1
check "  and pump" follows pump Pump BoardIO:DO.2
check "the one never enabled does not" test "$(property bogus ActiveState)" = inactive

step "apt purge, with a mirror enabled under a name made by systemd-escape, and one that failed for good"
enable_link 'a\x2db'
refused export "line 1, export MONITOR_TAG=Valve, is ignored by systemd; write it without export"
apt_get purge -y tag-mirror
check "apt purges the package with no word on standard error but for the files left in /etc" \
    quiet_apt "$purge_remark"
check "dpkg knows nothing of it any more" eval '! dpkg -s tag-mirror >/dev/null 2>&1'
run find /etc/systemd/system -name 'tag-mirror@*'
check "no enable link is left, whatever its name" test -z "$(find /etc/systemd/system -type l -name 'tag-mirror@*')"
check "the administrator's instance files and drop-ins stay" \
    test -e /etc/tag-mirror/valve.conf -a -e "/etc/systemd/system/$(unit valve).d/override.conf"
check "no instance is left loaded, and the system is as it was when it booted" eval \
    '[ -z "$(systemctl list-units --all --no-legend "tag-mirror@*")" ] && as_booted'
check "no tag-mirror process is left" no_mirror_process

step "the previous release's example, made a mirror of, through the upgrade"
run dpkg -i "$previous"
sed -i 's/^OUTPUT_TAG=.*/OUTPUT_TAG=BoardIO:DO.3/' /etc/tag-mirror/example.conf
simulator example
systemctl daemon-reload
systemctl enable --quiet --now "$(unit example)"
check "example's output follows Valve" follows example Valve BoardIO:DO.3
example_pid=$(property example MainPID)
apt_get install -y "$deb"
check "apt upgrades the package without a word on standard error" quiet_apt "$moved_remark"
check "the edited example stays as it was" grep -qx 'OUTPUT_TAG=BoardIO:DO.3' /etc/tag-mirror/example.conf
check "its mirror runs the new binary" running_new_binary example "$example_pid"
check "  and mirrors" follows example Valve BoardIO:DO.3
apt_get purge -y tag-mirror
check "apt purges the package" quiet_apt "$purge_remark"
check "  and with it the example, an obsolete conffile of the package" test ! -e /etc/tag-mirror/example.conf
check "no tag-mirror process is left" no_mirror_process

step "$failed check(s) failed"
echo "$failed" >"$out/failed"
