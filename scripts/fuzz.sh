#!/usr/bin/env bash
# Fuzzes bin2src --reverse with libFuzzer: builds the target with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer in build/fuzz, writes its seed corpus with the program's own
# writers, and runs it for the seconds given. The inputs it finds worth keeping stay in
# build/fuzz/corpus and start the next run; an input that fails is saved as build/fuzz/crash-*,
# and the script ends with status 1. scripts/test.sh runs it for a minute.
#   scripts/fuzz.sh [SECONDS]     default 600
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"
seconds=${1:-600}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { say "usage: scripts/fuzz.sh [SECONDS]"; exit 2; }

need_packages "${NATIVE_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
fuzz="$VORDA_BUILD/fuzz"
say "building the fuzz target with clang"
cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVORDA_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$fuzz" -j "$(nproc)" --target reverse_fuzz reverse_corpus
rm -rf "$fuzz/seeds"
mkdir -p "$fuzz/seeds" "$fuzz/corpus"
"$fuzz/tests/fuzz/reverse_corpus" "$fuzz/seeds"

say "fuzzing --reverse for $seconds s"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# New inputs go into the first folder; -timeout makes an input that hangs a failure too.
"$fuzz/tests/fuzz/reverse_fuzz" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -dict=tests/fuzz/reverse.dict -artifact_prefix="$fuzz/crash-" "$fuzz/corpus" "$fuzz/seeds" 2>"$fuzz/fuzz.log" || {
  tail -n 60 "$fuzz/fuzz.log" >&2
  say "the fuzz target failed; the input is in $fuzz/crash-*, the whole log in $fuzz/fuzz.log"
  exit 1
}
grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done)' "$fuzz/fuzz.log" >&2
