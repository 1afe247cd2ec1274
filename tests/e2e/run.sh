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
rm -rf "$WORK/records" "$WORK/logs" && mkdir -p "$WORK/records"
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

# Now and then a new process dies in Wine before its first instruction,
# saying "failed to map the shared user data" (seen under 64-bit Wine 8: its
# ntdll's virtual_alloc_first_teb; Wine 10's ntdll has the same message). Its
# CreateProcess fails and the command it was to run is lost: Wine's cmd
# then ends with 9009 (programs/cmd/wcmdmain.c), Tavrune stops its run with
# its box. It is Wine's, and no program can help it: a scenario in which
# Wine said so runs again, twice at most. Any other failure stands.
# Each attempt's output is kept in logs/, beside the records folders the
# driver names by scenario, attempt and window.
scenario() {
    local attempt log
    mkdir -p "$WORK/logs"
    for attempt in 1 2 3; do
        log=$WORK/logs/$1-${dpi}dpi-attempt$attempt.log
        TAVRUNE_E2E_ATTEMPT=$attempt driver "$1" 2>&1 | tee "$log"
        [ "${PIPESTATUS[0]}" = 0 ] && return 0
        echo "log of this attempt: $log"
        grep -q "failed to map the shared user data" "$log" || return 1
        [ $attempt = 3 ] || echo "Wine could not start a process (above): $1 once more"
    done
    return 1
}

dpi=96
tavrune_wine_set_dpi $dpi
status=0
names=("$@")
[ $# -gt 0 ] || names=(layout standard manual cues close)
for name in "${names[@]}"; do scenario "$name" || status=1; done
[ $# -gt 0 ] && exit $status
dpi=144
tavrune_wine_set_dpi $dpi
scenario layout || status=1
exit $status
