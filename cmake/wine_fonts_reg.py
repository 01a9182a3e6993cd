#!/usr/bin/python3
"""The font settings of the project's Wine prefix, as a .reg file for a user's own prefix.

    wine_fonts_reg.py SETTINGS OUTPUT

SETTINGS is scripts/wine-settings.reg (UTF-8, LF). OUTPUT keeps its header and the sections of
the font keys (Wine's replacements of faces, the system's font links), each with the comment
before it; the rest serves only the tests' prefix (unmanaged windows under Xvfb, the .pdf
association). It is written as regedit reads a Unicode .reg file, and as Windows writes one:
UTF-16LE with a byte-order mark, CR LF line ends.
"""
import sys

FONT_KEYS = ("\\Software\\Wine\\Fonts\\", "\\FontLink\\")
HEADER = "Windows Registry Editor Version 5.00"
INTRO = [
    "; VORDA's Japanese texts under Wine: the faces the program asks for, mapped onto the IPA and",
    "; VL Gothic fonts (Debian and Ubuntu: fonts-ipafont-gothic, fonts-vlgothic). Import it into the",
    "; Wine prefix with: wine regedit wine-fonts.reg",
]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = sys.argv[1:]
    text = open(source, encoding="utf-8").read()
    # Blocks are separated by blank lines: a block is its comments, its key and its values.
    blocks = [b.strip("\n") for b in text.split("\n\n")]
    if not blocks or blocks[0] != HEADER:
        sys.exit("%s does not begin with '%s' alone" % (source, HEADER))
    kept = [b for b in blocks[1:] if any(line.startswith("[") and any(k in line for k in FONT_KEYS)
                                         for line in b.split("\n"))]
    if not kept:
        sys.exit("%s has no font settings" % source)
    lines = [HEADER, ""] + INTRO
    for block in kept:
        lines += [""] + block.split("\n")
    with open(output, "wb") as f:
        f.write(b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le"))


if __name__ == "__main__":
    main()
