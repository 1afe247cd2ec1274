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
# Each listed import was checked against XP SP3. One with a note after it
# comes from the toolchain's runtime, which differs between Debian releases;
# every other is the program's own and must be imported.
listed=$ROOT/tests/e2e/imports-i686.txt
imports=$(bash "$ROOT/tests/e2e/imports.sh" "$BUILD/win32/src/win32/Tavrune.exe")
unlisted=$(comm -23 <(echo "$imports") <(awk '{ print $1 }' "$listed" | sort))
missing=$(comm -13 <(echo "$imports") <(awk 'NF == 1' "$listed" | sort))
if [ -n "$unlisted" ] || [ -n "$missing" ]; then
    [ -z "$unlisted" ] || echo "imported, not listed: check each against XP SP3, then add it to $listed:" $unlisted
    [ -z "$missing" ] || echo "listed as the program's own, not imported (gone, or imports.sh read nothing):" $missing
    exit 1
fi
echo "imports: $(wc -l <<<"$imports") functions, each listed; listed for another toolchain:" \
    "$(comm -13 <(echo "$imports") <(awk 'NF > 1 { print $1 }' "$listed" | sort) | tr '\n' ' ')"

echo "== end-to-end under Wine"
# Under this machine's Wine, and under the other Debian release's, from a
# root made once (scripts/in-debian.sh): Debian 13's Wine 10 on Debian 12;
# Debian 12's Wine 8 on Debian 13 only when TAVRUNE_SECOND_WINE=1 asks.
# TAVRUNE_SECOND_WINE=0 skips it.
e2e_failed=""
bash "$ROOT/tests/e2e/run.sh" "$BUILD" || e2e_failed="this machine's Wine"
this=$(. /etc/os-release && echo "${VERSION_ID:-}")
case "$this:${TAVRUNE_SECOND_WINE:-}" in
    *:0) other="" ;;
    12:*) other=13 ;;
    13:1) other=12 ;;
    *:1) other=13 ;;
    *) other="" ;;
esac
if [ -n "$other" ]; then
    echo "== end-to-end under Debian $other's Wine (TAVRUNE_SECOND_WINE=0 skips it)"
    bash "$ROOT/scripts/in-debian.sh" "$other" bash "$ROOT/tests/e2e/run.sh" "$BUILD" ||
        e2e_failed="${e2e_failed:+$e2e_failed and }Debian $other's Wine"
fi
echo "== reproducible release: two builds in different folders give the same bytes"
a=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro-a" | awk 'NR == 1 { print $1 }')
b=$(bash "$ROOT/scripts/release.sh" "$BUILD/repro/b/in/a/deeper/folder" | awk 'NR == 1 { print $1 }')
echo "release: sha256 $a and $b"
[ "$a" = "$b" ] || { echo "FAIL: the release build depends on where it is built"; exit 1; }
[ -z "$e2e_failed" ] || { echo "FAIL: end-to-end under $e2e_failed"; exit 1; }
