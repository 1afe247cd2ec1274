#!/usr/bin/env bash
# Builds the release Tavrune.exe from scratch and prints its SHA-256, then
# the toolchain that made it. The build is reproducible: the same source and
# the same toolchain give the same bytes in any folder, so anyone with that
# toolchain can check a downloaded Tavrune.exe against this source.
#   scripts/release.sh [OUT_DIR]     (default build/release)
source "$(dirname "$0")/common.sh"

ensure_packages cmake make g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
out=${1:-$BUILD/release}
rm -rf "$out"
cmake -S "$ROOT" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" --target Tavrune -j "$JOBS" >/dev/null
sha256sum "$out/src/win32/Tavrune.exe"
echo "toolchain: $(i686-w64-mingw32-g++-win32 --version | head -n1), $(i686-w64-mingw32-ld --version | head -n1)," \
    "mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-i686-dev) (Debian packages)"
