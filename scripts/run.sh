#!/usr/bin/env bash
# Builds Tavrune.exe and starts it under Wine, in a throwaway prefix under
# build/ (nothing outside it changes; service changes go to the prefix's own
# service manager through an sc stand-in that logs each command).
# With a display the window opens for you; without one, a standard run is
# made on a virtual display and its list, commands and screenshot are shown.
source "$(dirname "$0")/common.sh"

ensure_packages cmake make "${WINDOWS_PACKAGES[@]}"
configure_and_build "$BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
exe=$BUILD/win32/src/win32/Tavrune.exe
echo "Tavrune.exe: $exe ($(stat -c %s "$exe") bytes)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    source "$ROOT/tests/wine/env.sh"
    tavrune_wine_prefix "$BUILD/win32/e2e" "$BUILD/win32/tests/e2e/sc_standin.exe"
    export TAVRUNE_SC_LOG='C:\tavrune-sc.log' TAVRUNE_SC_QUIET=1
    log=$(tavrune_wine_unix_path "$TAVRUNE_SC_LOG")
    rm -f "$log"
    tavrune_wine "$exe" || true
else
    echo "No display: one standard run on a virtual display."
    bash "$ROOT/tests/e2e/run.sh" "$BUILD/win32" show
    log=$BUILD/win32/e2e/wineprefix/drive_c/tavrune-sc.log
fi
echo "Commands the service controller received (sc stand-in's log):"
[ -f "$log" ] && sed 's/^/  /' "$log" || echo "  none"
