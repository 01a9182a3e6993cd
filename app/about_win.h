// The About dialog.
#pragma once

#include "common/wide_win.h"

// Shows dialog IDD_ABOUT modally; 1 when closed with its button, 0 when closed from its frame.
INT_PTR show_about(HWND owner);
