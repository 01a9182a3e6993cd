#!/usr/bin/env python3
"""Draws the toolbar strips and the program icons from the pixel art below.

    make_images.py OUTPUT_DIR

writes toolbar.bmp (207 x 16: twelve 16 x 16 cells, then a question mark in the last 15
columns), toolbar_extra.bmp (32 x 16: the help and exit pictures), vorda_large.ico (32 x 32)
and vorda_small.ico (16 x 16). The standard library is all it needs, and the same art always
gives the same bytes.

Each picture is a grid of characters, one a pixel, looked up in PALETTE. The toolbar maps
the button colours of its bitmaps onto the system's: light grey (C0C0C0) becomes the button
face and is then transparent, black becomes the button text colour, mid grey the shadow and
white the highlight. So the background is light grey, and mid grey is kept out of details.
"""

import os
import struct
import sys

PALETTE = {
    '.': (0xC0, 0xC0, 0xC0),  # button face: transparent on the toolbar
    'k': (0x00, 0x00, 0x00),
    'w': (0xFF, 0xFF, 0xFF),
    'd': (0x50, 0x50, 0x50),
    's': (0xE4, 0xE4, 0xE4),
    'n': (0x00, 0x00, 0x80),
    'b': (0x00, 0x40, 0xFF),
    'c': (0x60, 0xB0, 0xFF),
    'r': (0xD0, 0x00, 0x00),
    'm': (0x80, 0x30, 0x10),
    'e': (0x00, 0x90, 0x00),
    'y': (0xFF, 0xE0, 0x40),
    'o': (0xC0, 0x90, 0x10),
}
ORDER = list(PALETTE)  # palette index of each character

# ------------------------------------------------------------------ toolbar cells

OPEN_FILE = [
    "................",
    "..........kkk...",
    ".........k...k.k",
    "..............kk",
    ".kkkk........kkk",
    "kooook..........",
    "koooookkkkkkkk..",
    "koooooooooooook.",
    "kookkkkkkkkkkkkk",
    "kokyyyyyyyyyyyk.",
    "kokyyyyyyyyyyyk.",
    "kkyyyyyyyyyyyk..",
    "kkyyyyyyyyyyyk..",
    "kyyyyyyyyyyyk...",
    "kkkkkkkkkkkkk...",
    "................",
]

ARROWS = [
    "................",
    "...n........n...",
    "..nn........nn..",
    ".nnnnnnnnnnnnnn.",
    "..nn........nn..",
    "...n........n...",
    "................",
]

LETTERS = {
    'N': ["kk...kk", "kkk..kk", "kkkk.kk", "kkkkkkk", "kk.kkkk", "kk..kkk", "kk...kk", "kk...kk"],
    'C': [".kkkkk.", "kk...kk", "kk.....", "kk.....", "kk.....", "kk.....", "kk...kk", ".kkkkk."],
    'A': ["..kkk..", ".kk.kk.", "kk...kk", "kk...kk", "kkkkkkk", "kk...kk", "kk...kk", "kk...kk"],
    'B': ["kkkkkk.", "kk...kk", "kk...kk", "kkkkkk.", "kk...kk", "kk...kk", "kk...kk", "kkkkkk."],
}

# The same colour for a rendering wherever it appears: C blue, assembler red, BASIC green.
LETTER_COLOURS = {'N': 'k', 'C': 'b', 'A': 'r', 'B': 'e'}


def view_cell(letter):
    """A double-headed arrow over a large letter: show the file in that rendering."""
    colour = LETTER_COLOURS[letter]
    rows = list(ARROWS)
    for line in LETTERS[letter]:
        rows.append("....." + line.replace('k', colour) + "....")
    rows.append("................")
    return rows


DOWN = [
    "................",
    "................",
    "................",
    "................",
    "................",
    ".nnnnnnnnnnnnn..",
    "..nbbbbbbbbbn...",
    "...nbbbbbbbn....",
    "....nbbbbbn.....",
    ".....nbbbn......",
    "......nbn.......",
    ".......n........",
    "................",
    "................",
    "................",
    "................",
]

DOUBLE_DOWN = [
    "................",
    "................",
    "..nnnnnnnnnnn...",
    "...nbbbbbbbn....",
    "....nbbbbbn.....",
    ".....nbbbn......",
    "......nbn.......",
    ".......n........",
    "................",
    "..nnnnnnnnnnn...",
    "...nbbbbbbbn....",
    "....nbbbbbn.....",
    ".....nbbbn......",
    "......nbn.......",
    ".......n........",
    "................",
]

SMALL_LETTERS = {
    'C': [".CCCC", "CC...", "CC...", "CC...", ".CCCC"],
    'A': [".AAA.", "AA.AA", "AAAAA", "AA.AA", "AA.AA"],
    'B': ["BBBB.", "BB.BB", "BBBB.", "BB.BB", "BBBB."],
}


def disk_cell(letter):
    """A floppy disk whose label carries the letter: save in that format."""
    colour = LETTER_COLOURS[letter]
    label = [line.replace(letter, colour).replace('.', 'w') for line in SMALL_LETTERS[letter]]
    return [
        "................",
        ".kkkkkkkkkkkkk..",
        ".knnsssssssnnnk.",
        ".knnssssnnsnnnk.",
        ".knnssssnnsnnnk.",
        ".knnsssssssnnnk.",
        ".knnnnnnnnnnnnk.",
        ".knwwwwwwwwwwnk.",
    ] + [".knww" + line + "wwwnk." for line in label] + [
        ".knwwwwwwwwwwnk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    ]


QUESTION = [  # 15 columns: it fills what is left of the strip after the twelve cells
    "...............",
    ".....bbbbb.....",
    "....bbbbbbb....",
    "...bbb...bbb...",
    "...bb.....bb...",
    "..........bb...",
    ".........bbb...",
    "........bbb....",
    ".......bbb.....",
    "......bbb......",
    "......bb.......",
    "......bb.......",
    "...............",
    "......bb.......",
    "......bb.......",
    "...............",
]

EXIT = [
    "................",
    "kkkkkkkkk.......",
    "kmmmmmmmk.......",
    "kmmmmmmmk.......",
    "kmmmmmmmk..e....",
    "kmmmmmmmk..ee...",
    "kmmmmmmmk..eee..",
    "kmmmmmymkeeeeeee",
    "kmmmmmymkeeeeeee",
    "kmmmmmmmk..eee..",
    "kmmmmmmmk..ee...",
    "kmmmmmmmk..e....",
    "kmmmmmmmk.......",
    "kmmmmmmmk.......",
    "kkkkkkkkk.......",
    "................",
]

STRIP_CELLS = [
    OPEN_FILE,                 # 0 open file
    view_cell('N'),            # 1 show as a hex dump
    view_cell('C'),            # 2 show as C
    view_cell('A'),            # 3 show as assembler
    view_cell('B'),            # 4 show as BASIC
    DOWN,                      # 5 next segment
    DOWN[::-1],                # 6 previous segment
    DOUBLE_DOWN,               # 7 ten segments on
    DOUBLE_DOWN[::-1],         # 8 ten segments back
    disk_cell('C'),            # 9 save as C
    disk_cell('A'),            # 10 save as assembler
    disk_cell('B'),            # 11 save as BASIC
]


def join(cells):
    return ["".join(cell[y] for cell in cells) for y in range(16)]


def strip():
    return join(STRIP_CELLS + [QUESTION])


def extra_strip():
    return join([[line + "." for line in QUESTION], EXIT])

# ------------------------------------------------------------------ icons

FONT = {  # 5 x 7
    '0': [".kkk.", "k...k", "k..kk", "k.k.k", "kk..k", "k...k", ".kkk."],
    'x': [".....", ".....", "k...k", ".k.k.", "..k..", ".k.k.", "k...k"],
}


def canvas(size, fill='_'):
    return [[fill] * size for _ in range(size)]


def put_text(pixels, text, left, top, colour, scale):
    x = left
    for ch in text:
        for row, line in enumerate(FONT[ch]):
            for col, c in enumerate(line):
                if c != '.':
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[top + row * scale + dy][x + col * scale + dx] = colour
        x += (5 + 1) * scale


def tile(pixels, inset, colour, border):
    """A square with cut corners: the program's mark."""
    size = len(pixels)
    lo, hi = inset, size - 1 - inset
    for y in range(lo, hi + 1):
        for x in range(lo, hi + 1):
            corner = (x in (lo, hi)) and (y in (lo, hi))
            if corner:
                continue
            edge = x in (lo, hi) or y in (lo, hi) or ((x in (lo + 1, hi - 1)) and (y in (lo + 1, hi - 1)))
            pixels[y][x] = border if edge else colour


def large_icon():
    # "0x" over three bars in the colours of the renderings: bytes becoming source text.
    p = canvas(32)
    tile(p, 1, 'n', 'k')
    put_text(p, "0x", 5, 5, 'w', 2)
    for i, colour in enumerate("bre"):
        for y in range(22, 26):
            for x in range(5 + i * 8, 11 + i * 8):
                p[y][x] = colour
    return ["".join(r) for r in p]


def small_icon():
    p = canvas(16)
    tile(p, 0, 'n', 'k')
    put_text(p, "0x", 2, 3, 'w', 1)
    for i, colour in enumerate("bre"):
        for x in range(3 + i * 4, 6 + i * 4):
            p[12][x] = colour
    return ["".join(r) for r in p]

# ------------------------------------------------------------------ file formats


def check(rows, width, height, name):
    assert len(rows) == height, f"{name}: {len(rows)} rows"
    for y, row in enumerate(rows):
        assert len(row) == width, f"{name}: row {y} has {len(row)} pixels"


def bmp_8bit(rows):
    """A bottom-up 8-bit bitmap with a 256-entry colour table."""
    height, width = len(rows), len(rows[0])
    stride = (width + 3) & ~3
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE.values())
    table += b"\0" * (4 * 256 - len(table))
    bits = b"".join(bytes(ORDER.index(c) for c in row).ljust(stride, b"\0") for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + table + bits


def ico_32bit(rows):
    """An icon file with one 32-bit image; '_' is transparent."""
    size = len(rows)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = 0
        for x, c in enumerate(row):
            if c == '_':
                xor += b"\0\0\0\0"
                bits |= 1 << (mask_stride * 8 - 1 - x)
            else:
                r, g, b = PALETTE[c]
                xor += bytes((b, g, r, 255))
        mask += bits.to_bytes(mask_stride, "big")
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    images = {
        "toolbar.bmp": (strip(), 207, 16, bmp_8bit),
        "toolbar_extra.bmp": (extra_strip(), 32, 16, bmp_8bit),
        "vorda_large.ico": (large_icon(), 32, 32, ico_32bit),
        "vorda_small.ico": (small_icon(), 16, 16, ico_32bit),
    }
    for name, (rows, width, height, encode) in images.items():
        check(rows, width, height, name)
        with open(os.path.join(out, name), "wb") as f:
            f.write(encode(rows))


if __name__ == "__main__":
    main()
