#!/usr/bin/env bash
# Times bin2src on random files beside its floors and beside `xxd -i`, all in one run: C output
# in UTF-8 and in UTF-16LE, into /dev/null (the converter's own speed; its floor is reading the
# input) and into a new file on the same disk as the source, with and without --force (its
# floor is `dd` writing as many zero bytes into a new file, in blocks of the converter's size);
# with the peak memory (maximum resident set) of each. Then the converter's core in memory
# (Google Benchmark): bytes of source per second in each format, encoding and instruction set.
# On the largest source also each build style beside xxd -i, --reverse beside xxd -r -p (of the C
# and c-string styles' texts, and of the texts that xxd -i and xxd -p wrote), and the progress
# line's cost on a terminal.
#
#   scripts/bench-cli.sh [MiB ...]        sizes of the random sources, default 64 1
#
# With VORDA_BENCH_BASELINE naming another bin2src (one built from an earlier commit, say), that
# program converts the same source in the same rounds, the two taking turns: the window's text in
# UTF-8 and the c style, into new files, and --reverse of the c style's text and of xxd's, so that
# a change of speed shows beside the noise.
#
# Each size runs VORDA_BENCH_RUNS rounds (default 7), every tool and floor taking its turn
# within each round so that the machine's noise falls on all of them; medians are printed,
# with the spread (slowest less fastest, over the median) that shows how quiet the machine was.
# At the end the goals are checked on the largest size; the exit status is 1 when one is missed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(64 1)
runs=${VORDA_BENCH_RUNS:-7}
read_block=128K  # the converter's read block, and its write block below
write_block=512K

need_packages "${NATIVE_PACKAGES[@]}" time
say "building bin2src and the benchmarks"
cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" --target bin2src vorda_bench >/dev/null
bin2src="$VORDA_BUILD/native/cli/bin2src"

work="$VORDA_BUILD/bench-cli"
mkdir -p "$work"
trap 'rm -f "$work"/out.* "$work"/time.*' EXIT

# One timed run: wall milliseconds in time.ms, peak KiB in time.kib. /usr/bin/time wraps every
# tool and floor alike, so its own start-up cancels out of the ratios.
timed() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/time.kib" "$@"
  t1=$(date +%s%N)
  echo "$(ratio $((t1 - t0)) 1000000 1)" >"$work/time.ms"
}

# What each run is: bin2src in one encoding, with or without --force, or one of the floors.
# Every file run writes a new file, removed afterwards.
run_one() {
  local what=$1 into=$2 source_file=$3 out=/dev/null
  [ "$into" = file ] && out="$work/out.$what" && rm -f "$out"
  case $what in
    utf8 | utf16le) if [ "$into" = file ]; then timed "$bin2src" -e "$what" -o "$out" "$source_file"
                    else timed "$bin2src" -e "$what" -o "$out" --force "$source_file"; fi ;;
    utf8-force | utf16le-force) timed "$bin2src" -e "${what%-force}" -o "$out" --force "$source_file" ;;
    xxd) timed sh -c 'exec xxd -i "$1" >"$2"' xxd "$source_file" "$out" ;;
    read) timed dd if="$source_file" of=/dev/null bs=$read_block status=none ;;
    dd-utf8 | dd-utf16le)
      timed dd if=/dev/zero of="$out" bs=$write_block count="${bytes[${what#dd-}]}" iflag=count_bytes status=none ;;
  esac
  ms[$what]+="$(cat "$work/time.ms") "
  kib[$what]+="$(cat "$work/time.kib") "
  [ "$into" = file ] && rm -f "$out"
  return 0
}

printf '%-6s %-5s %-8s %-6s %10s %6s %-11s %9s %6s %9s %9s %8s %8s %7s\n' source into text force bin2src_ms spread \
  floor floor_ms spread b2s/floor xxd_i_ms xxd/b2s peak_KiB text_MB
declare -A result bytes
for mib in "${sizes[@]}"; do
  source_file=$(random_source "$work" "$mib")
  # A first run of each encoding: the sizes that the floors write, and the source in the page
  # cache for everyone.
  for text in utf8 utf16le; do
    "$bin2src" -e "$text" -o "$work/out.size" --force "$source_file"
    bytes[$text]=$(stat -c %s "$work/out.size")
    rm -f "$work/out.size"
  done
  for into in null file; do
    declare -A ms=() kib=()
    if [ "$into" = null ]; then tools=(utf8 utf16le xxd read)
    else tools=(utf8 utf8-force utf16le utf16le-force xxd dd-utf8 dd-utf16le); fi
    for ((run = 1; run <= runs; run++)); do
      for tool in "${tools[@]}"; do run_one "$tool" "$into" "$source_file"; done
    done
    # shellcheck disable=SC2086
    x=$(median ${ms[xxd]})
    for tool in "${tools[@]}"; do
      case $tool in xxd | read | dd-*) continue ;; esac
      text=${tool%-force} force=no floor=read
      [ "$tool" != "$text" ] && force=yes
      [ "$into" = file ] && floor=dd-$text
      # shellcheck disable=SC2086
      b=$(median ${ms[$tool]}) f=$(median ${ms[$floor]})
      mb="-"
      [ "$into" = file ] && mb=$((bytes[$text] / 1000000))
      # shellcheck disable=SC2086
      printf '%-6s %-5s %-8s %-6s %10s %6s %-11s %9s %6s %9s %9s %8s %8s %7s\n' "${mib}MiB" "$into" "$text" \
        "$force" "$b" "$(spread ${ms[$tool]})" "$floor" "$f" "$(spread ${ms[$floor]})" "$(ratio "$b" "$f")" \
        "$x" "$(ratio "$x" "$b")" "$(median ${kib[$tool]})" "$mb"
      result[$mib.$into.$tool.floor]=$(ratio "$b" "$f")
      result[$mib.$into.$tool.xxd]=$(ratio "$x" "$b")
      # shellcheck disable=SC2086
      result[$mib.$into.$tool.kib]=$(median ${kib[$tool]})
    done
    unset ms kib
  done
done

# The build styles and the way back, on the largest source, into new files: each style beside
# xxd -i; --reverse of the UTF-8 C style's text (about 5 characters a byte), of the c-string
# style's (about 3), of xxd -i's header (about 6) and of
# xxd -p's plain hex (2), each beside xxd -r -p of that plain hex; and the
# progress line's cost, with standard error on a terminal (script gives it one) and without
# --no-progress, beside the same with it.
largest=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -1)
source_file=$(random_source "$work" "$largest")
"$bin2src" --style=c -o "$work/styles.h" --force "$source_file"
"$bin2src" --style=c-string -o "$work/styles.string.h" --force "$source_file"
xxd -p "$source_file" >"$work/styles.hex"
xxd -i "$source_file" >"$work/styles.xxd.h"
declare -A sms=()
style_tools=(c c-source c-string gas nasm values plain xxd-i reverse reverse-c-string reverse-xxd-i reverse-xxd-p xxd-r
             terminal terminal-quiet)
baseline=${VORDA_BENCH_BASELINE:-}
# The ways back from xxd's texts are timed against a baseline only where it has them.
base_xxd=()
if [ -n "$baseline" ] && "$baseline" --reverse "$work/styles.hex" >/dev/null 2>&1; then
  base_xxd=(xxd-i xxd-p)
fi
[ -n "$baseline" ] && style_tools+=(window base-window base-c base-reverse "${base_xxd[@]/#/base-reverse-}")
run_style() {
  local out="$work/out.$1"
  rm -f "$out"
  case $1 in
    xxd-i) timed sh -c 'exec xxd -i "$1" >"$2"' xxd "$source_file" "$out" ;;
    reverse) timed "$bin2src" --reverse -o "$out" "$work/styles.h" ;;
    reverse-c-string) timed "$bin2src" --reverse -o "$out" "$work/styles.string.h" ;;
    reverse-xxd-i) timed "$bin2src" --reverse -o "$out" "$work/styles.xxd.h" ;;
    reverse-xxd-p) timed "$bin2src" --reverse -o "$out" "$work/styles.hex" ;;
    xxd-r) timed sh -c 'exec xxd -r -p "$1" >"$2"' xxd "$work/styles.hex" "$out" ;;
    window) timed "$bin2src" -e utf8 -o "$out" "$source_file" ;;
    base-window) timed "$baseline" -e utf8 -o "$out" "$source_file" ;;
    base-c) timed "$baseline" --style=c -o "$out" "$source_file" ;;
    base-reverse) timed "$baseline" --reverse -o "$out" "$work/styles.h" ;;
    base-reverse-xxd-i) timed "$baseline" --reverse -o "$out" "$work/styles.xxd.h" ;;
    base-reverse-xxd-p) timed "$baseline" --reverse -o "$out" "$work/styles.hex" ;;
    terminal) timed script -qec "'$bin2src' --style=c -o '$out' '$source_file'" /dev/null ;;
    terminal-quiet) timed script -qec "'$bin2src' --style=c --no-progress -o '$out' '$source_file'" /dev/null ;;
    *) timed "$bin2src" --style="$1" -o "$out" "$source_file" ;;
  esac
  sms[$1]+="$(cat "$work/time.ms") "
  rm -f "$out"
}
for ((run = 1; run <= runs; run++)); do
  for tool in "${style_tools[@]}"; do run_style "$tool" >/dev/null; done
done
rm -f "$work/styles.h" "$work/styles.string.h" "$work/styles.hex" "$work/styles.xxd.h"
say "${largest}MiB into a new file: the build styles beside xxd -i, the way back beside xxd -r -p (ms, medians of $runs)"
printf '%-22s %10s %6s %-18s %10s %8s\n' run ms spread reference ref_ms ref/run
declare -A sresult
shown=(c c-source c-string gas nasm values plain reverse reverse-c-string reverse-xxd-i reverse-xxd-p terminal)
if [ -n "$baseline" ]; then
  shown+=(window c-vs-base reverse-vs-base)
  for kind in "${base_xxd[@]}"; do shown+=("reverse-$kind-vs-base"); done
fi
for tool in "${shown[@]}"; do
  case $tool in
    *-vs-base) ref=base-${tool%-vs-base} ;;
    reverse*) ref=xxd-r ;;
    terminal) ref=terminal-quiet ;;
    window) ref=base-window ;;
    *) ref=xxd-i ;;
  esac
  [[ $tool == *-vs-base ]] && sms[$tool]=${sms[${tool%-vs-base}]}
  # shellcheck disable=SC2086
  b=$(median ${sms[$tool]}) r=$(median ${sms[$ref]})
  # shellcheck disable=SC2086
  printf '%-22s %10s %6s %-18s %10s %8s\n' "$tool" "$b" "$(spread ${sms[$tool]})" "$ref" "$r" "$(ratio "$r" "$b")"
  sresult[$tool]=$(ratio "$r" "$b")
done

say "in memory: the streaming converter into a sink that keeps nothing, 16 MiB of random source"
printf '%-6s %-8s %-7s %10s %6s\n' format text set GB_per_s cv
declare -A gbps
while IFS=, read -r name rate label cv; do
  # shellcheck disable=SC2086
  set -- ${label//\"/}
  format=$(sed -E 's/.*format:([0-9]).*/\1/' <<<"$name")
  case $format in 1) format=c ;; 2) format=asm ;; 3) format=basic ;; esac
  gbps[$format.$1.$2]=$(ratio "$rate" 1000000000)
  printf '%-6s %-8s %-7s %10s %6s\n' "$format" "$1" "$2" "${gbps[$format.$1.$2]}" "$cv"
done < <("$VORDA_BUILD/native/bench/vorda_bench" --benchmark_filter=stream_source --benchmark_repetitions=5 \
           --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
         awk -F, '$1 ~ /_median"$/ { name = $1; rate = $6; label = $8 }
                  $1 ~ /_cv"$/ { printf "%s,%s,%s,%.0f%%\n", name, rate, label, 100 * $6 }')

# The goals, on the largest source, and in memory for each vector instruction set here.
missed=0
for tool in utf8 utf8-force utf16le utf16le-force; do
  goal "${largest}MiB into a new file, $tool, times the dd floor:" "${result[$largest.file.$tool.floor]}" "<=" 1.3
done
goal "${largest}MiB into a file, UTF-8, times faster than xxd -i:" "${result[$largest.file.utf8.xxd]}" ">=" 10
goal "${largest}MiB into a file, UTF-16LE, times faster than xxd -i:" "${result[$largest.file.utf16le.xxd]}" ">=" 5
goal "${largest}MiB into /dev/null, UTF-8, times faster than xxd -i:" "${result[$largest.null.utf8.xxd]}" ">=" 15
for tool in c c-source c-string gas nasm; do
  goal "${largest}MiB into a file, style $tool, times faster than xxd -i:" "${sresult[$tool]}" ">=" 10
done
goal "${largest}MiB, --reverse of the C style's text, times faster than xxd -r -p of plain hex:" "${sresult[reverse]}" ">=" 5
goal "${largest}MiB, --reverse of the c-string style's text, times faster than xxd -r -p of plain hex:" \
  "${sresult[reverse-c-string]}" ">=" 1
goal "${largest}MiB, --reverse of xxd -i's header, times faster than xxd -r -p of plain hex:" "${sresult[reverse-xxd-i]}" ">=" 5
goal "${largest}MiB, --reverse of xxd -p's plain hex, times faster than xxd -r -p of it:" "${sresult[reverse-xxd-p]}" ">=" 5
# A run under a second shows no progress, so this is the clock's cost alone: within the noise.
goal "${largest}MiB, progress on a terminal, --no-progress's time over it:" "${sresult[terminal]}" ">=" 0.9
peak=0
for key in "${!result[@]}"; do
  case $key in *.kib) [ "${result[$key]}" -gt "$peak" ] && peak=${result[$key]} ;; esac
done
goal "the largest peak memory of bin2src, KiB:" "$peak" "<=" 4096
for set in ssse3 avx2; do
  [ -n "${gbps[c.utf8.$set]:-}" ] || continue
  for format in c asm basic; do
    goal "in memory, $format, UTF-8, $set, GB/s:" "${gbps[$format.utf8.$set]:-0}" ">=" 2.5
    goal "in memory, $format, UTF-16LE, $set, GB/s:" "${gbps[$format.utf16le.$set]:-0}" ">=" 2
  done
done
exit $missed
