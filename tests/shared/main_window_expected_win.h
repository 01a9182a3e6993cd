// The main window's toolbar and menu bar as the user sees them: checked in the test's own
// process by the Win32 tests and from outside by the end-to-end tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "common/wide_win.h"
#include "tests/shared/files_win.h"
#include "tests/shared/toolbar_expected.h"

inline std::wstring menu_text(HMENU menu, UINT position)
{
    wchar_t text[64] = L"";
    GetMenuStringW(menu, position, text, int(std::size(text)), MF_BYPOSITION);
    return text;
}

// Four pop-ups with their items and commands, then exit as a command on the bar itself.
inline void expect_main_menu(HMENU bar)
{
    struct Item { const wchar_t *text; int command; };
    const struct { const wchar_t *title; std::vector<Item> items; } expected[] = {
        {L"開く(&F)", {{L"ファイルの設定(&F)", 201}}},
        {L"表示(&P)", {{L"ノーマルで表示(&N)", 202}, {L"C言語で表示(&C)", 204}, {L"ｱｾﾝﾌﾞﾗで表示(&A)", 203},
                       {L"BAISCで表示(&B)", 205}}},
        {L"変換保存(&C)", {{L"→C言語(&C)", 206}, {L"→アセンブラ(&A)", 207}, {L"→BASIC(&B)", 208}}},
        {L"ﾍﾙﾌﾟ(&H)", {{L"ﾍﾙﾌﾟ(&W)", 209}, {L"このソフトについて(&S)", 210}}},
    };
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    for (UINT i = 0; i < 4; i++) {
        EXPECT_EQ(narrow(menu_text(bar, i)), narrow(expected[i].title));
        HMENU popup = GetSubMenu(bar, int(i));
        ASSERT_NE(popup, nullptr) << narrow(expected[i].title);
        ASSERT_EQ(GetMenuItemCount(popup), int(expected[i].items.size())) << narrow(expected[i].title);
        for (UINT j = 0; j < expected[i].items.size(); j++) {
            EXPECT_EQ(narrow(menu_text(popup, j)), narrow(expected[i].items[j].text));
            EXPECT_EQ(int(GetMenuItemID(popup, int(j))), expected[i].items[j].command)
                << narrow(expected[i].items[j].text);
        }
    }
    EXPECT_EQ(narrow(menu_text(bar, 4)), "終了(&X)");
    EXPECT_EQ(GetSubMenu(bar, 4), nullptr) << "exit is a command on the bar itself";
    EXPECT_EQ(GetMenuItemID(bar, 4), UINT(211));
}
