# Shared by the run and test commands: installs what they use, once.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TAVRUNE_BUILD:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

_tavrune_sudo() { if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi; }
_tavrune_missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

# One index that fails to download (a mirror in the middle of a sync) must
# not stop the setup: apt keeps the indexes it has, and the install says
# whether they were enough.
_tavrune_updated=""
_tavrune_update() {
    [ -n "$_tavrune_updated" ] && return 0
    _tavrune_updated=yes
    _tavrune_sudo apt-get update -qq && return 0
    _tavrune_update_failed=yes
    echo "warning: apt-get update failed for some package index (above); installing from the indexes there are" >&2
}

# Installs the Debian packages that are missing, and nothing else; a package
# that cannot be installed stops the command, named.
ensure_packages() {
    local missing
    mapfile -t missing < <(_tavrune_missing "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    _tavrune_update
    DEBIAN_FRONTEND=noninteractive _tavrune_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        >/dev/null && return 0
    local p bad=()
    for p in "${missing[@]}"; do
        [ -n "$(_tavrune_missing "$p")" ] && bad+=("$p")
    done
    echo "FAIL: could not install ${bad[*]:-${missing[*]}} (apt-get says why above)" >&2
    return 1
}

# Installs what it can of packages that are welcome but not needed, and says
# what it could not.
want_packages() {
    local missing
    mapfile -t missing < <(_tavrune_missing "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
        _tavrune_sudo dpkg --add-architecture i386
        _tavrune_updated=""
    fi
    _tavrune_update
    local said
    said=$(DEBIAN_FRONTEND=noninteractive _tavrune_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" 2>&1) &&
        return 0
    echo "note: ${missing[*]} not installed (wanted, not needed), going on without it;" \
        "apt-get: $(grep -m1 '^E:' <<<"$said" || tail -n1 <<<"$said")" >&2
    # An i386 library must be of the very version of its amd64 twin, which
    # may have come from the index that failed.
    [ -z "${_tavrune_update_failed:-}" ] ||
        echo "note: likely cause: the index that failed to download above held the versions its i386 libraries need" >&2
}

HOST_PACKAGES=(cmake make g++ libgtest-dev clang-format)
WINDOWS_PACKAGES=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
                  binutils-mingw-w64-x86-64 wine wine64 xvfb xauth openbox fonts-arphic-uming
                  fontconfig imagemagick x11-utils)

# 32-bit Wine runs the release itself where the machine can: welcome, not
# needed (without it the tests use the x86_64 build under 64-bit Wine).
WANTED_PACKAGES=(wine32:i386)

# The toolchain of the Windows build that this machine's Wine runs (see
# scripts/wine.sh, which sets TAVRUNE_WINE_ARCH).
wine_toolchain() {
    if [ "$TAVRUNE_WINE_ARCH" = win64 ]; then echo "$ROOT/cmake/mingw-x86_64.cmake"; else echo "$ROOT/cmake/mingw-i686.cmake"; fi
}

configure_and_build() {  # dir, cmake args...
    local dir=$1; shift
    cmake -S "$ROOT" -B "$dir" -DTAVRUNE_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS" >/dev/null
}
