#!/usr/bin/env bash
# The build styles as compilers and assemblers take them: bin2src's text of a random file in each
# style, compiled by gcc and clang with -Wall -Wextra -pedantic -Werror under every C standard
# from C89 to C2x and every C++ standard from C++98 to C++20, or assembled by as and by
# nasm -f elf64, linked into a program that writes the embedded bytes back out; those bytes must
# be the file's, and the length symbol must say how many there are. The .incbin styles name a
# file whose path has a space, a quote, a backslash and a letter outside ASCII, c-embed one
# without the quote, which #embed cannot name. Then --reverse reads every text that holds bytes
# back into the same bytes, and every data name bin2src takes, of hostile ones given and made
# from files' names, builds in the default dialects and the strict standards alike. An empty file
# (C has no array of no bytes) and a text with a NUL terminator that the length does not count,
# and one that it counts, go through the same compilers and assemblers and back.
#   build_styles_test.sh BIN2SRC
set -euo pipefail
bin2src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Longer than a 64 KiB segment, with a last line of 3 bytes; the name comes from the file's. It
# starts with what a C string could take otherwise: trigraphs, a quote, a backslash, and an
# octal escape followed by a digit.
{ printf '??=??/??(\"\\?\0017'; head -c 65541 /dev/urandom; } >"payload 1.bin"
size=$(stat -c %s "payload 1.bin")
name=payload_1_bin
failed=0 passed=0
check_bytes() { # what, the file whose bytes the command must print, then the command
  local what=$1 expected=$2
  shift 2
  if "$@" >out.bin 2>err.txt && cmp -s out.bin "$expected"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    cat err.txt
  fi
}
check() { # what, then the command that must succeed and print the source's bytes
  check_bytes "$1" "payload 1.bin" "${@:2}"
}

"$bin2src" --style=c -o data.h "payload 1.bin"
"$bin2src" --style=c-header --case=lower -o data_decl.h "payload 1.bin"
"$bin2src" --style=c-source --columns=7 -o data_def.c "payload 1.bin"
"$bin2src" --style=gas -o data.s "payload 1.bin"
"$bin2src" --style=nasm --case=lower --columns=256 -o data.asm "payload 1.bin"
"$bin2src" --style=c-string --columns=5 -o data_string.h "payload 1.bin"
odd='odd "name\ ü.bin'
cp "payload 1.bin" "$odd"
"$bin2src" --style=incbin --name=$name --align=64 --section=.rodata.blob -o data_incbin.s "$odd"
"$bin2src" --style=c-incbin --name=$name --align=4096 -o data_incbin.c "$work/$odd"
embedded='embedded\ ü.bin'
cp "payload 1.bin" "$embedded"
"$bin2src" --style=c-embed --name=$name -o data_embed.c "$embedded"

# The length is a constant expression (an array bound), of the right value, in every standard.
cat >main.c <<EOF
#include <stdio.h>
#include HEADER
typedef char length_is_constant[${name}_len == $size ? 1 : -1];
int main(void)
{
    return fwrite($name, 1, ${name}_len, stdout) == ${name}_len ? 0 : 1;
}
EOF
cat >main_asm.c <<EOF
#include <stdint.h>
#include <stdio.h>
extern const unsigned char $name[];
extern const uint64_t ${name}_len;
int main(void)
{
    return ${name}_len == $size && fwrite($name, 1, (size_t)${name}_len, stdout) == $size ? 0 : 1;
}
EOF

flags=(-Wall -Wextra -pedantic -Werror)
for cc in gcc clang; do
  for std in c89 c99 c11 c17 c2x; do
    check "$cc -std=$std, style c" sh -c "$cc ${flags[*]} -std=$std -DHEADER='\"data.h\"' -o prog main.c && ./prog"
    check "$cc -std=$std, styles c-header and c-source" \
      sh -c "$cc ${flags[*]} -std=$std -DHEADER='\"data_decl.h\"' -o prog main.c data_def.c && ./prog"
    check "$cc -std=$std, style c-string" sh -c "$cc ${flags[*]} -std=$std -DHEADER='\"data_string.h\"' -o prog main.c && ./prog"
    check "$cc -std=$std, styles c-header and c-incbin" \
      sh -c "$cc ${flags[*]} -std=$std -DHEADER='\"data_decl.h\"' -o prog main.c data_incbin.c && ./prog"
  done
  cxx=g++
  [ "$cc" = clang ] && cxx=clang++
  for std in c++98 c++03 c++11 c++14 c++17 c++20; do
    check "$cxx -std=$std, style c" sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data.h\"' -o prog main.c && ./prog"
    check "$cxx -std=$std, styles c-header and c-source" \
      sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data_decl.h\"' -o prog main.c data_def.c && ./prog"
    check "$cxx -std=$std, style c-string" \
      sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data_string.h\"' -o prog main.c && ./prog"
    check "$cxx -std=$std, styles c-header and c-incbin" \
      sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data_decl.h\"' -o prog main.c data_incbin.c && ./prog"
  done
  # The definition compiled as C, the program as C++: the same name on both sides.
  check "$cc -std=c89 definition, $cxx -std=c++98 program" \
    sh -c "$cc ${flags[*]} -std=c89 -c -o def.o data_def.c &&
           $cxx ${flags[*]} -std=c++98 -x c++ -DHEADER='\"data_decl.h\"' -c -o main.o main.c &&
           $cxx -o prog main.o def.o && ./prog"
  check "as, linked by $cc" sh -c "as --fatal-warnings -o data.o data.s &&
                                   $cc ${flags[*]} -o prog main_asm.c data.o -Wl,--fatal-warnings && ./prog"
  check "nasm -f elf64, linked by $cc" sh -c "nasm -f elf64 -w+all -w+error -o data.o data.asm &&
                                              $cc ${flags[*]} -o prog main_asm.c data.o -Wl,--fatal-warnings && ./prog"
  check "as of incbin, linked by $cc" sh -c "as --fatal-warnings -o data.o data_incbin.s &&
                                             $cc ${flags[*]} -o prog main_asm.c data.o -Wl,--fatal-warnings && ./prog"
done

# #embed, from C23 on: clang 19 has it, gcc 12 does not.
if command -v clang-19 >/dev/null; then
  check "clang-19 -std=c23, styles c-header and c-embed" \
    sh -c "clang-19 ${flags[*]} -std=c23 -DHEADER='\"data_decl.h\"' -o prog main.c data_embed.c && ./prog"
else
  echo "SKIPPED: c-embed, which needs a C23 compiler with #embed: clang-19 is not installed"
fi

# Where --align and --section put the bytes, and the symbols' types and sizes.
symbols() { readelf -sW "$1" | awk '$8 == "'$name'" || $8 == "'${name}_len'" { print $8, $3, $4 }'; }
as -o data.o data_incbin.s
check "incbin: section .rodata.blob, aligned to 64" \
  sh -c "readelf -SW data.o | grep -q '\.rodata\.blob .* 64\$' && objcopy -O binary -j .rodata.blob data.o blob.bin && head -c $size blob.bin"
sizes=$(printf '%s %s OBJECT\n%s 8 OBJECT' "$name" "$size" "${name}_len")
for object in data_incbin.s data.s data_incbin.c data.asm; do
  case $object in
    *.asm) nasm -f elf64 -o data.o "$object" ;;
    *) gcc -c -o data.o "$object" ;;
  esac
  if [ "$(symbols data.o)" = "$sizes" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: the symbols of %s are\n%s\ninstead of\n%s\n' "$object" "$(symbols data.o)" "$sizes"
  fi
done

for text in data.h data_def.c data.s data.asm; do
  check "--reverse of $text" "$bin2src" --reverse "$text"
done

# An empty file, and a text with a NUL terminator after it that the length leaves out or counts:
# every style that takes it, built into a program that prints the bytes the length counts and
# finds the NUL after them, then read back. The empty file in every standard, the terminators in
# the oldest and newest of C and C++.
: >empty.bin
printf 'void main() { gl_FragColor = vec4(1.0); }\n' >shader.txt
cp shader.txt counted.txt
printf '\0' >>counted.txt
edge() { # source, the file whose bytes the program prints, the name, where the NUL is (or none), standards, options
  local source=$1 expected=$2 edge_name=$3 nul=$4 stds=$5 cc cxx std text
  shift 5
  rm -f edge*
  "$bin2src" --style=c "$@" -o edge.h "$source"
  "$bin2src" --style=c-header "$@" -o edge_decl.h "$source"
  "$bin2src" --style=c-source --columns=7 "$@" -o edge_def.c "$source"
  "$bin2src" --style=gas "$@" -o edge.s "$source"
  "$bin2src" --style=nasm "$@" -o edge.asm "$source"
  [ "$#" -eq 0 ] || [ "$1" = --nul ] && "$bin2src" --style=c-string "$@" -o edge_string.h "$source"
  [ "$#" -eq 0 ] && "$bin2src" --style=c-incbin -o edge_incbin.c "$source"
  local at="#define NUL_AT(a) 0"
  [ "$nul" != none ] && at="#define NUL_AT(a) a[$nul]"
  printf '%s\n#include <stdio.h>\n#include HEADER\ntypedef char length_is_constant[%s_len == %s ? 1 : -1];\n%s\n' \
    "$at" "$edge_name" "$(stat -c %s "$expected")" \
    "int main(void) { return NUL_AT($edge_name) != 0 || fwrite($edge_name, 1, ${edge_name}_len, stdout) != ${edge_name}_len; }" \
    >edge_main.c
  printf '%s\n#include <stdint.h>\n#include <stdio.h>\nextern const unsigned char %s[];\nextern const uint64_t %s_len;\n%s\n' \
    "$at" "$edge_name" "$edge_name" \
    "int main(void) { return NUL_AT($edge_name) != 0 || fwrite($edge_name, 1, (size_t)${edge_name}_len, stdout) != ${edge_name}_len; }" \
    >edge_asm.c
  for cc in gcc clang; do
    cxx=g++
    [ "$cc" = clang ] && cxx=clang++
    for std in $stds; do
      local compile="$cc -x c"
      [[ $std == *++* ]] && compile="$cxx -x c++"
      check_bytes "$compile -std=$std, style c, $source $*" "$expected" \
        sh -c "$compile ${flags[*]} -std=$std -DHEADER='\"edge.h\"' -o prog edge_main.c && ./prog"
      check_bytes "$compile -std=$std, styles c-header and c-source, $source $*" "$expected" \
        sh -c "$compile ${flags[*]} -std=$std -DHEADER='\"edge_decl.h\"' -o prog edge_main.c edge_def.c && ./prog"
      [ -f edge_string.h ] && check_bytes "$compile -std=$std, style c-string, $source $*" "$expected" \
        sh -c "$compile ${flags[*]} -std=$std -DHEADER='\"edge_string.h\"' -o prog edge_main.c && ./prog"
      [ -f edge_incbin.c ] && check_bytes "$compile -std=$std, styles c-header and c-incbin, $source $*" "$expected" \
        sh -c "$compile ${flags[*]} -std=$std -DHEADER='\"edge_decl.h\"' -o prog edge_main.c edge_incbin.c && ./prog"
    done
    check_bytes "as, linked by $cc, $source $*" "$expected" sh -c "as --fatal-warnings -o edge.o edge.s &&
      $cc ${flags[*]} -o prog edge_asm.c edge.o -Wl,--fatal-warnings && ./prog"
    check_bytes "nasm -f elf64, linked by $cc, $source $*" "$expected" sh -c "nasm -f elf64 -w+all -w+error -o edge.o edge.asm &&
      $cc ${flags[*]} -o prog edge_asm.c edge.o -Wl,--fatal-warnings && ./prog"
  done
  if [ "$#" -eq 0 ] && command -v clang-19 >/dev/null; then
    "$bin2src" --style=c-embed -o edge_embed.c "$source"
    check_bytes "clang-19 -std=c23, styles c-header and c-embed, $source" "$expected" \
      sh -c "clang-19 ${flags[*]} -std=c23 -DHEADER='\"edge_decl.h\"' -o prog edge_main.c edge_embed.c && ./prog"
  fi
  for text in edge.h edge_def.c edge.s edge.asm; do
    check_bytes "--reverse of $text, $source $*" "$expected" "$bin2src" --reverse "$text"
  done
}
all_stds="c89 c99 c11 c17 c2x c++98 c++03 c++11 c++14 c++17 c++20"
edge empty.bin empty.bin empty_bin none "$all_stds"
edge shader.txt shader.txt shader_txt shader_txt_len "c89 c2x c++98 c++20" --nul
edge shader.txt counted.txt shader_txt "shader_txt_len - 1" "c89 c2x c++98 c++20" --nul=counted

# Every data name bin2src takes without a word builds: in the C styles it compiles, in a program
# of its own that defines main and includes nothing else, under the compilers' default dialects
# and the strict standards; in the assembler styles it links beside such a program, which reaches
# it by its symbol. The names are hostile ones, given with --name or made from files' names; a
# given name may be refused (status 2) or taken with a warning, and is then left out, but a name
# made from a file's name must always be taken, silently.
mkdir names
cd names
builds() { # what, then the command that must succeed
  local what=$1
  shift
  if "$@" >err.txt 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    head -n 20 err.txt
  fi
}
printf abc >abc
given=(main linux unix i386 mips MIPSEL WIN32 WINNT int eax _Pragma __func__ __LINE__ __STDC__ __VA_ARGS__
       __has_include _Exit _start _init __dso_handle a__b rom_ log index printf puts sin strdup j0 va_start
       alloca environ stdin font_rom)
files=(8x8.bin main linux __x.bin int log printf _Bool.h "a - b_.bin" データ x__y.c i386 WIN32.dll ./-.bin
       _start.s "$(printf '%058d' 7)")
for file in "${files[@]}"; do cp abc "$file"; done
declare -A taken # style:name
k=0
take() { # style, then bin2src's arguments; the name taken, if any, is added to taken
  local style=$1 out=$((k++)) status=0
  shift
  "$bin2src" --style="$style" -o "$out" "$@" 2>err.txt || status=$?
  local name
  case $style in
    c | c-header) name=$(sed -n '1s/^#ifndef BIN2SRC_\(.*\)_H$/\1/p' "$out" 2>/dev/null || true) ;;
    c-source) name=$(sed -n 's/^extern const unsigned char \(.*\)\[\];$/\1/p' "$out" 2>/dev/null || true) ;;
    gas) name=$(sed -n '/^\t\.globl /{s/^\t\.globl \(.*\)$/\1/p;q}' "$out" 2>/dev/null || true) ;;
    nasm) name=$(sed -n '/^\tglobal \$/{s/^\tglobal \$\(.*\)$/\1/p;q}' "$out" 2>/dev/null || true) ;;
  esac
  if [ "$status" -eq 0 ] && [ ! -s err.txt ] && [ -n "$name" ]; then
    [ -z "${taken[$style:$name]:-}" ] && taken[$style:$name]=$out
    return 0
  fi
  # A given name may be refused, or taken with a warning; a name made from a file's name not.
  if [[ $1 == --name=* ]]; then
    [ "$status" -eq 2 ] && return 0
    [ "$status" -eq 0 ] && grep -q '^bin2src: warning: ' err.txt && return 0
  fi
  failed=$((failed + 1))
  echo "FAILED: bin2src --style=$style $*: status $status"
  cat err.txt
}
for style in c c-header c-source gas nasm; do
  for name in "${given[@]}"; do take "$style" --name="$name" abc; done
  for file in "${files[@]}"; do take "$style" "$file"; done
done
# The programs: each taken name's data beside the C that uses it, one program a style (the two
# assemblers' data take the same names), and c-header's with c-source's definitions.
declare -A includes tests objects
for key in "${!taken[@]}"; do
  style=${key%%:*} name=${key#*:} out=${taken[$key]}
  case $style in
    c | c-header)
      [ "$style" = c ] || [ -n "${taken[c-source:$name]:-}" ] || continue
      includes[$style]+="#include \"$out\""$'\n'
      tests[$style]+=" && $name[0] == 'a' && ${name}_len == 3" ;;
    c-source)
      cat "$out" >>defs.c ;;
    gas | nasm)
      includes[$style]+="extern const unsigned char d$out[] __asm__(\"$name\");"$'\n'
      includes[$style]+="extern const unsigned char l$out[8] __asm__(\"${name}_len\");"$'\n'
      tests[$style]+=" && d$out[0] == 'a' && l$out[0] == 3 && l$out[7] == 0"
      objects[$style]+=" $out.o"
      if [ "$style" = gas ]; then
        builds "as: the name of $out" as --fatal-warnings -o "$out.o" "$out"
      else
        builds "nasm: the name of $out" nasm -f elf64 -w+all -w+error -o "$out.o" "$out"
      fi ;;
  esac
done
for style in c c-header gas nasm; do
  printf '%sint main(void)\n{\n    return 1%s ? 0 : 1;\n}\n' "${includes[$style]}" "${tests[$style]}" >"$style.c"
done
for cc in gcc clang; do
  cxx=g++
  [ "$cc" = clang ] && cxx=clang++
  for std in c89 c99 c11 c17 c2x gnu89 gnu17 c++98 c++11 c++17 c++20 gnu++98 gnu++17; do
    compile="$cc -x c"
    [[ $std == *++* ]] && compile="$cxx -x c++"
    builds "$compile -std=$std, the names taken by style c" \
      sh -c "$compile ${flags[*]} -std=$std -o prog c.c && ./prog"
    builds "$compile -std=$std, the names taken by styles c-header and c-source" \
      sh -c "$compile ${flags[*]} -std=$std -o prog c-header.c defs.c && ./prog"
  done
  for style in gas nasm; do
    for std in c89 gnu17; do
      builds "$cc -std=$std, the names taken by style $style" \
        sh -c "$cc ${flags[*]} -std=$std -o prog $style.c ${objects[$style]} -Wl,--fatal-warnings && ./prog"
    done
  done
done
cd ..

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
