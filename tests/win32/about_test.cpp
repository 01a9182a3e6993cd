// The About dialog from its resource, shown by show_about and answered by the test.
#include "app/about_win.h"

#include <gtest/gtest.h>

#include <functional>

#include "harness.h"
#include "res/resource.h"

namespace {

// Lets `look` see each dialog the thread is about to show, then posts it `answers` (messages
// with their parameters), in turn.
struct Answer {
    UINT message;
    WPARAM wparam;
};

void answer_dialogs(BoxCapture &boxes, std::function<void(HWND)> look, std::vector<Answer> answers)
{
    boxes.on_dialog = [look, answers](HWND dialog) {
        look(dialog);
        for (const Answer &a : answers)
            PostMessageW(dialog, a.message, a.wparam, 0);
        return true;
    };
}

class About : public ::testing::Test {
protected:
    void SetUp() override { owner = make_host_window(); }
    void TearDown() override { destroy_host_window(owner); }
    HWND owner = nullptr;
};

TEST_F(About, TemplateTextsAndLayout)
{
    struct Seen {
        std::wstring caption;
        LONG style = 0, exstyle = 0;
        RECT client = {}, expected_client = {};
        std::wstring face;
        LONG font_height = 0, expected_font_height = 0;
        struct Control { std::wstring class_name, text; int id; LONG style; RECT rect, expected; };
        std::vector<Control> controls;
        HWND focus = nullptr, button = nullptr;
    } seen;
    const struct { const wchar_t *text; RECT units; } statics[] = {
        {L"ソフト名：バイナリソース変換ソフト", {4, 4, 144, 12}},
        {L"ファイル名：vorda.exe", {4, 20, 144, 28}},
        {L"簡単な説明", {4, 36, 144, 44}},
        {L"ファイルのバイナリ表示と各ソース形式の保存", {4, 48, 144, 56}},
        {L"Library:Microsoft SDK V7.0A (Win32)", {4, 80, 144, 88}},
        {L"Creator:Orvendal", {4, 92, 144, 100}},
    };

    auto look = [&](HWND dialog) {
        seen.caption = text_of(dialog);
        seen.style = GetWindowLongW(dialog, GWL_STYLE);
        seen.exstyle = GetWindowLongW(dialog, GWL_EXSTYLE);
        GetClientRect(dialog, &seen.client);
        seen.expected_client = {0, 0, 147, 133};
        MapDialogRect(dialog, &seen.expected_client);
        LOGFONTW font = {};
        GetObjectW(HFONT(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        seen.face = font.lfFaceName;
        seen.font_height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        HDC dc = GetDC(dialog);
        seen.expected_font_height = MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(dialog, dc);
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            Seen::Control c;
            c.class_name = class_of(child);
            c.text = text_of(child);
            c.id = GetDlgCtrlID(child);
            c.style = GetWindowLongW(child, GWL_STYLE);
            GetWindowRect(child, &c.rect);
            MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&c.rect), 2);
            seen.controls.push_back(c);
        }
        seen.button = GetDlgItem(dialog, IDC_ABOUT_CLOSE);
        for (auto &c : seen.controls) {
            RECT units = c.id == IDC_ABOUT_CLOSE ? RECT{48, 112, 100, 128} : RECT{};
            for (auto &s : statics)
                if (c.text == s.text)
                    units = s.units;
            c.expected = units;
            MapDialogRect(dialog, &c.expected);
        }
    };
    BoxCapture boxes;
    answer_dialogs(boxes, look, {{WM_COMMAND, IDC_ABOUT_CLOSE}});
    EXPECT_EQ(show_about(owner), 1);
    ASSERT_EQ(boxes.seen().size(), 1u);

    EXPECT_EQ(narrow(seen.caption), "このソフトについて");
    // The dialog manager shows the dialog itself, so WS_VISIBLE is read from the template below.
    const LONG styles = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
    EXPECT_EQ(seen.style & styles, styles) << std::hex << seen.style;
    EXPECT_TRUE((seen.exstyle & WS_EX_CONTEXTHELP) || (seen.style & DS_CONTEXTHELP)) << "the frame's help button";
    EXPECT_EQ(seen.client.right, seen.expected_client.right);
    EXPECT_EQ(seen.client.bottom, seen.expected_client.bottom);
    EXPECT_EQ(narrow(seen.face), "ＭＳ Ｐゴシック");
    EXPECT_EQ(seen.font_height, seen.expected_font_height) << "9 points";

    ASSERT_EQ(seen.controls.size(), 7u);
    for (size_t i = 0; i < std::size(statics); i++) {
        const auto &c = seen.controls[i];
        EXPECT_EQ(narrow(c.text), narrow(statics[i].text)) << "static " << i;
        EXPECT_EQ(narrow(c.class_name), "Static");
        EXPECT_EQ(c.style & SS_TYPEMASK, SS_LEFT) << narrow(c.text);
    }
    for (const auto &c : seen.controls) {
        EXPECT_EQ(c.rect.left, c.expected.left) << narrow(c.text);
        EXPECT_EQ(c.rect.top, c.expected.top) << narrow(c.text);
        EXPECT_EQ(c.rect.right, c.expected.right) << narrow(c.text);
        EXPECT_EQ(c.rect.bottom, c.expected.bottom) << narrow(c.text);
    }
    const auto &button = seen.controls[6];
    EXPECT_EQ(button.id, IDC_ABOUT_CLOSE);
    EXPECT_EQ(narrow(button.text), "閉じる");
    EXPECT_EQ(narrow(button.class_name), "Button");
    EXPECT_EQ(button.style & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST(AboutTemplate, StylesAndSize)
{
    // The head of an extended dialog template.
#pragma pack(push, 1)
    struct Head {
        WORD version, signature;
        DWORD help_id, exstyle, style;
        WORD items;
        short x, y, cx, cy;
    };
#pragma pack(pop)
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_ABOUT), MAKEINTRESOURCEW(5)); // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const Head *head = static_cast<const Head *>(LockResource(LoadResource(nullptr, found)));
    ASSERT_EQ(head->signature, 0xFFFF);
    EXPECT_EQ(head->style, DWORD(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CONTEXTHELP |
                                 DS_3DLOOK | DS_SETFONT))
        << std::hex << head->style;
    EXPECT_EQ(head->exstyle, 0u);
    EXPECT_EQ(head->items, 7);
    EXPECT_EQ(head->x, 0);
    EXPECT_EQ(head->y, 0);
    EXPECT_EQ(head->cx, 147);
    EXPECT_EQ(head->cy, 133);
}

TEST_F(About, ClosingFromTheFrameGivesZero)
{
    BoxCapture boxes;
    answer_dialogs(boxes, [](HWND) {}, {{WM_CLOSE, 0}});
    EXPECT_EQ(show_about(owner), 0);
    EXPECT_EQ(boxes.seen().size(), 1u);
}

TEST_F(About, OnlyTheCloseButtonAndTheFrameEndIt)
{
    // Cancel (the Esc key) and OK are ignored; the close button then ends it with 1.
    BoxCapture boxes;
    answer_dialogs(boxes, [](HWND) {}, {{WM_COMMAND, IDCANCEL}, {WM_COMMAND, IDOK}, {WM_COMMAND, IDC_ABOUT_CLOSE}});
    EXPECT_EQ(show_about(owner), 1);
}

} // namespace
