#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct Parsed {
    std::u16string path;
    int has_path;
    bool too_long;
    bool text_kept; // the command line stays at hand for the message about it
};

Parsed parse(const std::u16string &text)
{
    Startup startup;
    // Leftovers of an earlier start must not show through.
    for (auto &c : startup.path)
        c = u'#';
    startup.has_path = 7;
    startup.too_long = true;
    parse_command_line(startup, text.c_str());
    EXPECT_EQ(startup.path[PATH_CAPACITY - 1], 0) << "the path stays terminated";
    return Parsed{std::u16string(startup.path), startup.has_path, startup.too_long, startup.text == text.c_str()};
}

std::string show(const std::u16string &s) { return std::string(s.begin(), s.end()); } // ASCII cases only

TEST(CommandLine, QuoteRuleExamples)
{
    const struct { std::u16string text, path; } cases[] = {
        {u"\"C:\\My Files\\rom.bin\"", u"C:\\My Files\\rom.bin"},
        {u"C:\\data\\rom.bin", u"C:\\data\\rom.bin"},
        {u"\"C:\\a b.bin\" x", u"C:\\a b.bin x"},
        // Text before the first quote is dropped; later quotes are dropped wherever they are.
        {u"junk \"C:\\x.bin\"", u"C:\\x.bin"},
        {u"\"C:\\\"a\"\"b\".bin", u"C:\\ab.bin"},
        // A lone quote, or quotes only: an empty path that is still to be opened.
        {u"\"", u""},
        {u"\"\"\"\"", u""},
    };
    for (const auto &c : cases) {
        Parsed p = parse(c.text);
        EXPECT_EQ(show(p.path), show(c.path)) << "command line " << show(c.text);
        EXPECT_EQ(p.has_path, 1) << show(c.text);
        EXPECT_FALSE(p.too_long) << show(c.text);
    }
}

TEST(CommandLine, EmptyMeansNoStartupFile)
{
    Parsed p = parse(u"");
    EXPECT_EQ(p.path, u"");
    EXPECT_EQ(p.has_path, 0);
    EXPECT_FALSE(p.too_long);

    Startup startup;
    startup.has_path = 1;
    parse_command_line(startup, nullptr);
    EXPECT_EQ(startup.has_path, 0);
}

TEST(CommandLine, BlanksAreKept)
{
    // Only the blanks ahead of the text are removed, and that before the program sees it.
    EXPECT_EQ(show(parse(u"C:\\data\\rom.bin  ").path), "C:\\data\\rom.bin  ");
    EXPECT_EQ(show(parse(u"\"C:\\data\\rom.bin\"  ").path), "C:\\data\\rom.bin  ");
    EXPECT_EQ(show(parse(u" ").path), " ");
    EXPECT_EQ(show(parse(u"a\tb").path), "a\tb");
}

TEST(CommandLine, CharactersOutsideAnyCodePageArriveIntact)
{
    std::u16string path = u"C:\\データ\\ROM 😀 ż.bin";
    EXPECT_EQ(parse(u"\"" + path + u"\"").path, path);
    EXPECT_EQ(parse(path).path, path);
}

TEST(CommandLine, LengthsAtAndBeyondThePathLimit)
{
    // Units of the path itself, after the quotes are dropped.
    for (size_t length : {size_t(258), size_t(259)}) {
        std::u16string path(length, u'p');
        for (const std::u16string &text : {path, u"\"" + path + u"\"", u"\"" + path})
        {
            Parsed p = parse(text);
            EXPECT_EQ(p.path, path) << "length " << length;
            EXPECT_EQ(p.has_path, 1);
            EXPECT_FALSE(p.too_long);
        }
    }
    // 260 units and more, up to beyond the longest command line Windows passes.
    for (size_t length : {size_t(260), size_t(261), size_t(511), size_t(512), size_t(513), size_t(32767),
                          size_t(100000)}) {
        std::u16string path(length, u'p');
        for (const std::u16string &text : {path, u"\"" + path + u"\"", u"x \"" + path + u"\" y"}) {
            Parsed p = parse(text);
            EXPECT_EQ(p.path, u"") << "length " << length << ": nothing cut is kept";
            EXPECT_EQ(p.has_path, 0) << "length " << length;
            EXPECT_TRUE(p.too_long) << "length " << length;
            EXPECT_TRUE(p.text_kept) << "length " << length;
        }
    }
}

TEST(CommandLine, QuotesDoNotCountTowardTheLimit)
{
    // 259 characters spread among many quotes: a long command line, a path that fits.
    std::u16string text;
    for (int i = 0; i < 259; i++)
        text += u"\"q";
    text += u"\"\"\"";
    ASSERT_GT(text.size(), 512u);
    Parsed p = parse(text);
    EXPECT_EQ(p.path, std::u16string(259, u'q'));
    EXPECT_EQ(p.has_path, 1);
    EXPECT_FALSE(p.too_long);
}

} // namespace
