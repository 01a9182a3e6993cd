// The real vorda.exe, started with a command line and read from outside: its window, menu,
// toolbar, view, status bar, messages, About dialog and exit code.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "driver.h"
#include "res/resource.h"
#include "tests/shared/main_window_expected_win.h"

namespace {

// A line of 41 42 00 FF four times, then one byte more: a full line and a short one.
const std::vector<unsigned char> EXAMPLE = {0x41, 0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x41,
                                            0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x7E};
const std::wstring EXAMPLE_VIEW = L"0000:41 42 00 FF 41 42 00 FF 41 42 00 FF 41 42 00 FF AB \u00FFAB \u00FFAB \u00FFAB \u00FF\r\n"
                                  L"0010:7E " + std::wstring(15 * 3, L' ') + L"~" + std::wstring(15, L' ') + L"\r\n";

// The program started on the EXAMPLE file shows it at once in Normal, without a message, and
// names it in the status bar as `shown`.
void expect_example_shown(const Program &program, HWND main, const std::wstring &shown)
{
    for (HWND box : program.dialogs())
        ADD_FAILURE() << "unexpected message: " << narrow(message_box_text(box));
    Window w = parts_of(main);
    EXPECT_EQ(narrow(text_of(w.view)), narrow(EXAMPLE_VIEW));
    std::vector<std::wstring> status = status_of(program, w.status);
    EXPECT_EQ(status, (std::vector<std::wstring>{shown, L"17Byte", L"P:0/0", L"A+:0000", L""})) << show(status);
}

TEST(Start, WithoutAFile)
{
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);

    EXPECT_EQ(narrow(text_of(main)), "VORDA Ver1.03");
    EXPECT_EQ(narrow(class_of(main)), "Main Window");
    EXPECT_EQ(GetClassLongW(main, GCL_STYLE), DWORD(CS_HREDRAW | CS_VREDRAW | CS_BYTEALIGNCLIENT));
    EXPECT_EQ(GetWindowLongW(main, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "the test display";
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768) << "the test display";
    EXPECT_EQ(r.left, 219);
    EXPECT_EQ(r.top, 78);
    EXPECT_EQ(r.right - r.left, 586);
    EXPECT_EQ(r.bottom - r.top, 620);

    EXPECT_TRUE(program.dialogs().empty()) << "no message at start";
    EXPECT_EQ(text_of(w.view), L"");
    std::vector<std::wstring> status = painted_status(program, w.status);
    EXPECT_EQ(status, (std::vector<std::wstring>{L"", L"0Byte", L"P:0/0", L"A+:0000", L""})) << show(status);
    EXPECT_EQ(program.status_edges(w.status), (std::vector<int>{300, 400, 460, 560, -1}));

    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Start, BlanksOnlyOpenNothingAndSayNothing)
{
    // The start-up code takes the blanks after the program name away.
    Program program(L"   \t ");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(program.dialogs().empty());
    std::vector<std::wstring> status = painted_status(program, parts_of(main).status);
    EXPECT_EQ(status[0], L"");
    EXPECT_EQ(status[1], L"0Byte");
    exit_with(program, main, WM_CLOSE, 0);
}

TEST(Start, PathQuotedWithBlanksJapaneseOrUnquotedWithTrailingBlanks)
{
    const struct { const wchar_t *folder, *name; bool quoted; UINT exit_message; WPARAM exit_command; } cases[] = {
        {L"my files", L"rom image.bin", true, WM_COMMAND, IDT_EXIT},
        // Outside the system code page here: only the wide command line carries it intact.
        {L"資料", L"テスト データ①.bin", true, WM_COMMAND, IDM_EXIT},
        // The file system ignores trailing blanks of a name, so the file opens; the path the
        // program holds, and shows, keeps them.
        {L"plain", L"plain.bin", false, WM_CLOSE, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(narrow(c.name));
        std::wstring folder = scratch_folder() + L"\\" + c.folder;
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring path = write_file(folder + L"\\" + c.name, EXAMPLE);
        std::wstring given = c.quoted ? in_quotes(path) : path + L"  ";
        Program program(given);
        HWND main = program.wait_for_main_window();
        ASSERT_NE(main, nullptr);
        expect_example_shown(program, main, c.quoted ? path : given);
        exit_with(program, main, c.exit_message, c.exit_command);
    }
}

TEST(Start, MissingFileIsReportedThenTheWindowRunsOn)
{
    std::wstring path = scratch_folder() + L"\\missing.bin";
    Program program(in_quotes(path));
    // The message comes while the window is being created, before it is shown.
    HWND box = program.wait_for_window(L"#32770", L"FileOpenError");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(narrow(message_box_text(box)), narrow(path) + "のﾌｧｲﾙが開けません\r\nErrCode=2");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
    Window w = parts_of(main);
    EXPECT_EQ(text_of(w.view), L"");
    std::vector<std::wstring> status = painted_status(program, w.status);
    EXPECT_EQ(status, (std::vector<std::wstring>{path, L"0Byte", L"P:0/0", L"A+:0000", L""})) << show(status);
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Start, TooLongPathIsReportedNotCut)
{
    // 300 characters, and a command line far beyond 512 units; neither opens a cut path.
    std::wstring folder = scratch_folder();
    for (size_t length : {size_t(300), size_t(2000)}) {
        std::wstring path = folder + L"\\" + std::wstring(length - folder.size() - 1, L'x');
        Program program(in_quotes(path));
        HWND box = program.wait_for_window(L"#32770", L"ﾌｧｲﾙｴﾗｰ");
        ASSERT_NE(box, nullptr) << "length " << length;
        std::wstring text = message_box_text(box);
        EXPECT_EQ(narrow(text.substr(0, text.find(L"\r\n"))), "ﾌｧｲﾙ名が長すぎます（259文字まで）");
        EXPECT_EQ(text.substr(text.find(L"\r\n") + 2, 40), (L"\"" + path).substr(0, 40)) << "the text given follows";
        PostMessageW(box, WM_COMMAND, IDOK, 0);

        HWND main = program.wait_for_main_window();
        ASSERT_NE(main, nullptr);
        std::vector<std::wstring> status = painted_status(program, parts_of(main).status);
        EXPECT_EQ(status[0], L"") << "nothing opened, length " << length;
        EXPECT_EQ(text_of(parts_of(main).view), L"");
        exit_with(program, main, WM_COMMAND, IDT_EXIT);
    }
}

TEST(Toolbar, ButtonsSeparatorsAndTooltips)
{
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    HWND toolbar = parts_of(main).toolbar;
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(GetWindowLongW(toolbar, GWL_STYLE) & 0x50000D20, 0x50000D20);

    std::vector<Program::Button> buttons = program.toolbar_buttons(toolbar);
    ASSERT_EQ(buttons.size(), std::size(EXPECTED_TOOLBAR));
    for (size_t i = 0; i < buttons.size(); i++) {
        const ExpectedButton &expected = EXPECTED_TOOLBAR[i];
        EXPECT_EQ(buttons[i].command, expected.command) << "position " << i;
        EXPECT_EQ(buttons[i].state, TBSTATE_ENABLED) << "position " << i;
        if (expected.command == 0) {
            EXPECT_EQ(buttons[i].style, BTNS_SEP) << "position " << i;
            continue;
        }
        EXPECT_EQ(buttons[i].style, BTNS_BUTTON) << "position " << i;
        EXPECT_EQ(buttons[i].image, expected.image) << "position " << i;
        EXPECT_EQ(narrow(program.tooltip(toolbar, expected.command)), narrow(wide(expected.tooltip))) << "position " << i;
    }
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Menu, TextsAndCommands)
{
    // Wine keeps menus in the process that made them, so another process cannot read the
    // window's HMENU. The window must have a menu; its items are read from the program's
    // own resource, which is what the window class loads.
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    EXPECT_NE(GetMenu(main), nullptr) << "the window has a menu bar";
    exit_with(program, main, WM_COMMAND, IDM_EXIT);

    HMODULE module = LoadLibraryExW(program_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HMENU bar = LoadMenuW(module, MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(bar, nullptr);
    expect_main_menu(bar);
    DestroyMenu(bar);
    FreeLibrary(module);
}

TEST(About, TextsThenClose)
{
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = program.wait_for_window(L"#32770", L"このソフトについて");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "modal";

    std::vector<std::string> texts;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(narrow(text_of(child)));
    EXPECT_EQ(texts, (std::vector<std::string>{"ソフト名：バイナリソース変換ソフト", "ファイル名：vorda.exe",
                                               "簡単な説明", "ファイルのバイナリ表示と各ソース形式の保存",
                                               "Library:Microsoft SDK V7.0A (Win32)", "Creator:Orvendal",
                                               "閉じる"}));
    HWND close = GetDlgItem(about, IDC_ABOUT_CLOSE);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(narrow(text_of(close)), "閉じる");

    PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_CLOSE, BN_CLICKED), LPARAM(close));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }));
    EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(main) != FALSE; }));

    // Again, closed from its frame this time; the program runs on until told to exit.
    PostMessageW(main, WM_COMMAND, IDM_ABOUT, 0);
    about = program.wait_for_window(L"#32770", L"このソフトについて");
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }));
    EXPECT_EQ(program.wait_for_exit(0), DWORD(STILL_ACTIVE));
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

} // namespace
