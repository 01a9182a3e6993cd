// A byte's cell, the same in the view's renderings and in the exported text: "0x41,", "41H,"
// or "&H41,". Every cell of every format is built once, at compile time, and the view, the
// export and bin2src copy them. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/digits.h"
#include "common/text.h"
#include "document/document.h"

constexpr size_t LINE_CELLS = 16; // source bytes per line, in the view and in the exported text

// A byte's cell is `before`, its high digit, its low digit, `after`, and a comma, which the 16th
// cell of an exported assembler line goes without (each DB line stands alone).
struct CellForm {
    const char *before;
    const char *after;
};

// C's form for C, assembler's for Asm, BASIC's for anything else.
constexpr CellForm cell_form(ViewMode format)
{
    return format == ViewMode::C ? CellForm{"0x", ""} : format == ViewMode::Asm ? CellForm{"", "H"} : CellForm{"&H", ""};
}

// Units of a cell and its comma: 5 in C and Basic ("0x41,", "&H41,"), 4 in Asm ("41H,").
constexpr size_t cell_length(ViewMode format)
{
    return length_of(cell_form(format).before) + 2 + length_of(cell_form(format).after) + 1;
}

static_assert(cell_length(ViewMode::C) == 5 && cell_length(ViewMode::Asm) == 4 && cell_length(ViewMode::Basic) == 5);

// The cells sit in rows of eight units, so that a fast writer can copy a whole row for a cell
// and let the next cell overwrite the spare units. Each carries its comma.
constexpr size_t CELL_ROW = 8;

template <class Unit> using CellRows = Unit[256][CELL_ROW];

// C, Asm and Basic, then C's with lower-case digits, which only bin2src's build styles write.
template <class Unit> struct CellTable {
    CellRows<Unit> rows[4];
};
constexpr int LOWER_C_CELLS = 3;

template <class Unit> constexpr CellTable<Unit> make_cells()
{
    CellTable<Unit> t{};
    for (int f = 0; f <= LOWER_C_CELLS; f++) {
        bool lower = f == LOWER_C_CELLS;
        CellForm form = lower ? cell_form(ViewMode::C) : cell_form(ViewMode(f + 1));
        for (unsigned b = 0; b < 256; b++) {
            Unit *p = t.rows[f][b];
            for (const char *s = form.before; *s; s++)
                *p++ = Unit(*s);
            *p++ = Unit(hex_digit(b >> 4, lower));
            *p++ = Unit(hex_digit(b & 0xF, lower));
            for (const char *s = form.after; *s; s++)
                *p++ = Unit(*s);
            *p = Unit(',');
        }
    }
    return t;
}

// Inline: one table of each unit in the whole program, whichever files copy from it.
template <class Unit> alignas(16) inline constexpr CellTable<Unit> cells = make_cells<Unit>();

// The cells of C, Asm or Basic, or with `lower` C's with lower-case digits.
template <class Unit> constexpr const CellRows<Unit> &cell_rows(ViewMode format, bool lower = false)
{
    return cells<Unit>.rows[lower ? LOWER_C_CELLS : int(format) - 1];
}

static_assert(cell_rows<char16_t>(ViewMode::Asm)[0xFF][0] == u'F' && cell_rows<char16_t>(ViewMode::Asm)[0xFF][2] == u'H',
              "no leading zero in front of A to F");
static_assert(cell_rows<char>(ViewMode::C)[0x0A][2] == '0' && cell_rows<char>(ViewMode::C)[0x0A][3] == 'A',
              "two digits, leading zero included");
static_assert(cell_rows<char>(ViewMode::C, true)[0xB9][2] == 'b' && cell_rows<char>(ViewMode::C, true)[0xB9][3] == '9');
