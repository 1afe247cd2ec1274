#!/usr/bin/env bash
# End-to-end tests of Tavrune.exe under Wine and Xvfb, through its window.
#   tests/e2e/run.sh BUILD_DIR [scenario ...]     every scenario at 96 dpi and the
#                                                 layout at 144, or those named
# Tests the Windows build in BUILD_DIR/win32 (BUILD_DIR/win64 where Wine runs
# only 64-bit), with a throwaway prefix in its e2e folder. Under the other
# Debian release's Wine: scripts/in-debian.sh 13 bash tests/e2e/run.sh ...
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/wine.sh"
BUILD=$(cd "${1:?usage: run.sh BUILD_DIR [scenario ...]}/$TAVRUNE_WINE_ARCH" && pwd)
shift
version=$(tavrune_wine --version)
# A prefix for each Wine: one Wine's prefix is upgraded by another, then
# made again by the first.
WORK=$BUILD/e2e/${version%% *}
rm -rf "$WORK/records" && mkdir -p "$WORK/records"
echo "Wine: $version ($_TAVRUNE_WINE, $(. /etc/os-release && echo "$PRETTY_NAME")); $TAVRUNE_WINE_WHY"
echo "Testing: $BUILD/src/win32/Tavrune.exe"
tavrune_display_start "$WORK"
tavrune_wine_prefix "$WORK" "$BUILD/tests/e2e/sc_record.exe"
# Beside the program, in its current folder: neither may ever run (the
# records would show it), and the real sc must still receive every command.
for name in cmd sc; do cp "$BUILD/tests/e2e/sc_record.exe" "$BUILD/src/win32/$name.exe"; done
# Every "sc config" takes this long, as under a busy service manager or a
# virus scanner: a start that does not wait for its configure shows then.
export TAVRUNE_SC_CONFIG_MS=300
driver() {
    tavrune_wine "$BUILD/tests/e2e/driver.exe" "$(tavrune_win_path "$BUILD/src/win32/Tavrune.exe")" \
        "$(tavrune_win_path "$ROOT/tests/golden")" "$(tavrune_win_path "$WORK/records")" "$@"
}

tavrune_wine_set_dpi 96
[ $# -gt 0 ] && { driver "$@"; exit; }
status=0
driver layout standard manual cues close || status=1
tavrune_wine_set_dpi 144
driver layout || status=1
exit $status
