// bin2src's portable parts in the test's own process: the command line and the UTF-8 forms.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cli/options.h"
#include "common/utf8.h"
#include "run_helpers.h"

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

struct Parse {
    Parsed parsed;
    Options options;
    std::string error;
};

Parse parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "bin2src");
    Parse p{};
    Message error;
    p.parsed = parse_options(int(args.size()), args.data(), p.options, error);
    p.error.assign(error.text, error.length);
    return p;
}

TEST(Options, Defaults)
{
    Parse p = parse({});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(p.options.format, ViewMode::C);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"exe_dt");
    EXPECT_EQ(p.options.encoding, Encoding::Utf16le);
    EXPECT_EQ(p.options.source.index, STANDARD_STREAM);
    EXPECT_EQ(p.options.destination.index, STANDARD_STREAM);
    EXPECT_FALSE(p.options.force);
    EXPECT_FALSE(p.options.print_segment);
}

TEST(Options, EverySpellingOfAValue)
{
    for (auto args : {std::vector<const char *>{"-f", "asm"}, {"-fasm"}, {"--format", "asm"}, {"--format=asm"},
                      {"--format=ASM"}, {"-f", "c", "-f", "asm"}}) {
        Parse p = parse(args);
        ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
        EXPECT_EQ(p.options.format, ViewMode::Asm) << args[0];
    }
    Parse p = parse({"-e", "UTF-8", "--name=", "-o", "out.bas", "--force", "-f", "basic", "in.bin"});
    ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
    EXPECT_EQ(p.options.encoding, Encoding::Utf8);
    EXPECT_EQ(p.options.label.length, 0u) << "an empty name is allowed, as the window allows it";
    EXPECT_EQ(p.options.destination.index, 5);
    EXPECT_EQ(p.options.destination.offset, 0u);
    EXPECT_TRUE(p.options.force);
    EXPECT_EQ(p.options.format, ViewMode::Basic);
    EXPECT_EQ(p.options.source.index, 9);
    // Inline values: the argument that holds the path, and where in it the path starts.
    p = parse({"--output=x.c", "-oy.c"});
    EXPECT_EQ(p.options.destination.index, 2);
    EXPECT_EQ(p.options.destination.offset, 2u);
    p = parse({"--output=x.c"});
    EXPECT_EQ(p.options.destination.index, 1);
    EXPECT_EQ(p.options.destination.offset, 9u);
}

TEST(Options, DashesAndOperands)
{
    EXPECT_EQ(parse({"-"}).options.source.index, STANDARD_STREAM);
    EXPECT_EQ(parse({"-o", "-", "in"}).options.destination.index, STANDARD_STREAM);
    Parse p = parse({"--", "-x"});
    ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
    EXPECT_EQ(p.options.source.index, 2) << "after --, -x is a file name";
    EXPECT_EQ(parse({"in", "-f", "basic"}).options.format, ViewMode::Basic) << "options after the source";
}

TEST(Options, SegmentAndView)
{
    Parse p = parse({"-s", "12", "in"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_TRUE(p.options.print_segment);
    EXPECT_EQ(p.options.segment, 12);
    EXPECT_EQ(p.options.view, ViewMode::Normal);
    p = parse({"--view=basic", "in"});
    EXPECT_TRUE(p.options.print_segment);
    EXPECT_EQ(p.options.segment, 0);
    EXPECT_EQ(p.options.view, ViewMode::Basic);
    EXPECT_EQ(parse({"-s", "140737488355327"}).options.segment, 140737488355327) << "the last whose offset fits";
    EXPECT_EQ(parse({"-s", "99999999999999999999999"}).parsed, Parsed::Usage) << "no overflow into a small number";
    EXPECT_EQ(parse({"-s", ""}).parsed, Parsed::Usage);
    for (const char *conversion : {"-f", "-n", "-e"}) {
        p = parse({"-v", "c", conversion, conversion[1] == 'e' ? "utf8" : "c"});
        EXPECT_EQ(p.parsed, Parsed::Usage) << conversion;
        EXPECT_EQ(p.error.substr(0, 4), std::string("'") + conversion + "'") << p.error;
    }
    EXPECT_EQ(parse({"--force", "-s", "0"}).parsed, Parsed::Usage);
}

TEST(Options, HelpWhereverItStands)
{
    EXPECT_EQ(parse({"-h"}).parsed, Parsed::Help);
    EXPECT_EQ(parse({"in", "--help"}).parsed, Parsed::Help);
    EXPECT_EQ(parse({"--help=x"}).parsed, Parsed::Usage);
    EXPECT_EQ(parse({"--he"}).parsed, Parsed::Usage) << "no abbreviations";
}

TEST(Options, NameOfFifteenUnitsAndNoMore)
{
    Parse p = parse({"-n", "abcdefghijklmno"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"abcdefghijklmno");
    p = parse({"-n", "abcdefghijklmnop"});
    EXPECT_EQ(p.parsed, Parsed::Usage);
    EXPECT_EQ(p.error, "the data name 'abcdefghijklmnop' is too long: 16 characters, at most 15 are allowed");
    p = parse({"-n", "データー名"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"データー名");
}

} // namespace
