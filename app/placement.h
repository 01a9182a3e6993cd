// Where the main window goes on the screen. Portable: no windows.h here.
#pragma once

constexpr int MAIN_WINDOW_WIDTH = 586;
constexpr int MAIN_WINDOW_HEIGHT = 620;
// The window is centred as if it were 612 pixels high, so it opens 4 pixels below the true
// centre.
constexpr int MAIN_WINDOW_CENTRING_HEIGHT = 612;

struct WindowPlacement {
    int left, top, width, height;
};

// Centred on a screen of the given size. The divisions are signed and truncate toward zero, so
// on a screen smaller than the window the offsets are negative and the window is cut evenly.
constexpr WindowPlacement main_window_placement(int screen_width, int screen_height)
{
    return WindowPlacement{(screen_width - MAIN_WINDOW_WIDTH) / 2, (screen_height - MAIN_WINDOW_CENTRING_HEIGHT) / 2,
                           MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT};
}

static_assert(main_window_placement(1024, 768).left == 219 && main_window_placement(1024, 768).top == 78);
