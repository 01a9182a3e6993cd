// The text of an exported file: a ruler line, a declaration and the data lines of 16 bytes each,
// in C, assembler or BASIC notation. Concatenated in that order the pieces are the whole file.
// Each piece can be built in UTF-16 (char16_t units) or in UTF-8 (char units): every character
// the text has of its own is ASCII, one unit in either, so only the data name differs.
// Pure: no files, no windows, no globals. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/cells.h"
#include "common/utf8.h"
#include "document/document.h"

constexpr size_t LABEL_MAX = LABEL_CAPACITY - 1; // 15: the settings dialog reads no more

// The data name, at most LABEL_MAX units, with its length worked out once: the assembler
// indents every continuation line by it.
struct Label {
    char16_t units[LABEL_MAX];
    size_t length;
};

// The first LABEL_MAX units of a terminated string, or fewer up to its terminator.
Label label_from(const char16_t *text);

// The data name proposed when none is given: the settings dialog's, and bin2src's.
constexpr char16_t DEFAULT_LABEL[] = u"exe_dt";

// The shape of a full line of 16 cells after its start: the window's three formats, whose lines
// end in CR LF, and the two of the build styles (export/source_style.h), whose lines end in LF
// and whose cells are C's: a List goes on from line to line, so every cell has its comma (the
// C initialisers), a Row stands alone and its last cell has none (.byte and db lines). The
// window's assembler lines are rows too.
enum class LineShape { C, Asm, Basic, List, Row };
constexpr LineShape line_shape(ExportFormat format)
{
    return format == ExportFormat::C ? LineShape::C : format == ExportFormat::Asm ? LineShape::Asm : LineShape::Basic;
}
constexpr bool is_window_shape(LineShape shape)
{
    return shape == LineShape::C || shape == LineShape::Asm || shape == LineShape::Basic;
}
constexpr bool is_row(LineShape shape) { return shape == LineShape::Asm || shape == LineShape::Row; }
// The format whose cells a shape's lines hold.
constexpr ExportFormat cell_format(LineShape shape)
{
    return shape == LineShape::Asm     ? ExportFormat::Asm
         : shape == LineShape::Basic ? ExportFormat::Basic
                                     : ExportFormat::C;
}
constexpr CellForm cell_form(LineShape shape) { return cell_form(cell_format(shape)); }
constexpr const char *line_end(LineShape shape) { return is_window_shape(shape) ? "\r\n" : "\n"; }

// Exact lengths in units, for a label of `label` units. In UTF-8 the declaration holds the
// label's bytes: give their count there; everywhere else `label` counts UTF-16 units in either
// encoding, for it is the width of the assembler's indentation.
constexpr size_t ruler_length(ExportFormat format, size_t label)
{
    // C: TAB "//", 16 × (digit, 4 spaces), CR LF = 85. Asm: L spaces, 4 spaces ";", 16 × (digit,
    // 3 spaces), CR LF. Basic: TAB "'", 16 × (digit, 4 spaces), CR LF = 84.
    return format == ExportFormat::C   ? 1 + 2 + 16 * (1 + 4) + 2
         : format == ExportFormat::Asm ? label + 4 + 1 + 16 * (1 + 3) + 2
                                       : 1 + 1 + 16 * (1 + 4) + 2;
}

constexpr size_t declaration_length(ExportFormat format, size_t label)
{
    return format == ExportFormat::C   ? 5 + label + 4 + 2       // "BYTE ", label, "[]={", CR LF
         : format == ExportFormat::Asm ? label + 4               // label, " DB "; the first data line goes on
                                       : 4 + label + 10 + 4 + 2; // "Dim ", label, "() As Byte", " = {", CR LF
}

// Worst cases, which the callers' buffers are sized by.
constexpr size_t RULER_TEXT_MAX = ruler_length(ExportFormat::Asm, LABEL_MAX); // 15 + 71 = 86
constexpr size_t DECLARATION_TEXT_MAX = declaration_length(ExportFormat::Basic, LABEL_MAX); // 20 + 15 = 35
constexpr size_t DECLARATION_UTF8_MAX = declaration_length(ExportFormat::Basic, LABEL_MAX * UTF8_PER_UNIT_MAX); // 65

static_assert(ruler_length(ExportFormat::C, 0) == 85 && ruler_length(ExportFormat::Basic, 0) == 84);
static_assert(ruler_length(ExportFormat::Asm, 0) == 71 && RULER_TEXT_MAX == 86);
static_assert(RULER_TEXT_MAX >= ruler_length(ExportFormat::C, LABEL_MAX));
static_assert(DECLARATION_TEXT_MAX == 35);
static_assert(DECLARATION_TEXT_MAX >= declaration_length(ExportFormat::C, LABEL_MAX));

// Each writes its piece at out, which has room for the worst case above, and returns its
// length. Nothing is written past the piece and nothing terminates it: the pieces are
// concatenated.
size_t ruler_text(ExportFormat format, const Label &label, char16_t *out);
size_t declaration_text(ExportFormat format, const Label &label, char16_t *out);
// The same in UTF-8; out holds DECLARATION_UTF8_MAX bytes for a declaration.
size_t ruler_text(ExportFormat format, const Label &label, char *out);
size_t declaration_text(ExportFormat format, const Label &label, char *out);

// The data, line by line. A line opens with its start: TAB in C and Basic, L spaces and " DB "
// in Asm, nothing on the file's first Asm line, which goes on from the declaration.
constexpr size_t LINE_START_MAX = LABEL_MAX + 4;
template <class Unit> struct LineStart {
    Unit units[32]; // LINE_START_MAX, and room for whole vector loads
    size_t length;
};
static_assert(sizeof(LineStart<char>::units) >= LINE_START_MAX);

template <class Unit> LineStart<Unit> line_start(ExportFormat format, const Label &label);

// A full line after its start: 16 cells and the line end. C and Basic: 16 × 5 + 2; Asm: 16 × 4 - 1 + 2;
// List 16 × 5 + 1; Row 16 × 5 - 1 + 1.
constexpr size_t line_body_length(LineShape shape)
{
    return LINE_CELLS * cell_length(cell_format(shape)) - (is_row(shape) ? 1 : 0) + length_of(line_end(shape));
}
constexpr size_t line_body_length(ExportFormat format) { return line_body_length(line_shape(format)); }
static_assert(line_body_length(ExportFormat::Asm) == 65 && line_body_length(ExportFormat::C) == 82 &&
              line_body_length(LineShape::List) == 81 && line_body_length(LineShape::Row) == 80);
// The file's last line, of any length, and in C and Basic the closing line after it.
constexpr size_t LAST_LINES_MAX = LINE_START_MAX + line_body_length(ExportFormat::C) + 4;

// `lines` full lines of 16 bytes each: start, cells and CR LF, every cell with its comma but the
// 16th of an assembler line. The reference line kernel, and the fallback: it writes exactly
// the lines and returns their end.
template <class Unit>
Unit *scalar_lines(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t lines, Unit *out);
// The same for any shape, with upper- or lower-case digits.
char *scalar_lines(LineShape shape, bool lower, const LineStart<char> &start, const uint8_t *bytes, size_t lines,
                   char *out);

// n cells (1 to 256) of the build styles, "0x41," each; a row's last cell goes without its comma.
// Returns their end.
char *style_cells(LineShape shape, bool lower, const uint8_t *bytes, size_t n, char *out);

// The file's last line, 1 to 16 bytes: start, cells, no comma after the last, CR LF, and in C
// and Basic the closing line TAB "}" CR LF. Returns its end.
template <class Unit>
Unit *last_lines(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t count, Unit *out);
