#!/usr/bin/env bash
# The Windows zip as a user meets it: made by CPack from this build, unpacked into a fresh
# folder of the project's Wine prefix, where it must hold the two programs, the manual, the
# README, the licence and bin2src's CMake package; bin2src.exe --version answers there, a
# MinGW-w64 build of the consumer project embeds data with that package's bin2src.exe, and
# package_tests checks the programs' version information and starts vorda.exe from that folder.
#   zip_test.sh BUILD_FOLDER PACKAGE_TESTS_EXE VERSION
set -euo pipefail
build=$1 tests=$2 version=$3
source "$(dirname "$0")/../../scripts/common.sh"
wine_prefix

work=$(mktemp -d "$build/zip-test.XXXXXX")
unpacked=$(mktemp -d "$WINEPREFIX/drive_c/vorda-package.XXXXXX")
trap 'rm -rf "$work" "$unpacked"' EXIT
(cd "$build" && cpack -G ZIP -D CPACK_OUTPUT_FILE_PREFIX="$work" >/dev/null)
zip="$work/vorda-$version-win64.zip"
[ -f "$zip" ] || { echo "no $(basename "$zip") among: $(ls "$work")"; exit 1; }
(cd "$unpacked" && cmake -E tar xf "$zip")

folder="$unpacked/vorda-$version-win64"
expected=$(printf '%s\n' LICENSE.txt README.txt bin2src.exe cmake/bin2src-config-version.cmake \
           cmake/bin2src-config.cmake cmake/bin2src-targets-release.cmake cmake/bin2src-targets.cmake vorda.exe \
           vorda_manual.pdf)
found=$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$found" != "$expected" ]; then
  printf 'the zip holds\n%s\ninstead of\n%s\n' "$found" "$expected"
  exit 1
fi
cmp "$folder/vorda_manual.pdf" "$build/manual/vorda_manual.pdf"

answer=$(cd "$folder" && wine bin2src.exe --version 2>&1 | tr -d '\r')
if [ "$(head -n 1 <<<"$answer")" != "bin2src (VORDA) $version" ]; then
  printf 'bin2src.exe --version answers\n%s\n' "$answer"
  exit 1
fi
echo "bin2src.exe --version: $(head -n 1 <<<"$answer")"

bash "$(dirname "$0")/consumer_test.sh" "$build" Ninja mingw "$folder"

# Through wine-run, which brings a display of its own when the caller has none.
VORDA_PACKAGE_FOLDER=$(winepath -w "$folder") "$VORDA_ROOT/scripts/wine-run" "$tests"
