#!/usr/bin/env bash
# Every test: host unit tests, plain and under ASan/UBSan, the profile
# fuzzer, then the Windows program built with mingw-w64 and tested end to end
# under Wine.
#   scripts/test.sh          the whole suite (CI runs this)
#   scripts/test.sh --long   the same with long variants: 200,000 random event
#                            sequences, 10 minutes of fuzzing, a 200-run soak
#                            and 50 closes in the middle of a run
source "$(dirname "$0")/common.sh"

if [ "${1:-}" = --long ]; then
    export TAVRUNE_RANDOM_SEQUENCES=200000 TAVRUNE_SOAK_RUNS=200 TAVRUNE_CLOSES=50
    FUZZ_SECONDS=600
fi

ensure_packages "${HOST_PACKAGES[@]}"

echo "== host tests"
configure_and_build "$BUILD/host"
ctest --test-dir "$BUILD/host" --output-on-failure -j "$JOBS"

echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build "$BUILD/host-sanitize" -DTAVRUNE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$BUILD/host-sanitize" --output-on-failure -j "$JOBS"

echo "== profile fuzzer (libFuzzer with ASan and UBSan)"
ensure_packages "${FUZZ_PACKAGES[@]}"
bash "$ROOT/tests/fuzz/run.sh" "${FUZZ_SECONDS:-60}"

echo "== Windows programs (mingw-w64: i686 for release, x86_64 must compile)"
ensure_packages "${WINDOWS_PACKAGES[@]}"
configure_and_build "$BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
configure_and_build "$BUILD/win64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"

echo "== imports of Tavrune.exe (each must exist on Windows XP SP3)"
if diff -u "$ROOT/tests/e2e/imports-i686.txt" <(bash "$ROOT/tests/e2e/imports.sh" "$BUILD/win32/src/win32/Tavrune.exe"); then
    echo "imports: $(wc -l <"$ROOT/tests/e2e/imports-i686.txt") functions, as listed"
else
    echo "imports changed: check each new one against XP SP3, then update tests/e2e/imports-i686.txt"
    exit 1
fi

echo "== end-to-end under Wine"
bash "$ROOT/tests/e2e/run.sh" "$BUILD/win32"

echo "== reproducible release: two builds in different folders give the same bytes"
a=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro-a" | cut -d' ' -f1)
b=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro/b/in/a/deeper/folder" | cut -d' ' -f1)
echo "release: sha256 $a and $b"
[ "$a" = "$b" ] || { echo "FAIL: the release build depends on where it is built"; exit 1; }
