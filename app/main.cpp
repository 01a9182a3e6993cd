// Stand-in entry until the application shell is built: a window with the edit view and the
// status bar, showing the file named on the command line.
#include "document/document_win.h"
#include "view/renderer.h"

static LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        create_view(window, reinterpret_cast<CREATESTRUCTW *>(lparam));
        create_status_bar(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR command_line, int show)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = main_window_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(238, 235, 218));
    wc.lpszClassName = L"Main Window";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, L"Main Window", L"VORDA Ver1.03", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 586, 620, nullptr, nullptr, instance, nullptr);
    if (command_line[0] != 0 && set_source_file(utf16(command_line)))
        render_segment(window, ViewMode::Normal);
    update_status_bar();
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
