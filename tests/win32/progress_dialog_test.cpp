// The progress dialog of a long export against the real dialog, driven as the export drives it:
// what it shows, its owner held while it is up, and every way to cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "dialog_script.h"
#include "export/export_win.h"
#include "export/progress.h"
#include "harness.h"
#include "res/resource.h"

#include <commctrl.h> // after windows.h, which it needs

namespace {

const std::wstring PROGRESS = L"変換保存中";
const char16_t DESTINATION[] = u"C:\\data\\rom.cpp";
constexpr uint64_t SIZE = 5ull << 30; // past 4 GiB

// A block a millisecond at most: after the delay the export has far to go, so the dialog is due.
uint64_t next_block(uint64_t done)
{
    Sleep(1);
    return std::min(done + (128 << 10), SIZE - 1);
}

class ProgressDialog : public ::testing::Test {
protected:
    void SetUp() override { owner = make_host_window(); }
    void TearDown() override { destroy_host_window(owner); }

    // Runs the progress as the export does, a block at a time, on a source that never ends, until
    // the user cancels; 30 s at most. Whether it was cancelled.
    bool cancelled_export()
    {
        progress_begin(owner, SIZE, DESTINATION);
        EXPECT_TRUE(export_in_progress());
        uint64_t done = 0;
        DWORD start = GetTickCount();
        while (progress_continue(done) && GetTickCount() - start < 30000)
            done = next_block(done);
        bool cancelled = progress_end();
        EXPECT_FALSE(export_in_progress());
        return cancelled;
    }

    HWND owner = nullptr;
};

TEST_F(ProgressDialog, ShowsTheDestinationAndTheBytesAndHoldsItsOwnerUntilCancelled)
{
    HWND view = GetDlgItem(owner, IDC_VIEW);
    SetFocus(view);
    std::wstring destination, text, button, bar_class;
    LRESULT position = -1;
    bool owner_enabled = true;
    HWND focus = nullptr;
    DialogScript script(PROGRESS, {[&](HWND dialog) {
        destination = item_text(dialog, IDC_PROGRESS_DESTINATION);
        text = item_text(dialog, IDC_PROGRESS_TEXT);
        button = item_text(dialog, IDCANCEL);
        HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
        bar_class = class_of(bar);
        position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        owner_enabled = IsWindowEnabled(owner);
        focus = GetFocus() == GetDlgItem(dialog, IDCANCEL) ? GetFocus() : nullptr;
        click(dialog, IDCANCEL);
    }});
    EXPECT_TRUE(cancelled_export());
    ASSERT_EQ(script.steps_run(), 1u) << "no progress dialog";
    EXPECT_EQ(narrow(destination), "C:\\data\\rom.cpp");
    unsigned long long done = 0;
    EXPECT_EQ(swscanf(text.c_str(), L"%llu / 5368709120Byte", &done), 1) << narrow(text);
    EXPECT_GT(done, 0u) << narrow(text);
    EXPECT_EQ(position, progress_bar_position(done, SIZE)) << narrow(text);
    EXPECT_EQ(narrow(button), "キャンセル");
    EXPECT_EQ(narrow(bar_class), "msctls_progress32");
    EXPECT_FALSE(owner_enabled) << "the owner took input beside the dialog";
    EXPECT_NE(focus, nullptr) << "the focus starts on the cancel button";
    EXPECT_FALSE(IsWindow(script.last_window(PROGRESS))) << "the dialog stayed";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), view) << "the focus went back where it was";
}

// An export whose source ends while the dialog is up: not a cancel, and everything given back.
TEST_F(ProgressDialog, AnExportThatEndsWhileShownTakesItDownAndGivesTheOwnerBack)
{
    HWND view = GetDlgItem(owner, IDC_VIEW);
    SetFocus(view);
    bool shown = false;
    DialogScript script(PROGRESS, {[&](HWND) { shown = true; }});
    progress_begin(owner, SIZE, DESTINATION);
    uint64_t done = 0;
    DWORD start = GetTickCount();
    bool going = true;
    // Ends a few blocks after the dialog was seen.
    for (int after = 0; going && after < 3 && GetTickCount() - start < 30000; after += shown) {
        going = progress_continue(done);
        done = next_block(done);
    }
    EXPECT_TRUE(going) << "the export was cancelled";
    EXPECT_TRUE(shown) << "no progress dialog";
    EXPECT_FALSE(progress_end()) << "taken for a cancel";
    EXPECT_FALSE(export_in_progress());
    EXPECT_FALSE(IsWindow(script.last_window(PROGRESS))) << "the dialog stayed";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), view) << "the focus went back where it was";
}

TEST_F(ProgressDialog, EscapeTheCloseBoxAndAQuitMessageCancelToo)
{
    const struct { const char *name; DialogScript::Step step; } ways[] = {
        {"Esc", [](HWND dialog) { press_key(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE); }},
        {"close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"quit message", [](HWND) { PostQuitMessage(7); }},
    };
    for (const auto &way : ways) {
        DialogScript script(PROGRESS, {way.step});
        EXPECT_TRUE(cancelled_export()) << way.name;
        EXPECT_EQ(script.steps_run(), 1u) << way.name;
        EXPECT_FALSE(IsWindow(script.last_window(PROGRESS))) << way.name;
    }
    // The quit message is handed back to the loop it was meant for.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message was lost";
    EXPECT_EQ(msg.wParam, 7u);
}

} // namespace
