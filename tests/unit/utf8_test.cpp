// UTF-16 to UTF-8 and back, held to glibc's converter.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "tests/reference/utf8_reference.h"

namespace {

std::string narrowed(const std::u16string &text)
{
    std::vector<char> out(text.size() * UTF8_PER_UNIT_MAX + 1, '#');
    size_t n = utf16_to_utf8(text.data(), text.size(), out.data());
    EXPECT_EQ(out[n], '#') << "written past its length";
    return std::string(out.data(), n);
}

TEST(Utf8, AsciiRunsOfEveryLengthAroundTheBulkBlocks)
{
    for (size_t length = 0; length <= 100; length++) {
        std::u16string text;
        for (size_t i = 0; i < length; i++)
            text += char16_t(u' ' + i % 90);
        ASSERT_EQ(narrowed(text), utf8(text)) << length;
    }
}

TEST(Utf8, OneOtherCharacterAtEveryPositionOfARun)
{
    // A Latin-1 character (2 bytes), a kana (3) and a pair (4) at each place in and around a
    // bulk block, so that neither path of the narrowing loses or repeats a unit.
    for (const std::u16string &other : {std::u16string(u"ÿ"), std::u16string(u"デ"), std::u16string(u"𝄞")}) {
        for (size_t at = 0; at < 70; at++) {
            std::u16string text(70, u'a');
            text.replace(at, 1, other);
            ASSERT_EQ(narrowed(text), utf8(text)) << "at " << at;
        }
    }
}

TEST(Utf8, RandomTextMatchesTheReference)
{
    std::mt19937 random(8);
    for (int trial = 0; trial < 200; trial++) {
        std::u16string text(random() % 300, u'x');
        for (auto &unit : text)
            unit = random() % 8 == 0 ? char16_t(random()) : char16_t(0x20 + random() % 0x5F);
        ASSERT_EQ(narrowed(text), utf8(text)) << "trial " << trial;
    }
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(narrowed(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(narrowed(std::u16string(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
    std::u16string high_then_ascii = std::u16string(1, char16_t(0xDBFF)) + u"b";
    EXPECT_EQ(narrowed(high_then_ascii), "\xEF\xBF\xBD" "b");
    EXPECT_EQ(narrowed(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8, DecodesValidTextAndCountsPastTheCapacity)
{
    char16_t out[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(utf8_to_utf16("a\xC3\xBF\xE3\x83\x87", out, 4), 3);
    EXPECT_EQ(std::u16string(out, 3), u"aÿデ");
    EXPECT_EQ(out[3], u'#');
    EXPECT_EQ(utf8_to_utf16("\xF0\x9D\x84\x9E", out, 4), 2);
    EXPECT_EQ(std::u16string(out, 2), u"𝄞");
    char16_t two[2] = {u'#', u'#'};
    EXPECT_EQ(utf8_to_utf16("abcdef", two, 2), 6) << "the whole length, though only 2 fit";
    EXPECT_EQ(std::u16string(two, 2), u"ab");
    char16_t three[3] = {u'#', u'#', u'#'};
    EXPECT_EQ(utf8_to_utf16("ab\xF0\x9D\x84\x9E", three, 3), 4);
    EXPECT_EQ(three[2], u'#') << "a pair is not split at the capacity";
    EXPECT_EQ(utf8_to_utf16("", out, 4), 0);
}

TEST(Utf8, RefusesWhatIsNotUtf8)
{
    char16_t out[8];
    for (const char *bad : {"\x80", "\xC3", "a\xC3(", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF8\x88\x80\x80\x80", "\xFF"})
        EXPECT_EQ(utf8_to_utf16(bad, out, 8), -1) << bad;
}

} // namespace
