#include <gtest/gtest.h>

#include <string>

#include "export/progress.h"

namespace {

TEST(ProgressDue, OnlyAfterTheDelayWhenWorthShowingAndBetweenTheFirstBlockAndTheEnd)
{
    const uint64_t size = 256 << 20;
    EXPECT_FALSE(progress_dialog_due(PROGRESS_DELAY_MS - 1, 1 << 17, size)) << "too early";
    EXPECT_TRUE(progress_dialog_due(PROGRESS_DELAY_MS, 1 << 17, size));
    EXPECT_TRUE(progress_dialog_due(UINT32_MAX, size - 1, size));
    // 500 ms for a third: a second to go; for two thirds: a quarter of a second, not worth it,
    // unless the pace has slowed so much that the export is still running at the latest.
    EXPECT_TRUE(progress_dialog_due(500, size / 3, size));
    EXPECT_FALSE(progress_dialog_due(500, size / 3 * 2, size)) << "would be gone at once";
    EXPECT_FALSE(progress_dialog_due(PROGRESS_LATEST_MS - 1, size - 1, size));
    EXPECT_TRUE(progress_dialog_due(PROGRESS_LATEST_MS, size - 1, size));
    EXPECT_TRUE(progress_dialog_due(1000, 1, UINT64_MAX)) << "no overflow";
    EXPECT_FALSE(progress_dialog_due(60000, 0, size)) << "before the first block: a one-block source never shows it";
    EXPECT_FALSE(progress_dialog_due(60000, size, size)) << "everything read";
    EXPECT_FALSE(progress_dialog_due(60000, 5, 0)) << "size unknown";
}

TEST(ProgressBar, PositionRunsFromZeroToTheEndForAnySize)
{
    EXPECT_EQ(progress_bar_position(1000, 3000), 333);
    EXPECT_EQ(progress_bar_position(0, 0), 0);
    for (uint64_t size : {uint64_t(1), uint64_t(999), uint64_t(256) << 20, UINT64_MAX / PROGRESS_BAR_STEPS,
                          UINT64_MAX / PROGRESS_BAR_STEPS + 1, UINT64_MAX}) {
        int32_t last = -1;
        for (uint64_t done : {uint64_t(0), size / 3, size / 2, size - 1, size}) {
            int32_t at = progress_bar_position(done, size);
            EXPECT_GE(at, last) << done << " of " << size;
            EXPECT_LE(at, done < size ? PROGRESS_BAR_STEPS - 1 : PROGRESS_BAR_STEPS) << done << " of " << size;
            last = at;
        }
        EXPECT_EQ(progress_bar_position(0, size), 0) << size;
        EXPECT_EQ(progress_bar_position(size, size), PROGRESS_BAR_STEPS) << size;
        EXPECT_NEAR(progress_bar_position(size / 2, size), size > 1 ? PROGRESS_BAR_STEPS / 2 : 0, 1) << size;
    }
}

TEST(ProgressText, BytesDoneOfTheSizeAsTheStatusBarWritesIt)
{
    auto text = [](uint64_t done, uint64_t size) {
        char16_t out[PROGRESS_TEXT_CAPACITY];
        size_t n = progress_text(out, done, size);
        EXPECT_EQ(out[n], 0);
        return std::u16string(out, n);
    };
    EXPECT_EQ(text(0, 70000), u"0 / 70000Byte");
    EXPECT_EQ(text(131072, 268435456), u"131072 / 268435456Byte");
    // The longest numbers fit whole.
    EXPECT_EQ(text(UINT64_MAX, UINT64_MAX), u"18446744073709551615 / 18446744073709551615Byte");
}

} // namespace
