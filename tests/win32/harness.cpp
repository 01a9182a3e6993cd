#include "harness.h"

#include <commctrl.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "document/document_win.h"
#include "tests/shared/scratch_folder.h"
#include "view/renderer.h"

namespace {

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        create_view(window, reinterpret_cast<CREATESTRUCTW *>(lparam));
        create_status_bar(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

std::vector<SeenBox> seen_boxes;
std::vector<int> box_answers;
HHOOK box_hook;
BoxCapture *box_capture;

LRESULT CALLBACK box_hook_procedure(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = HWND(wparam);
        wchar_t class_name[64] = {};
        GetClassNameW(box, class_name, 64);
        if (std::wstring(class_name) == L"#32770") {
            SeenBox seen{};
            seen.caption = window_text(box);
            seen.text = window_text(GetDlgItem(box, 0xFFFF));
            HICON warning = LoadIconW(nullptr, IDI_WARNING);
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                    HICON(SendMessageW(child, STM_GETICON, 0, 0)) == warning)
                    seen.warning_icon = true;
            }
            // The box itself is not shown yet, so ask each button's own style.
            auto visible = [&](int id) {
                HWND b = GetDlgItem(box, id);
                return b && (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE) != 0;
            };
            seen.has_ok = visible(IDOK);
            seen.has_cancel = visible(IDCANCEL);
            seen.has_yes = visible(IDYES);
            seen.has_no = visible(IDNO);
            seen_boxes.push_back(seen);
            if (box_capture && box_capture->on_dialog && box_capture->on_dialog(box))
                return CallNextHookEx(box_hook, code, wparam, lparam);
            int answer = seen.has_ok ? IDOK : IDCANCEL;
            if (seen_boxes.size() <= box_answers.size())
                answer = box_answers[seen_boxes.size() - 1];
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), LPARAM(GetDlgItem(box, answer)));
        }
    }
    return CallNextHookEx(box_hook, code, wparam, lparam);
}

} // namespace

HWND make_host_window()
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered) {
        InitCommonControls();
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = host_procedure;
        wc.hInstance = instance;
        wc.lpszClassName = L"Test Host";
        RegisterClassExW(&wc);
        registered = true;
    }
    document = Document{};
    HWND window = CreateWindowExW(0, L"Test Host", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 586, 620, nullptr, nullptr,
                                  instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void destroy_host_window(HWND window) { DestroyWindow(window); }

std::wstring window_text(HWND window)
{
    int n = GetWindowTextLengthW(window);
    std::wstring text(size_t(n) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), n + 1);
    text.resize(size_t(got));
    return text;
}

std::wstring status_text(HWND status, int part)
{
    int n = LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, part, 0));
    if (n == 0)
        return L""; // Wine writes nothing at all for a part that has no text
    std::wstring text(size_t(n) + 1, L'#');
    SendMessageW(status, SB_GETTEXTW, part, LPARAM(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring scratch_folder() { return fresh_scratch_folder("vorda-"); }

std::wstring write_file(const std::wstring &name, const std::vector<uint8_t> &bytes)
{
    std::wstring path = name.find(L'\\') == std::wstring::npos ? scratch_folder() + L"\\" + name : name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << narrow(path);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::wstring write_sparse_file(const std::wstring &name, uint64_t size, const std::vector<uint8_t> &tail)
{
    std::wstring path = scratch_folder() + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << narrow(path);
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
    return path;
}

std::vector<uint8_t> read_file(const std::wstring &path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), block, block + got);
    CloseHandle(file);
    return bytes;
}

BoxCapture::BoxCapture(std::vector<int> answers)
{
    seen_boxes.clear();
    box_answers = std::move(answers);
    box_capture = this;
    box_hook = SetWindowsHookExW(WH_CBT, box_hook_procedure, nullptr, GetCurrentThreadId());
}

BoxCapture::~BoxCapture()
{
    UnhookWindowsHookEx(box_hook);
    box_capture = nullptr;
}

const std::vector<SeenBox> &BoxCapture::seen() const { return seen_boxes; }

std::string narrow(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
