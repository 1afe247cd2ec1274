#!/usr/bin/env bash
# Every test: host unit tests, plain and under ASan/UBSan, then the Windows
# program built with mingw-w64 and tested end to end under Wine, and the
# release built twice. CI runs exactly this.
source "$(dirname "$0")/common.sh"

ensure_packages "${HOST_PACKAGES[@]}"

echo "== layout: every C and C++ file as .clang-format lays it out"
unformatted=$(cd "$ROOT" && find src tests bench -name '*.cpp' -o -name '*.h' | sort | while read -r f; do
    clang-format --style=file --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done)
[ -z "$unformatted" ] || { echo "FAIL: not laid out by .clang-format (run clang-format -i):" $unformatted; exit 1; }

echo "== host tests"
configure_and_build "$BUILD/host"
ctest --test-dir "$BUILD/host" --output-on-failure -j "$JOBS"

echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build "$BUILD/host-sanitize" -DTAVRUNE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$BUILD/host-sanitize" --output-on-failure -j "$JOBS"

echo "== Windows programs (mingw-w64: i686, the release, and x86_64)"
ensure_packages "${WINDOWS_PACKAGES[@]}"
want_packages "${WANTED_PACKAGES[@]}"
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
bash "$ROOT/tests/e2e/run.sh" "$BUILD"

echo "== reproducible release: two builds in different folders give the same bytes"
a=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro-a" | awk 'NR == 1 { print $1 }')
b=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro/b/in/a/deeper/folder" | awk 'NR == 1 { print $1 }')
echo "release: sha256 $a and $b"
[ "$a" = "$b" ] || { echo "FAIL: the release build depends on where it is built"; exit 1; }
