# Shared by the run and test commands: installs what they use, once.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TAVRUNE_BUILD:-$ROOT/build}
JOBS=$(nproc 2>/dev/null || echo 2)

# Installs the Debian packages that are missing, and nothing else.
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

HOST_PACKAGES=(cmake make g++ libgtest-dev clang-format)
WINDOWS_PACKAGES=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
                  binutils-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth openbox fonts-arphic-uming
                  fontconfig imagemagick x11-utils)

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
