#!/usr/bin/env bash
# End-to-end tests of Tavrune.exe under Wine, through its real window.
#   tests/e2e/run.sh WINDOWS_BUILD_DIR [scenario ...]
# Uses a throwaway prefix under WINDOWS_BUILD_DIR/e2e and prints the driver's
# checks. Without scenarios it runs them all; with none or with "show" it
# leaves a screenshot of a finished standard run at WINDOWS_BUILD_DIR/e2e/tavrune.png.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:?usage: run.sh WINDOWS_BUILD_DIR [scenario ...]}" && pwd)
shift
WORK=$BUILD/e2e
mkdir -p "$WORK"

source "$ROOT/tests/wine/env.sh"
tavrune_display_start "$WORK"
tavrune_wine_prefix "$WORK" "$BUILD/tests/e2e/sc_standin.exe"
export TAVRUNE_SC_LOG='C:\tavrune-sc.log' TAVRUNE_SC_QUIET=1

exe=$(tavrune_wine_win_path "$BUILD/src/win32/Tavrune.exe")
driver=$BUILD/tests/e2e/tavrune_driver.exe

# The window as a person sees it after a standard run, title bar included.
screenshot() {
    local out=$WORK/driver-show.txt release=$WORK/release
    rm -f "$release" "$out"
    TAVRUNE_DRIVER_RELEASE=$(tavrune_wine_win_path "$release") \
        tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" show >"$out" 2>&1 &
    local pid=$!
    for _ in $(seq 600); do grep -q '^shown' "$out" 2>/dev/null && break; sleep 0.1; done
    local id
    id=$(xwininfo -root -tree | awk '/"Tavrune - /{print $1; exit}')
    if [ -n "$id" ]; then
        import -silent -frame -window "$id" "$WORK/tavrune.png" && echo "screenshot: $WORK/tavrune.png"
    fi
    touch "$release"
    local status=0
    wait "$pid" || status=$?
    grep -v '^shown' "$out"
    return $status
}

status=0
if [ "$*" = show ]; then
    screenshot || status=1
    exit $status
fi
tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" "$@" || status=$?
[ $# -eq 0 ] && { screenshot >/dev/null || status=1; echo "screenshot: $WORK/tavrune.png"; }
exit $status
