// A stand-in for the main window around the program's edit view and status bar, and sparse
// files: shared by the Win32 tests and the render benchmark, so nothing here needs GoogleTest.
#pragma once

#include "document/document_win.h"
#include "view/renderer_win.h"

#include <commctrl.h> // after windows.h, which they need
#include <winioctl.h>

#include <cstdint>
#include <string>
#include <vector>

inline LRESULT CALLBACK host_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        create_view(window);
        create_status_bar(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// A top-level window of the main window's size, shown, with the edit view and the status bar
// created as the main window creates them.
inline HWND create_host_window()
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered) {
        InitCommonControls();
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = host_window_procedure;
        wc.hInstance = instance;
        wc.lpszClassName = L"Test Host";
        RegisterClassExW(&wc);
        registered = true;
    }
    HWND window = CreateWindowExW(0, L"Test Host", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 586, 620, nullptr, nullptr,
                                  instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

// A sparse file of the given size whose bytes are zero but for `tail` written at its end.
// False when it cannot be created.
inline bool make_sparse_file(const std::wstring &path, uint64_t size, const std::vector<uint8_t> &tail)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD unused;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(size - tail.size());
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    if (!tail.empty())
        WriteFile(file, tail.data(), DWORD(tail.size()), &unused, nullptr);
    at.QuadPart = LONGLONG(size);
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    return true;
}
