// The edit view and the renderer that shows one segment of the current file in it.
#pragma once

#include "common/wide_win.h"
#include "view/segment_text.h"

extern HWND view_window;
extern HFONT view_font;

// Shared with nothing else at the same time: the renderer refills it on every rendering.
extern uint8_t segment_buffer[SEGMENT_BUFFER_SIZE];
extern char16_t view_text[VIEW_TEXT_CAPACITY];

constexpr int VIEW_TOP = 26;
constexpr int VIEW_HEIGHT = 506;
constexpr int view_width(ViewMode mode) { return line_stride(mode) == 87 ? 570 : 460; }

void create_view(HWND window, const CREATESTRUCTW *creation);

// Reads segment `index` of an open file into segment_buffer: one seek and one block read,
// whatever the index. Returns the bytes read; the rest of the buffer is zero.
uint32_t read_segment(HANDLE file, int64_t index);

void render_segment(HWND owner, ViewMode mode);
