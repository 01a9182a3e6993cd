// One segment's bytes as the text of the edit view, in the four renderings. Pure: no files,
// no windows, no globals. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/cells.h"
#include "common/formats.h"
#include "document/document.h"

// A rendering's two buffers: a segment and 1 KiB of slack that a read never reaches (it stays
// zero), and six units a byte of a segment and the same slack, which holds the widest text, 87
// units for each 16 bytes, and its terminator (checked below).
constexpr size_t BUFFER_SLACK = 1024;
constexpr size_t SEGMENT_BUFFER_SIZE = SEGMENT_SIZE + BUFFER_SLACK;
constexpr size_t VIEW_TEXT_CAPACITY = 6 * SEGMENT_SIZE + BUFFER_SLACK;
static_assert(SEGMENT_BUFFER_SIZE == 0x10400 && VIEW_TEXT_CAPACITY == 394240);

// A line: its address, 16 cells, in Normal the 16 characters, and CR LF. Any mode other than C,
// Asm and Basic is rendered as Normal.
constexpr bool has_character_column(ViewMode mode) { return !shows_cells(mode); }
constexpr size_t ADDRESS_WIDTH = 5; // "8000:" or, past 0xFFFF in an odd segment, "10000"
// Code units of one byte's cell: "41 " in Normal, else the exported text's "0x41,", "41H,",
// "&H41,".
constexpr size_t cell_width(ViewMode mode) { return has_character_column(mode) ? 3 : cell_length(shown_format(mode)); }
constexpr size_t CHARACTER_COLUMN = ADDRESS_WIDTH + LINE_CELLS * cell_width(ViewMode::Normal);
// Code units from the start of one line to the next, CR LF included.
constexpr size_t line_stride(ViewMode mode)
{
    return ADDRESS_WIDTH + LINE_CELLS * cell_width(mode) + (has_character_column(mode) ? LINE_CELLS : 0) + 2;
}

static_assert(CHARACTER_COLUMN == 53);
static_assert(line_stride(ViewMode::Normal) == 71 && line_stride(ViewMode::Asm) == 71);
static_assert(line_stride(ViewMode::C) == 87 && line_stride(ViewMode::Basic) == 87);

// Length of the text of count bytes (0..65,536), terminator not included. A short last line
// keeps its full width in Normal (padded with spaces so the character column stays in place)
// and ends right after its last cell in the other renderings.
constexpr size_t segment_text_length(size_t count, ViewMode mode)
{
    size_t full = count / LINE_CELLS, rest = count % LINE_CELLS;
    size_t n = full * line_stride(mode);
    if (rest != 0)
        n += has_character_column(mode) ? line_stride(mode) : ADDRESS_WIDTH + rest * cell_width(mode) + 2;
    return n;
}

static_assert(segment_text_length(SEGMENT_SIZE, ViewMode::C) + 1 <= VIEW_TEXT_CAPACITY);
static_assert(segment_text_length(SEGMENT_SIZE, ViewMode::Basic) == 356352);
static_assert(segment_text_length(SEGMENT_SIZE, ViewMode::Normal) == 290816);

// Writes the text of bytes[0..count) into out and terminates it; returns its length. count is
// cut to one segment; out holds at least segment_text_length(count, mode) + 1 units.
// Of segment_index only the parity counts: odd segments number their lines from 8000:.
size_t format_segment(const uint8_t *bytes, size_t count, ViewMode mode, int64_t segment_index, char16_t *out);
