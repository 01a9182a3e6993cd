#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/placement.h"
#include "app/toolbar_table.h"
#include "tests/shared/toolbar_expected.h"

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
    std::vector<ExpectedButton> expected;
    for (const ExpectedButton &e : EXPECTED_TOOLBAR)
        if (e.command != 0)
            expected.push_back(e);
    ASSERT_EQ(std::size(TOOLBAR_BUTTONS), expected.size());
    for (size_t k = 0; k < expected.size(); k++) {
        EXPECT_EQ(TOOLBAR_BUTTONS[k].command, expected[k].command) << "button " << k;
        EXPECT_EQ(TOOLBAR_BUTTONS[k].image, expected[k].image) << "button " << k;
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
    std::vector<int> expected;
    for (const ExpectedButton &e : EXPECTED_TOOLBAR)
        expected.push_back(e.command);
    EXPECT_EQ(row, expected);
    EXPECT_EQ(row.size(), 17u) << "14 buttons and 3 separators";
}

} // namespace
