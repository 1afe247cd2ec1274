#!/usr/bin/env bash
# End-to-end tests of Tavrune.exe under Wine and Xvfb, through its window.
#   tests/e2e/run.sh BUILD_DIR [scenario ...]     every scenario, at 96 and 144 dpi,
#                                                 or those named, at 96 dpi
# Tests the Windows build in BUILD_DIR/win32 (BUILD_DIR/win64 where Wine runs
# only 64-bit), with a throwaway prefix in its e2e folder.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/wine.sh"
BUILD=$(cd "${1:?usage: run.sh BUILD_DIR [scenario ...]}/$TAVRUNE_WINE_ARCH" && pwd)
shift
WORK=$BUILD/e2e
mkdir -p "$WORK/records"
echo "Wine: $TAVRUNE_WINE_ARCH, $BUILD/src/win32/Tavrune.exe"
tavrune_display_start "$WORK"
tavrune_wine_prefix "$WORK" "$BUILD/tests/e2e/sc_record.exe"
export TAVRUNE_SC_RECORDS="Z:${WORK//\//\\}\\records"
# Every "sc config" takes this long, as under a busy service manager or a
# virus scanner: a start that does not wait for its configure shows then.
export TAVRUNE_SC_CONFIG_MS=300
driver() {
    tavrune_wine "$BUILD/tests/e2e/driver.exe" "$(tavrune_win_path "$BUILD/src/win32/Tavrune.exe")" \
        "$(tavrune_win_path "$ROOT/tests/golden")" "$TAVRUNE_SC_RECORDS" "$@"
}

[ $# -gt 0 ] && { driver "$@"; exit; }
status=0
driver || status=1
tavrune_wine_set_dpi 144
driver layout || status=1
tavrune_wine_set_dpi 96
exit $status
