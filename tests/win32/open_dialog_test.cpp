// The open-file dialog through the real common dialog, answered by the test.
#include "document/document_win.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "harness.h"

namespace {

std::wstring folder_of(HWND dialog)
{
    wchar_t folder[MAX_PATH] = L"#";
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
    return folder;
}

class OpenDialog : public ::testing::Test {
protected:
    void SetUp() override { window = make_host_window(); }
    void TearDown() override { destroy_host_window(window); }
    HWND window = nullptr;
};

// Types `path` into the dialog's file name box and presses OK, once the dialog runs its own
// loop (it settles its folder after it is first activated); records the folder it shows.
std::wstring chosen_path;
std::wstring *started_in;

void CALLBACK choose_now(HWND dialog, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(dialog, timer);
    *started_in = folder_of(dialog);
    SetDlgItemTextW(dialog, cmb13, chosen_path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

bool choose(HWND dialog, const std::wstring &path, std::wstring *folder)
{
    chosen_path = path;
    started_in = folder;
    SetTimer(dialog, 1, 10, choose_now);
    return true;
}

TEST_F(OpenDialog, ChoosingAFileMakesItCurrentAndRemembersItsFolder)
{
    std::wstring path = scratch_file(L"rom.bin", std::vector<uint8_t>(70000, 0x11));
    std::wstring folder = path.substr(0, path.rfind(L'\\'));
    std::wstring first_folder, second_folder;

    BoxCapture boxes;
    boxes.on_dialog = [&](HWND dialog) { return choose(dialog, path, &first_folder); };
    ASSERT_EQ(choose_source_file(window), 1);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(narrow(boxes.seen()[0].caption), "ファイル読み出し");
    EXPECT_EQ(narrow(wide(document.source_path)), narrow(path));
    EXPECT_EQ(document.file_size, 70000u);
    EXPECT_EQ(narrow(wide(document.open_directory)), narrow(folder));
    EXPECT_EQ(status_text(status_bar, 1), L"70000Byte") << "the status bar is refreshed";
    EXPECT_EQ(status_text(status_bar, 2), L"P:0/1");

    // The next dialog starts in that folder.
    std::wstring other = scratch_file(L"other.bin", {1, 2, 3});
    boxes.on_dialog = [&](HWND dialog) { return choose(dialog, other, &second_folder); };
    ASSERT_EQ(choose_source_file(window), 1);
    EXPECT_EQ(narrow(second_folder), narrow(folder));
    EXPECT_EQ(document.file_size, 3u);
}

TEST_F(OpenDialog, CancellingChangesNothing)
{
    std::wstring path = scratch_file(L"kept.bin", {1, 2, 3, 4, 5});
    ASSERT_TRUE(set_source_file(utf16(path.c_str())));
    update_status_bar();
    Document before = document;

    BoxCapture boxes;
    boxes.on_dialog = [](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    };
    EXPECT_EQ(choose_source_file(window), 0);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(narrow(wide(document.source_path)), narrow(path));
    EXPECT_EQ(document.file_size, before.file_size);
    EXPECT_EQ(narrow(wide(document.open_directory)), narrow(wide(before.open_directory)));
    EXPECT_EQ(narrow(status_text(status_bar, 0)), narrow(path));
}

TEST_F(OpenDialog, CancellingTheFirstDialogLeavesNoFileChosen)
{
    BoxCapture boxes;
    boxes.on_dialog = [](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    };
    EXPECT_EQ(choose_source_file(window), 0);
    EXPECT_EQ(document.source_path[0], 0) << "no \"\\*.*\" left behind as a file name";
}

} // namespace
