#!/usr/bin/env bash
# Builds vorda.exe and the manual and runs the program under Wine in the project's own prefix.
#   scripts/run.sh [file]
# The program starts in build/dist, which holds vorda.exe and vorda_manual.pdf side by side:
# the help command opens the manual by its bare name, from the current directory.
# With a display it runs interactively. Without one it runs under Xvfb, saves a screenshot
# of the window, prints the screenshot's path and closes the program.
# Installs the Debian packages it needs on first use.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

need_packages "${CROSS_PACKAGES[@]}" x11-utils

cmake -S . -B "$VORDA_BUILD/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$VORDA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$VORDA_BUILD/cross" --target vorda -j "$(nproc)"
scripts/build-manual.sh >/dev/null
wine_prefix

dist="$VORDA_BUILD/dist"
mkdir -p "$dist"
cp "$VORDA_BUILD/cross/vorda.exe" "$VORDA_BUILD/vorda_manual.pdf" "$dist/"
exe="$dist/vorda.exe"
args=()
if [ $# -gt 0 ]; then
  args=("$(winepath -w "$(realpath "$1")" 2>/dev/null)")
fi

cd "$dist"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" "${args[@]}"
fi

start_xvfb
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
wine_session
wine "$exe" "${args[@]}" >/dev/null 2>&1 &
# Wait for the main window, then give it a moment to paint.
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep -q '"VORDA Ver1.03"' && break
  sleep 0.1
done
sleep 1
shot="$VORDA_BUILD/screenshot.png"
import -window root "$shot"
echo "$shot"
