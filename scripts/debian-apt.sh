# SPDX-License-Identifier: MIT
# Sourced. debian_apt DIR RELEASE: an apt of its own under DIR for a Debian
# release's armhf packages (RELEASE 11, 12 or 13), so that packages of a
# gateway's userland can be fetched without touching this machine's apt;
# exports APT_CONFIG and reads the package index once. The mirror is the one
# this machine's apt uses, unless TAG_MIRROR_DEBIAN_MIRROR names another
# (for a release that has moved to Debian's archive).

# The name of the Debian release of this number that a gateway may run.
debian_suite() {
    case $1 in
    11) echo bullseye ;;
    12) echo bookworm ;;
    13) echo trixie ;;
    *) return 1 ;;
    esac
}

debian_mirror() {
    if [ -n "${TAG_MIRROR_DEBIAN_MIRROR:-}" ]; then
        echo "$TAG_MIRROR_DEBIAN_MIRROR"
        return
    fi
    # deb822 sources first, then one-line ones; the main archive, not security.
    { grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | sed 's/^URIs:[[:space:]]*//' | tr ' ' '\n'
      grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
          sed -E 's/^deb +(\[[^]]*\] +)?([^ ]+).*/\2/'
    } | grep -E '/debian/?$' | head -n 1 || true
}

debian_apt() {
    local dir=$1 release=$2 suite mirror
    suite=$(debian_suite "$release")
    mirror=$(debian_mirror)
    if [ -z "$mirror" ]; then
        echo "no Debian mirror found in /etc/apt; set TAG_MIRROR_DEBIAN_MIRROR" >&2
        return 1
    fi
    mkdir -p "$dir"/{lists/partial,archives/partial}
    [ -e "$dir/status" ] || : >"$dir/status"
    echo "deb [arch=armhf signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
        >"$dir/sources.list"
    cat >"$dir/apt.conf" <<CONF
Dir::State "$dir";
Dir::State::lists "$dir/lists";
Dir::State::status "$dir/status";
Dir::Etc::SourceList "$dir/sources.list";
Dir::Etc::SourceParts "/dev/null";
Dir::Etc::Preferences "/dev/null";
Dir::Etc::PreferencesParts "/dev/null";
Dir::Cache "$dir";
Dir::Cache::archives "$dir/archives";
APT::Architecture "armhf";
APT::Architectures "armhf";
APT::Sandbox::User "root";
CONF
    export APT_CONFIG="$dir/apt.conf"
    # Read once for each mirror.
    [ "$(cat "$dir/.updated" 2>/dev/null)" = "$mirror" ] && return 0
    # One line, not apt's: a release that has left the mirror, or a mirror
    # out of reach, is the first thing a fresh machine meets.
    if ! apt-get -qq --error-on=any update >"$dir/update.log" 2>&1; then
        if grep -q 'does not have a Release file' "$dir/update.log"; then
            echo "Debian $release ($suite) armhf is not on $mirror: it may have left it for Debian's" \
                "archive; set TAG_MIRROR_DEBIAN_MIRROR to a mirror that has it" >&2
        else
            echo "cannot read Debian $release ($suite) armhf from $mirror:" \
                "$(grep -m 1 '^[EW]:' "$dir/update.log" || echo "see $dir/update.log")" >&2
        fi
        return 1
    fi
    echo "$mirror" >"$dir/.updated"
}
