#!/usr/bin/env bash
# The build styles as compilers and assemblers take them: bin2src's text of a random file in each
# style, compiled by gcc and clang with -Wall -Wextra -pedantic -Werror under every C standard
# from C89 to C2x and every C++ standard from C++98 to C++20, or assembled by as and by
# nasm -f elf64, linked into a program that writes the embedded bytes back out; those bytes must
# be the file's, and the length symbol must say how many there are. Then --reverse reads every
# text back into the same bytes.
#   build_styles_test.sh BIN2SRC
set -euo pipefail
bin2src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Longer than a 64 KiB segment, with a last line of 3 bytes; the name comes from the file's.
head -c 65555 /dev/urandom >"payload 1.bin"
size=$(stat -c %s "payload 1.bin")
name=payload_1_bin
failed=0 passed=0
check() { # what, then the command that must succeed and print the file's bytes
  local what=$1
  shift
  if "$@" >out.bin 2>err.txt && cmp -s out.bin "payload 1.bin"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
    cat err.txt
  fi
}

"$bin2src" --style=c -o data.h "payload 1.bin"
"$bin2src" --style=c-header --case=lower -o data_decl.h "payload 1.bin"
"$bin2src" --style=c-source --columns=7 -o data_def.c "payload 1.bin"
"$bin2src" --style=gas -o data.s "payload 1.bin"
"$bin2src" --style=nasm --case=lower --columns=256 -o data.asm "payload 1.bin"

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
  done
  cxx=g++
  [ "$cc" = clang ] && cxx=clang++
  for std in c++98 c++03 c++11 c++14 c++17 c++20; do
    check "$cxx -std=$std, style c" sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data.h\"' -o prog main.c && ./prog"
    check "$cxx -std=$std, styles c-header and c-source" \
      sh -c "$cxx ${flags[*]} -std=$std -x c++ -DHEADER='\"data_decl.h\"' -o prog main.c data_def.c && ./prog"
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
done

for text in data.h data_def.c data.s data.asm; do
  check "--reverse of $text" "$bin2src" --reverse "$text"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
