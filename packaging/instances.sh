# SPDX-License-Identifier: MIT
# Put into the maintainer scripts where they say #INSTANCES#: the mirrors are
# instances of a template unit that the administrator names and enables, and
# these scripts act on each of them by its own unit name, as debhelper's
# snippets act on a service's. Unit names may hold backslashes (systemd-escape
# makes them): they travel one a line, read with IFS= read -r, never through
# word splitting, echo or xargs.

# Whether the mirrors of the system dpkg works on are this script's to start
# and stop: not in a chroot without systemd, nor when dpkg works on another
# root (dpkg --root with --force-script-chrootless) and runs this script on
# the machine that builds it.
tag_mirror_systemd() {
    [ -z "${DPKG_ROOT:-}" ] && [ -d /run/systemd/system ]
}

# What prerm stopped, one unit a line: what a package operation that fails
# afterwards starts again.
tag_mirror_stopped=/run/tag-mirror.stopped-by-prerm

# The enable links of the template's instances in the system dpkg works on,
# one a line, relative to its /etc/systemd/system; find's actions, such as
# -delete, may follow.
tag_mirror_links() {
    tag_mirror_units=${DPKG_ROOT:-}/etc/systemd/system
    [ -d "$tag_mirror_units" ] || return 0
    (cd "$tag_mirror_units" && find . -mindepth 2 -maxdepth 2 -type l -name 'tag-mirror@*.service' \
        \( -path './*.wants/*' -o -path './*.requires/*' \) "$@")
}

# The instances that systemd has loaded or that are enabled, one unit a line.
tag_mirror_instances() {
    loaded=$(systemctl list-units --all --plain --no-legend --full 'tag-mirror@*.service') || true
    { printf '%s\n' "$loaded" | awk 'NF { print $1 }'; tag_mirror_links | sed 's|.*/||'; } | sort -u
}

# Starts, stops or restarts an instance, unless policy-rc.d, the
# administrator's veto over what packages start and stop (in an image build,
# a maintenance freeze), forbids it: asked each time, by the unit's own name,
# as invoke-rc.d and deb-systemd-invoke ask it, and 101 forbids. That is said
# on standard error, and the instance is left as it is. Through systemctl,
# since deb-systemd-invoke leaves alone an instance that was started by hand.
tag_mirror_invoke() { # tag_mirror_invoke ACTION UNIT
    if [ -x /usr/sbin/policy-rc.d ]; then
        tag_mirror_policy=0
        /usr/sbin/policy-rc.d "$2" "$1" || tag_mirror_policy=$?
        if [ "$tag_mirror_policy" = 101 ]; then
            printf '%s\n' "tag-mirror: policy-rc.d forbids $1 of $2; left as it is" >&2
            return 0
        fi
    fi
    systemctl "$1" "$2"
}

# Whether an instance runs, or is about to again (a restart it waits for).
tag_mirror_running() {
    case $(systemctl show -p ActiveState --value "$1") in
    active | activating | deactivating | reloading) return 0 ;;
    *) return 1 ;;
    esac
}
