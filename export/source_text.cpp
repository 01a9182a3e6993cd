#include "export/source_text.h"

#include <cstring>

namespace {

// 0 to 9, then upper-case A to F: 0x30 + v below ten, 0x37 + v from ten.
constexpr char16_t hex_digit(unsigned v) { return char16_t(v < 10 ? 0x30 + v : 0x37 + v); }

// Every byte's cell in each format, built once at compile time: a line is 16 fixed-size copies.
// Each cell carries its comma; the code takes it back where a line or the file ends. The C and
// Basic cells of five units sit in rows of eight, so that a cell is one 16-byte copy whose
// three spare units the next cell overwrites.
constexpr size_t WIDE_ROW = 8;
struct CellTable {
    char16_t c[256][WIDE_ROW];     // "0x41,"
    char16_t asm_[256][4];         // "41H,"
    char16_t basic[256][WIDE_ROW]; // "&H41,"
};

constexpr CellTable make_cells()
{
    CellTable t{};
    for (unsigned b = 0; b < 256; b++) {
        char16_t hi = hex_digit(b >> 4), lo = hex_digit(b & 0xF);
        t.c[b][0] = u'0', t.c[b][1] = u'x', t.c[b][2] = hi, t.c[b][3] = lo, t.c[b][4] = u',';
        t.asm_[b][0] = hi, t.asm_[b][1] = lo, t.asm_[b][2] = u'H', t.asm_[b][3] = u',';
        t.basic[b][0] = u'&', t.basic[b][1] = u'H', t.basic[b][2] = hi, t.basic[b][3] = lo, t.basic[b][4] = u',';
    }
    return t;
}

alignas(16) constexpr CellTable cells = make_cells();

static_assert(cells.asm_[0xFF][0] == u'F' && cells.asm_[0xFF][2] == u'H', "no leading zero in front of A to F");
static_assert(cells.c[0x0A][2] == u'0' && cells.c[0x0A][3] == u'A', "two digits, leading zero included");

char16_t *put(char16_t *p, const char16_t *s, size_t n)
{
    std::memcpy(p, s, n * sizeof *p);
    return p + n;
}

char16_t *put_spaces(char16_t *p, size_t n)
{
    for (size_t i = 0; i < n; i++)
        p[i] = u' ';
    return p + n;
}

char16_t *put_line_end(char16_t *p)
{
    p[0] = u'\r';
    p[1] = u'\n';
    return p + 2;
}

// The lines of a C or Basic chunk, whose cells are all five units wide and all end in a comma.
// All cells of a line but its last are copied whole rows at a time, spilling into the place of
// the next cell; the last is copied exactly, so nothing lands past the line.
char16_t *cell_lines(const char16_t (&table)[256][WIDE_ROW], const uint8_t *bytes, size_t count, bool is_last,
                     char16_t *p)
{
    constexpr size_t width = 5;
    for (size_t first = 0; first < count; first += 16) {
        size_t n = count - first < 16 ? count - first : 16;
        *p++ = u'\t';
        for (size_t i = 0; i + 1 < n; i++, p += width)
            std::memcpy(p, table[bytes[first + i]], sizeof table[0]);
        std::memcpy(p, table[bytes[first + n - 1]], width * sizeof *p);
        p += width;
        // The list goes on after every line but the file's last.
        if (is_last && first + n == count)
            p--;
        p = put_line_end(p);
    }
    if (is_last) {
        *p++ = u'\t';
        *p++ = u'}';
        p = put_line_end(p);
    }
    return p;
}

char16_t *asm_lines(const Label &label, const uint8_t *bytes, size_t count, uint64_t k, bool is_last, char16_t *p)
{
    for (size_t first = 0; first < count; first += 16) {
        size_t n = count - first < 16 ? count - first : 16;
        // The file's first line goes on from the declaration "label DB ".
        if (k != 0 || first != 0)
            p = put(put_spaces(p, label.length), u" DB ", 4);
        for (size_t i = 0; i < n; i++, p += 4)
            std::memcpy(p, cells.asm_[bytes[first + i]], sizeof cells.asm_[0]);
        // Every DB line stands alone: no comma after the 16th cell, nor after the file's last.
        if (n == 16 || is_last)
            p--;
        p = put_line_end(p);
    }
    return p;
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

size_t ruler_text(ViewMode format, const Label &label, char16_t *out)
{
    char16_t *p = out;
    size_t gap; // spaces after each digit: the step from digit to digit is one cell's width
    switch (format) {
    case ViewMode::C:
        p = put(p, u"\t//", 3);
        gap = 4;
        break;
    case ViewMode::Basic:
        p = put(p, u"\t'", 2);
        gap = 4;
        break;
    case ViewMode::Asm:
        p = put(put_spaces(p, label.length), u"    ;", 5);
        gap = 3;
        break;
    default:
        return 0;
    }
    for (unsigned digit = 0; digit < 16; digit++) {
        *p++ = hex_digit(digit);
        p = put_spaces(p, gap);
    }
    p = put_line_end(p);
    return size_t(p - out);
}

size_t declaration_text(ViewMode format, const Label &label, char16_t *out)
{
    char16_t *p = out;
    switch (format) {
    case ViewMode::C:
        p = put(put(put(p, u"BYTE ", 5), label.units, label.length), u"[]={\r\n", 6);
        break;
    case ViewMode::Asm:
        p = put(put(p, label.units, label.length), u" DB ", 4);
        break;
    case ViewMode::Basic:
        p = put(put(put(p, u"Dim ", 4), label.units, label.length), u"() As Byte = {\r\n", 16);
        break;
    default:
        return 0;
    }
    return size_t(p - out);
}

size_t chunk_text(ViewMode format, const Label &label, const uint8_t *bytes, size_t count, uint64_t k, bool is_last,
                  char16_t *out)
{
    if (count > CHUNK_SIZE)
        count = CHUNK_SIZE;
    if (count == 0)
        return 0;
    char16_t *p;
    switch (format) {
    case ViewMode::C:
        p = cell_lines(cells.c, bytes, count, is_last, out);
        break;
    case ViewMode::Basic:
        p = cell_lines(cells.basic, bytes, count, is_last, out);
        break;
    case ViewMode::Asm:
        p = asm_lines(label, bytes, count, k, is_last, out);
        break;
    default:
        return 0;
    }
    return size_t(p - out);
}
