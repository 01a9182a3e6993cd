// The main window: its class, its child controls and its window procedure.
#pragma once

#include "app/command_line.h"
#include "app/placement.h"
#include "common/wide_win.h"

extern HWND toolbar;
extern Startup startup; // read when the window is created

constexpr wchar_t MAIN_WINDOW_CLASS[] = L"Main Window";

// Registers "Main Window" with the program's icons, menu and background. 0 when that fails.
ATOM register_main_window_class();
// Creates the main window at `at`; its creation builds the child controls and opens the
// start-up file. Null when the window could not be created.
HWND create_main_window(WindowPlacement at);

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
