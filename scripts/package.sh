#!/usr/bin/env bash
# Builds the release packages with CPack into one folder, beside their SHA-256 sums:
#   vorda-VERSION-win64.zip               vorda.exe, bin2src.exe, the manual, README and licence,
#                                         the Wine font settings
#   bin2src_VERSION_amd64.deb             bin2src, its man page and its CMake package
#   bin2src-VERSION-linux-x86_64.tar.gz   the same native install, to unpack anywhere
#   SHA256SUMS
#     scripts/package.sh [FOLDER]         (build/packages by default; emptied first)
# The programs are built without their tests, in build/package. Every time in the packages is
# the commit's (SOURCE_DATE_EPOCH, unless the caller sets it), so one commit gives the same
# bytes wherever and whenever it is packed (scripts/check-reproducible.sh checks that). The
# Debian package must pass lintian without errors. Installs the Debian packages it needs.
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=$(realpath -m "${1:-$VORDA_BUILD/packages}")
cd "$VORDA_ROOT"

need_packages "${PACKAGE_PACKAGES[@]}"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  say "the work tree has changes that are not committed: these packages are not those of commit $(git rev-parse --short HEAD)"
fi
work="$VORDA_BUILD/package"
jobs=$(nproc)
# The programs alone. Were GoogleTest or Google Benchmark still looked for, configuring would fail.
programs_only=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF --no-warn-unused-cli
               -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)

rm -rf "$out"
mkdir -p "$out"
say "bin2src for Linux: the Debian package and the tarball"
cmake -S . -B "$work/native" "${programs_only[@]}" >/dev/null
cmake --build "$work/native" -j "$jobs" >/dev/null
(cd "$work/native" && cpack -D CPACK_OUTPUT_FILE_PREFIX="$out" >/dev/null)

say "vorda.exe and bin2src.exe for Windows: the zip"
cmake -S . -B "$work/cross" "${programs_only[@]}" -DCMAKE_TOOLCHAIN_FILE="$VORDA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$work/cross" -j "$jobs" >/dev/null
(cd "$work/cross" && cpack -D CPACK_OUTPUT_FILE_PREFIX="$out" >/dev/null)

say "lintian"
# It also says that it runs as root, which is nothing about the package.
status=0
report=$(lintian --fail-on error "$out"/*.deb 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" >&2 || true
[ "$status" -eq 0 ] || { say "lintian finds errors in the Debian package"; exit 1; }

(cd "$out" && sha256sum -- *.zip *.deb *.tar.gz >SHA256SUMS)
ls -l "$out" >&2
echo "$out"
