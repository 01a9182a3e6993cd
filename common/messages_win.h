// Every message box of the window program, each owned by `owner`: the texts are in res/texts.h,
// the caption, icon and buttons here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/text.h"
#include "common/wide_win.h"

// The file error message with the system's code and the warning icon: a file that cannot be
// opened, read, created or written. caption: CAPTION_OPEN_ERROR or CAPTION_SAVE_ERROR.
void show_file_error(HWND owner, const char16_t *path, DWORD code, const char16_t *caption);

// Tells the user that a path is too long to be used, rather than open a cut one.
// limit: the most characters the path may have where it was given.
void show_path_too_long(HWND owner, const char16_t *path, size_t limit = PATH_CAPACITY - 1);

// A view or a step asked for while no file is chosen.
void show_no_file_set(HWND owner);

// An export asked for while no file is chosen.
void show_open_file_first(HWND owner);

// The source of an export is empty: there is nothing to convert.
void show_empty_source(HWND owner, const char16_t *path);

// A file is at the destination: may it be replaced? True when the user says Yes.
bool ask_overwrite(HWND owner);

// An export is complete, after this many milliseconds.
void show_completion(HWND owner, uint32_t milliseconds);

// More than one file was dropped on the window.
void show_drop_refused(HWND owner);

// The shell could not open the manual.
void show_manual_missing(HWND owner);
