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

// Tells the user that a path is too long to be used, rather than open a cut one.
// limit: the most characters the path may have where it was given.
void show_path_too_long(HWND owner, const char16_t *path, size_t limit = PATH_CAPACITY - 1);

// "<path>のﾌｧｲﾙが開けません" and the system's code, with the warning icon: a file that cannot be
// opened, read, created or written.
void show_file_error(HWND owner, const char16_t *path, DWORD code, const wchar_t *caption);
