#!/usr/bin/env bash
# Takes the pictures of the manual and the README from the real program under Wine and Xvfb:
# the main window in each view, the open dialog, the export settings dialog, the progress dialog
# of a long export and the About dialog, showing samples/sample.bin as C:\data\sample.bin (the
# long export converts C:\data\large.bin, made beside it, and is cancelled). The end-to-end
# screen test takes them while it checks that their Japanese texts are drawn as glyphs.
#   scripts/screenshots.sh
# Writes docs/manual/images/*.png and docs/screenshot.png (the main window).
# Installs the Debian packages it needs on first use.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

need_packages "${CROSS_PACKAGES[@]}"
configure_cross
cmake --build "$VORDA_BUILD/cross" --target e2e_screen_tests -j "$(nproc)"
wine_prefix

shots="$VORDA_BUILD/shots"
rm -rf "$shots"
mkdir -p "$shots" "$WINEPREFIX/drive_c/data"
start_wine_display
VORDA_SHOTS=$(winepath -w "$shots") VORDA_SHOT_FILE='C:\data\sample.bin' \
  wine "$VORDA_BUILD/cross/tests/e2e/e2e_screen_tests.exe" --gtest_filter='Screen.JapaneseTextsAreDrawnAsGlyphs*' \
  2>/dev/null | tr -d '\r' | grep -E '^\[ *(OK|FAILED|PASSED) *\]|Failure' >&2

images=docs/manual/images
for name in main-window view-c view-asm view-basic open-dialog export-settings export-progress about; do
  [ -f "$shots/$name.bmp" ] || { say "the test took no picture $name"; exit 1; }
  convert "$shots/$name.bmp" -strip "$images/$name.png"
  echo "$images/$name.png"
done
cp "$images/main-window.png" docs/screenshot.png
echo docs/screenshot.png
