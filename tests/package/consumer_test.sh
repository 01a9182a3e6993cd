#!/usr/bin/env bash
# bin2src's CMake package as its users meet it: installed from this build into a fresh prefix
# and found there (not in the build) by the consumer project, which embeds a data file with
# bin2src_add_data. The consumer prints the embedded bytes' checksum and size, which must be
# those `cksum` gives for the data file, before and after the data file changes.
#   consumer_test.sh BUILD_FOLDER GENERATOR
set -euo pipefail
build=$1 generator=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "$build/consumer-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp "$here/../../samples/sample.bin" "$work/payload.bin"
cmake -S "$here/consumer" -B "$work/build" -G "$generator" -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DPAYLOAD="$work/payload.bin" >/dev/null
found=$(sed -n 's/^bin2src_DIR:PATH=//p' "$work/build/CMakeCache.txt")
if [ "$found" != "$work/prefix/lib/cmake/bin2src" ]; then
  echo "the consumer found bin2src's package in '$found', not where it was installed"
  exit 1
fi

check() {
  cmake --build "$work/build" >/dev/null
  local expected actual
  expected=$(cksum <"$work/payload.bin")
  actual=$("$work/build/consumer")
  if [ "$actual" != "$expected" ]; then
    echo "$1: the consumer embedded bytes whose checksum and size are '$actual', the file's are '$expected'"
    exit 1
  fi
  echo "$1: checksum and size $actual"
}
check "samples/sample.bin"
# Longer than a 64 KiB segment, with a tail that is not a whole line of 16.
seq 1 14000 >>"$work/payload.bin"
check "the data file changed"
