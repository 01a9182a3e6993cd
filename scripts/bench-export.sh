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

need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"
say "building export_bench"
cmake -S . -B "$VORDA_BUILD/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$VORDA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$VORDA_BUILD/cross" --target export_bench >/dev/null
exe="$VORDA_BUILD/cross/bench/export_bench.exe"

work="$VORDA_BUILD/bench-export"
mkdir -p "$work"
wine_prefix
start_xvfb
trap 'rm -f "$work"/out.*; wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
wine_session

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-8s %12s %12s %12s %9s %14s %14s %14s\n' source export_ms wine_proc_ms xxd_i_ms xxd/export \
  export_out_MB xxd_out_MB peak_ws_KiB
for mib in "${sizes[@]}"; do
  source_file="$work/random-${mib}MiB.bin"
  [ -f "$source_file" ] || head -c "$((mib * 1024 * 1024))" /dev/urandom >"$source_file"
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
    peak+=("$(sed -n 's/.*peak_working_set_kib before=[0-9]* after=\([0-9]*\).*/\1/p' <<<"$line")")
    process_ms+=($((t1 - t0)))
    export_bytes=$(stat -c %s "$work/out.cpp")
    rm -f "$work/out.cpp"

    t0=$(now_ms)
    xxd -i "$source_file" >"$work/out.xxd"
    t1=$(now_ms)
    xxd_ms+=($((t1 - t0)))
    xxd_bytes=$(stat -c %s "$work/out.xxd")
    rm -f "$work/out.xxd"
  done
  e=$(median "${export_ms[@]}") p=$(median "${process_ms[@]}") x=$(median "${xxd_ms[@]}")
  printf '%-8s %12s %12s %12s %9s %14s %14s %14s\n' "${mib}MiB" "$e" "$p" "$x" \
    "$(awk -v x="$x" -v e="$e" 'BEGIN { printf "%.1f", (e > 0 ? x / e : 0) }')" \
    "$((export_bytes / 1000000))" "$((xxd_bytes / 1000000))" "$(median "${peak[@]}")"
done
say "export_ms: the completion message's own figure; wine_proc_ms: the whole Wine process"
