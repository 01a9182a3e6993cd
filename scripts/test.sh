#!/usr/bin/env bash
# Builds and runs every test: the portable code natively (plain and under AddressSanitizer
# and UndefinedBehaviorSanitizer), the --reverse fuzz target for a minute (scripts/fuzz.sh),
# then the Windows program and its tests under Wine, then checks that the commit's packages
# are reproducible (scripts/check-reproducible.sh).
# Installs the Debian packages it needs on first use.
#   scripts/test.sh [--repeat N]
# With --repeat, each suite runs N times in a row after the one build and the script counts the
# rounds that failed, for anyone who suspects a test of passing only sometimes.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"
jobs=$(nproc)
rounds=1
case "${1:-}" in
  "") ;;
  --repeat) rounds=${2:?--repeat wants a number of rounds}
            [[ $rounds =~ ^[1-9][0-9]*$ ]] || { say "--repeat wants a positive number, not '$rounds'"; exit 2; } ;;
  *) say "usage: scripts/test.sh [--repeat N]"; exit 2 ;;
esac
failed_rounds=0

# Runs one suite's ctest $rounds times; the first failure ends a single run at once.
run_suite() {
  local name=$1 round failures=0
  shift
  for ((round = 1; round <= rounds; round++)); do
    [ "$rounds" -gt 1 ] && say "$name: round $round of $rounds"
    if ! "$@"; then
      [ "$rounds" -eq 1 ] && exit 1
      failures=$((failures + 1))
    fi
  done
  if [ "$rounds" -gt 1 ]; then
    say "$name: $failures of $rounds rounds failed"
    failed_rounds=$((failed_rounds + failures))
  fi
}

need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"

say "native build and unit tests"
cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" -j "$jobs"
run_suite "native tests" ctest --test-dir "$VORDA_BUILD/native" -j "$jobs" --output-on-failure

say "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B "$VORDA_BUILD/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORDA_SANITIZE=ON >/dev/null
cmake --build "$VORDA_BUILD/sanitize" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
run_suite "sanitizer tests" ctest --test-dir "$VORDA_BUILD/sanitize" -j "$jobs" --output-on-failure

say "the --reverse fuzz target for a minute"
scripts/fuzz.sh 60

say "Windows build and tests under Wine"
configure_cross
cmake --build "$VORDA_BUILD/cross" -j "$jobs"
wine_prefix
# One wine server for the whole run rather than one per test, and its system processes started
# now, away from ctest's output pipes, which they would otherwise hold open.
start_wine_display
run_suite "Windows tests" ctest --test-dir "$VORDA_BUILD/cross" -j "$jobs" --output-on-failure

say "the release reproducible: the commit packed twice, in two folders"
scripts/check-reproducible.sh

if [ "$failed_rounds" -gt 0 ]; then
  say "$failed_rounds failed rounds"
  exit 1
fi
say "all tests passed"
