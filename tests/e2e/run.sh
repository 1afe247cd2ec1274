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
elif [ $# -gt 0 ]; then
    tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" "$@" || status=$?
    exit $status
fi

echo "-- Western system locale (code page 1252), 96 dpi"
tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" || status=1

echo "-- Chinese system locale (code page 936): the same commands"
mkdir -p "$WORK/locale"
[ -d "$WORK/locale/zh_CN.UTF-8" ] || localedef -i zh_CN -f UTF-8 "$WORK/locale/zh_CN.UTF-8"
out=$(LOCPATH=$WORK/locale LC_ALL=zh_CN.UTF-8 wine "$driver" "$exe" "$TAVRUNE_SC_LOG" standard manual </dev/null 2>&1) || status=1
echo "$out"
grep -q '^system code page 936' <<<"$out" || { echo "FAIL the Chinese locale did not give code page 936"; status=1; }

echo "-- 144 dpi"
tavrune_wine_set_dpi 144
tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" layout || status=1
screenshot >/dev/null && mv "$WORK/tavrune.png" "$WORK/tavrune-144dpi.png" || status=1
tavrune_wine_set_dpi 96

echo "-- soak"
TAVRUNE_SOAK_RUNS=${TAVRUNE_SOAK_RUNS:-52} tavrune_wine "$driver" "$exe" "$TAVRUNE_SC_LOG" soak || status=1

screenshot >/dev/null || status=1
echo "screenshots: $WORK/tavrune.png $WORK/tavrune-144dpi.png"
exit $status
