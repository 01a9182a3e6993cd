#!/usr/bin/env bash
# Times the export to C through the real window under Wine against `xxd -i` on the same random
# file, both writing to the same disk, in one run; and shows the peak memory of the vorda.exe
# process at each file size.
#
#   scripts/bench-window.sh [MiB ...]        sizes of the random sources, default 64 256
#
# bench/window_bench_win.cpp starts vorda.exe on the file, gives the export command, fills in
# the settings dialog and reads the milliseconds that the completion message reports. Each size
# runs VORDA_BENCH_RUNS times (default 3) and the medians are printed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(64 256)
runs=${VORDA_BENCH_RUNS:-3}

need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"
say "building window_bench"
cmake -S . -B "$VORDA_BUILD/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$VORDA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$VORDA_BUILD/cross" --target window_bench vorda >/dev/null
exe="$VORDA_BUILD/cross/bench/window_bench.exe"

work="$VORDA_BUILD/bench-export"
mkdir -p "$work"
wine_prefix
start_xvfb
trap 'rm -f "$work"/out.*; wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
wine_session

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-8s %12s %12s %9s %14s %14s %16s %16s\n' source window_ms xxd_i_ms xxd/window export_out_MB \
  xxd_out_MB peak_ws_KiB_start peak_ws_KiB_end
for mib in "${sizes[@]}"; do
  source_file="$work/random-${mib}MiB.bin"
  [ -f "$source_file" ] || head -c "$((mib * 1024 * 1024))" /dev/urandom >"$source_file"
  window_ms=() xxd_ms=() start_peak=() end_peak=()
  for ((run = 1; run <= runs; run++)); do
    rm -f "$work/out.cpp" "$work/out.xxd"
    out=$(VORDA_BENCH_SOURCE=$(winepath -w "$source_file") VORDA_BENCH_DESTINATION=$(winepath -w "$work/out.cpp") \
      wine "$exe" 2>/dev/null | tr -d '\r' || true)
    line=$(grep '^window_export_ms=' <<<"$out" || true)
    if [ -z "$line" ] || ! grep -q '^\[  PASSED  \] 1 test' <<<"$out"; then
      say "the export through the window did not complete:"
      echo "$out" >&2
      exit 1
    fi
    window_ms+=("$(sed -n 's/^window_export_ms=\([0-9]*\).*/\1/p' <<<"$line")")
    start_peak+=("$(sed -n 's/.*before=\([0-9]*\).*/\1/p' <<<"$line")")
    end_peak+=("$(sed -n 's/.*after=\([0-9]*\).*/\1/p' <<<"$line")")
    export_bytes=$(stat -c %s "$work/out.cpp")
    rm -f "$work/out.cpp"

    t0=$(now_ms)
    xxd -i "$source_file" >"$work/out.xxd"
    t1=$(now_ms)
    xxd_ms+=($((t1 - t0)))
    xxd_bytes=$(stat -c %s "$work/out.xxd")
    rm -f "$work/out.xxd"
  done
  w=$(median "${window_ms[@]}") x=$(median "${xxd_ms[@]}")
  printf '%-8s %12s %12s %9s %14s %14s %16s %16s\n' "${mib}MiB" "$w" "$x" \
    "$(awk -v x="$x" -v w="$w" 'BEGIN { printf "%.1f", (w > 0 ? x / w : 0) }')" \
    "$((export_bytes / 1000000))" "$((xxd_bytes / 1000000))" "$(median "${start_peak[@]}")" "$(median "${end_peak[@]}")"
done
say "window_ms: the completion message's own figure; peak_ws: vorda.exe's peak working set when"
say "its window was ready, and when the completion message came"
