// The main window as the program creates it: class, child controls, toolbar, tooltips, menu,
// the start-up file, dropped files and the exit commands, in this process against real controls.
#include "app/main_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/text.h"
#include "document/document_win.h"
#include "harness.h"
#include "res/resource.h"
#include "tests/shared/main_window_expected_win.h"
#include "view/renderer_win.h"

namespace {

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

const std::vector<uint8_t> FOUR_BYTES = {0x41, 0x42, 0x00, 0xFF};

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(register_main_window_class(), 0); }

    void SetUp() override
    {
        document = Document{};
        startup = Startup{};
    }

    void TearDown() override
    {
        if (window != nullptr && IsWindow(window))
            DestroyWindow(window);
        // The window posts the quit message as it goes; it must not end a later modal loop.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // The file the command line names, opened as the window is created. False when the path
    // does not fit.
    static bool start_with(const std::wstring &path)
    {
        startup.has_path = 1;
        return text_copy(startup.path, utf16(path.c_str()));
    }

    // A file of FOUR_BYTES at path is the current one, shown in Normal.
    static void expect_shown_in_normal(const std::wstring &path)
    {
        // A short line keeps the full width, so its characters stay in their column.
        std::wstring line = L"0000:41 42 00 FF " + std::wstring(12 * 3, L' ') + L"AB ÿ" + std::wstring(12, L' ') + L"\r\n";
        EXPECT_EQ(narrow(text_of(view_window)), narrow(line));
        EXPECT_EQ(document.current_view_mode, ViewMode::Normal);
        EXPECT_EQ(narrow(status_text(status_bar, 0)), narrow(path));
        EXPECT_EQ(status_text(status_bar, 1), L"4Byte");
    }

    void create()
    {
        window = create_main_window(WindowPlacement{0, 0, 586, 620});
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }

    HWND window = nullptr;
};

TEST_F(MainWindow, ClassAsRegistered)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExW(instance(), L"Main Window", &wc));
    EXPECT_EQ(wc.style, UINT(CS_HREDRAW | CS_VREDRAW | CS_BYTEALIGNCLIENT));
    EXPECT_EQ(wc.lpfnWndProc, main_window_procedure);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(wc.lpszMenuName, MAKEINTRESOURCEW(IDR_MAIN_MENU));
    LOGBRUSH brush = {};
    ASSERT_EQ(GetObjectW(wc.hbrBackground, sizeof brush, &brush), int(sizeof brush));
    EXPECT_EQ(brush.lbStyle, UINT(BS_SOLID));
    EXPECT_EQ(brush.lbColor, COLORREF(0x00DAEBEE));

    auto icon_size = [](HICON icon) {
        ICONINFO info = {};
        BITMAP bitmap = {};
        if (!GetIconInfo(icon, &info))
            return SIZE{-1, -1};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return SIZE{bitmap.bmWidth, bitmap.bmHeight};
    };
    SIZE large = icon_size(wc.hIcon), small = icon_size(wc.hIconSm);
    EXPECT_EQ(large.cx, 32);
    EXPECT_EQ(large.cy, 32);
    EXPECT_EQ(small.cx, 16);
    EXPECT_EQ(small.cy, 16);
}

TEST_F(MainWindow, ChildControlsInTheirOrder)
{
    create();
    std::vector<int> ids;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{IDC_TOOLBAR, IDC_VIEW, IDC_STATUS}));
    EXPECT_EQ(GetDlgItem(window, IDC_TOOLBAR), toolbar);
    EXPECT_EQ(GetDlgItem(window, IDC_VIEW), view_window);
    EXPECT_EQ(GetDlgItem(window, IDC_STATUS), status_bar);
    // The control adds its own bits (CCS_TOP, and a transparent look with the flat style).
    LONG style = GetWindowLongW(toolbar, GWL_STYLE);
    EXPECT_EQ(style & 0x50000D20, 0x50000D20) << std::hex << style;
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0) << "files can be dropped on it";
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    RECT bar;
    GetWindowRect(toolbar, &bar);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT *>(&bar), 2);
    EXPECT_EQ(bar.top, 0) << "the toolbar heads the client area";
    EXPECT_GE(bar.bottom, 22) << "room for 16 x 16 pictures on buttons";
}

TEST_F(MainWindow, ToolbarButtonsAndSeparators)
{
    create();
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), LRESULT(std::size(EXPECTED_TOOLBAR)));
    for (int i = 0; i < int(std::size(EXPECTED_TOOLBAR)); i++) {
        const ExpectedButton &expected = EXPECTED_TOOLBAR[i];
        TBBUTTON b;
        memset(&b, 0xA5, sizeof b); // an unwritten field shows
        ASSERT_TRUE(SendMessageW(toolbar, TB_GETBUTTON, i, LPARAM(&b))) << "position " << i;
        EXPECT_EQ(b.idCommand, expected.command) << "position " << i;
        EXPECT_EQ(b.fsState, TBSTATE_ENABLED) << "position " << i;
        if (expected.command == 0) {
            EXPECT_EQ(b.fsStyle, BTNS_SEP) << "position " << i;
            continue;
        }
        EXPECT_EQ(b.fsStyle, BTNS_BUTTON) << "position " << i;
        EXPECT_EQ(b.iBitmap, expected.image) << "position " << i << ", command " << expected.command;
    }
}

// The picture the toolbar holds for an image, drawn on magenta so that transparency shows.
std::vector<COLORREF> drawn_image(HIMAGELIST images, int index)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    RECT all = {0, 0, 16, 16};
    FillRect(dc, &all, magenta);
    ImageList_Draw(images, index, dc, 0, 0, ILD_TRANSPARENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(magenta);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// 16 x 16 pixels of a bitmap resource from column `left`, padded with the button face.
std::vector<COLORREF> resource_cell(int id, int left)
{
    HBITMAP bitmap = HBITMAP(LoadImageW(instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info = {};
    GetObjectW(bitmap, sizeof info, &info);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; y++)
        for (int x = left; x < left + 16; x++)
            pixels.push_back(x < info.bmWidth ? GetPixel(dc, x, y) : RGB(0xC0, 0xC0, 0xC0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

TEST_F(MainWindow, ToolbarStripAsDrawn)
{
    HBITMAP strip = HBITMAP(LoadImageW(instance(), MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0,
                                       LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(strip, sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 207);
    EXPECT_EQ(dib.dsBm.bmHeight, 16);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);
    DeleteObject(strip);

    // The question mark fills the last 15 columns, which no whole cell covers.
    std::vector<COLORREF> question = resource_cell(IDB_TOOLBAR, 192);
    int ink = 0;
    for (COLORREF c : question)
        ink += c != RGB(0xC0, 0xC0, 0xC0);
    EXPECT_GT(ink, 30) << "a question mark in the strip's last 15 columns";
    EXPECT_EQ(question, resource_cell(IDB_TOOLBAR_EXTRA, 0)) << "the help picture is the strip's question mark";
}

TEST_F(MainWindow, ToolbarImagesAreTheStripCellsInOrder)
{
    create();
    HIMAGELIST images = HIMAGELIST(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 14);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // The toolbar maps black, grey and white onto the system's button colours; every other
    // colour must come through as drawn, and the light grey background must be transparent.
    const COLORREF face = RGB(0xC0, 0xC0, 0xC0), magenta = RGB(255, 0, 255);
    auto mapped = [](COLORREF c) { return c == RGB(0, 0, 0) || c == RGB(128, 128, 128) || c == RGB(255, 255, 255); };
    for (int image = 0; image < 14; image++) {
        std::vector<COLORREF> want =
            image < 12 ? resource_cell(IDB_TOOLBAR, 16 * image) : resource_cell(IDB_TOOLBAR_EXTRA, 16 * (image - 12));
        std::vector<COLORREF> got = drawn_image(images, image);
        int differences = 0, ink = 0;
        for (size_t i = 0; i < want.size(); i++) {
            if (mapped(want[i]))
                continue;
            COLORREF expected = want[i] == face ? magenta : want[i];
            ink += want[i] != face;
            if (got[i] != expected && differences++ < 3)
                ADD_FAILURE() << "image " << image << " pixel (" << i % 16 << ", " << i / 16 << "): expected "
                              << std::hex << expected << ", drawn " << got[i];
        }
        EXPECT_EQ(differences, 0) << "image " << image;
        EXPECT_GT(ink, 10) << "image " << image << " has a picture";
    }
}

std::wstring tooltip_from_procedure(HWND window, UINT_PTR id, HINSTANCE *instance_out = nullptr)
{
    static wchar_t sentinel[] = L"(untouched)";
    NMTTDISPINFOW info = {};
    info.hdr.hwndFrom = nullptr;
    info.hdr.idFrom = id;
    info.hdr.code = TTN_GETDISPINFOW;
    info.lpszText = sentinel;
    LRESULT result = SendMessageW(window, WM_NOTIFY, 0, LPARAM(&info));
    EXPECT_EQ(result, 0);
    if (instance_out)
        *instance_out = info.hinst;
    return info.lpszText;
}

TEST_F(MainWindow, TooltipTextsFromTheWindowProcedure)
{
    create();
    for (const ExpectedButton &b : EXPECTED_TOOLBAR) {
        if (b.command == 0)
            continue;
        HINSTANCE given = nullptr;
        EXPECT_EQ(narrow(tooltip_from_procedure(window, b.command, &given)), narrow(wide(b.tooltip))) << "command "
                                                                                                 << b.command;
        EXPECT_EQ(given, instance()) << "command " << b.command;
    }
    for (UINT_PTR id : {UINT_PTR(0), UINT_PTR(329), UINT_PTR(344), UINT_PTR(211)}) {
        HINSTANCE given = nullptr;
        EXPECT_EQ(tooltip_from_procedure(window, id, &given), L"(untouched)") << "identifier " << id;
        EXPECT_EQ(given, instance()) << "identifier " << id;
    }
}

TEST_F(MainWindow, TooltipTextsThroughTheToolbarsTooltipControl)
{
    create();
    HWND tips = HWND(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    for (const ExpectedButton &b : EXPECTED_TOOLBAR) {
        if (b.command == 0)
            continue;
        wchar_t text[128];
        wcscpy(text, L"(untouched)");
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = toolbar;
        tool.uId = UINT_PTR(b.command);
        tool.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, std::size(text), LPARAM(&tool));
        EXPECT_EQ(narrow(text), narrow(wide(b.tooltip))) << "command " << b.command;
    }
}

TEST_F(MainWindow, MenuBarAsTheUserSeesIt)
{
    create();
    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    expect_main_menu(bar);
}

TEST_F(MainWindow, PaintRefreshesTheStatusBar)
{
    create();
    SendMessageW(status_bar, SB_SETTEXTW, 1, LPARAM(L"stale"));
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    EXPECT_EQ(status_text(status_bar, 1), L"0Byte");
}

TEST_F(MainWindow, StartupFileIsShownInNormal)
{
    std::wstring path = scratch_file(L"start up.bin", FOUR_BYTES);
    ASSERT_TRUE(start_with(path));
    document.current_view_mode = ViewMode::C;
    BoxCapture boxes;
    create();
    EXPECT_TRUE(boxes.seen().empty());
    expect_shown_in_normal(path);
}

TEST_F(MainWindow, ExitCommandsEndTheProgramWithCodeZero)
{
    for (int command : {IDM_EXIT, IDT_EXIT}) {
        create();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        EXPECT_FALSE(IsWindow(window)) << "command " << command;
        MSG msg = {};
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "command " << command;
        EXPECT_EQ(msg.wParam, 0u);
    }
    // Closing the window from its frame ends the same way.
    create();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG msg = {};
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindow, MessagesThatDoNothingAndUnknownCommands)
{
    std::wstring path = scratch_file(L"kept.bin", {1, 2, 3});
    ASSERT_TRUE(start_with(path));
    create();
    const std::wstring view = text_of(view_window);
    SetFocus(view_window);
    BoxCapture boxes;
    // The default procedure would move the focus to the main window on activation.
    EXPECT_EQ(SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0), 0);
    EXPECT_EQ(GetFocus(), view_window) << "WM_ACTIVATE went to the default procedure";
    EXPECT_EQ(SendMessageW(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_QUERYNEWPALETTE, 0, 0), 0);
    for (int command : {0, 200, 212, 329, 344, IDC_VIEW})
        EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0), 0) << "command " << command;
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(text_of(view_window) == view);
    EXPECT_EQ(narrow(wide(document.source_path)), narrow(path));
}

// A drop as the shell hands it over: DROPFILES and the wide paths, each ended by a zero, then
// one zero more, in movable global memory.
HDROP make_drop(const std::vector<std::wstring> &paths)
{
    size_t units = 1;
    for (const auto &p : paths)
        units += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto *drop = static_cast<DROPFILES *>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    wchar_t *at = reinterpret_cast<wchar_t *>(drop + 1);
    for (const auto &p : paths) {
        wcscpy(at, p.c_str());
        at += p.size() + 1;
    }
    GlobalUnlock(memory);
    return HDROP(memory);
}

bool released(HDROP drop) { return GlobalFlags(HGLOBAL(drop)) == GMEM_INVALID_HANDLE; }

TEST_F(MainWindow, OneDroppedFileIsShownInNormal)
{
    std::wstring path = scratch_file(L"dropped.bin", FOUR_BYTES);
    create();
    document.current_view_mode = ViewMode::Asm;
    document.segment_index = 3;
    HDROP drop = make_drop({path});
    ASSERT_FALSE(released(drop));
    BoxCapture boxes;
    EXPECT_EQ(SendMessageW(window, WM_DROPFILES, WPARAM(drop), 0), 0);
    EXPECT_TRUE(released(drop));
    EXPECT_TRUE(boxes.seen().empty());
    expect_shown_in_normal(path);
    EXPECT_EQ(status_text(status_bar, 2), L"P:0/0") << "clamped to the one segment";
}

TEST_F(MainWindow, TwoDroppedFilesOrATooLongPathChangeNothing)
{
    std::wstring shown = scratch_file(L"shown.bin", {1, 2, 3});
    std::wstring other = scratch_file(L"other.bin", {4, 5});
    ASSERT_TRUE(start_with(shown));
    create();
    const std::wstring view = text_of(view_window);
    const std::string status = narrow(status_text(status_bar, 0)) + " " + narrow(status_text(status_bar, 1));
    std::wstring too_long = scratch_folder() + L"\\" + std::wstring(300, L'x');

    const struct { std::vector<std::wstring> paths; const char *caption, *text; } cases[] = {
        {{other, shown}, "失敗", "ファイルを開けませんでした"},
        {{other, shown, other}, "失敗", "ファイルを開けませんでした"},
        {{too_long}, "ﾌｧｲﾙｴﾗｰ", "ﾌｧｲﾙ名が長すぎます（259文字まで）"},
    };
    for (const auto &c : cases) {
        HDROP drop = make_drop(c.paths);
        BoxCapture boxes;
        SendMessageW(window, WM_DROPFILES, WPARAM(drop), 0);
        std::string what = std::to_string(c.paths.size()) + " paths, the first " + std::to_string(c.paths[0].size()) +
                           " long";
        EXPECT_TRUE(released(drop)) << what;
        ASSERT_EQ(boxes.seen().size(), 1u) << what;
        const Box &box = boxes.seen()[0];
        EXPECT_EQ(narrow(box.caption), c.caption) << what;
        EXPECT_EQ(narrow(box.text.substr(0, box.text.find(L'\r'))), c.text) << what;
        if (c.paths[0] == too_long) {
            // The whole of a long path is what the message shows, not a path cut to fit.
            EXPECT_EQ(narrow(box.text.substr(box.text.find(L'\n') + 1)), narrow(too_long));
        }
        EXPECT_TRUE(box.ok && !box.cancel && !box.yes && !box.no) << what;
        EXPECT_EQ(box.warning(), c.caption == std::string("ﾌｧｲﾙｴﾗｰ")) << what;
        EXPECT_EQ(narrow(wide(document.source_path)), narrow(shown)) << what;
        EXPECT_TRUE(text_of(view_window) == view) << what;
        EXPECT_EQ(narrow(status_text(status_bar, 0)) + " " + narrow(status_text(status_bar, 1)), status) << what;
    }
}

} // namespace
