#!/usr/bin/env bash
# Builds Tavrune.exe and starts it under Wine, in a throwaway prefix under
# build/ whose sc.exe only records the commands it receives (nothing on this
# machine changes). With a display the window opens for you; without one, a
# standard run is made on a virtual display and its list, the commands and a
# screenshot are shown.
source "$(dirname "$0")/common.sh"

ensure_packages cmake make "${WINDOWS_PACKAGES[@]}"
source "$ROOT/tests/wine/env.sh"
windows_build
exe=$BUILD/$TAVRUNE_WINE_ARCH/src/win32/Tavrune.exe
echo "Tavrune.exe: $exe ($(stat -c %s "$exe") bytes)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    records=$BUILD/$TAVRUNE_WINE_ARCH/e2e/records
    rm -rf "$records" && mkdir -p "$records"
    tavrune_wine_prefix "$BUILD/$TAVRUNE_WINE_ARCH/e2e" "$BUILD/$TAVRUNE_WINE_ARCH/tests/e2e/sc_record.exe"
    TAVRUNE_SC_RECORDS=$(tavrune_win_path "$records") tavrune_wine "$exe" || true
    echo "Commands the service controller received:"
    awk '{ print "  " $0 }' "$records"/sc*.tmp 2>/dev/null || echo "  none"
else
    echo "No display: one standard run on a virtual display."
    bash "$ROOT/tests/e2e/run.sh" "$BUILD" show
fi
