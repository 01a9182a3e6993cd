#include <gtest/gtest.h>

#include <string>

#include "export/export_settings.h"

namespace {

std::u16string destination(const std::u16string &source, ExportFormat format)
{
    char16_t out[EXPORT_PATH_MAX + 1];
    std::fill(std::begin(out), std::end(out), u'#');
    size_t n = default_destination(out, source.c_str(), format);
    EXPECT_EQ(out[n], 0) << "not terminated";
    return std::u16string(out, n);
}

TEST(DefaultDestination, LastThreeCharactersBecomeTheFormatsExtension)
{
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat::C), u"C:\\data\\rom.cpp");
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat::Asm), u"C:\\data\\rom.asm");
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat::Basic), u"C:\\data\\rom.bas");
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat{}), u"C:\\data\\rom.txt");
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat(4)), u"C:\\data\\rom.txt");
    EXPECT_EQ(destination(u"C:\\data\\rom.bin", ExportFormat(-1)), u"C:\\data\\rom.txt");
}

TEST(DefaultDestination, ExtensionIsNotParsed)
{
    EXPECT_EQ(destination(u"C:\\data\\image.jpeg", ExportFormat::C), u"C:\\data\\image.jcpp");
    EXPECT_EQ(destination(u"C:\\data\\README", ExportFormat::C), u"C:\\data\\REAcpp");
    EXPECT_EQ(destination(u"C:\\data\\rom.cpp", ExportFormat::C), u"C:\\data\\rom.cpp") << "names the source itself";
    EXPECT_EQ(destination(u"C:\\データ\\ロム.bin", ExportFormat::Asm), u"C:\\データ\\ロム.asm");
}

TEST(DefaultDestination, ShortPathsAreReplacedWhole)
{
    EXPECT_EQ(destination(u"abc", ExportFormat::C), u"cpp");
    EXPECT_EQ(destination(u"ab", ExportFormat::C), u"cpp");
    EXPECT_EQ(destination(u"a", ExportFormat::Asm), u"asm");
    EXPECT_EQ(destination(u"", ExportFormat::Basic), u"bas");
}

TEST(DefaultDestination, PathsBeyondWhatTheDialogReadsAreNotProposed)
{
    std::u16string longest = u"C:\\" + std::u16string(EXPORT_PATH_MAX - 7, u'x') + u".bin";
    ASSERT_EQ(longest.size(), EXPORT_PATH_MAX);
    std::u16string proposed = destination(longest, ExportFormat::C);
    EXPECT_EQ(proposed.size(), EXPORT_PATH_MAX);
    EXPECT_EQ(proposed.substr(proposed.size() - 4), u".cpp");
    EXPECT_EQ(destination(longest + u"x", ExportFormat::C), u"") << "256 characters: no cut name";
    EXPECT_EQ(destination(std::u16string(PATH_CAPACITY - 1, u'y'), ExportFormat::C), u"");
}

class StoreSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        document = Document{};
        // Left-overs of an earlier, longer choice must not survive.
        std::fill(std::begin(document.export_label), std::end(document.export_label), u'L');
        std::fill(std::begin(document.export_path), std::end(document.export_path), u'P');
    }
};

TEST_F(StoreSettings, StoresBothFieldsClearedFirst)
{
    store_export_settings(u"exe_dt", u"C:\\data\\rom.cpp");
    EXPECT_EQ(std::u16string(document.export_label), u"exe_dt");
    EXPECT_EQ(std::u16string(document.export_path), u"C:\\data\\rom.cpp");
    for (size_t i = 6; i < LABEL_CAPACITY; i++)
        EXPECT_EQ(document.export_label[i], 0) << i;
    for (size_t i = 15; i < PATH_CAPACITY; i++)
        EXPECT_EQ(document.export_path[i], 0) << i;
}

TEST_F(StoreSettings, CutsLabelToFifteenAndPathTo255)
{
    store_export_settings(u"abcdefghijklmnopqrst", (u"C:\\" + std::u16string(300, u'z')).c_str());
    EXPECT_EQ(std::u16string(document.export_label), u"abcdefghijklmno");
    EXPECT_EQ(std::u16string(document.export_path).size(), EXPORT_PATH_MAX);
    EXPECT_EQ(document.export_path[PATH_CAPACITY - 1], 0);
    // A pair that would straddle the cut goes whole: a lone high surrogate is not text.
    store_export_settings(u"abcdefghijklmn\U0001D11Ex", u"C:\\rom.cpp");
    EXPECT_EQ(std::u16string(document.export_label), u"abcdefghijklmn");
    store_export_settings(u"abcdefghijklm\U0001D11Ex", u"C:\\rom.cpp");
    EXPECT_EQ(std::u16string(document.export_label), u"abcdefghijklm\U0001D11E") << "a pair that fits stays";
}

TEST_F(StoreSettings, EmptyValuesAreStoredUnchanged)
{
    store_export_settings(u"", u"");
    EXPECT_EQ(document.export_label[0], 0);
    EXPECT_EQ(document.export_path[0], 0);
    EXPECT_EQ(document.export_label[LABEL_CAPACITY - 1], 0);
}

} // namespace
