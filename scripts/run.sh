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
# Wait for the main window to be on the screen, then give it a moment to paint. A file that
# cannot be opened shows its message box from within the window's creation, before the window
# itself: that box is what the user sees then, so it is captured and reported instead.
window="" title=""
for _ in $(seq 200); do
  while read -r id name; do
    xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || continue
    window=$id title=$name
    [ "$name" = "VORDA Ver1.03" ] && break
  done < <(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": ("vorda.exe".*/\1 \2/p')
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || { say "the program ended before its window appeared"; exit 1; }
  sleep 0.1
done
if [ -z "$window" ]; then
  say "the program's window did not appear"
  exit 1
fi
sleep 1
shot="$VORDA_BUILD/screenshot.png"
import -window "$window" "$shot"
if [ "$title" != "VORDA Ver1.03" ]; then
  say "vorda.exe shows a \"$title\" message box instead of its window ($file); the screenshot shows its text"
fi
# Closed as a user would close it: taskkill without /f asks the window to close.
wine taskkill /im vorda.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill "$program" 2>/dev/null || true
echo "$shot"
[ "$title" = "VORDA Ver1.03" ]
