#include <gtest/gtest.h>

#include "app/navigation.h"
#include "document/document.h"

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override { document = Document{}; }

    // The indices after each of `steps` (positive forward, negative back) from `start`.
    std::vector<int64_t> walk(uint64_t file_size, int64_t start, std::vector<int64_t> steps)
    {
        document.file_size = file_size;
        document.segment_index = start;
        std::vector<int64_t> seen;
        for (int64_t s : steps) {
            if (s > 0)
                step_forward(s);
            else
                step_back(-s);
            seen.push_back(document.segment_index);
        }
        return seen;
    }
};

TEST_F(Navigation, ThreeSegmentsStopAtTheLastAndAtZero)
{
    const uint64_t three = 2 * 65536 + 1;
    EXPECT_EQ(walk(three, 0, {1, 1, 1, 1}), (std::vector<int64_t>{1, 2, 2, 2}));
    EXPECT_EQ(walk(three, 2, {-1, -1, -1}), (std::vector<int64_t>{1, 0, 0}));
    EXPECT_EQ(walk(three, 0, {10, -10}), (std::vector<int64_t>{2, 0}));
    EXPECT_EQ(walk(three, 1, {-10}), (std::vector<int64_t>{0}));
}

TEST_F(Navigation, TenForwardOnTwoSegmentsEndsOnTheSecond)
{
    EXPECT_EQ(walk(131072, 0, {10}), (std::vector<int64_t>{1}));
    EXPECT_EQ(walk(131073, 0, {10}), (std::vector<int64_t>{2}));
}

TEST_F(Navigation, NoFileOrAnEmptyFileStaysAtZero)
{
    EXPECT_EQ(walk(0, 0, {1, 10, -1, -10}), (std::vector<int64_t>{0, 0, 0, 0}));
}

TEST_F(Navigation, BackFromBeyondASmallerFileIsLeftToTheRendering)
{
    // The index of a larger file shown before: back steps only lower it, and the rendering
    // that follows clamps it; a forward step clamps at once.
    EXPECT_EQ(walk(100, 7, {-1}), (std::vector<int64_t>{6}));
    EXPECT_EQ(walk(100, 7, {1}), (std::vector<int64_t>{0}));
}

TEST_F(Navigation, LargeFilesStepAcrossFourGiB)
{
    const uint64_t five_gib = 5ull << 30; // segments 0 to 81919
    EXPECT_EQ(walk(five_gib, 65530, {10, 10, -10}), (std::vector<int64_t>{65540, 65550, 65540}));
    EXPECT_EQ(walk(five_gib, 81915, {10}), (std::vector<int64_t>{81919}));
}

} // namespace
