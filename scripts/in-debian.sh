#!/usr/bin/env bash
# Runs a command in a Debian root of another release: the end-to-end tests
# under that release's Wine (Debian 13's Wine 10 on a Debian 12 machine).
#   scripts/in-debian.sh 13 COMMAND [ARG...]     (or 12)
# The root is made once with debootstrap, outside the clone, in
# $TAVRUNE_DEBIAN13_ROOT (or ..._DEBIAN12_ROOT; default
# /var/cache/tavrune/debian13), and reused. Inside it the clone and the build
# folder are at the same paths as outside, so a build made outside is tested
# inside. It holds what tests/e2e/run.sh uses, nothing to build with: a test
# command of its own (scripts/test.sh) installs the rest.
source "$(dirname "$0")/common.sh"

release=${1:?usage: in-debian.sh 12|13 COMMAND [ARG...]}
shift
case $release in
    12) suite=bookworm ;;
    13) suite=trixie ;;
    *) echo "in-debian.sh: Debian 12 or 13, not '$release'" >&2; exit 2 ;;
esac
[ $# -gt 0 ] || set -- bash
[ "$(id -u)" -eq 0 ] || exec sudo --preserve-env bash "$0" "$release" "$@"
var=TAVRUNE_DEBIAN${release}_ROOT
root=${!var:-/var/cache/tavrune/debian$release}
mirror=${TAVRUNE_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# The release suite alone, without its security and update suites: its
# amd64 and i386 packages are always of one version, which wine32:i386
# needs, and one of those indexes failing to download cannot stop it.
ROOT_PACKAGES=(wine wine64 xvfb xauth openbox fonts-arphic-uming fontconfig x11-utils)

_mounts=()
# Bind mounts are made private at once: where / is shared, the /dev/pts
# mounted inside would otherwise appear on the machine's own /dev/pts too.
_mount() {  # target, mount args...
    local target=$1
    shift
    mkdir -p "$target"
    mount "$@" "$target" && mount --make-private "$target" && _mounts+=("$target")
}
_unmount() {
    local i
    for ((i = ${#_mounts[@]} - 1; i >= 0; i--)); do
        umount "${_mounts[i]}" 2>/dev/null || umount -l "${_mounts[i]}" 2>/dev/null || true
    done
    _mounts=()
}
_enter() {  # dir: what a program inside needs, and this clone
    _mount "$1/proc" -t proc proc
    _mount "$1/sys" -t sysfs sysfs
    _mount "$1/dev" --bind /dev
    _mount "$1/dev/pts" --bind /dev/pts
    _mount "$1/dev/shm" --bind /dev/shm
    _mount "$1$ROOT" --bind "$ROOT"
    case "$BUILD/" in "$ROOT"/*) ;; *) mkdir -p "$BUILD" && _mount "$1$BUILD" --bind "$BUILD" ;; esac
    cp -f /etc/resolv.conf "$1/etc/resolv.conf" 2>/dev/null || true
}
trap _unmount EXIT
trap 'exit 130' INT TERM

# The clone's path and environment go in; the machine's own do not.
_run_in() {  # dir, command...
    local dir=$1 cwd=/ v
    shift
    case "$PWD/" in "$ROOT"/* | "$BUILD"/*) cwd=$PWD ;; esac
    local env=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8)
    for v in $(compgen -e | grep -E '^(TAVRUNE_|CI$)'); do env+=("$v=${!v}"); done
    chroot "$dir" /usr/bin/env -i "${env[@]}" bash -c 'cd "$1" && shift && exec "$@"' - "$cwd" "$@"
}

# Made in $root.new and renamed when complete, so that a root cut short is
# made again rather than used; a finished debootstrap there is kept.
_make() {
    local new=$root.new log=$root.log
    ensure_packages debootstrap
    echo "Making a Debian $release root for its Wine in $root (once; see README)"
    if [ ! -x "$new/usr/bin/apt-get" ] || [ -e "$new/debootstrap" ]; then
        # Mounts left by a making that was killed outright must not be
        # removed with it (the machine's /dev, the clone).
        awk -v d="$new/" 'index($5, d) == 1 { print $5 }' /proc/self/mountinfo | sort -r | xargs -r -n1 umount -l
        rm -rf --one-file-system "$new"
        debootstrap --variant=minbase "$suite" "$new" "$mirror" >"$log" 2>&1 ||
            { tail -n 5 "$log" >&2; echo "FAIL: debootstrap $suite (see $log)" >&2; return 1; }
    fi
    printf '#!/bin/sh\nexit 101\n' >"$new/usr/sbin/policy-rc.d"
    chmod +x "$new/usr/sbin/policy-rc.d"
    _enter "$new"
    _run_in "$new" bash -c 'source "$1/scripts/common.sh" && shift && ensure_packages "$@" && want_packages wine32:i386' \
        - "$ROOT" "${ROOT_PACKAGES[@]}" || return 1
    # The downloaded packages, a quarter of the root, serve nothing more.
    chroot "$new" apt-get clean
    _unmount
    mv "$new" "$root"
    echo "Debian $release root made: $(du -sh --one-file-system "$root" | cut -f1)"
}

mkdir -p "$(dirname "$root")"
exec 9>"$(dirname "$root")/.$(basename "$root").lock"
flock 9
[ -d "$root" ] || _make
# One user of the root at a time, another clone's tests perhaps, or a
# chroot's that reached the root through a bind mount of its own.
exec 8<"$root"
flock 8
exec 9>&-
_enter "$root"
# A root made before a package joined the list gets it now.
_run_in "$root" bash -c 'source "$1/scripts/common.sh" && shift && ensure_packages "$@"' - "$ROOT" "${ROOT_PACKAGES[@]}"
_run_in "$root" "$@"
