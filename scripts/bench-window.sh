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

wine_bench_setup window_bench vorda
exe="$VORDA_BUILD/cross/bench/window_bench.exe"

printf '%-8s %12s %12s %9s %14s %14s %16s %16s\n' source window_ms xxd_i_ms xxd/window export_out_MB \
  xxd_out_MB peak_ws_KiB_start peak_ws_KiB_end
for mib in "${sizes[@]}"; do
  source_file=$(random_source "$work" "$mib")
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
    time_xxd "$source_file"
  done
  w=$(median "${window_ms[@]}") x=$(median "${xxd_ms[@]}")
  printf '%-8s %12s %12s %9s %14s %14s %16s %16s\n' "${mib}MiB" "$w" "$x" \
    "$(awk -v x="$x" -v w="$w" 'BEGIN { printf "%.1f", (w > 0 ? x / w : 0) }')" \
    "$((export_bytes / 1000000))" "$((xxd_bytes / 1000000))" "$(median "${start_peak[@]}")" "$(median "${end_peak[@]}")"
done
say "window_ms: the completion message's own figure; peak_ws: vorda.exe's peak working set when"
say "its window was ready, and when the completion message came"
