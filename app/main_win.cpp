// The program's entry: the start-up file from the command line, the main window and the
// message loop.
#include "app/main_window_win.h"

namespace {

int run_message_loop()
{
    MSG msg;
    for (;;) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            WaitMessage();
            continue;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return int(msg.wParam);
        if (got == -1) // cannot happen with these arguments; never spin on it
            return 0;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

// The wide command line, so a path the system code page cannot spell still arrives whole.
// The start-up code has removed the program name and the blanks after it. The module is
// program_module(), as everywhere.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR command_line, int show)
{
    parse_command_line(startup, utf16(command_line));
    if (!register_main_window_class())
        return 0;

    HDC screen = GetDC(nullptr);
    WindowPlacement at = main_window_placement(GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES));
    ReleaseDC(nullptr, screen);

    HWND window = create_main_window(at);
    if (window == nullptr) // no window means nothing could ever end the message loop
        return 0;
    ShowWindow(window, show);
    UpdateWindow(window);
    return run_message_loop();
}
