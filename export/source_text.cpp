#include "export/source_text.h"

#include <cstring>

namespace {

// Units of a cell and its comma in a shape's lines.
constexpr size_t cell_length(LineShape shape) { return cell_length(cell_format(shape)); }

static_assert(line_body_length(ExportFormat::C) == 16 * cell_length(ExportFormat::C) + 2);
static_assert(line_body_length(ExportFormat::Asm) == 16 * cell_length(ExportFormat::Asm) - 1 + 2);

// ASCII text, which is the same in either encoding, unit for unit.
template <class Unit> Unit *put(Unit *p, const char *s, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] = Unit(s[i]);
    return p + n;
}

template <class Unit> Unit *put_spaces(Unit *p, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] = Unit(' ');
    return p + n;
}

template <class Unit> Unit *put_line_end(Unit *p)
{
    p[0] = Unit('\r');
    p[1] = Unit('\n');
    return p + 2;
}

char16_t *put_label(char16_t *p, const Label &label)
{
    std::memcpy(p, label.units, label.length * sizeof *p);
    return p + label.length;
}

char *put_label(char *p, const Label &label) { return p + utf16_to_utf8(label.units, label.length, p); }

template <class Unit> Unit *put_start(Unit *p, const LineStart<Unit> &start)
{
    std::memcpy(p, start.units, start.length * sizeof *p);
    return p + start.length;
}

// n cells (1 to 256), each with its comma. All but the last are copied whole rows at a time,
// spilling into the place of the next cell; the last is copied exactly, so nothing lands past
// the line.
template <LineShape shape, class Unit> Unit *all_cells(const uint8_t *bytes, size_t n, bool lower, Unit *p)
{
    const CellRows<Unit> &rows = cell_rows<Unit>(cell_format(shape), lower);
    constexpr size_t width = cell_length(shape);
    for (size_t i = 0; i + 1 < n; i++, p += width)
        std::memcpy(p, rows[bytes[i]], sizeof rows[0]);
    std::memcpy(p, rows[bytes[n - 1]], width * sizeof *p);
    return p + width;
}

// n cells (1 to 16) of a line, each with its comma but the 16th of a row.
template <LineShape shape, class Unit> Unit *put_cells(const uint8_t *bytes, size_t n, bool lower, Unit *p)
{
    p = all_cells<shape>(bytes, n, lower, p);
    return is_row(shape) && n == 16 ? p - 1 : p;
}

template <class Unit> Unit *put_cells(ExportFormat format, const uint8_t *bytes, size_t n, Unit *p)
{
    return format == ExportFormat::C   ? put_cells<LineShape::C>(bytes, n, false, p)
         : format == ExportFormat::Asm ? put_cells<LineShape::Asm>(bytes, n, false, p)
                                       : put_cells<LineShape::Basic>(bytes, n, false, p);
}

template <LineShape shape, class Unit>
Unit *full_lines(const LineStart<Unit> &start, bool lower, const uint8_t *bytes, size_t lines, Unit *out)
{
    for (size_t line = 0; line < lines; line++, bytes += LINE_CELLS) {
        out = put_cells<shape>(bytes, LINE_CELLS, lower, put_start(out, start));
        out = put(out, line_end(shape), is_window_shape(shape) ? 2 : 1);
    }
    return out;
}

template <class Unit> size_t ruler(ExportFormat format, const Label &label, Unit *out)
{
    Unit *p = format == ExportFormat::C   ? put(out, "\t//", 3)
            : format == ExportFormat::Asm ? put(put_spaces(out, label.length), "    ;", 5)
                                          : put(out, "\t'", 2);
    // Spaces after each digit: the step from digit to digit is one cell's width.
    size_t gap = cell_length(format) - 1;
    for (unsigned digit = 0; digit < 16; digit++) {
        *p++ = Unit(hex_digit(digit));
        p = put_spaces(p, gap);
    }
    p = put_line_end(p);
    return size_t(p - out);
}

template <class Unit> size_t declaration(ExportFormat format, const Label &label, Unit *out)
{
    Unit *p = format == ExportFormat::C   ? put(put_label(put(out, "BYTE ", 5), label), "[]={\r\n", 6)
            : format == ExportFormat::Asm ? put(put_label(out, label), " DB ", 4)
                                          : put(put_label(put(out, "Dim ", 4), label), "() As Byte = {\r\n", 16);
    return size_t(p - out);
}

} // namespace

Label label_from(const char16_t *text)
{
    Label label{};
    while (label.length < LABEL_MAX && text[label.length] != 0) {
        label.units[label.length] = text[label.length];
        label.length++;
    }
    return label;
}

template <class Unit> LineStart<Unit> line_start(ExportFormat format, const Label &label)
{
    LineStart<Unit> start{};
    Unit *p = start.units;
    p = format == ExportFormat::Asm ? put(put_spaces(p, label.length), " DB ", 4) : put(p, "\t", 1);
    start.length = size_t(p - start.units);
    return start;
}

template <class Unit>
Unit *scalar_lines(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t lines, Unit *out)
{
    return format == ExportFormat::C   ? full_lines<LineShape::C>(start, false, bytes, lines, out)
         : format == ExportFormat::Asm ? full_lines<LineShape::Asm>(start, false, bytes, lines, out)
                                       : full_lines<LineShape::Basic>(start, false, bytes, lines, out);
}

char *scalar_lines(LineShape shape, bool lower, const LineStart<char> &start, const uint8_t *bytes, size_t lines,
                   char *out)
{
    switch (shape) {
    case LineShape::List: return full_lines<LineShape::List>(start, lower, bytes, lines, out);
    case LineShape::Row:  return full_lines<LineShape::Row>(start, lower, bytes, lines, out);
    default:              return scalar_lines(cell_format(shape), start, bytes, lines, out);
    }
}

char *style_cells(LineShape shape, bool lower, const uint8_t *bytes, size_t n, char *out)
{
    char *p = all_cells<LineShape::List>(bytes, n, lower, out);
    return is_row(shape) ? p - 1 : p;
}

template <class Unit>
Unit *last_lines(ExportFormat format, const LineStart<Unit> &start, const uint8_t *bytes, size_t count, Unit *out)
{
    if (count == 0)
        return out;
    Unit *p = put_cells(format, bytes, count, put_start(out, start));
    // The source's last byte never has a comma, in any format.
    if (p[-1] == Unit(','))
        p--;
    p = put_line_end(p);
    if (format != ExportFormat::Asm)
        p = put_line_end(put(p, "\t}", 2));
    return p;
}

template LineStart<char16_t> line_start(ExportFormat, const Label &);
template LineStart<char> line_start(ExportFormat, const Label &);
template char16_t *scalar_lines(ExportFormat, const LineStart<char16_t> &, const uint8_t *, size_t, char16_t *);
template char *scalar_lines(ExportFormat, const LineStart<char> &, const uint8_t *, size_t, char *);
template char16_t *last_lines(ExportFormat, const LineStart<char16_t> &, const uint8_t *, size_t, char16_t *);
template char *last_lines(ExportFormat, const LineStart<char> &, const uint8_t *, size_t, char *);

size_t ruler_text(ExportFormat format, const Label &label, char16_t *out) { return ruler(format, label, out); }
size_t ruler_text(ExportFormat format, const Label &label, char *out) { return ruler(format, label, out); }
size_t declaration_text(ExportFormat format, const Label &label, char16_t *out)
{
    return declaration(format, label, out);
}
size_t declaration_text(ExportFormat format, const Label &label, char *out)
{
    return declaration(format, label, out);
}
