# Functions for checks that run inside a minimal Debian root (sourced, not run).
#   make_root DIR [SUITE]   a fresh minbase root in DIR (default suite: bookworm), with the
#                           package sources of this machine and its name servers; kept as a
#                           tarball in $ROOT_CACHE (default /var/cache/priomat-roots) as well
#   make_root_cached DIR [SUITE]  the same from that tarball when there is one
#   mount_root DIR          /proc, /sys, /dev and /dev/pts inside the root
#   umount_root DIR         undoes mount_root; safe to call more than once and on a half-made root
#   in_root DIR CMD...      runs CMD as root inside DIR with a clean environment
#   in_root_offline DIR CMD...  the same in a network namespace of its own: no network, and X
#                           displays (abstract sockets) apart from this machine's
# Needs root, debootstrap and the Debian package registry.

make_root() {
    local dir="$1" suite="${2:-bookworm}"
    if ! command -v debootstrap >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
    fi
    mkdir -p "$dir"
    debootstrap --variant=minbase "$suite" "$dir" >"$dir.debootstrap.log" 2>&1 || {
        tail -n 5 "$dir.debootstrap.log" >&2
        return 1
    }
    rm -f "$dir.debootstrap.log"
    # The same archive this machine installs from, updates and security included, when the
    # suites match; otherwise the root keeps what debootstrap wrote.
    if [ -f /etc/apt/sources.list.d/debian.sources ] && grep -q "Suites: $suite" /etc/apt/sources.list.d/debian.sources; then
        cp /etc/apt/sources.list.d/debian.sources "$dir/etc/apt/sources.list.d/"
        : >"$dir/etc/apt/sources.list"
    fi
    cp -L /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true
    local cache="${ROOT_CACHE:-/var/cache/priomat-roots}"
    mkdir -p "$cache"
    tar czf "$cache/$suite-minbase.tar.gz.part" -C "$dir" . && mv "$cache/$suite-minbase.tar.gz.part" "$cache/$suite-minbase.tar.gz"
}

make_root_cached() {
    local dir="$1" suite="${2:-bookworm}"
    local tarball="${ROOT_CACHE:-/var/cache/priomat-roots}/$suite-minbase.tar.gz"
    if [ -f "$tarball" ]; then
        mkdir -p "$dir"
        tar xzf "$tarball" -C "$dir"
    else
        make_root "$dir" "$suite"
    fi
}

mount_root() {
    local dir="$1"
    mount -t proc proc "$dir/proc"
    mount --rbind /sys "$dir/sys"
    mount --make-rslave "$dir/sys"
    mount --rbind /dev "$dir/dev"
    mount --make-rslave "$dir/dev"
}

umount_root() {
    local dir="$1" target
    [ -d "$dir" ] || return 0
    # Deepest mount points first; lazily, so a process still holding one cannot keep it.
    for target in $(awk -v d="$(realpath "$dir")" '$2 == d || index($2, d "/") == 1 { print $2 }' /proc/mounts | sort -r); do
        umount -l "$target" 2>/dev/null || true
    done
}

in_root() {
    local dir="$1"
    shift
    ${ROOT_LAUNCHER:-} chroot "$dir" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM=dumb CI="${CI:-}" "$@"
}

in_root_offline() {
    ROOT_LAUNCHER="unshare --net" in_root "$@"
}
