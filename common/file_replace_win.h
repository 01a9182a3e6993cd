// Writing a file whole or not at all, the one way the window's export and bin2src.exe do it: the
// text goes into a temporary file beside the destination, which takes the destination's name
// only once the text is complete. Until then the old file is there as it was; a cancel or a
// failure removes the temporary file and nothing else. One destination at a time.
#pragma once

#include <windows.h>

// Prepares to write the file at `path`. `existing` is a handle on the file there now (any
// access will do) or INVALID_HANDLE_VALUE when there is none. Finds the file the path finally
// names, links followed, and keeps what the replaced file's attributes are. A folder is refused
// (ERROR_ACCESS_DENIED, as opening it for writing would be). 0 or the system's code.
DWORD replace_prepare(const wchar_t *path, HANDLE existing);

// Then creates the temporary file beside that file: `temporary` is open for writing the text.
// 0 or the system's code.
DWORD replace_begin(HANDLE &temporary);

// The file the destination's path finally names, in the \\?\ form, once replace_prepare succeeded.
const wchar_t *replace_destination();

// Gives the temporary file, closed by the caller and whole, the destination's name: over the
// file there when `replace`, otherwise only while the name is still free (ERROR_ALREADY_EXISTS
// or ERROR_FILE_EXISTS when a file took it meanwhile). A replaced file's hidden, system and
// not-indexed attributes pass to its successor. 0 or the system's code; on a failure the
// destination is as it was and the temporary file is left for replace_abandon.
DWORD replace_finish(bool replace);

// Removes the temporary file, if there is one. It is made with delete sharing, so it goes even
// while still open, as soon as its last handle closes.
void replace_abandon();

// For a handler on a thread of its own (a console's Ctrl+C): removes the temporary file and ends
// the process with `code`, the writing thread kept from renaming it meanwhile.
[[noreturn]] void replace_abandon_and_exit(UINT code);
