// The Win32 shell of the document: choosing the current file and the status bar.
#pragma once

#include "common/wide_win.h"
#include "document/document.h"

extern HWND status_bar;

void create_status_bar(HWND window);
void update_status_bar();

// Makes path the current file and looks up its size (0 when it cannot be looked up).
// False, with nothing changed, when the path does not fit a path buffer.
bool set_source_file(const char16_t *path);

// The open-file dialog. 1 when a file was chosen and made current, 0 otherwise (nothing changed).
int choose_source_file(HWND owner);

// The system's open-file dialog with the program's filter and `title`, modal to owner, for the
// open command and the export's browse button. `file` (capacity units) holds the starting text
// and, when the user chooses, what was chosen; `flags` are added to OFN_NOCHANGEDIR. Whether a
// choice was made, and where its file name starts in `file`.
bool ask_file_name(HWND owner, char16_t *file, size_t capacity, const char16_t *title, DWORD flags,
                   size_t *name_offset = nullptr);
