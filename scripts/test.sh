#!/usr/bin/env bash
# Builds and runs every test: the portable code natively (plain and under AddressSanitizer
# and UndefinedBehaviorSanitizer), then the Windows program and its tests under Wine.
# Installs the Debian packages it needs on first use.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"
jobs=$(nproc)

need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"

say "native build and unit tests"
cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" -j "$jobs"
ctest --test-dir "$VORDA_BUILD/native" -j "$jobs" --output-on-failure

say "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B "$VORDA_BUILD/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORDA_SANITIZE=ON >/dev/null
cmake --build "$VORDA_BUILD/sanitize" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$VORDA_BUILD/sanitize" -j "$jobs" --output-on-failure

say "Windows build and tests under Wine"
configure_cross
cmake --build "$VORDA_BUILD/cross" -j "$jobs"
wine_prefix
# One wine server for the whole run rather than one per test, and its system processes started
# now, away from ctest's output pipes, which they would otherwise hold open.
start_wine_display
ctest --test-dir "$VORDA_BUILD/cross" -j "$jobs" --output-on-failure
say "all tests passed"
