#!/usr/bin/env bash
# Builds Tavrune.exe and starts it under Wine, in a throwaway prefix under
# build/ whose sc.exe only records the commands it receives (nothing on this
# machine changes). With a display the window opens for you; without one, a
# standard run is made on a virtual display, with the keys, and the commands
# and a screenshot are shown. TAVRUNE_DPI=144 shows the window at 144 dpi.
source "$(dirname "$0")/common.sh"

ensure_packages cmake make xdotool "${WINDOWS_PACKAGES[@]}"
want_packages "${WANTED_PACKAGES[@]}"
source "$ROOT/scripts/wine.sh"
configure_and_build "$BUILD/$TAVRUNE_WINE_ARCH" -DCMAKE_TOOLCHAIN_FILE="$(wine_toolchain)"
exe=$BUILD/$TAVRUNE_WINE_ARCH/src/win32/Tavrune.exe
echo "Tavrune.exe: $exe ($(stat -c %s "$exe") bytes)"

work=$BUILD/$TAVRUNE_WINE_ARCH/e2e
records=$work/records
rm -rf "$records" && mkdir -p "$records"
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && shown=yes
tavrune_display_start "$work"
tavrune_wine_prefix "$work" "$BUILD/$TAVRUNE_WINE_ARCH/tests/e2e/sc_record.exe"
tavrune_wine_set_dpi "${TAVRUNE_DPI:-96}"
export TAVRUNE_SC_RECORDS=$(tavrune_win_path "$records")
if [ -n "${shown:-}" ]; then
    tavrune_wine "$exe" || true
else
    echo "No display: one standard run on a virtual display."
    tavrune_wine "$exe" &
    for _ in $(seq 300); do
        id=$(xwininfo -root -tree | awk '/"Tavrune - /{ id = $1 } END { print id }')
        [ -n "$id" ] && break
        sleep 0.1
    done
    # As a person at the keyboard: Space on the first option (普通优化),
    # Shift+Tab back to the run button, Enter. The run is over once sc has
    # received each command of the standard profile's golden list, a line
    # each (5 minutes at most, for a busy machine).
    commands=$(grep -c . "$ROOT/tests/golden/profile101.txt")
    sleep 1
    xdotool search --name '^Tavrune - ' windowactivate --sync key space shift+Tab Return
    for _ in $(seq 3000); do
        [ "$(find "$records" -name 'sc_*.rec' | wc -l)" -ge "$commands" ] && break
        sleep 0.1
    done
    sleep 1
    # The window as a person sees it after the run, title bar included.
    import -silent -frame -window "$id" "$work/tavrune.png" && echo "screenshot: $work/tavrune.png"
fi
echo "Commands the service controller received:"
awk '{ print "  " $0 }' "$records"/sc_*.rec 2>/dev/null || echo "  none"
