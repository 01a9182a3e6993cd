#include "view/renderer_win.h"

#include "common/messages_win.h"
#include "common/module_win.h"
#include "document/document_win.h"
#include "res/resource.h"
#include "res/texts.h"

HWND view_window;
HFONT view_font;

namespace {

// Refilled by every rendering.
uint8_t segment_buffer[SEGMENT_BUFFER_SIZE];
char16_t view_text[VIEW_TEXT_CAPACITY];

// The edit control's text limit, in characters: the text buffer's size in bytes, twice what the
// buffer can hold and room for any segment's text.
constexpr int VIEW_TEXT_LIMIT = int(sizeof(char16_t) * VIEW_TEXT_CAPACITY);
static_assert(VIEW_TEXT_LIMIT == 788480 && segment_text_length(SEGMENT_SIZE, ViewMode::C) < VIEW_TEXT_LIMIT);

} // namespace

uint32_t read_segment(HANDLE file, int64_t index)
{
    ZeroMemory(segment_buffer, sizeof segment_buffer);
    LARGE_INTEGER offset;
    offset.QuadPart = index << SEGMENT_SHIFT;
    if (!SetFilePointerEx(file, offset, nullptr, FILE_BEGIN))
        return 0;
    // ReadFile may deliver less than asked before the end of the file (network files, for one).
    uint32_t total = 0;
    while (total < SEGMENT_SIZE) {
        DWORD got = 0;
        if (!ReadFile(file, segment_buffer + total, SEGMENT_SIZE - total, &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

void create_view(HWND window)
{
    // The face is "ＭＳＰゴシック", without the space of the dialogs' "ＭＳ Ｐゴシック" (res/vorda.rc),
    // on purpose: a name of its own, which the font mapper resolves by its Shift-JIS character set
    // and fixed pitch where no face has it, and which the Wine prefix maps to a face of fixed
    // pitch apart from the dialogs' (scripts/wine-settings.reg), so the hex dump keeps its columns.
    view_font = CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"ＭＳＰゴシック");
    view_window = CreateWindowExW(0, L"EDIT", nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                                  0, VIEW_TOP, VIEW_WIDE, VIEW_CREATED_HEIGHT, window, HMENU(IDC_VIEW),
                                  program_module(), nullptr);
    SendMessageW(view_window, EM_LIMITTEXT, VIEW_TEXT_LIMIT, 0);
    SendMessageW(view_window, WM_SETFONT, WPARAM(view_font), TRUE);
    SetFocus(view_window);
}

void render_segment(HWND owner, ViewMode mode)
{
    SetWindowPos(view_window, HWND_TOP, 0, VIEW_TOP, view_width(mode), VIEW_HEIGHT, SWP_SHOWWINDOW);
    clamp_segment_index();

    if (document.source_path[0] == 0) {
        show_no_file_set(owner);
        return;
    }
    HANDLE file = CreateFileW(wide(document.source_path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        show_file_error(owner, document.source_path, GetLastError(), CAPTION_OPEN_ERROR);
        return;
    }

    uint32_t count = read_segment(file, document.segment_index);
    // A short placeholder first, so the control lets go of the old text before the new one.
    SetWindowTextW(view_window, L" ");
    format_segment(segment_buffer, count, mode, document.segment_index, view_text);
    SetWindowTextW(view_window, wide(view_text));
    CloseHandle(file);

    update_status_bar();
    document.current_view_mode = mode;
}
