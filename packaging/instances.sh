# SPDX-License-Identifier: MIT
# Put into the maintainer scripts where they say #INSTANCES#: the mirrors are
# instances of a template unit that the administrator names and enables, and
# these scripts act on each of them by its own unit name, as debhelper's
# snippets act on a service's.

# The enable links of the template's instances.
tag_mirror_links() {
    find /etc/systemd/system -mindepth 2 -maxdepth 2 -type l -name 'tag-mirror@*.service' \
        \( -path '*.wants/*' -o -path '*.requires/*' \) 2>/dev/null
}

# The instances that systemd has loaded or that are enabled, one unit a line.
tag_mirror_instances() {
    loaded=$(systemctl list-units --all --plain --no-legend --full 'tag-mirror@*.service') || true
    { echo "$loaded" | awk 'NF { print $1 }'; tag_mirror_links | sed 's|.*/||'; } | sort -u
}

# Whether an instance runs, or is about to again (a restart it waits for).
tag_mirror_running() {
    case $(systemctl show -p ActiveState --value "$1") in
    active | activating | deactivating | reloading) return 0 ;;
    *) return 1 ;;
    esac
}
