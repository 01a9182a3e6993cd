#!/usr/bin/python3
"""Stages the manual's source for WeasyPrint and checks it against the program.

    prepare-manual.py SOURCE_DIR STAGE_DIR RESOURCE_SCRIPT TEXTS_HEADER [CODE_DIR ...]

- Copies SOURCE_DIR (vorda_manual.html, its style sheet) into STAGE_DIR.
- Resolves every <figure> picture: src relative to SOURCE_DIR, else data-fallback. A missing
  picture of a figure with class "optional" leaves that figure out (pictures taken by the
  end-to-end tests arrive one by one); any other missing picture stops the build.
- Crops the black margin that a screenshot of a whole Xvfb screen has around the window.
- Fails when a text of a menu or dialog of the resource script does not appear in the manual,
  so the manual cannot drift from what the program shows.
- Notes (without failing) the texts of TEXTS_HEADER (the program's other texts: messages,
  tooltips, captions) that the manual does not quote, any Japanese string literal of the code in
  CODE_DIRs, which belongs in TEXTS_HEADER, and the manual's TODO marks, so that they are seen at
  each build.
"""
import html
import re
import shutil
import sys
from pathlib import Path

from PIL import Image, ImageChops

MANUAL = "vorda_manual.html"
# Font faces the program asks for; not texts a user reads.
NOT_USER_TEXT = {"ＭＳＰゴシック", "ＭＳ Ｐゴシック", "ＭＳ ゴシック"}


def note(message):
    print(f"== manual: {message}", file=sys.stderr)


def fail(message):
    print(f"manual: {message}", file=sys.stderr)
    sys.exit(1)


def crop_black_margin(source, target):
    image = Image.open(source).convert("RGB")
    box = ImageChops.difference(image, Image.new("RGB", image.size, (0, 0, 0))).getbbox()
    if box is None:
        fail(f"{source} is all black")
    image.crop(box).save(target)


def resolve_figures(page, source_dir, stage_dir):
    (stage_dir / "images").mkdir(exist_ok=True)
    used = {}

    def figure(match):
        attributes, body = match.group(1), match.group(2)
        optional = re.search(r'class="[^"]*\boptional\b', attributes) is not None
        img = re.search(r'<img\b[^>]*?\bsrc="([^"]+)"[^>]*>', body)
        if img is None:
            fail(f"a figure without a picture: {match.group(0)[:80]}")
        fallback = re.search(r'\bdata-fallback="([^"]+)"', img.group(0))
        candidates = [img.group(1)] + ([fallback.group(1)] if fallback else [])
        found = next((source_dir / c for c in candidates if (source_dir / c).is_file()), None)
        if found is None:
            if optional:
                note(f"optional picture {img.group(1)} is not there; its figure is left out")
                return ""
            fail(f"picture {' or '.join(candidates)} (relative to {source_dir}) is missing")
        name = found.name
        if name in used and used[name] != found:
            fail(f"two pictures named {name}")
        if name not in used:
            crop_black_margin(found, stage_dir / "images" / name)
            used[name] = found
        tag = img.group(0)
        tag = re.sub(r'\s*\bdata-fallback="[^"]*"', "", tag)
        tag = tag.replace(f'src="{img.group(1)}"', f'src="images/{name}"')
        return f"<figure{attributes}>{body.replace(img.group(0), tag)}</figure>"

    return re.sub(r"<figure\b([^>]*)>(.*?)</figure>", figure, page, flags=re.S)


def visible_text(page):
    text = re.sub(r"<!--.*?-->", "", page, flags=re.S)
    text = re.sub(r"<[^>]+>", "", text)
    return html.unescape(text)


def resource_texts(resource_script):
    texts = []
    for line in resource_script.read_text(encoding="utf-8").splitlines():
        m = re.match(r'\s*(MENUITEM|POPUP|CAPTION|LTEXT|RTEXT|CTEXT|PUSHBUTTON|DEFPUSHBUTTON)\s+"([^"]*)"', line)
        if m and m.group(2):
            texts.append(m.group(2))
    return texts


def is_japanese(s):
    return any(0x3000 <= ord(c) <= 0x9FFF or 0xFF00 <= ord(c) <= 0xFFEF for c in s)


def literal_texts(f):
    """Japanese pieces of the wide string literals of a source file."""
    pieces = set()
    source = f.read_text(encoding="utf-8", errors="replace")
    for literal in re.findall(r'\b(?:L|u)"((?:[^"\\\n]|\\.)*)"', source):
        # Format directives and escapes split a message into the pieces a user reads.
        for piece in re.split(r"%[-+0-9]*[a-zA-Z]|\\[rnt0]", literal):
            piece = piece.strip()
            if piece and is_japanese(piece) and piece not in NOT_USER_TEXT:
                pieces.add(piece)
    return sorted(pieces)


def stray_texts(code_dirs, texts_header):
    """Japanese texts written in the code instead of the texts' header."""
    found = []
    for d in code_dirs:
        for f in sorted(Path(d).rglob("*")):
            if f.suffix in (".cpp", ".h") and f.is_file() and f.resolve() != texts_header.resolve():
                found += [(piece, str(f)) for piece in literal_texts(f)]
    return found


def main():
    if len(sys.argv) < 5:
        fail(__doc__)
    source_dir, stage_dir, resource_script = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
    texts_header = Path(sys.argv[4])
    code_dirs = sys.argv[5:]

    for f in source_dir.iterdir():
        if f.is_file() and f.suffix in (".html", ".css"):
            shutil.copy(f, stage_dir / f.name)
    page = (source_dir / MANUAL).read_text(encoding="utf-8")
    text = visible_text(page)

    missing = [t for t in resource_texts(resource_script) if t not in text]
    if missing:
        fail("texts of the program's menus and dialogs that the manual does not quote:\n  "
             + "\n  ".join(missing))
    for piece in literal_texts(texts_header):
        if piece not in text:
            note(f"the manual does not quote {piece!r} ({texts_header})")
    for piece, where in stray_texts(code_dirs, texts_header):
        note(f"a text of the program outside {texts_header}: {piece!r} ({where})")
    for todo in re.findall(r'<[^>]*class="todo"[^>]*>(.*?)</', page, flags=re.S):
        note(f"TODO left in the manual: {visible_text(todo).strip()}")

    # Comments go first: one that speaks of a <figure> must not be taken for one.
    page = resolve_figures(re.sub(r"<!--.*?-->", "", page, flags=re.S), source_dir, stage_dir)
    (stage_dir / MANUAL).write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
