#!/usr/bin/env bash
# What embedding a large file costs a build, side by side in one run, with the peak memory
# (maximum resident set, /usr/bin/time) of every compiler and assembler process:
#  1. A C and a C++ program that embed a random file through bin2src_add_data with its default
#     style (bench/embed, against bin2src's installed CMake package), each beside the same
#     project embedding the file with `objcopy -I binary`: the whole build of the program from
#     clean, conversion, compilation and link. Also the C program built by Clang.
#  2. Each way to turn the file into an object: bin2src's styles with the compiler or assembler
#     that takes each (conversion included) beside objcopy; c-embed where clang-19 is installed.
#     The brace list, the string literals and NASM take a tenth of the size: gcc -O2 needs
#     minutes and gigabytes for a brace list of 100 MiB.
#
#   scripts/bench-embed.sh [MiB]        the size of the random file, default 100
#
# Part 1 runs VORDA_BENCH_RUNS rounds (default 5), part 2 VORDA_BENCH_TABLE_RUNS (default 3),
# every variant taking its turn within each round after one untimed warm-up; medians are printed.
# The goals are checked on part 1: each build within 2 times objcopy's, and no compiler or
# assembler above 256 MB. The exit status is 1 when one is missed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

mib=${1:-100}
small=$((mib / 10 > 0 ? mib / 10 : 1))
runs=${VORDA_BENCH_RUNS:-5}
table_runs=${VORDA_BENCH_TABLE_RUNS:-3}

need_packages "${NATIVE_PACKAGES[@]}" time
say "building and installing bin2src"
cmake -S . -B "$VORDA_BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$VORDA_BUILD/native" --target bin2src bin2src_man >/dev/null
work="$VORDA_BUILD/bench-embed"
rm -rf "$work/prefix" "$work/projects" "$work/table"
mkdir -p "$work/in" "$work/table" "$work/projects"
cmake --install "$VORDA_BUILD/native" --prefix "$work/prefix" >/dev/null
bin2src="$work/prefix/bin/bin2src"
# objcopy names its symbols after the file: data.bin, the same bytes as the random source.
ln -f "$(random_source "$work" "$mib")" "$work/in/data.bin"
ln -f "$(random_source "$work" "$small")" "$work/in/small.bin"
data="$work/in/data.bin" small_data="$work/in/small.bin"
say "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# One timed run: wall milliseconds and the peak KiB of the command and everything it started.
timed() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/time.kib" "$@" >/dev/null 2>"$work/time.err" || { cat "$work/time.err"; return 1; }
  t1=$(date +%s%N)
  ms=$(ratio $((t1 - t0)) 1000000 0)
  kib=$(tail -n 1 "$work/time.kib")
}
max() { printf '%s\n' "$@" | sort -g | tail -n 1; }

# ---- 1. The whole build of a program, bin2src_add_data beside objcopy
declare -A configure=(
  [c-bin2src]="-DLANGUAGE=C -DWAY=bin2src -DCMAKE_C_COMPILER=gcc"
  [c-objcopy]="-DLANGUAGE=C -DWAY=objcopy -DCMAKE_C_COMPILER=gcc"
  [cxx-bin2src]="-DLANGUAGE=CXX -DWAY=bin2src -DCMAKE_CXX_COMPILER=g++"
  [cxx-objcopy]="-DLANGUAGE=CXX -DWAY=objcopy -DCMAKE_CXX_COMPILER=g++"
  [clang-bin2src]="-DLANGUAGE=C -DWAY=bin2src -DCMAKE_C_COMPILER=clang"
)
variants=(c-bin2src c-objcopy cxx-bin2src cxx-objcopy clang-bin2src)
for v in "${variants[@]}"; do
  # Each compiler process's peak is written by its launcher, one line a process.
  # shellcheck disable=SC2086
  cmake -S bench/embed -B "$work/projects/$v" -G Ninja -DCMAKE_BUILD_TYPE=Release ${configure[$v]} \
    -DCMAKE_PREFIX_PATH="$work/prefix" -DDATA="$data" \
    "-DCMAKE_C_COMPILER_LAUNCHER=/usr/bin/time;-a;-o;$work/projects/$v.peaks;-f;%M" \
    "-DCMAKE_CXX_COMPILER_LAUNCHER=/usr/bin/time;-a;-o;$work/projects/$v.peaks;-f;%M" >"$work/projects/$v.log"
  grep -h "bin2src: the" "$work/projects/$v.log" | sed "s/^-- /$v: /" >&2 || true
done
build() { # variant: clean, then the whole build, timed; the program must print the data's size
  cmake --build "$work/projects/$1" --target clean >/dev/null
  rm -f "$work/projects/$1.peaks"
  timed cmake --build "$work/projects/$1"
  [ "$("$work/projects/$1/program" | cut -d' ' -f2)" = "$(stat -c %s "$data")" ] ||
    { say "$1: the program does not hold the data"; exit 1; }
  build_ms[$1]+="$ms "
  build_kib[$1]+="$kib "
  compiler_kib[$1]+="$(max $(cat "$work/projects/$1.peaks")) "
}
declare -A build_ms=() build_kib=() compiler_kib=()
say "${mib} MiB: building each program from clean, $runs rounds after a warm-up"
for v in "${variants[@]}"; do build "$v"; done
build_ms=() build_kib=() compiler_kib=()
for ((run = 1; run <= runs; run++)); do
  for v in "${variants[@]}"; do build "$v"; done
done
printf '%-14s %9s %6s %-12s %9s %8s %16s %13s\n' build ms spread reference ref_ms ratio compiler_peak_KiB build_peak_KiB
declare -A result=()
for v in "${variants[@]}"; do
  # shellcheck disable=SC2086
  b=$(median ${build_ms[$v]}) peak=$(max ${compiler_kib[$v]}) all=$(max ${build_kib[$v]})
  ref=${v%-*}-objcopy
  [ "$v" = clang-bin2src ] && ref=c-objcopy
  r="-" rms="-"
  if [ "$v" != "$ref" ]; then
    # shellcheck disable=SC2086
    rms=$(median ${build_ms[$ref]})
    r=$(ratio "$b" "$rms")
    result[$v.ratio]=$r
  fi
  result[$v.peak]=$peak
  # shellcheck disable=SC2086
  printf '%-14s %9s %6s %-12s %9s %8s %16s %13s\n' "$v" "$b" "$(spread ${build_ms[$v]})" \
    "$([ "$v" = "$ref" ] && echo - || echo "$ref")" "$rms" "$r" "$peak" "$all"
done

# ---- 2. Each way from the file to an object
cd "$work/table"
ways=(objcopy incbin-as c-incbin-gcc c-incbin-g++ c-incbin-clang c-incbin-clang-integrated gas-as
      c-string-gcc c-string-clang c-gcc c-clang nasm)
command -v clang-19 >/dev/null && ways+=(c-embed-clang-19)
printf '#include "s.h"\nconst unsigned char *p = d;\nunsigned long n = d_len;\n' >string.c
printf '#include "c.h"\nconst unsigned char *p = d;\nunsigned long n = d_len;\n' >brace.c
way() {
  case $1 in
    objcopy) timed objcopy -I binary -O elf64-x86-64 -B i386:x86-64 "$data" o.o ;;
    incbin-as) timed sh -c "'$bin2src' -t incbin -n d -o d.s --force '$data' && as -o o.o d.s" ;;
    c-incbin-gcc) timed sh -c "'$bin2src' -t c-incbin -n d -o d.c --force '$data' && gcc -O2 -c -o o.o d.c" ;;
    c-incbin-g++) timed sh -c "'$bin2src' -t c-incbin -n d -o d.c --force '$data' && g++ -O2 -x c++ -c -o o.o d.c" ;;
    c-incbin-clang) timed sh -c "'$bin2src' -t c-incbin -n d -o d.c --force '$data' &&
                                 clang -O2 -fno-integrated-as -c -o o.o d.c" ;;
    c-incbin-clang-integrated) timed sh -c "'$bin2src' -t c-incbin -n d -o d.c --force '$data' && clang -O2 -c -o o.o d.c" ;;
    gas-as) timed sh -c "'$bin2src' -t gas -n d -o g.s --force '$data' && as -o o.o g.s" ;;
    c-string-gcc) timed sh -c "'$bin2src' -t c-string -n d -o s.h --force '$small_data' && gcc -O2 -c -o o.o string.c" ;;
    c-string-clang) timed sh -c "'$bin2src' -t c-string -n d -o s.h --force '$small_data' && clang -O2 -c -o o.o string.c" ;;
    c-gcc) timed sh -c "'$bin2src' -t c -n d -o c.h --force '$small_data' && gcc -O2 -c -o o.o brace.c" ;;
    c-clang) timed sh -c "'$bin2src' -t c -n d -o c.h --force '$small_data' && clang -O2 -c -o o.o brace.c" ;;
    nasm) timed sh -c "'$bin2src' -t nasm -n d -o n.asm --force '$small_data' && nasm -f elf64 -o o.o n.asm" ;;
    c-embed-clang-19) timed sh -c "'$bin2src' -t c-embed -n d -o e.c --force '$data' && clang-19 -std=c23 -O2 -c -o o.o e.c" ;;
  esac
  way_ms[$1]+="$ms "
  way_kib[$1]+="$kib "
  rm -f o.o
}
declare -A way_ms=() way_kib=()
say "each way from the file to an object ($mib MiB; the brace list, strings and nasm $small MiB), $table_runs rounds"
for ((run = 1; run <= table_runs; run++)); do
  for w in "${ways[@]}"; do way "$w"; done
done
printf '%-26s %5s %10s %6s %10s\n' way MiB ms spread peak_KiB
for w in "${ways[@]}"; do
  size=$mib
  case $w in c-string-* | c-gcc | c-clang | nasm) size=$small ;; esac
  # shellcheck disable=SC2086
  printf '%-26s %5s %10s %6s %10s\n' "$w" "$size" "$(median ${way_ms[$w]})" "$(spread ${way_ms[$w]})" \
    "$(median ${way_kib[$w]})"
done
cd "$VORDA_ROOT"
say "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

missed=0
for v in c-bin2src cxx-bin2src clang-bin2src; do
  goal "$mib MiB, $v, the build's time over objcopy's:" "${result[$v.ratio]}" "<=" 2
  goal "$mib MiB, $v, the largest compiler or assembler, KiB:" "${result[$v.peak]}" "<=" 262144
done
exit $missed
