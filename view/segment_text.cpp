#include "view/segment_text.h"

#include <cstring>

#include "common/digits.h"

namespace {

// Every byte's cell in every rendering, built once: a line is then 16 fixed-size copies.
struct CellTable {
    char16_t normal[256][3];
    char16_t c[256][5];
    char16_t asm_[256][4];
    char16_t basic[256][5];
    char16_t character[256];
};

constexpr CellTable make_cells()
{
    CellTable t{};
    for (int b = 0; b < 256; b++) {
        char16_t hi = char16_t(hex_digit(b >> 4)), lo = char16_t(hex_digit(b & 0xF));
        t.normal[b][0] = hi, t.normal[b][1] = lo, t.normal[b][2] = u' ';
        t.c[b][0] = u'0', t.c[b][1] = u'x', t.c[b][2] = hi, t.c[b][3] = lo, t.c[b][4] = u',';
        t.asm_[b][0] = hi, t.asm_[b][1] = lo, t.asm_[b][2] = u'H', t.asm_[b][3] = u',';
        t.basic[b][0] = u'&', t.basic[b][1] = u'H', t.basic[b][2] = hi, t.basic[b][3] = lo, t.basic[b][4] = u',';
        // Control characters would upset the edit view; the rest is shown as Latin-1.
        t.character[b] = b < 0x20 ? u' ' : char16_t(b);
    }
    return t;
}

constexpr CellTable cells = make_cells();

// Four digits and a colon; in the second half of an odd segment, past 0xFFFF, five digits fill
// the field and there is no colon.
void write_address(char16_t *line, uint32_t address)
{
    size_t digits = address < 0x10000 ? ADDRESS_WIDTH - 1 : ADDRESS_WIDTH;
    for (size_t i = 0; i < digits; i++)
        line[i] = char16_t(hex_digit(address >> 4 * (digits - 1 - i) & 0xF));
    if (digits < ADDRESS_WIDTH)
        line[digits] = u':';
}

template <ViewMode mode> size_t format_lines(const uint8_t *bytes, size_t count, uint32_t base, char16_t *out)
{
    constexpr size_t stride = line_stride(mode);
    constexpr size_t width = cell_width(mode);
    char16_t *p = out;
    for (size_t first = 0; first < count; first += 16) {
        size_t n = count - first < 16 ? count - first : 16;
        const uint8_t *b = bytes + first;
        char16_t *line = p;
        write_address(line, base + uint32_t(first));
        char16_t *cell = line + ADDRESS_WIDTH;
        for (size_t i = 0; i < n; i++, cell += width) {
            if constexpr (mode == ViewMode::Normal)
                std::memcpy(cell, cells.normal[b[i]], sizeof cells.normal[0]);
            else if constexpr (mode == ViewMode::C)
                std::memcpy(cell, cells.c[b[i]], sizeof cells.c[0]);
            else if constexpr (mode == ViewMode::Asm)
                std::memcpy(cell, cells.asm_[b[i]], sizeof cells.asm_[0]);
            else
                std::memcpy(cell, cells.basic[b[i]], sizeof cells.basic[0]);
        }
        if constexpr (mode == ViewMode::Normal) {
            for (size_t i = n; i < 16; i++, cell += width)
                cell[0] = cell[1] = cell[2] = u' ';
            char16_t *ch = line + CHARACTER_COLUMN;
            for (size_t i = 0; i < n; i++)
                ch[i] = cells.character[b[i]];
            for (size_t i = n; i < 16; i++)
                ch[i] = u' ';
            cell = ch + 16;
        }
        cell[0] = u'\r';
        cell[1] = u'\n';
        p = n == 16 || mode == ViewMode::Normal ? line + stride : cell + 2;
    }
    *p = 0;
    return size_t(p - out);
}

} // namespace

size_t format_segment(const uint8_t *bytes, size_t count, ViewMode mode, int64_t segment_index, char16_t *out)
{
    if (count > SEGMENT_SIZE)
        count = SEGMENT_SIZE;
    // Odd segments carry on from the middle of the 16-bit address range.
    uint32_t base = (segment_index & 1) ? 0x8000 : 0;
    switch (mode) {
    case ViewMode::C:
        return format_lines<ViewMode::C>(bytes, count, base, out);
    case ViewMode::Asm:
        return format_lines<ViewMode::Asm>(bytes, count, base, out);
    case ViewMode::Basic:
        return format_lines<ViewMode::Basic>(bytes, count, base, out);
    case ViewMode::Normal:
    default:
        return format_lines<ViewMode::Normal>(bytes, count, base, out);
    }
}
