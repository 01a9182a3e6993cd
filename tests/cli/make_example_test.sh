#!/usr/bin/env bash
# The make example of bin2src's reference, taken from the document as it stands, run as a user
# would: `make game` converts the three data files and links a program, whose embedded bytes
# must be the files' (it writes them out); then a data file changes, and `make game` makes it
# again.
#   make_example_test.sh DOCUMENT BIN2SRC
set -euo pipefail
document=$1 bin2src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir bin
ln -s "$bin2src" bin/bin2src
export PATH="$work/bin:$PATH"

# The first make block after the heading of the build styles.
awk '/^#+ Build styles$/ { section = 1 } section && /^```make$/ { inside = 1; next }
     inside && /^```$/ { exit } inside { print }' "$document" >Makefile
grep -q '^game:' Makefile || { echo "no make example with a game target in $document"; exit 1; }

cat >main.c <<'C'
#include <stdio.h>
#include "font_rom.h"
#include "logo.h"
#include "tune.h"
static int put(const char *name, const unsigned char *bytes, size_t n)
{
    FILE *f = fopen(name, "wb");
    return f && fwrite(bytes, 1, n, f) == n && fclose(f) == 0 ? 0 : 1;
}
int main(void)
{
    return put("font.out", font_rom, font_rom_len) | put("logo.out", logo, logo_len) | put("tune.out", tune, tune_len);
}
C
head -c 2048 /dev/urandom >font.bin
head -c 17 /dev/urandom >logo.bin
head -c 300000 /dev/urandom >tune.bin
check() {
  make -s game >make.log 2>&1 || { cat make.log; echo "FAILED: $1: make game"; exit 1; }
  rm -f ./*.out
  ./game || { echo "FAILED: $1: the program could not write the bytes"; exit 1; }
  local f
  for f in font logo tune; do
    cmp "$f.out" "$f.bin" || { echo "FAILED: $1: $f.out is not $f.bin"; exit 1; }
  done
  echo "$1: the program holds the three files' bytes"
}
check "make game"
sleep 1 # a newer time than tune.o's, on any file system
head -c 1000 /dev/urandom >>tune.bin
check "make game after tune.bin changed"
