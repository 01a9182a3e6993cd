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
            bool ink = brightness(background) - brightness(c.at(x, y)) > 3 * 96;
            strokes += ink && !in_ink;
            in_ink = ink;
        }
        busy += strokes >= 3;
    }
    return busy;
}

// Waits until two captures in a row agree, so that what is measured is fully painted.
Capture settled(RECT r)
{
    Capture last = capture(r), now;
    wait_until(
        [&] {
            now = capture(r);
            bool same = now.pixels == last.pixels && busy_columns(now) > 0;
            last = now;
            return same;
        },
        10000);
    return now;
}

// Keeps a capture beside the test's files, for a look when the test fails.
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
    return write_file(scratch_folder() + L"\\" + name, file);
}

void bring_to_top(HWND window)
{
    // Windows of tests running beside this one may share the display.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN);
}

TEST(Screen, JapaneseMenuAndDialogTextsAreDrawnAsGlyphs)
{
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    bring_to_top(main);

    // The menu bar lies right above the client area.
    RECT client;
    GetClientRect(main, &client);
    MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT *>(&client), 2);
    RECT bar = {client.left, client.top - GetSystemMetrics(SM_CYMENU), client.right, client.top};
    Capture menu = settled(bar);
    int busy = busy_columns(menu);
    // 開く 表示 変換保存 ﾍﾙﾌﾟ 終了 gave 51 busy columns; drawn as boxes, 15 (from the
    // underlined accelerator letters).
    EXPECT_GE(busy, 30) << "menu bar, saved as " << narrow(save(menu, L"menu.bmp"));

    PostMessageW(main, WM_COMMAND, IDM_ABOUT, 0);
    HWND about = program.wait_for_window(L"#32770", L"このソフトについて");
    ASSERT_NE(about, nullptr);
    bring_to_top(about);
    // One line each, so strokes of neighbouring lines do not add up. Drawn as glyphs they
    // gave 19 and 39 busy columns; drawn as boxes, none.
    const struct { int index; int least; } lines[] = {
        {0, 10}, // ソフト名：バイナリソース変換ソフト
        {3, 20}, // ファイルのバイナリ表示と各ソース形式の保存
    };
    std::vector<HWND> children;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), 7u);
    for (auto line : lines) {
        RECT r;
        GetWindowRect(children[size_t(line.index)], &r);
        Capture text = settled(r);
        EXPECT_GE(busy_columns(text), line.least)
            << narrow(text_of(children[size_t(line.index)])) << ", saved as "
            << narrow(save(text, L"about-" + std::to_wstring(line.index) + L".bmp"));
    }
    PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(about); }));
    PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(program.wait_for_exit(), 0u);
}

} // namespace
