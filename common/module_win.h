// The module that holds the program's resources (its menu, dialogs, pictures and icons): the
// executable itself, which links them statically, as the Win32 tests do.
#pragma once

#include <windows.h>

inline HINSTANCE program_module() { return GetModuleHandleW(nullptr); }
