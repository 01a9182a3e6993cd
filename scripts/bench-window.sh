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
#
# VORDA_BENCH_BASELINE=<vorda.exe> exports the same file with that program too, in the same
# rounds and taking turns with this one (for instance one built from an earlier commit), and
# prints its median and how much longer this one took: the median over the rounds of each
# round's difference, which the machine's noise from round to round does not enter, with the
# lowest and highest of them.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(64 256)
runs=${VORDA_BENCH_RUNS:-3}
baseline=${VORDA_BENCH_BASELINE:-}
if [ -n "$baseline" ] && [ ! -f "$baseline" ]; then
  say "VORDA_BENCH_BASELINE: no such program: $baseline"
  exit 2
fi

wine_bench_setup window_bench vorda
exe="$VORDA_BUILD/cross/bench/window_bench.exe"

# Exports $source_file through the window of program $1 (empty: the one built here) and sets
# ms, start and end from what the benchmark prints.
export_through_window() {
  rm -f "$work/out.cpp"
  # What earlier runs left for the disk to write is written now, not during this export.
  sync
  local out line
  out=$(VORDA_BENCH_SOURCE=$(winepath -w "$source_file") VORDA_BENCH_DESTINATION=$(winepath -w "$work/out.cpp") \
    VORDA_BENCH_PROGRAM=${1:+$(winepath -w "$1")} wine "$exe" 2>/dev/null | tr -d '\r' || true)
  line=$(grep '^window_export_ms=' <<<"$out" || true)
  if [ -z "$line" ] || ! grep -q '^\[  PASSED  \] 1 test' <<<"$out"; then
    say "the export through the window did not complete:"
    echo "$out" >&2
    exit 1
  fi
  ms=$(sed -n 's/^window_export_ms=\([0-9]*\).*/\1/p' <<<"$line")
  start=$(sed -n 's/.*before=\([0-9]*\).*/\1/p' <<<"$line")
  end=$(sed -n 's/.*after=\([0-9]*\).*/\1/p' <<<"$line")
  export_bytes=$(stat -c %s "$work/out.cpp")
  rm -f "$work/out.cpp"
}

printf '%-8s %12s %12s %9s %14s %14s %16s %16s' source window_ms xxd_i_ms xxd/window export_out_MB \
  xxd_out_MB peak_ws_KiB_start peak_ws_KiB_end
[ -n "$baseline" ] && printf ' %12s %9s %17s' baseline_ms overhead overhead_range
printf '\n'
for mib in "${sizes[@]}"; do
  source_file=$(random_source "$work" "$mib")
  window_ms=() xxd_ms=() start_peak=() end_peak=() baseline_ms=()
  for ((run = 1; run <= runs; run++)); do
    # Taking turns, so that neither program always runs right after xxd or after the other.
    if [ -n "$baseline" ] && ((run % 2 == 0)); then
      export_through_window "$baseline"
      baseline_ms+=("$ms")
    fi
    export_through_window ""
    window_ms+=("$ms") start_peak+=("$start") end_peak+=("$end")
    if [ -n "$baseline" ] && ((run % 2 == 1)); then
      export_through_window "$baseline"
      baseline_ms+=("$ms")
    fi
    time_xxd "$source_file"
  done
  w=$(median "${window_ms[@]}") x=$(median "${xxd_ms[@]}")
  printf '%-8s %12s %12s %9s %14s %14s %16s %16s' "${mib}MiB" "$w" "$x" \
    "$(ratio "$x" "$w" 1)" \
    "$((export_bytes / 1000000))" "$((xxd_bytes / 1000000))" "$(median "${start_peak[@]}")" "$(median "${end_peak[@]}")"
  if [ -n "$baseline" ]; then
    # Each round's difference, in per cent of that round's baseline.
    differences=()
    for ((k = 0; k < runs; k++)); do
      differences+=("$(change "${window_ms[k]}" "${baseline_ms[k]}")")
    done
    lowest=$(printf '%s\n' "${differences[@]}" | sort -g | head -1)
    highest=$(printf '%s\n' "${differences[@]}" | sort -g | tail -1)
    printf ' %12s %8s%% %17s' "$(median "${baseline_ms[@]}")" "$(printf '%+.1f' "$(median "${differences[@]}")")" \
      "$(printf '%+.1f%%..%+.1f%%' "$lowest" "$highest")"
  fi
  printf '\n'
done
say "window_ms: the completion message's own figure; peak_ws: vorda.exe's peak working set when"
say "its window was ready, and when the completion message came"
[ -n "$baseline" ] && say "baseline_ms: the same for $baseline; overhead: window_ms against it"
exit 0
