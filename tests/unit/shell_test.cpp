#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/placement.h"
#include "app/toolbar_table.h"

namespace {

TEST(Placement, CentredWithTruncatingDivision)
{
    const struct { int screen_width, screen_height, left, top; } cases[] = {
        {1024, 768, 219, 78},
        {1920, 1080, 667, 234},
        {800, 600, 107, -6},    // 600 - 612 = -12
        {1025, 769, 219, 78},   // 439 / 2 and 157 / 2 round down
        {586, 612, 0, 0},
        {585, 611, 0, 0},       // -1 / 2 truncates toward zero, not to -1
        {583, 609, -1, -1},     // -3 / 2
        {0, 0, -293, -306},
        {640, 480, 27, -66},
    };
    for (auto c : cases) {
        WindowPlacement at = main_window_placement(c.screen_width, c.screen_height);
        EXPECT_EQ(at.left, c.left) << c.screen_width << " x " << c.screen_height;
        EXPECT_EQ(at.top, c.top) << c.screen_width << " x " << c.screen_height;
        EXPECT_EQ(at.width, 586);
        EXPECT_EQ(at.height, 620);
    }
}

TEST(ToolbarTable, CommandsImagesAndTooltips)
{
    const struct { int command; const char16_t *tooltip; } expected[] = {
        {330, u"ファイル名の設定"}, {331, u"ノーマルで開く"},   {332, u"Ｃ言語用で開く"},
        {333, u"アセンブラで開く"}, {334, u"BASICで開く"},       {335, u"ｾｸﾞﾒﾝﾄ切替UP"},
        {336, u"ｾｸﾞﾒﾝﾄ切替DOWN"},   {337, u"ｾｸﾞﾒﾝﾄ切替UP"},     {338, u"ｾｸﾞﾒﾝﾄ切替DOWN"},
        {339, u"Ｃ言語用で保存"},   {340, u"アセンブラで保存"}, {341, u"BASICで保存"},
        {342, u"ヘルプ"},           {343, u"終了"},
    };
    ASSERT_EQ(std::size(TOOLBAR_BUTTONS), std::size(expected));
    for (size_t k = 0; k < std::size(expected); k++) {
        EXPECT_EQ(TOOLBAR_BUTTONS[k].command, expected[k].command) << "button " << k;
        EXPECT_EQ(TOOLBAR_BUTTONS[k].image, int(k)) << "button " << k;
        EXPECT_EQ(std::u16string(TOOLBAR_BUTTONS[k].tooltip), expected[k].tooltip) << "button " << k;
        EXPECT_EQ(std::u16string(toolbar_tooltip(expected[k].command)), expected[k].tooltip) << "button " << k;
    }
}

TEST(ToolbarTable, SteppingPairsShareOneText)
{
    EXPECT_EQ(toolbar_tooltip(335), toolbar_tooltip(337));
    EXPECT_EQ(toolbar_tooltip(336), toolbar_tooltip(338));
    EXPECT_NE(toolbar_tooltip(335), toolbar_tooltip(336));
    // Every other button has a text of its own.
    std::set<std::u16string> texts;
    for (int command = 330; command <= 343; command++)
        texts.insert(toolbar_tooltip(command));
    EXPECT_EQ(texts.size(), 12u);
}

TEST(ToolbarTable, NoTooltipOutsideTheToolbarCommands)
{
    for (int command : {-1, 0, 1, 201, 211, 329, 344, 951, 65535})
        EXPECT_EQ(toolbar_tooltip(command), nullptr) << command;
}

TEST(ToolbarTable, SeparatorsLandWhereTheUserSeesThem)
{
    // Insert the separators as the toolbar does and compare with the finished row.
    std::vector<int> row;
    for (const ToolbarButton &b : TOOLBAR_BUTTONS)
        row.push_back(b.command);
    for (int at : TOOLBAR_SEPARATORS)
        row.insert(row.begin() + at, 0);
    const std::vector<int> expected = {330, 0, 331, 332, 333, 334, 335, 336, 337, 338, 0, 339, 340, 341, 0, 342, 343};
    EXPECT_EQ(row, expected);
    EXPECT_EQ(row.size(), TOOLBAR_ITEM_COUNT);
}

} // namespace
