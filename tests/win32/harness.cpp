#include "harness.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/shared/host_window_win.h"

HWND make_host_window()
{
    document = Document{};
    return create_host_window();
}

void destroy_host_window(HWND window) { DestroyWindow(window); }

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

BoxCapture::BoxCapture(std::vector<int> answers_)
    : answers(std::move(answers_)), hook([this](HWND box) { on_box(box); })
{
}

void BoxCapture::on_box(HWND window)
{
    // A long export's progress dialog, which a slow run may show, is the export's own business:
    // neither recorded nor answered.
    Box box = read_box(window);
    if (box.caption == L"変換保存中")
        return;
    boxes.push_back(box);
    if (on_dialog && on_dialog(window))
        return;
    int answer = boxes.size() <= answers.size() ? answers[boxes.size() - 1] : box.ok ? IDOK : IDCANCEL;
    click(window, answer);
}
