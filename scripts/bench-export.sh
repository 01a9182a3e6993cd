#!/usr/bin/env bash
# Times the window's export under Wine against `xxd -i` on the same random file, both writing
# to the same disk, in one run; and shows the export's peak memory at each file size.
#
#   scripts/bench-export.sh [MiB ...]        sizes of the random sources, default 64 256
#
# The export is export_source itself (bench/export_bench_win.cpp), timed by the milliseconds
# its completion message reports; the whole Wine process, start-up included, is shown too.
# Each size runs VORDA_BENCH_RUNS times (default 3) and the medians are printed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(64 256)
runs=${VORDA_BENCH_RUNS:-3}

wine_bench_setup export_bench
exe="$VORDA_BUILD/cross/bench/export_bench.exe"

printf '%-8s %12s %12s %12s %9s %14s %14s %14s\n' source export_ms wine_proc_ms xxd_i_ms xxd/export \
  export_out_MB xxd_out_MB peak_ws_KiB
for mib in "${sizes[@]}"; do
  source_file=$(random_source "$work" "$mib")
  export_ms=() process_ms=() xxd_ms=() peak=()
  for ((run = 1; run <= runs; run++)); do
    rm -f "$work/out.cpp" "$work/out.xxd"
    t0=$(now_ms)
    line=$(wine "$exe" "$(winepath -w "$source_file")" "$(winepath -w "$work/out.cpp")" 1 2>/dev/null | tr -d '\r')
    t1=$(now_ms)
    case "$line" in
      *completed=yes*) ;;
      *) say "the export did not complete: $line"; exit 1 ;;
    esac
    export_ms+=("$(sed -n 's/.*message_ms=\([0-9]*\).*/\1/p' <<<"$line")")
    kernel=$(sed -n 's/.*line_kernel=\([a-z0-9]*\).*/\1/p' <<<"$line")
    peak+=("$(sed -n 's/.*peak_working_set_kib before=[0-9]* after=\([0-9]*\).*/\1/p' <<<"$line")")
    process_ms+=($((t1 - t0)))
    export_bytes=$(stat -c %s "$work/out.cpp")
    rm -f "$work/out.cpp"
    time_xxd "$source_file"
  done
  e=$(median "${export_ms[@]}") p=$(median "${process_ms[@]}") x=$(median "${xxd_ms[@]}")
  printf '%-8s %12s %12s %12s %9s %14s %14s %14s\n' "${mib}MiB" "$e" "$p" "$x" \
    "$(ratio "$x" "$e" 1)" \
    "$((export_bytes / 1000000))" "$((xxd_bytes / 1000000))" "$(median "${peak[@]}")"
done
say "export_ms: the completion message's own figure; wine_proc_ms: the whole Wine process"
say "the export's line kernel under Wine: $kernel"
