#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/shared/bytes.h"
#include "view/segment_text.h"

namespace {

std::u16string render(const std::vector<uint8_t> &bytes, ViewMode mode, int64_t segment = 0)
{
    static std::vector<char16_t> out(VIEW_TEXT_CAPACITY, u'#');
    size_t n = format_segment(bytes.data(), bytes.size(), mode, segment, out.data());
    EXPECT_EQ(out[n], 0) << "text not terminated";
    return std::u16string(out.data(), n);
}

std::u16string u16(const char *ascii)
{
    std::u16string s;
    while (*ascii)
        s.push_back(char16_t(uint8_t(*ascii++)));
    return s;
}

// Independent of the formatter: the line layout spelled out with string appends.
std::u16string reference(const std::vector<uint8_t> &bytes, ViewMode mode, int64_t segment)
{
    const char *hex = "0123456789ABCDEF";
    std::u16string text;
    for (size_t first = 0; first < bytes.size(); first += 16) {
        unsigned address = unsigned(first) + (segment % 2 != 0 ? 0x8000u : 0u);
        char prefix[16];
        if (address < 0x10000)
            snprintf(prefix, sizeof prefix, "%04X:", address);
        else
            snprintf(prefix, sizeof prefix, "%05X", address);
        std::u16string line = u16(prefix);
        size_t n = std::min<size_t>(16, bytes.size() - first);
        std::u16string chars;
        for (size_t i = 0; i < 16; i++) {
            if (i >= n) {
                if (mode == ViewMode::Normal) {
                    line += u"   ";
                    chars += u' ';
                }
                continue;
            }
            uint8_t b = bytes[first + i];
            std::u16string digits{char16_t(hex[b >> 4]), char16_t(hex[b & 15])};
            switch (mode) {
            case ViewMode::Normal: line += digits + u" "; break;
            case ViewMode::C: line += u"0x" + digits + u","; break;
            case ViewMode::Asm: line += digits + u"H,"; break;
            case ViewMode::Basic: line += u"&H" + digits + u","; break;
            }
            chars += b < 0x20 ? u' ' : char16_t(b);
        }
        if (mode == ViewMode::Normal)
            line += chars;
        text += line + u"\r\n";
    }
    return text;
}

const std::vector<uint8_t> ONE_LINE = {0x41, 0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF,
                                       0x41, 0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF};

TEST(FormatSegment, OneLineInEveryMode)
{
    EXPECT_EQ(render(ONE_LINE, ViewMode::Normal),
              u"0000:41 42 00 FF 41 42 00 FF 41 42 00 FF 41 42 00 FF AB \u00FFAB \u00FFAB \u00FFAB \u00FF\r\n");
    EXPECT_EQ(render(ONE_LINE, ViewMode::C),
              u"0000:0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,\r\n");
    EXPECT_EQ(render(ONE_LINE, ViewMode::Asm),
              u"0000:41H,42H,00H,FFH,41H,42H,00H,FFH,41H,42H,00H,FFH,41H,42H,00H,FFH,\r\n");
    EXPECT_EQ(render(ONE_LINE, ViewMode::Basic),
              u"0000:&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,\r\n");
    EXPECT_EQ(render(ONE_LINE, ViewMode::Normal).size(), 71u);
    EXPECT_EQ(render(ONE_LINE, ViewMode::C).size(), 87u);
    EXPECT_EQ(render(ONE_LINE, ViewMode::Asm).size(), 71u);
    EXPECT_EQ(render(ONE_LINE, ViewMode::Basic).size(), 87u);
}

TEST(FormatSegment, OddSegmentStartsAt8000)
{
    std::u16string text = render(ONE_LINE, ViewMode::Asm, 1);
    EXPECT_EQ(text.substr(0, 5), u"8000:");
    EXPECT_EQ(text.substr(5), render(ONE_LINE, ViewMode::Asm, 0).substr(5));
    EXPECT_EQ(render(ONE_LINE, ViewMode::C, 7).substr(0, 5), u"8000:") << "only the parity counts";
    EXPECT_EQ(render(ONE_LINE, ViewMode::C, 6).substr(0, 5), u"0000:");
}

TEST(FormatSegment, EmptySegmentGivesEmptyText)
{
    for (ViewMode mode : {ViewMode::Normal, ViewMode::C, ViewMode::Asm, ViewMode::Basic})
        EXPECT_EQ(render({}, mode), u"");
}

TEST(FormatSegment, FullSegmentLengthsAndAddresses)
{
    std::vector<uint8_t> bytes(SEGMENT_SIZE);
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = uint8_t(i * 7 + (i >> 8));
    const struct { ViewMode mode; size_t length; size_t stride; } cases[] = {
        {ViewMode::Normal, 290816, 71}, {ViewMode::C, 356352, 87}, {ViewMode::Asm, 290816, 71}, {ViewMode::Basic, 356352, 87}};
    for (auto c : cases) {
        std::u16string even = render(bytes, c.mode, 0);
        ASSERT_EQ(even.size(), c.length);
        EXPECT_EQ(even.substr(even.size() - 2), u"\r\n");
        EXPECT_EQ(even.substr(0, 5), u"0000:");
        EXPECT_EQ(even.substr(c.stride, 5), u"0010:");
        EXPECT_EQ(even.substr(4095 * c.stride, 5), u"FFF0:");
        std::u16string odd = render(bytes, c.mode, 1);
        ASSERT_EQ(odd.size(), c.length);
        EXPECT_EQ(odd.substr(0, 5), u"8000:");
        EXPECT_EQ(odd.substr(0x7FF * c.stride, 5), u"FFF0:");
        // Past 0xFFFF an odd segment's address takes the whole field; the cells stay put.
        EXPECT_EQ(odd.substr(0x800 * c.stride, 5), u"10000");
        EXPECT_EQ(odd.substr(4095 * c.stride, 5), u"17FF0");
        // Whole-text comparisons: a mismatch prints only where the texts first differ.
        EXPECT_EQ(first_difference(even, reference(bytes, c.mode, 0)), "");
        EXPECT_EQ(first_difference(odd, reference(bytes, c.mode, 1)), "");
    }
}

TEST(FormatSegment, CharacterColumn)
{
    std::vector<uint8_t> bytes = counting(256);
    std::u16string text = render(bytes, ViewMode::Normal);
    for (int b = 0; b < 256; b++) {
        char16_t expected = b <= 0x20 ? u' ' : char16_t(b);
        EXPECT_EQ(text[(b / 16) * 71 + 53 + b % 16], expected) << "byte " << b;
    }
    EXPECT_EQ(text[4 * 71 + 53 + 1], u'A');
    EXPECT_EQ(text[15 * 71 + 53 + 15], u'\u00FF');
    EXPECT_EQ(text[7 * 71 + 53 + 15], u'\u007F');
}

TEST(FormatSegment, ShortLastLine)
{
    std::vector<uint8_t> bytes = counting(17, 0x30);
    // Normal keeps the full width: blank cells and characters, CR LF at 69 and 70.
    std::u16string normal = render(bytes, ViewMode::Normal);
    ASSERT_EQ(normal.size(), 142u);
    EXPECT_EQ(normal.substr(71), u"0010:40" + std::u16string(46, u' ') + u"@" + std::u16string(15, u' ') + u"\r\n");
    // The others end the line right after the last cell.
    EXPECT_EQ(render(bytes, ViewMode::C).substr(87), u"0010:0x40,\r\n");
    EXPECT_EQ(render(bytes, ViewMode::Asm).substr(71), u"0010:40H,\r\n");
    EXPECT_EQ(render(bytes, ViewMode::Basic).substr(87), u"0010:&H40,\r\n");
    EXPECT_EQ(render({0xAB}, ViewMode::Normal), u"0000:AB" + std::u16string(46, u' ') + u"\u00AB" + std::u16string(15, u' ') + u"\r\n");
}

TEST(FormatSegment, BoundarySizesMatchReferenceAndPredictedLength)
{
    std::mt19937 random(12345);
    for (size_t size : {1u, 15u, 16u, 17u, 63u, 64u, 65u, 4095u, 32768u, 32769u, 65535u, 65536u}) {
        std::vector<uint8_t> bytes = random_bytes(random, size);
        for (ViewMode mode : {ViewMode::Normal, ViewMode::C, ViewMode::Asm, ViewMode::Basic}) {
            for (int64_t segment : {0, 1}) {
                std::u16string text = render(bytes, mode, segment);
                EXPECT_EQ(text.size(), segment_text_length(size, mode)) << size << " bytes, mode " << int(mode);
                EXPECT_EQ(first_difference(text, reference(bytes, mode, segment)), "")
                    << size << " bytes, mode " << int(mode);
            }
        }
    }
}

TEST(FormatSegment, CountIsCutToOneSegment)
{
    std::vector<uint8_t> bytes(SEGMENT_BUFFER_SIZE, 0x5A);
    static std::vector<char16_t> out(VIEW_TEXT_CAPACITY);
    EXPECT_EQ(format_segment(bytes.data(), bytes.size(), ViewMode::C, 0, out.data()), 356352u);
}

} // namespace
