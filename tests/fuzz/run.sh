#!/usr/bin/env bash
# Builds the profile fuzzer (libFuzzer with ASan and UBSan, clang only) in
# build/fuzz and runs it for SECONDS (default 60), seeded with the stored
# profiles. Fails on any crash, violated property or sanitizer report; the
# input that caused it is left in build/fuzz as crash-*.
#   tests/fuzz/run.sh [SECONDS]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${TAVRUNE_BUILD:-$ROOT/build}/fuzz
DURATION=${1:-60}
CXX=${TAVRUNE_FUZZ_CXX:-clang++}

if ! command -v "$CXX" >/dev/null; then
    echo "fuzz: $CXX not found; on Debian install clang and libclang-rt-14-dev" >&2
    exit 2
fi
mkdir -p "$OUT/corpus"

# The core's own sources, instrumented for coverage, with the host platform;
# rebuilt whenever anything under src/ or tests/fuzz/ is newer.
bin=$OUT/profile_fuzzer
if [ ! -x "$bin" ] || [ -n "$(find "$ROOT/src" "$ROOT/tests/fuzz" "$ROOT/cmake" -newer "$bin" -print -quit)" ]; then
    echo "fuzz: building with $CXX"
    cmake -DDATA_DIR="$ROOT/src/profiles/data" -DOUT="$OUT/embedded_profiles.cpp" -P "$ROOT/cmake/EmbedProfiles.cmake"
    "$CXX" -std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=all -I"$ROOT/src" "$ROOT"/src/{profiles,service,run,ui}/*.cpp \
        "$ROOT/src/platform/host/host_platform.cpp" "$OUT/embedded_profiles.cpp" \
        "$ROOT/tests/fuzz/profile_fuzzer.cpp" -o "$bin.tmp"
    mv "$bin.tmp" "$bin"
fi

cp "$ROOT"/src/profiles/data/profile10[123].bin "$OUT/corpus/"
echo "fuzz: running for ${DURATION}s"
status=0
"$bin" -max_len=4096 -max_total_time="$DURATION" -print_final_stats=1 \
    -artifact_prefix="$OUT/" "$OUT/corpus" >"$OUT/last.log" 2>&1 || status=$?
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/last.log")
seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$OUT/last.log")
if [ "$status" -ne 0 ]; then
    tail -n 40 "$OUT/last.log"
    echo "fuzz: FAILED (exit $status); log in $OUT/last.log, replay: $bin $OUT/crash-*" >&2
    exit 1
fi
echo "fuzz: execs=${execs:-?} seconds=${seconds:-?} corpus=$(ls "$OUT/corpus" | wc -l)"
