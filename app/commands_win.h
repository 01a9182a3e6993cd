// What the menu, the toolbar and files dropped on the main window make the program do.
#pragma once

#include "common/wide_win.h"

#include <shellapi.h>

// The command table of the menu and the toolbar; any other identifier does nothing.
LRESULT on_command(HWND window, int command);

// One dropped file becomes the current file; more than one is refused. The drop is always
// released.
LRESULT on_drop_files(HWND window, HDROP drop);
