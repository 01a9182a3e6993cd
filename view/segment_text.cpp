#include "view/segment_text.h"

#include <cstring>

#include "common/digits.h"

namespace {

// The hex dump's own cells and characters, built once: a line is then 16 fixed-size copies. The
// other renderings copy the exported text's cells (common/cells.h).
struct NormalTable {
    char16_t cells[256][3];
    char16_t characters[256];
};

constexpr NormalTable make_normal()
{
    NormalTable t{};
    for (unsigned b = 0; b < 256; b++) {
        t.cells[b][0] = char16_t(hex_digit(b >> 4));
        t.cells[b][1] = char16_t(hex_digit(b & 0xF));
        t.cells[b][2] = u' ';
        // Control characters would upset the edit view; the rest is shown as Latin-1.
        t.characters[b] = b < 0x20 ? u' ' : char16_t(b);
    }
    return t;
}

constexpr NormalTable normal = make_normal();
static_assert(sizeof normal.cells[0] / sizeof normal.cells[0][0] == cell_width(ViewMode::Normal));

// Four digits and a colon; in the second half of an odd segment, past 0xFFFF, five digits fill
// the field and there is no colon.
void write_address(char16_t *line, uint32_t address)
{
    size_t digits = address < 0x10000 ? ADDRESS_WIDTH - 1 : ADDRESS_WIDTH;
    for (size_t i = 0; i < digits; i++)
        line[i] = char16_t(HEX_DIGITS[address >> 4 * (digits - 1 - i) & 0xF]);
    if (digits < ADDRESS_WIDTH)
        line[digits] = u':';
}

template <ViewMode mode> size_t format_lines(const uint8_t *bytes, size_t count, uint32_t base, char16_t *out)
{
    constexpr size_t stride = line_stride(mode);
    constexpr size_t width = cell_width(mode);
    constexpr bool normal_mode = has_character_column(mode);
    const char16_t(*rows)[CELL_ROW] = normal_mode ? nullptr : cell_rows<char16_t>(shown_format(mode));
    char16_t *p = out;
    for (size_t first = 0; first < count; first += LINE_CELLS) {
        size_t n = count - first < LINE_CELLS ? count - first : LINE_CELLS;
        const uint8_t *b = bytes + first;
        char16_t *line = p;
        write_address(line, base + uint32_t(first));
        char16_t *cell = line + ADDRESS_WIDTH;
        for (size_t i = 0; i < n; i++, cell += width) {
            if constexpr (normal_mode)
                std::memcpy(cell, normal.cells[b[i]], width * sizeof *cell);
            else
                std::memcpy(cell, rows[b[i]], width * sizeof *cell);
        }
        if constexpr (normal_mode) {
            for (size_t i = n; i < LINE_CELLS; i++, cell += width)
                cell[0] = cell[1] = cell[2] = u' ';
            char16_t *ch = line + CHARACTER_COLUMN;
            for (size_t i = 0; i < n; i++)
                ch[i] = normal.characters[b[i]];
            for (size_t i = n; i < LINE_CELLS; i++)
                ch[i] = u' ';
            cell = ch + LINE_CELLS;
        }
        cell[0] = u'\r';
        cell[1] = u'\n';
        p = n == LINE_CELLS || normal_mode ? line + stride : cell + 2;
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
