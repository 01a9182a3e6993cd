// The edit view and the renderer that shows one segment of the current file in it.
#pragma once

#include "common/wide_win.h"
#include "view/segment_text.h"

extern HWND view_window;
extern HFONT view_font;

// The edit view lies under the toolbar, 26 pixels from the top of the client area. Every
// rendering sizes it 506 pixels high, 4 less than it is made, and as wide as its lines ask:
// 570 pixels for the long lines of C and BASIC (87 units), 460 for those of the hex dump and
// the assembler (71).
constexpr int VIEW_TOP = 26;
constexpr int VIEW_HEIGHT = 506;
constexpr int VIEW_CREATED_HEIGHT = 510;
constexpr int VIEW_WIDE = 570;
constexpr int VIEW_NARROW = 460;
constexpr int view_width(ViewMode mode)
{
    return line_stride(mode) > line_stride(ViewMode::Normal) ? VIEW_WIDE : VIEW_NARROW;
}
static_assert(view_width(ViewMode::C) == VIEW_WIDE && view_width(ViewMode::Basic) == VIEW_WIDE);
static_assert(view_width(ViewMode::Normal) == VIEW_NARROW && view_width(ViewMode::Asm) == VIEW_NARROW);

void create_view(HWND window);

// Reads segment `index` of an open file into the renderer's segment buffer: one seek and one
// block read, whatever the index. Returns the bytes read; the rest of the buffer is zero.
uint32_t read_segment(HANDLE file, int64_t index);

void render_segment(HWND owner, ViewMode mode);
