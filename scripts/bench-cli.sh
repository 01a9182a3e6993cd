#!/usr/bin/env bash
# Times bin2src against `xxd -i` on the same random files, side by side in one run: C output
# in UTF-8 and in UTF-16LE, once into /dev/null (the converter's own speed) and once into a
# file on the same disk as the source; with the peak memory (maximum resident set) of each.
#
#   scripts/bench-cli.sh [MiB ...]        sizes of the random sources, default 64 1
#
# Each size runs VORDA_BENCH_RUNS times (default 5), the tools taking turns within every
# round so that the machine's noise falls on both; medians are printed, with the spread
# (slowest less fastest, over the median) that shows how quiet the machine was. At the end
# the targets are checked on the largest size; the exit status is 1 when one is missed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(64 1)
runs=${VORDA_BENCH_RUNS:-5}

need_packages "${NATIVE_PACKAGES[@]}" time
say "building bin2src"
cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" --target bin2src >/dev/null
bin2src="$VORDA_BUILD/native/cli/bin2src"

work="$VORDA_BUILD/bench-cli"
mkdir -p "$work"
trap 'rm -f "$work"/out.* "$work"/time.*' EXIT

# One timed run: wall milliseconds on the first line of time.ms, peak KiB in time.kib.
# /usr/bin/time wraps both tools alike, so its own start-up cancels out of the ratios.
timed() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/time.kib" "$@"
  t1=$(date +%s%N)
  awk -v d=$((t1 - t0)) 'BEGIN { printf "%.1f\n", d / 1e6 }' >"$work/time.ms"
}
spread() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { m = v[int((NR + 1) / 2)]; printf "%.0f%%", (m > 0 ? 100 * (v[NR] - v[1]) / m : 0) }'; }
ratio() { awk -v x="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? x / b : 0) }'; }

printf '%-6s %-9s %-7s %10s %7s %10s %7s %8s %11s %11s %9s %9s\n' source into text bin2src_ms spread \
  xxd_i_ms spread xxd/b2s b2s_peakKiB xxd_peakKiB b2s_MB xxd_MB
declare -A result bytes
for mib in "${sizes[@]}"; do
  source_file=$(random_source "$work" "$mib")
  for into in null file; do
    declare -A ms=() kib=()
    for ((run = 1; run <= runs; run++)); do
      for tool in utf8 utf16le xxd; do
        out=/dev/null
        [ "$into" = file ] && out="$work/out.$tool" && rm -f "$out"
        if [ "$tool" = xxd ]; then
          timed sh -c 'exec xxd -i "$1" >"$2"' xxd "$source_file" "$out"
        else
          timed "$bin2src" -e "$tool" -o "$out" --force "$source_file"
        fi
        ms[$tool]+="$(cat "$work/time.ms") "
        kib[$tool]+="$(cat "$work/time.kib") "
        [ "$into" = file ] && bytes[$tool]=$(stat -c %s "$out") && rm -f "$out"
      done
    done
    # shellcheck disable=SC2086
    x=$(median ${ms[xxd]}) xs=$(spread ${ms[xxd]}) xk=$(median ${kib[xxd]})
    for text in utf8 utf16le; do
      # shellcheck disable=SC2086
      b=$(median ${ms[$text]}) bs=$(spread ${ms[$text]}) bk=$(median ${kib[$text]})
      mb="-" xmb="-"
      [ "$into" = file ] && mb=$(( bytes[$text] / 1000000 )) && xmb=$(( bytes[xxd] / 1000000 ))
      printf '%-6s %-9s %-7s %10s %7s %10s %7s %8s %11s %11s %9s %9s\n' "${mib}MiB" "$into" "$text" "$b" "$bs" \
        "$x" "$xs" "$(ratio "$x" "$b")" "$bk" "$xk" "$mb" "$xmb"
      result[$mib.$into.$text]=$(ratio "$x" "$b")
      result[$mib.$into.$text.kib]=$bk
    done
    unset ms kib
  done
done

# The targets, on the largest source: times faster than xxd -i, and memory.
largest=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -1)
missed=0
check() {
  local what=$1 got=$2 want=$3
  if awk -v g="$got" -v w="$want" 'BEGIN { exit !(g >= w) }'; then
    say "target met: $what ${got}x (at least ${want}x)"
  else
    say "target MISSED: $what ${got}x (at least ${want}x)"
    missed=1
  fi
}
check "${largest}MiB into a file, UTF-8," "${result[$largest.file.utf8]}" 10
check "${largest}MiB into a file, UTF-16LE," "${result[$largest.file.utf16le]}" 5
check "${largest}MiB into /dev/null, UTF-8," "${result[$largest.null.utf8]}" 15
for key in "${!result[@]}"; do
  case $key in
    *.kib)
      if [ "${result[$key]}" -ge 16384 ]; then
        say "target MISSED: peak memory ${result[$key]} KiB for ${key%.kib} (under 16 MiB)"
        missed=1
      fi
      ;;
  esac
done
[ $missed -eq 0 ] && say "peak memory under 16 MiB in every run"
exit $missed
