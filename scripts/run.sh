#!/usr/bin/env bash
# Builds vorda.exe and the manual and runs the program under Wine in the project's own prefix.
#   scripts/run.sh [file]
# It opens the file, or without one the sample file samples/sample.bin. The program starts in
# build/dist, which holds vorda.exe and vorda_manual.pdf side by side: the help command opens
# the manual by its bare name, from the current directory. With a display it runs
# interactively. Without one it runs under Xvfb, saves a screenshot of the window, prints the
# screenshot's path and closes the program.
# Installs the Debian packages it needs on first use.
set -euo pipefail
source "$(dirname "$0")/common.sh"
# A relative file name is the caller's, so resolve it before leaving the caller's folder.
file=$(realpath "${1:-$VORDA_ROOT/samples/sample.bin}")
cd "$VORDA_ROOT"

need_packages "${CROSS_PACKAGES[@]}" x11-utils

configure_cross
cmake --build "$VORDA_BUILD/cross" --target vorda -j "$(nproc)"
scripts/build-manual.sh >/dev/null
wine_prefix

dist="$VORDA_BUILD/dist"
mkdir -p "$dist"
cp "$VORDA_BUILD/cross/vorda.exe" "$VORDA_BUILD/vorda_manual.pdf" "$dist/"
exe="$dist/vorda.exe"
# Wine quotes an argument with blanks, so such a path arrives as one.
args=("$(winepath -w "$file" 2>/dev/null)")

cd "$dist"
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" "${args[@]}"
fi

start_wine_display
wine "$exe" "${args[@]}" >/dev/null 2>&1 &
program=$!
# Wait for the main window to be on the screen, then give it a moment to paint.
window=""
for _ in $(seq 200); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"VORDA Ver1.03"/ { print $1; exit }')
  [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable' && break
  window=""
  sleep 0.1
done
if [ -z "$window" ]; then
  say "the program's window did not appear"
  exit 1
fi
sleep 1
shot="$VORDA_BUILD/screenshot.png"
import -window "$window" "$shot"
# Closed as a user would close it: taskkill without /f asks the window to close.
wine taskkill /im vorda.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
echo "$shot"
