#include "harness.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/shared/host_window_win.h"

namespace {

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
        // A long export's progress dialog, which a slow run may show, is the export's own
        // business: neither recorded nor answered.
        if (std::wstring(class_name) == L"#32770" && window_text(box) != L"変換保存中") {
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
    document = Document{};
    return create_host_window();
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

std::wstring scratch_file(const std::wstring &name, const std::vector<uint8_t> &bytes)
{
    return write_file(scratch_folder() + L"\\" + name, bytes);
}

std::wstring write_sparse_file(const std::wstring &name, uint64_t size, const std::vector<uint8_t> &tail)
{
    std::wstring path = scratch_folder() + L"\\" + name;
    EXPECT_TRUE(make_sparse_file(path, size, tail)) << narrow(path);
    return path;
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
