// A byte's cell, the same in the view's renderings and in the exported text: "0x41,", "41H,"
// or "&H41,". Every cell of every format is built once, at compile time, and the view, the
// export and bin2src copy them. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/digits.h"
#include "common/formats.h"
#include "common/text.h"

constexpr size_t LINE_CELLS = 16; // source bytes per line, in the view and in the exported text

// A byte's cell is `before`, its high digit, its low digit, `after`, and a comma, which the 16th
// cell of an exported assembler line goes without (each DB line stands alone).
struct CellForm {
    const char *before;
    const char *after;
};

constexpr CellForm cell_form(ExportFormat format)
{
    return format == ExportFormat::C   ? CellForm{"0x", ""}
         : format == ExportFormat::Asm ? CellForm{"", "H"}
                                       : CellForm{"&H", ""};
}

// Units of a cell and its comma: 5 in C and Basic ("0x41,", "&H41,"), 4 in Asm ("41H,").
constexpr size_t cell_length(ExportFormat format)
{
    return length_of(cell_form(format).before) + 2 + length_of(cell_form(format).after) + 1;
}

static_assert(cell_length(ExportFormat::C) == 5 && cell_length(ExportFormat::Asm) == 4 &&
              cell_length(ExportFormat::Basic) == 5);

// The cells sit in rows of eight units, so that a fast writer can copy a whole row for a cell
// and let the next cell overwrite the spare units. Each carries its comma.
constexpr size_t CELL_ROW = 8;

template <class Unit> using CellRows = Unit[256][CELL_ROW];

// The cells of each format, and C's with lower-case digits, which only bin2src's build styles write.
template <class Unit> struct CellTable {
    CellRows<Unit> c, assembler, basic, lower_c;
};

template <class Unit> constexpr void fill_cells(CellRows<Unit> &rows, CellForm form, bool lower)
{
    for (unsigned b = 0; b < 256; b++) {
        Unit *p = rows[b];
        for (const char *s = form.before; *s; s++)
            *p++ = Unit(*s);
        *p++ = Unit(hex_digit(b >> 4, lower));
        *p++ = Unit(hex_digit(b & 0xF, lower));
        for (const char *s = form.after; *s; s++)
            *p++ = Unit(*s);
        *p = Unit(',');
    }
}

template <class Unit> constexpr CellTable<Unit> make_cells()
{
    CellTable<Unit> t{};
    fill_cells(t.c, cell_form(ExportFormat::C), false);
    fill_cells(t.assembler, cell_form(ExportFormat::Asm), false);
    fill_cells(t.basic, cell_form(ExportFormat::Basic), false);
    fill_cells(t.lower_c, cell_form(ExportFormat::C), true);
    return t;
}

// Inline: one table of each unit in the whole program, whichever files copy from it.
template <class Unit> alignas(16) inline constexpr CellTable<Unit> cells = make_cells<Unit>();

// The cells of a format, or with `lower` C's with lower-case digits.
template <class Unit> constexpr const CellRows<Unit> &cell_rows(ExportFormat format, bool lower = false)
{
    return lower                       ? cells<Unit>.lower_c
         : format == ExportFormat::C   ? cells<Unit>.c
         : format == ExportFormat::Asm ? cells<Unit>.assembler
                                       : cells<Unit>.basic;
}

static_assert(cell_rows<char16_t>(ExportFormat::Asm)[0xFF][0] == u'F' &&
                  cell_rows<char16_t>(ExportFormat::Asm)[0xFF][2] == u'H',
              "no leading zero in front of A to F");
static_assert(cell_rows<char>(ExportFormat::C)[0x0A][2] == '0' && cell_rows<char>(ExportFormat::C)[0x0A][3] == 'A',
              "two digits, leading zero included");
static_assert(cell_rows<char>(ExportFormat::C, true)[0xB9][2] == 'b' &&
              cell_rows<char>(ExportFormat::C, true)[0xB9][3] == '9');
