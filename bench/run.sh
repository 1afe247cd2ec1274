#!/usr/bin/env bash
# Benchmark of Tavrune.exe under Wine and Xvfb, run on demand (scripts/test.sh
# does not run it). Each figure is compared with a baseline built in the same
# tree; see bench_driver.cpp for what is measured and how.
#   bench/run.sh [STARTUP_REPS [RUN_REPS]]      defaults 15 and 5
# Builds into build/bench-win32 and uses a Wine prefix of its own there, whose
# sc.exe returns at once. Ends with one "bench: ..." line.
source "$(dirname "$0")/../scripts/common.sh"
STARTUP_REPS=${1:-15}
RUN_REPS=${2:-5}

ensure_packages cmake make "${WINDOWS_PACKAGES[@]}"

DIR=$BUILD/bench-win32
echo "== building into $DIR"
cmake -S "$ROOT" -B "$DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DTAVRUNE_WERROR=ON >/dev/null
cmake --build "$DIR" -j "$JOBS" --target tavrune_bench >/dev/null

EXE=$DIR/src/win32/Tavrune.exe
echo "== Tavrune.exe: $(stat -c %s "$EXE") bytes; imports from" \
    "$(i686-w64-mingw32-objdump -p "$EXE" | awk '/DLL Name:/{printf "%s ", $3}')"
others=$(find "$(dirname "$EXE")" -maxdepth 1 -iname '*.dll' -printf '%f ')
echo "   DLLs beside it: ${others:-none}"

# The clicks are real input and the timings must not share a screen (or a
# wineserver) with anything else, so the display and prefix are our own.
unset DISPLAY
source "$ROOT/tests/wine/env.sh"
tavrune_display_start "$DIR/bench-env"
tavrune_wine_prefix "$DIR/bench-env" "$DIR/bench/bench_sc_noop.exe"
echo "== $(wine --version), $(nproc) CPUs, display $DISPLAY; $STARTUP_REPS start-ups and $RUN_REPS runs of each"
# Ratios hold up better than times on a busy machine, but not entirely.
echo "== load average now: $(cut -d' ' -f1-3 /proc/loadavg)"

win() { tavrune_wine_win_path "$1"; }
tavrune_wine "$DIR/bench/bench_driver.exe" "$(win "$EXE")" "$(win "$DIR/bench/bench_minimal_window.exe")" \
    "$(win "$DIR/bench/bench_spawn_baseline.exe")" "$STARTUP_REPS" "$RUN_REPS"
