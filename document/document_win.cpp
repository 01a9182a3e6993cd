#include "document/document_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include "common/messages_win.h"
#include "common/text.h"
#include "res/resource.h"
#include "res/texts.h"

HWND status_bar;

namespace {

// The size of the file at path, or 0 when it cannot be looked up: never the size of the file
// that was current before.
uint64_t look_up_size(const char16_t *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data))
        return 0;
    return uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

} // namespace

void create_status_bar(HWND window)
{
    status_bar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, L"", window, IDC_STATUS);
    int edges[5] = {300, 400, 460, 560, -1};
    SendMessageW(status_bar, SB_SETPARTS, 5, LPARAM(edges));
}

void update_status_bar()
{
    char16_t text[STATUS_TEXT_CAPACITY];
    SendMessageW(status_bar, SB_SETTEXTW, 0, LPARAM(document.source_path));
    size_status_text(text, document.file_size);
    SendMessageW(status_bar, SB_SETTEXTW, 1, LPARAM(text));
    position_status_text(text, document.segment_index, last_segment_index());
    SendMessageW(status_bar, SB_SETTEXTW, 2, LPARAM(text));
    address_status_text(text, document.segment_index);
    SendMessageW(status_bar, SB_SETTEXTW, 3, LPARAM(text));
}

bool set_source_file(const char16_t *path)
{
    if (!text_copy(document.source_path, path))
        return false;
    document.file_size = look_up_size(document.source_path);
    return true;
}

int choose_source_file(HWND owner)
{
    // The dialog's own buffer: a cancelled dialog leaves the current file untouched.
    static char16_t file_buffer[2048];
    char16_t start[PATH_CAPACITY];
    open_dialog_start_text(start, document.open_directory);
    text_copy(file_buffer, start);

    size_t name_offset;
    if (!ask_file_name(owner, file_buffer, sizeof file_buffer / sizeof file_buffer[0], OPEN_DIALOG_TITLE,
                       OFN_EXPLORER | OFN_ALLOWMULTISELECT, &name_offset))
        return 0;

    if (!set_source_file(file_buffer)) {
        show_path_too_long(owner, file_buffer);
        return 0;
    }
    // With several files selected the buffer holds the folder, then the names: the folder
    // becomes the current path, and the rendering that follows reports that it cannot be read.
    directory_of_choice(document.open_directory, file_buffer, name_offset);
    update_status_bar();
    return 1;
}

bool ask_file_name(HWND owner, char16_t *file, size_t capacity, const char16_t *title, DWORD flags, size_t *name_offset)
{
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = wide(FILE_FILTER);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = wide(file);
    ofn.nMaxFile = DWORD(capacity);
    ofn.lpstrTitle = wide(title);
    // OFN_NOCHANGEDIR: the dialog would otherwise make the chosen file's folder the current
    // directory, and the help command would no longer find the manual by its bare name.
    ofn.Flags = flags | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn))
        return false;
    if (name_offset != nullptr)
        *name_offset = ofn.nFileOffset;
    return true;
}
