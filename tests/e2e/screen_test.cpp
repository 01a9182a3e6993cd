// What reaches the screen: Japanese texts drawn as glyphs, not as the empty boxes or blanks a
// font without them gives.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "driver.h"
#include "res/resource.h"

namespace {

struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The screen as it shows a rectangle now.
Capture capture(RECT r)
{
    Capture c;
    c.width = r.right - r.left;
    c.height = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = -c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const uint32_t *p = static_cast<const uint32_t *>(bits);
    c.pixels.assign(p, p + size_t(c.width) * size_t(c.height));
    for (auto &px : c.pixels)
        px &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

int brightness(uint32_t rgb) { return int((rgb >> 16) & 0xFF) + int((rgb >> 8) & 0xFF) + int(rgb & 0xFF); }

// Columns that cross three or more separate strokes. A missing glyph is drawn as an empty box
// (two strokes a column: its top and bottom) or not at all; Latin letters cross at most two, or
// three with an accelerator's underline; most kanji and many kana cross three or more.
int busy_columns(const Capture &c)
{
    // The background is the most common colour; ink is what is much darker than it.
    std::vector<std::pair<uint32_t, int>> counts;
    for (uint32_t px : c.pixels) {
        auto it = std::find_if(counts.begin(), counts.end(), [&](auto &e) { return e.first == px; });
        if (it == counts.end())
            counts.push_back({px, 1});
        else
            it->second++;
    }
    uint32_t background = std::max_element(counts.begin(), counts.end(), [](auto &a, auto &b) {
                              return a.second < b.second;
                          })->first;
    int busy = 0;
    for (int x = 0; x < c.width; x++) {
        int strokes = 0;
        bool in_ink = false;
        for (int y = 0; y < c.height; y++) {
            // Dark on light, or light on dark as in a title bar.
            bool ink = std::abs(brightness(background) - brightness(c.at(x, y))) > 3 * 96;
            strokes += ink && !in_ink;
            in_ink = ink;
        }
        busy += strokes >= 3;
    }
    return busy;
}

// Waits until five captures in a row, 20 ms apart, agree, so that what is measured is fully
// painted: a dialog fills its controls one after another.
Capture settled(RECT r)
{
    Capture last = capture(r), now;
    int same = 0;
    wait_until(
        [&] {
            now = capture(r);
            same = now.pixels == last.pixels && busy_columns(now) > 0 ? same + 1 : 0;
            last = now;
            return same >= 4;
        },
        10000);
    return now;
}

// Keeps a capture beside the test's files, for a look when the test fails, and in the folder
// that VORDA_SHOTS names when it is set (scripts/screenshots.sh turns those into PNGs).
std::wstring save(const Capture &c, const std::wstring &name)
{
    std::vector<unsigned char> file(54 + c.pixels.size() * 4);
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;
    head.bfSize = DWORD(file.size());
    head.bfOffBits = 54;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = c.width;
    info.biHeight = -c.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    memcpy(file.data(), &head, 14);
    memcpy(file.data() + 14, &info, 40);
    memcpy(file.data() + 54, c.pixels.data(), c.pixels.size() * 4);
    wchar_t shots[MAX_PATH] = L"";
    if (GetEnvironmentVariableW(L"VORDA_SHOTS", shots, MAX_PATH) > 0)
        write_file(std::wstring(shots) + L"\\" + name, file);
    return write_file(scratch_folder() + L"\\" + name, file);
}

RECT window_rect(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

RECT child_rect(HWND dialog, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    return r;
}

// The menu bar lies right above the client area.
RECT menu_bar(HWND main)
{
    RECT client;
    GetClientRect(main, &client);
    MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT *>(&client), 2);
    return RECT{client.left, client.top - GetSystemMetrics(SM_CYMENU), client.right, client.top};
}

void bring_to_top(HWND window)
{
    // Windows of tests running beside this one may share the display.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

TEST(Screen, JapaneseTextsAreDrawnAsGlyphsInEveryViewAndDialog)
{
    // The sample file, so that the pictures kept for the manual show it; chosen in the open
    // dialog, so that the next one shows its folder. VORDA_SHOT_FILE may name a tidier place.
    std::wstring path = scratch_folder() + L"\\sample.bin";
    wchar_t given[MAX_PATH] = L"";
    if (GetEnvironmentVariableW(L"VORDA_SHOT_FILE", given, MAX_PATH) > 0)
        path = given;
    ASSERT_TRUE(CopyFileW(VORDA_SAMPLE, path.c_str(), FALSE)) << "cannot copy the sample file to " << narrow(path);
    // The progress dialog needs an export that runs for a while: a large file beside the sample,
    // never converted to its end.
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    LargeFile large{folder + L"\\large.bin"}, large_text{folder + L"\\large.cpp"};
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    HWND view = parts_of(main).view;
    post_command(main, IDM_OPEN);
    answer_file_dialog(program, L"ファイル読み出し", path);
    program.settle(main);

    // 開く 表示 変換保存 ﾍﾙﾌﾟ 終了 gave 51 busy columns; drawn as boxes, 15 (from the
    // underlined accelerator letters). The hex text of the sample gave 158 to 222.
    const struct { int command; const wchar_t *picture; } views[] = {
        {IDT_VIEW_C, L"view-c.bmp"}, {IDT_VIEW_ASM, L"view-asm.bmp"}, {IDT_VIEW_BASIC, L"view-basic.bmp"},
        {IDT_VIEW_NORMAL, L"main-window.bmp"},
    };
    for (const auto &v : views) {
        run_command(main, v.command);
        bring_to_top(main);
        Capture window = settled(window_rect(main));
        std::string saved = ", saved as " + narrow(save(window, v.picture));
        Capture menu = capture(menu_bar(main));
        EXPECT_GE(busy_columns(menu), 30) << "menu bar after command " << v.command << saved;
        Capture text = capture(window_rect(view));
        EXPECT_GE(busy_columns(text), 100) << "view after command " << v.command << saved;
    }

    post_command(main, IDT_OPEN);
    HWND open = program.wait_for_window(L"#32770", L"ファイル読み出し");
    ASSERT_NE(open, nullptr);
    wait_until([&] { return !program.dialog_folder(open).empty(); });
    bring_to_top(open);
    Capture dialog = settled(window_rect(open));
    std::string saved = narrow(save(dialog, L"open-dialog.bmp"));
    RECT r = window_rect(open);
    r.bottom = r.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    // ファイル読み出し in the title bar gave 26 busy columns, 7 of them the close box's.
    EXPECT_GE(busy_columns(capture(r)), 15) << "title of the open dialog, saved as " << saved;
    click(open, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(open); }));

    post_command(main, IDT_EXPORT_C);
    HWND settings = program.wait_for_window(L"#32770", L"変換保存の設定");
    ASSERT_NE(settings, nullptr);
    bring_to_top(settings);
    dialog = settled(window_rect(settings));
    saved = narrow(save(dialog, L"export-settings.bmp"));
    // データー名 and キャンセル gave 8 and 16 busy columns; drawn as boxes, none.
    std::vector<HWND> children;
    for (HWND child = GetWindow(settings, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_GE(children.size(), 2u);
    EXPECT_GE(busy_columns(capture(window_rect(children[1]))), 5) << "データー名, saved as " << saved;
    EXPECT_GE(busy_columns(capture(child_rect(settings, IDC_EXPORT_CANCEL))), 8) << "キャンセル, saved as " << saved;
    click(settings, IDC_EXPORT_CANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(settings); }));

    // Stretched by a hole far beyond what any machine converts before the picture is taken.
    write_file(large.path, std::vector<uint8_t>(1 << 20, 0xA5));
    ASSERT_TRUE(resize_file(large.path, 16ull << 30));
    post_command(main, IDT_OPEN);
    answer_file_dialog(program, L"ファイル読み出し", large.path);
    program.settle(main);
    post_command(main, IDT_EXPORT_C);
    settings = program.wait_for_window(L"#32770", L"変換保存の設定");
    ASSERT_NE(settings, nullptr);
    click(settings, IDC_EXPORT_OK);
    HWND progress = program.wait_for_window(L"#32770", L"変換保存中");
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    // Shown, active and so on top. Its bar and figures change twice a second, and between
    // two changes it stays still for long enough to be taken as settled.
    dialog = settled(window_rect(progress));
    saved = narrow(save(dialog, L"export-progress.bmp"));
    r = window_rect(progress);
    r.bottom = r.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    // 変換保存中 in the title bar gave 44 busy columns, 7 of them the close box's; 保存先 and
    // 変換済 gave 13 and 20. The focused button's dotted frame alone would pass for glyphs.
    EXPECT_GE(busy_columns(capture(r)), 15) << "title of the progress dialog, saved as " << saved;
    children.clear();
    for (HWND child = GetWindow(progress, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), 6u);
    EXPECT_GE(busy_columns(capture(window_rect(children[0]))), 5) << "保存先, saved as " << saved;
    EXPECT_GE(busy_columns(capture(window_rect(children[3]))), 5) << "変換済, saved as " << saved;
    click(progress, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(progress); }));
    program.settle(main);

    post_command(main, IDM_ABOUT);
    HWND about = program.wait_for_window(L"#32770", L"このソフトについて");
    ASSERT_NE(about, nullptr);
    bring_to_top(about);
    dialog = settled(window_rect(about));
    saved = narrow(save(dialog, L"about.bmp"));
    // One line each, so strokes of neighbouring lines do not add up. Drawn as glyphs they
    // gave 19 and 39 busy columns; drawn as boxes, none.
    const struct { int index; int least; } lines[] = {
        {0, 10}, // ソフト名：バイナリソース変換ソフト
        {3, 20}, // ファイルのバイナリ表示と各ソース形式の保存
    };
    children.clear();
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), 7u);
    for (auto line : lines)
        EXPECT_GE(busy_columns(capture(window_rect(children[size_t(line.index)]))), line.least)
            << narrow(text_of(children[size_t(line.index)])) << ", saved as " << saved;
    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }));
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
