#!/usr/bin/env bash
# Builds the release Tavrune.exe from scratch and prints its SHA-256. The
# build is reproducible: the same source gives the same bytes in any folder,
# so anyone can check a downloaded Tavrune.exe against this source.
#   scripts/release.sh [OUT_DIR]     (default build/release)
source "$(dirname "$0")/common.sh"

ensure_packages cmake make g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
out=${1:-$BUILD/release}
rm -rf "$out"
cmake -S "$ROOT" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" --target Tavrune -j "$JOBS" >/dev/null
sha256sum "$out/src/win32/Tavrune.exe"
