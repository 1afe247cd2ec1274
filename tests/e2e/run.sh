#!/usr/bin/env bash
# End-to-end tests of Tavrune.exe under Wine and Xvfb, through its window.
#   tests/e2e/run.sh BUILD_DIR         every scenario, at 96 and 144 dpi
#   tests/e2e/run.sh BUILD_DIR show    a finished standard run, its list, the
#                                      sc records and a screenshot
# Tests the Windows build in BUILD_DIR/win32 (BUILD_DIR/win64 where Wine runs
# only 64-bit), with a throwaway prefix in its e2e folder.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/tests/wine/env.sh"
BUILD=$(cd "${1:?usage: run.sh BUILD_DIR [show]}/$TAVRUNE_WINE_ARCH" && pwd)
WORK=$BUILD/e2e
mkdir -p "$WORK/records"
echo "Wine: $TAVRUNE_WINE_ARCH, $BUILD/src/win32/Tavrune.exe"
tavrune_display_start "$WORK"
tavrune_wine_prefix "$WORK" "$BUILD/tests/e2e/sc_record.exe"
export TAVRUNE_SC_RECORDS="Z:${WORK//\//\\}\\records"
driver() {
    tavrune_wine "$BUILD/tests/e2e/driver.exe" "$(tavrune_win_path "$BUILD/src/win32/Tavrune.exe")" \
        "$(tavrune_win_path "$ROOT/tests/golden")" "$TAVRUNE_SC_RECORDS" "$@"
}

if [ "${2:-}" = show ]; then
    # The window as a person sees it after a standard run, title bar included.
    touch "$WORK/hold"
    TAVRUNE_DRIVER_HOLD=$(tavrune_win_path "$WORK/hold") driver standard >"$WORK/show.txt" 2>&1 &
    for _ in $(seq 600); do grep -q '^shown' "$WORK/show.txt" 2>/dev/null && break; sleep 0.1; done
    id=$(xwininfo -root -tree | awk '/"Tavrune - /{ id = $1 } END { print id }')
    [ -n "$id" ] && import -silent -frame -window "$id" "$WORK/tavrune.png" && echo "screenshot: $WORK/tavrune.png"
    rm -f "$WORK/hold"
    wait $! || true
    grep -v '^shown' "$WORK/show.txt"
    exit 0
fi

status=0
driver || status=1
tavrune_wine_set_dpi 144
driver layout || status=1
tavrune_wine_set_dpi 96
exit $status
