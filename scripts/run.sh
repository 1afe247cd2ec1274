#!/usr/bin/env bash
# Builds Tavrune.exe and starts it under Wine, in a throwaway prefix under
# build/ whose sc.exe only records the commands it receives (nothing on this
# machine changes). With a display the window opens for you; without one, a
# standard run is made on a virtual display and its list, the commands and a
# screenshot are shown.
source "$(dirname "$0")/common.sh"

ensure_packages cmake make "${WINDOWS_PACKAGES[@]}"
source "$ROOT/scripts/wine.sh"
configure_and_build "$BUILD/$TAVRUNE_WINE_ARCH" -DCMAKE_TOOLCHAIN_FILE="$(wine_toolchain)"
exe=$BUILD/$TAVRUNE_WINE_ARCH/src/win32/Tavrune.exe
echo "Tavrune.exe: $exe ($(stat -c %s "$exe") bytes)"

records=$BUILD/$TAVRUNE_WINE_ARCH/e2e/records
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    rm -rf "$records" && mkdir -p "$records/1"
    tavrune_wine_prefix "$BUILD/$TAVRUNE_WINE_ARCH/e2e" "$BUILD/$TAVRUNE_WINE_ARCH/tests/e2e/sc_record.exe"
    TAVRUNE_SC_RECORDS=$(tavrune_win_path "$records/1") tavrune_wine "$exe" || true
else
    echo "No display: one standard run on a virtual display."
    work=$BUILD/$TAVRUNE_WINE_ARCH/e2e
    mkdir -p "$work"
    tavrune_display_start "$work"
    touch "$work/hold"
    rm -f "$work/show.txt"  # an earlier run's would say "shown" at once
    TAVRUNE_DRIVER_HOLD=$(tavrune_win_path "$work/hold") bash "$ROOT/tests/e2e/run.sh" "$BUILD" standard >"$work/show.txt" 2>&1 &
    for _ in $(seq 600); do grep -q '^shown' "$work/show.txt" 2>/dev/null && break; sleep 0.1; done
    # The window as a person sees it after the run, title bar included.
    id=$(xwininfo -root -tree | awk '/"Tavrune - /{ id = $1 } END { print id }')
    if [ -n "$id" ] && import -silent -frame -window "$id" "$work/tavrune.png"; then echo "screenshot: $work/tavrune.png"; fi
    rm -f "$work/hold"
    wait $! || true
    grep -v '^shown' "$work/show.txt"
fi
echo "Commands the service controller received:"
awk '{ print "  " $0 }' "$records"/*/sc_*.tmp 2>/dev/null || echo "  none"

