// The help command through the real shell: the manual is opened from the folder the program was
// started in, whatever folder the file dialogs visited since, and its absence is reported.
#include <windows.h>

#include <gtest/gtest.h>

#include "driver.h"
#include "res/resource.h"

namespace {

TEST(Help, ManualAndRelativeStartFileStayFoundAfterTheDialogsVisitOtherFolders)
{
    std::wstring start = scratch_folder(), record = scratch_folder() + L"\\opened.txt";
    std::wstring manual = write_file(start + L"\\vorda_manual.pdf", {'%', 'P', 'D', 'F', '-', '1', '.', '4', '\n'});
    write_file(start + L"\\start.bin", {0x41, 0x42});
    std::wstring elsewhere = scratch_folder();
    std::wstring file = write_file(elsewhere + L"\\data.bin", {1, 2, 3});
    PdfToRecorder association(record);
    // A start-up file named relative to the folder the program starts in.
    Program program(L"start.bin", start);
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    ASSERT_EQ(narrow(text_of(w.view).substr(0, 11)), "0000:41 42 ");

    auto expect_manual_opened = [&](int command, const std::string &after) {
        post_command(main, command);
        EXPECT_EQ(lower(recorded(record)), lower(manual)) << "command " << command << " " << after;
        program.settle(main);
        expect_no_boxes(program, after);
    };
    expect_manual_opened(IDM_HELP, "at start");
    expect_manual_opened(IDT_HELP, "at start");

    // A destination browsed in another folder, then the export cancelled.
    std::wstring third = scratch_folder();
    post_command(main, IDT_EXPORT_C);
    HWND settings = program.wait_for_window(L"#32770", L"変換保存の設定");
    ASSERT_NE(settings, nullptr);
    click(settings, IDC_BROWSE);
    answer_file_dialog(program, L"ファイルの指定", third + L"\\out.cpp");
    EXPECT_TRUE(wait_until([&] { return text_of(GetDlgItem(settings, IDC_DESTINATION)) == third + L"\\out.cpp"; }));
    click(settings, IDC_EXPORT_CANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(settings); }));
    program.settle(main);
    expect_manual_opened(IDM_HELP, "after the export's file dialog");
    run_command(main, IDT_VIEW_C);
    EXPECT_EQ(narrow(text_of(w.view).substr(0, 15)), "0000:0x41,0x42,") << "the relative start-up file still opens";
    expect_no_boxes(program, "on the relative start-up file");

    // A file chosen in another folder through the open dialog.
    post_command(main, IDM_OPEN);
    answer_file_dialog(program, L"ファイル読み出し", file);
    program.settle(main);
    ASSERT_EQ(narrow(program.status_text(w.status, 0)), narrow(file));
    expect_manual_opened(IDT_HELP, "after the open dialog");

    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Help, WithoutTheManualSaysItIsNotFound)
{
    std::wstring start = scratch_folder(), record = scratch_folder() + L"\\opened.txt";
    PdfToRecorder association(record);
    Program program(L"", start);
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    for (int command : {IDM_HELP, IDT_HELP}) {
        post_command(main, command);
        Box box = program.answer_box(L"残念！", IDOK);
        EXPECT_EQ(show(box), "[残念！] vorda_manual.pdfが見つかりません。 (no icon) OK") << "command " << command;
        program.settle(main);
        expect_no_boxes(program, "after command " + std::to_string(command));
        EXPECT_FALSE(exists(record)) << "nothing was handed to a viewer";
    }
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

} // namespace
