#!/usr/bin/env bash
# bin2src's CMake package as its users meet it: installed from this build into a fresh prefix
# and found there (not in the build) by the consumer project, built by one tool chain family,
# which embeds a 1-byte, a 17-byte and a 1 MiB file in every style. The program prints each
# copy's checksum and size, which must be those `cksum` gives for its file.
#   consumer_test.sh BUILD_FOLDER GENERATOR FAMILY [PACKAGE_FOLDER]
# FAMILY: gcc (C; then a data file changes, and the misuses stop at configure time), clang (a
# C++ project without C), mingw (cross-compiled with cmake/mingw-w64-x86_64.cmake, run under
# Wine), or elf-cross (the assembler styles assembled for AArch64 and ARM, their symbols and
# bytes read back from the objects: nothing here runs those programs). With PACKAGE_FOLDER, the
# mingw family uses the package unpacked there, the Windows zip's, whose bin2src.exe the build
# runs under Wine, instead of installing this build's.
set -euo pipefail
build=$(cd "$1" && pwd) generator=$2 family=$3 package=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/common.sh"
root=$VORDA_ROOT
work=$(mktemp -d "$build/consumer-$family.XXXXXX")
trap 'rm -rf "$work"' EXIT

prefix=$package package_dir=$package/cmake launcher=""
if [ -z "$package" ]; then
  prefix=$work/prefix package_dir=$prefix/lib/cmake/bin2src
  cmake --install "$build" --prefix "$prefix" >/dev/null
else
  launcher=-DLAUNCHER=$here/wine_launcher.sh
fi
# The assembler takes the paths as they are: a space and a letter outside ASCII in them.
data="$work/data ü"
mkdir "$data"
head -c 1 /dev/urandom >"$data/one.bin"
head -c 17 /dev/urandom >"$data/seventeen.bin"
head -c 1048576 /dev/urandom >"$data/mebibyte.bin"
files=("$data/one.bin" "$data/seventeen.bin" "$data/mebibyte.bin")
failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

# What the program must print: every style of file i as d<i>_<style>, and file 0 again as the
# data named math and as the OUTPUT gen/one.v2.c.
expected() {
  local i=0 file sum size style
  for file in "${files[@]}"; do
    read -r sum size _ < <(cksum <"$file")
    for style in auto c c_string c_source c_incbin incbin gas nasm window; do
      echo "$sum $size d${i}_$style"
    done
    i=$((i + 1))
  done
  read -r sum size _ < <(cksum <"${files[0]}")
  echo "$sum $size math"
  echo "$sum $size one"
}

# Configures and builds the consumer with the options given, runs it with $run and compares.
consumer() {
  local what=$1
  shift
  local list
  list=$(IFS=';'; echo "${files[*]}")
  if ! cmake -S "$here/consumer" -B "$work/build" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
       "-DDATA=$list" $launcher "$@" >"$work/configure.log" 2>&1; then
    cat "$work/configure.log"
    fail "$what: configuring"
    return
  fi
  sed -n "s/^-- bin2src: /$what: /p" "$work/configure.log"
  local found
  found=$(sed -n 's/^bin2src_DIR:PATH=//p' "$work/build/CMakeCache.txt")
  [ "$found" = "$package_dir" ] ||
    fail "$what: the consumer found bin2src's package in '$found', not where it was installed"
  if ! cmake --build "$work/build" >"$work/build.log" 2>&1; then
    tail -n 30 "$work/build.log"
    fail "$what: building"
    return
  fi
  local actual
  actual=$($run "$work/build/consumer$exe" | tr -d '\r') || fail "$what: the program failed"
  if [ "$actual" != "$(expected)" ]; then
    diff <(expected) <(echo "$actual") | head -n 20
    fail "$what: the embedded bytes are not the files'"
  else
    echo "$what: $(wc -l <<<"$actual") copies, each the bytes of its file"
  fi
}

# A project that misuses bin2src_add_data must stop while it is configured, saying what to add.
misuse() {
  local languages=$1 style=$2 says=$3
  mkdir -p "$work/misuse"
  cat >"$work/misuse/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.18)
project(misuse LANGUAGES $languages)
find_package(bin2src 1.0 REQUIRED)
add_executable(program main.c)
bin2src_add_data(program "${files[0]}" NAME data STYLE $style)
EOF
  touch "$work/misuse/main.c"
  if cmake -S "$work/misuse" -B "$work/misuse/build" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" >"$work/misuse.log" 2>&1; then
    fail "STYLE $style in a project of $languages was configured"
  elif ! tr -s ' \n' ' ' <"$work/misuse.log" | grep -qF "$says"; then
    cat "$work/misuse.log"
    fail "STYLE $style in a project of $languages: the message does not say '$says'"
  fi
  rm -rf "$work/misuse"
}

run="" exe=""
case $family in
  gcc)
    CC=gcc consumer "gcc, C"
    # Longer than a 64 KiB segment, with a tail that is not a whole line of 16.
    seq 1 14000 >>"${files[1]}"
    consumer "gcc, C, after the 17-byte file changed"
    misuse C gas "which the project does not enable: add ASM"
    misuse C incbin "which the project does not enable: add ASM"
    misuse "C ASM" nasm "which the project does not enable: add ASM_NASM"
    ;;
  clang)
    CC=clang CXX=clang++ consumer "clang++, a C++ project without C" -DLANGUAGE=CXX
    ;;
  mingw)
    run="$root/scripts/wine-run" exe=.exe
    consumer "MinGW-w64, run under Wine" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    ;;
  elf-cross)
    bin2src="$prefix/bin/bin2src"
    for target in aarch64-linux-gnu arm-none-eabi; do
      if ! command -v "$target-as" >/dev/null; then
        echo "SKIPPED $target: $target-as is not installed (binutils-$target)"
        continue
      fi
      for file in "${files[@]}"; do
        size=$(stat -c %s "$file")
        for style in gas incbin; do
          what="$target-as, $style, $(basename "$file")"
          "$bin2src" --style=$style --name=data -o "$work/data.s" --force "$file"
          if ! "$target-as" --fatal-warnings -o "$work/data.o" "$work/data.s" 2>"$work/as.log"; then
            cat "$work/as.log"
            fail "$what: assembling"
            continue
          fi
          # Both symbols objects of their size; the bytes at data's place, the length at data_len's.
          # readelf writes a large size in hexadecimal.
          symbols=$("$target-readelf" -sW "$work/data.o" |
                    while read -r _ value bytes type bind _ _ name; do
                      case $name in data | data_len) echo "$name $value $((bytes)) $type $bind" ;; esac
                    done)
          data_at=$(awk '$1 == "data" { print $2 }' <<<"$symbols")
          length_at=$(awk '$1 == "data_len" { print $2 }' <<<"$symbols")
          want=$(printf 'data %s %s OBJECT GLOBAL\ndata_len %s 8 OBJECT GLOBAL' "$data_at" "$size" "$length_at")
          [ "$symbols" = "$want" ] || fail "$what: readelf shows '$symbols', not '$want'"
          "$target-objcopy" -O binary --only-section=.rodata "$work/data.o" "$work/rodata.bin"
          cmp -s <(tail -c +$((16#$data_at + 1)) "$work/rodata.bin" | head -c "$size") "$file" ||
            fail "$what: the section does not hold the file's bytes"
          length=$(tail -c +$((16#$length_at + 1)) "$work/rodata.bin" | head -c 8 | od -An -tu8 | tr -d ' ')
          [ "$length" = "$size" ] || fail "$what: data_len holds $length, not $size"
        done
      done
      echo "$target-as: the gas and incbin styles of the three files, typed, sized and whole"
    done
    ;;
  *) echo "unknown family '$family'"; exit 2 ;;
esac
[ "$failed" -eq 0 ]
