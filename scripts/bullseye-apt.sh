# SPDX-License-Identifier: MIT
# Sourced. bullseye_apt DIR: an apt of its own under DIR for Debian 11
# (bullseye) armhf, so that packages of the gateway's userland can be fetched
# without touching this machine's apt; exports APT_CONFIG and reads the
# package index once. The mirror is the one this machine's apt uses, unless
# TAG_MIRROR_DEBIAN_MIRROR names another (for bullseye's move to the archive).

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

bullseye_apt() {
    local dir=$1 mirror
    mirror=$(debian_mirror)
    if [ -z "$mirror" ]; then
        echo "no Debian mirror found in /etc/apt; set TAG_MIRROR_DEBIAN_MIRROR" >&2
        return 1
    fi
    mkdir -p "$dir"/{lists/partial,archives/partial}
    [ -e "$dir/status" ] || : >"$dir/status"
    echo "deb [arch=armhf signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bullseye main" \
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
    [ -e "$dir/.updated" ] && return 0
    if ! apt-get -qq --error-on=any update >"$dir/update.log" 2>&1; then
        echo "cannot read Debian bullseye's package index from $mirror (see $dir/update.log)" >&2
        return 1
    fi
    : >"$dir/.updated"
}
