#include <gtest/gtest.h>

#include <string>

#include "common/messages.h"
#include "common/text.h"
#include "document/document.h"

namespace {

TEST(LastSegmentIndex, Examples)
{
    EXPECT_EQ(last_segment_index(0), 0);
    EXPECT_EQ(last_segment_index(1), 0);
    EXPECT_EQ(last_segment_index(65535), 0);
    EXPECT_EQ(last_segment_index(65536), 0);
    EXPECT_EQ(last_segment_index(65537), 1);
    EXPECT_EQ(last_segment_index(131072), 1);
    EXPECT_EQ(last_segment_index(131073), 2);
    EXPECT_EQ(last_segment_index(70000), 1);
}

TEST(LastSegmentIndex, LargeFilesKeepEverySegment)
{
    EXPECT_EQ(last_segment_index(0x80000000ull), 0x7FFF);     // 2 GiB
    EXPECT_EQ(last_segment_index(0xFFFFFFFFull), 0xFFFF);
    EXPECT_EQ(last_segment_index(0x100000000ull), 0xFFFF);    // 4 GiB: not 0
    EXPECT_EQ(last_segment_index(0x100000001ull), 0x10000);
    EXPECT_EQ(last_segment_index(5ull << 30), 5 * 16384 - 1);
}

class Clamp : public ::testing::Test {
protected:
    void SetUp() override { document = Document{}; }
};

TEST_F(Clamp, PullsIndexBackToLastSegment)
{
    document.file_size = 70000;
    document.segment_index = 4;
    clamp_segment_index();
    EXPECT_EQ(document.segment_index, 1);
    document.segment_index = 1;
    clamp_segment_index();
    EXPECT_EQ(document.segment_index, 1);
    document.file_size = 0;
    document.segment_index = 3;
    clamp_segment_index();
    EXPECT_EQ(document.segment_index, 0);
}

TEST_F(Clamp, NegativeIndexIsGuarded)
{
    document.file_size = 200000;
    document.segment_index = -1;
    clamp_segment_index();
    EXPECT_EQ(document.segment_index, 3);
}

TEST_F(Clamp, BeyondFourGiB)
{
    document.file_size = (6ull << 30) + 5;
    document.segment_index = 1 << 20;
    clamp_segment_index();
    EXPECT_EQ(document.segment_index, 6 * 16384);
}

std::u16string size_text(uint64_t size)
{
    char16_t out[STATUS_TEXT_CAPACITY];
    size_t n = size_status_text(out, size);
    return std::u16string(out, n);
}
std::u16string position_text(int64_t index, int64_t last)
{
    char16_t out[STATUS_TEXT_CAPACITY];
    size_t n = position_status_text(out, index, last);
    return std::u16string(out, n);
}
std::u16string address_text(int64_t index)
{
    char16_t out[STATUS_TEXT_CAPACITY];
    size_t n = address_status_text(out, index);
    return std::u16string(out, n);
}

TEST(StatusTexts, Examples)
{
    EXPECT_EQ(size_text(70000), u"70000Byte");
    EXPECT_EQ(size_text(0), u"0Byte");
    EXPECT_EQ(position_text(1, 1), u"P:1/1");
    EXPECT_EQ(position_text(0, 0), u"P:0/0");
    EXPECT_EQ(address_text(0), u"A+:0000");
    EXPECT_EQ(address_text(1), u"A+:10000");
    EXPECT_EQ(address_text(0xAB), u"A+:AB0000");
}

TEST(StatusTexts, LargeFilesShowTrueValues)
{
    EXPECT_EQ(size_text(2147483648ull), u"2147483648Byte");
    EXPECT_EQ(size_text(4294967296ull), u"4294967296Byte");
    EXPECT_EQ(size_text(5368709121ull), u"5368709121Byte");
    EXPECT_EQ(size_text(UINT64_MAX), u"18446744073709551615Byte");
    EXPECT_EQ(position_text(81920, 81920), u"P:81920/81920");
    EXPECT_EQ(address_text(0x10000), u"A+:100000000");
    EXPECT_EQ(address_text(0x7FFF), u"A+:7FFF0000");
    EXPECT_EQ(address_text(0xFFFF), u"A+:FFFF0000");
}

TEST(OpenDialogText, StartTextAndDirectory)
{
    char16_t start[PATH_CAPACITY];
    open_dialog_start_text(start, u"");
    EXPECT_EQ(std::u16string(start), u"\\*.*");
    open_dialog_start_text(start, u"C:\\data");
    EXPECT_EQ(std::u16string(start), u"C:\\data\\*.*");

    char16_t dir[PATH_CAPACITY];
    ASSERT_TRUE(directory_of_choice(dir, u"C:\\data\\rom.bin", 8));
    EXPECT_EQ(std::u16string(dir), u"C:\\data");
    open_dialog_start_text(start, dir);
    EXPECT_EQ(std::u16string(start), u"C:\\data\\*.*");
    ASSERT_TRUE(directory_of_choice(dir, u"C:\\rom.bin", 3));
    EXPECT_EQ(std::u16string(dir), u"C:");
    open_dialog_start_text(start, dir);
    EXPECT_EQ(std::u16string(start), u"C:\\*.*");
}

TEST(OpenDialogText, DirectoryTooLongForNextStartTextIsRefused)
{
    std::u16string dir255 = u"C:\\" + std::u16string(252, u'd');
    std::u16string chosen = dir255 + u"\\x";
    char16_t dir[PATH_CAPACITY] = u"keep";
    ASSERT_TRUE(directory_of_choice(dir, chosen.c_str(), 256));
    EXPECT_EQ(std::u16string(dir), dir255);
    char16_t start[PATH_CAPACITY];
    open_dialog_start_text(start, dir);
    EXPECT_EQ(std::u16string(start), dir255 + u"\\*.*");

    std::u16string longer = u"C:\\" + std::u16string(253, u'd') + u"\\x";
    char16_t kept[PATH_CAPACITY] = u"keep";
    EXPECT_FALSE(directory_of_choice(kept, longer.c_str(), 257));
    EXPECT_EQ(std::u16string(kept), u"keep");
}

TEST(Text, CopyRefusesWhatDoesNotFit)
{
    char16_t dst[8] = u"old";
    EXPECT_TRUE(text_copy(dst, u"1234567"));
    EXPECT_EQ(std::u16string(dst), u"1234567");
    EXPECT_FALSE(text_copy(dst, u"12345678"));
    EXPECT_EQ(std::u16string(dst), u"1234567") << "a refused copy leaves the old text";
}

TEST(Text, BuilderCutsAtCapacity)
{
    char16_t buffer[10];
    for (auto &c : buffer)
        c = u'#';
    TextBuilder t = text_builder(buffer);
    text_append(t, u"abcdef");
    EXPECT_FALSE(t.cut);
    text_append_unsigned(t, 123456);
    EXPECT_TRUE(t.cut);
    EXPECT_EQ(t.length, 9u);
    EXPECT_EQ(std::u16string(buffer), u"abcdef123");
    text_append(t, u"more");
    EXPECT_EQ(buffer[9], 0);
}

TEST(Text, Numbers)
{
    char16_t buffer[64];
    TextBuilder t = text_builder(buffer);
    text_append_signed(t, INT64_MIN);
    text_append(t, u" ");
    text_append_signed(t, -5);
    text_append(t, u" ");
    text_append_hex(t, 0, 4);
    text_append(t, u" ");
    text_append_hex(t, 0xABCDEF, 1);
    text_append(t, u" ");
    text_append_hex(t, UINT64_MAX, 4);
    EXPECT_EQ(std::u16string(buffer), u"-9223372036854775808 -5 0000 ABCDEF FFFFFFFFFFFFFFFF");
}

TEST(FileErrorText, Format)
{
    char16_t buffer[FILE_ERROR_TEXT_CAPACITY];
    TextBuilder t = text_builder(buffer);
    file_error_text(t, u"C:\\data\\rom.bin", 2);
    EXPECT_EQ(std::u16string(buffer), u"C:\\data\\rom.binのﾌｧｲﾙが開けません\r\nErrCode=2");
    EXPECT_FALSE(t.cut);
}

TEST(FileErrorText, LongPathIsCutButCodeKept)
{
    std::u16string path(2000, u'p');
    char16_t small[129];
    small[128] = u'#'; // one past the buffer handed over
    TextBuilder t = text_builder(small, 128);
    file_error_text(t, path.c_str(), -1);
    EXPECT_TRUE(t.cut);
    EXPECT_EQ(small[128], u'#');
    EXPECT_LT(t.length, 128u);
    EXPECT_EQ(small[t.length], 0);
    std::u16string text(small);
    EXPECT_LE(text.size(), 127u);
    EXPECT_EQ(text.substr(0, 20), std::u16string(20, u'p'));
    EXPECT_TRUE(text.ends_with(u"のﾌｧｲﾙが開けません\r\nErrCode=-1")) << "the code survives the cut";

    // A path of full capacity fits the message buffer whole.
    std::u16string full(PATH_CAPACITY - 1, u'q');
    char16_t big[FILE_ERROR_TEXT_CAPACITY];
    TextBuilder u = text_builder(big);
    file_error_text(u, full.c_str(), 123);
    EXPECT_FALSE(u.cut);
    EXPECT_EQ(std::u16string(big), full + u"のﾌｧｲﾙが開けません\r\nErrCode=123");
}

} // namespace
