#!/usr/bin/env bash
# Builds the user manual, build/vorda_manual.pdf, from docs/manual/ with WeasyPrint.
#   scripts/build-manual.sh [--force] [--preview]
# Does nothing when the PDF is newer than everything it is made from, unless --force.
# --preview also renders every page to build/manual/preview/page-N.png for a look.
# Installs the Debian packages it needs on first use.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$VORDA_ROOT"

force=0 preview=0
for a in "$@"; do
  case "$a" in
    --force) force=1 ;;
    --preview) preview=1 ;;
    *) echo "usage: scripts/build-manual.sh [--force] [--preview]" >&2; exit 2 ;;
  esac
done

# The fonts' subsets carry a time: the commit's, so that one commit gives one PDF.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}

pdf="$VORDA_BUILD/vorda_manual.pdf"
stage="$VORDA_BUILD/manual"
inputs=(docs/manual docs/screenshot.png res/vorda.rc res/texts.h scripts/build-manual.sh scripts/prepare-manual.py
        scripts/render-manual.py)

if [ "$force" -eq 0 ] && [ -f "$pdf" ] && [ -z "$(find "${inputs[@]}" -newer "$pdf" -print -quit)" ]; then
  [ "$preview" -eq 0 ] && { echo "$pdf"; exit 0; }
else
  need_packages "${MANUAL_PACKAGES[@]}"
  say "building the manual"
  rm -rf "$stage"
  mkdir -p "$stage"
  # Copies the source into the stage with its figures resolved (a missing required picture
  # stops here) and checks that the manual quotes every text of the menus and dialogs, and the
  # program's other texts, all in res/texts.h.
  # Debian's own interpreter, which has Debian's Pillow, whatever python3 comes first in PATH.
  /usr/bin/python3 scripts/prepare-manual.py docs/manual "$stage" res/vorda.rc res/texts.h app common document view export
  # Pango's warnings about fonts are real failures for a Japanese text: show them.
  /usr/bin/python3 scripts/render-manual.py "$stage" "$pdf.tmp"
  # Every face must be an embedded IPA face: one that is not embedded would be replaced by
  # whatever the reader has, often one without Japanese glyphs, and any other face means that
  # a character fell back to a font the manual does not mean to use.
  fonts=$(pdffonts "$pdf.tmp" | tail -n +3)
  bad=$(awk '$1 !~ /^[A-Z]+\+IPAP?(Gothic|Mincho)$/ || $(NF-4) != "yes"' <<<"$fonts")
  for face in IPAPMincho IPAPGothic IPAGothic; do
    grep -q "+$face " <<<"$fonts" || bad+=$'\n'"$face is missing"
  done
  if [ -n "$bad" ]; then
    echo "the manual's fonts are not the embedded IPA faces:" >&2
    echo "$bad" >&2
    rm -f "$pdf.tmp"
    exit 1
  fi
  mv "$pdf.tmp" "$pdf"
fi

if [ "$preview" -eq 1 ]; then
  need_packages poppler-utils
  rm -rf "$stage/preview"
  mkdir -p "$stage/preview"
  pdftoppm -r 80 -png "$pdf" "$stage/preview/page"
  say "pages rendered to $stage/preview"
fi
echo "$pdf"
