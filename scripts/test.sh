#!/usr/bin/env bash
# Every test: host unit tests, plain and under ASan/UBSan, then the Windows
# program built with mingw-w64 and tested end to end under Wine.
source "$(dirname "$0")/common.sh"

ensure_packages "${HOST_PACKAGES[@]}"

echo "== host tests"
configure_and_build "$BUILD/host"
ctest --test-dir "$BUILD/host" --output-on-failure -j "$JOBS"

echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build "$BUILD/host-sanitize" -DTAVRUNE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$BUILD/host-sanitize" --output-on-failure -j "$JOBS"
