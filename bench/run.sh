#!/usr/bin/env bash
# Benchmark of Tavrune.exe under Wine and Xvfb, run on demand (scripts/test.sh
# does not run it). Each figure is compared with a baseline built in the same
# tree; see bench_driver.cpp for what is measured and how.
#   bench/run.sh [STARTUPS [RUNS [SOAK_RUNS]]]      defaults 15, 3 and 10
#   THEME=off bench/run.sh ...                      with Wine's visual theme turned off
#   BASELINE=unordered bench/run.sh ...             the baseline's starts do not wait for their configures
# Builds into build/bench-win32 (bench-win64 where Wine runs only 64-bit) and uses a Wine prefix of its own there, whose
# sc.exe returns at once. Ends with one "bench: ..." line.
source "$(dirname "$0")/../scripts/common.sh"

ensure_packages cmake make "${WINDOWS_PACKAGES[@]}"
want_packages "${WANTED_PACKAGES[@]}"
source "$ROOT/scripts/wine.sh"
DIR=$BUILD/bench-$TAVRUNE_WINE_ARCH
echo "== building into $DIR ($(basename "$(wine_toolchain)"))"
cmake -S "$ROOT" -B "$DIR" -DCMAKE_TOOLCHAIN_FILE="$(wine_toolchain)" -DTAVRUNE_WERROR=ON >/dev/null
cmake --build "$DIR" -j "$JOBS" --target tavrune_bench >/dev/null

# The clicks are real input and the timings must not share a screen (or a
# wineserver) with anything else, so the display and prefix are our own.
unset DISPLAY TAVRUNE_SC_RECORDS
mkdir -p "$DIR/bench-env"
tavrune_display_start "$DIR/bench-env"
tavrune_wine_prefix "$DIR/bench-env" "$DIR/tests/e2e/sc_record.exe"
# Wine's own theme (on in a new prefix) draws a scroll bar as some twenty
# bitmap blits, each of which waits on the wineserver three times: the one
# figure here that depends on it is the window's answer time during runs.
tavrune_wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ \
    /d "$([ "${THEME:-on}" = off ] && echo 0 || echo 1)" /f >/dev/null 2>&1 && wineserver -w
echo "== $(tavrune_wine --version), $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg), Wine's theme ${THEME:-on}, baseline ${BASELINE:-ordered}"
win() { tavrune_win_path "$1"; }
tavrune_wine "$DIR/bench/bench_driver.exe" "$(win "$DIR/src/win32/Tavrune.exe")" \
    "$(win "$DIR/bench/bench_manifest_window.exe")" "$(win "$DIR/bench/bench_bare_window.exe")" \
    "$(win "$DIR/bench/bench_spawn_baseline.exe")" "$(win "$ROOT/tests/golden")" "${1:-15}" "${2:-3}" "${3:-10}"
