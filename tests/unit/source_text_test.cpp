#include <gtest/gtest.h>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "export/source_text.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"
#include "tests/shared/source_pieces.h"

namespace {

constexpr ExportFormat FORMATS[] = {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic};

std::u16string build_whole(ExportFormat format, const std::u16string &label, const std::vector<uint8_t> &bytes)
{
    return build(format, label, bytes).whole();
}

// The lines of a text, each with its CR LF, for failures that point at the line that differs.
std::vector<std::u16string> lines_of(const std::u16string &text)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2)
        lines.push_back(text.substr(start, end + 2 - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

const std::u16string C_RULER = u"\t//0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n";
const std::u16string BASIC_RULER = u"\t'0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n";
const std::u16string ASM_RULER = u"          ;0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F   \r\n";

TEST(SourceText, SeventeenBytesInEachFormat)
{
    std::vector<uint8_t> bytes = counting(17);
    const struct { ExportFormat format; std::u16string text; } cases[] = {
        {ExportFormat::C,
         C_RULER +
         u"BYTE exe_dt[]={\r\n"
         u"\t0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0A,0x0B,0x0C,0x0D,0x0E,0x0F,\r\n"
         u"\t0x10\r\n"
         u"\t}\r\n"},
        {ExportFormat::Asm,
         ASM_RULER +
         u"exe_dt DB 00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH\r\n"
         u"       DB 10H\r\n"},
        {ExportFormat::Basic,
         BASIC_RULER +
         u"Dim exe_dt() As Byte = {\r\n"
         u"\t&H00,&H01,&H02,&H03,&H04,&H05,&H06,&H07,&H08,&H09,&H0A,&H0B,&H0C,&H0D,&H0E,&H0F,\r\n"
         u"\t&H10\r\n"
         u"\t}\r\n"},
    };
    for (const auto &c : cases) {
        Pieces pieces = build(c.format, u"exe_dt", bytes);
        EXPECT_EQ(pieces.chunks.size(), 1u) << "ruler, declaration and one chunk of lines";
        EXPECT_EQ(pieces.whole(), c.text) << name(c.format);
    }
    EXPECT_EQ(C_RULER.size(), 85u);
    EXPECT_EQ(BASIC_RULER.size(), 84u);
    EXPECT_EQ(ASM_RULER.size(), 6u + 71u);
}

TEST(SourceText, OneByteA5)
{
    std::vector<uint8_t> bytes = {0xA5};
    EXPECT_EQ(build_whole(ExportFormat::C, u"exe_dt", bytes), C_RULER + u"BYTE exe_dt[]={\r\n\t0xA5\r\n\t}\r\n");
    EXPECT_EQ(build_whole(ExportFormat::Asm, u"exe_dt", bytes), ASM_RULER + u"exe_dt DB A5H\r\n");
    EXPECT_EQ(build_whole(ExportFormat::Basic, u"exe_dt", bytes),
              BASIC_RULER + u"Dim exe_dt() As Byte = {\r\n\t&HA5\r\n\t}\r\n");
}

TEST(SourceText, SixteenBytesMakeOneLineWithoutTrailingComma)
{
    std::vector<uint8_t> bytes = counting(16, 0xF0);
    EXPECT_EQ(build(ExportFormat::C, u"exe_dt", bytes).chunks[0],
              u"\t0xF0,0xF1,0xF2,0xF3,0xF4,0xF5,0xF6,0xF7,0xF8,0xF9,0xFA,0xFB,0xFC,0xFD,0xFE,0xFF\r\n\t}\r\n");
    EXPECT_EQ(build(ExportFormat::Asm, u"exe_dt", bytes).chunks[0],
              u"F0H,F1H,F2H,F3H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH\r\n");
    EXPECT_EQ(build(ExportFormat::Basic, u"exe_dt", bytes).chunks[0],
              u"\t&HF0,&HF1,&HF2,&HF3,&HF4,&HF5,&HF6,&HF7,&HF8,&HF9,&HFA,&HFB,&HFC,&HFD,&HFE,&HFF\r\n\t}\r\n");
}

TEST(SourceText, SixtyFourBytesAreOneChunkOfFourLines)
{
    std::vector<uint8_t> bytes = counting(64, 0x40);
    for (ExportFormat format : FORMATS) {
        Pieces pieces = build(format, u"exe_dt", bytes);
        ASSERT_EQ(pieces.chunks.size(), 1u) << name(format);
        std::vector<std::u16string> lines = lines_of(pieces.chunks[0]);
        size_t data_lines = format == ExportFormat::Asm ? 4 : 5;
        ASSERT_EQ(lines.size(), data_lines) << name(format);
        for (size_t i = 0; i < 3; i++) {
            EXPECT_EQ(lines[i].substr(lines[i].size() - 3) == u",\r\n", format != ExportFormat::Asm)
                << name(format) << " line " << i;
        }
        const char16_t *fourth = format == ExportFormat::C   ? u"0x7F\r\n"
                               : format == ExportFormat::Asm ? u"7FH\r\n"
                                                             : u"&H7F\r\n";
        EXPECT_EQ(lines[3].substr(lines[3].size() - std::char_traits<char16_t>::length(fourth)), fourth)
            << name(format) << ": the 64th byte ends the fourth line, no comma";
        if (format != ExportFormat::Asm) {
            EXPECT_EQ(lines[4], u"\t}\r\n") << name(format);
        }
        EXPECT_EQ(pieces.whole(), reference_source_text(int(format), u"exe_dt", bytes)) << name(format);
    }
}

TEST(SourceText, SixtyFiveBytesMakeTwoChunks)
{
    std::vector<uint8_t> bytes = counting(65, 0x80);
    for (ExportFormat format : FORMATS) {
        Pieces pieces = build(format, u"exe_dt", bytes);
        ASSERT_EQ(pieces.chunks.size(), 2u) << name(format);
        std::vector<std::u16string> first = lines_of(pieces.chunks[0]);
        ASSERT_EQ(first.size(), 4u) << name(format) << ": no closing line after a chunk that is not the last";
        EXPECT_EQ(first[3].substr(first[3].size() - 3) == u",\r\n", format != ExportFormat::Asm)
            << name(format) << ": the list goes on after the fourth line";
        const std::u16string second = format == ExportFormat::C     ? u"\t0xC0\r\n\t}\r\n"
                                      : format == ExportFormat::Asm ? u"       DB C0H\r\n"
                                                                : u"\t&HC0\r\n\t}\r\n";
        EXPECT_EQ(pieces.chunks[1], second) << name(format);
        EXPECT_EQ(pieces.whole(), reference_source_text(int(format), u"exe_dt", bytes)) << name(format);
    }
}

TEST(SourceText, MultiplesOfSixtyFourEndLikeAnyOtherLength)
{
    std::mt19937 random(64);
    for (size_t size : {128u, 192u, 640u, 4096u}) {
        std::vector<uint8_t> bytes = random_bytes(random, size);
        for (ExportFormat format : FORMATS) {
            Pieces pieces = build(format, u"exe_dt", bytes);
            EXPECT_EQ(pieces.chunks.size(), size / 64) << name(format) << ", " << size << " bytes";
            std::u16string text = pieces.whole();
            std::u16string expected = reference_source_text(int(format), u"exe_dt", bytes);
            EXPECT_EQ(text, expected) << name(format) << ", " << size << " bytes";
            std::vector<std::u16string> lines = lines_of(text);
            if (format == ExportFormat::Asm) {
                EXPECT_NE(lines.back().substr(lines.back().size() - 3), u",\r\n") << size;
            } else {
                EXPECT_EQ(lines.back(), u"\t}\r\n") << name(format) << ", " << size;
            }
        }
    }
}

TEST(SourceText, AsmWritesLettersWithoutLeadingZero)
{
    std::vector<uint8_t> bytes = counting(96, 0xA0); // A0 to FF
    std::u16string text = build_whole(ExportFormat::Asm, u"exe_dt", bytes);
    std::vector<std::u16string> lines = lines_of(text);
    ASSERT_EQ(lines.size(), 1u + 6u);
    EXPECT_EQ(lines[1], u"exe_dt DB A0H,A1H,A2H,A3H,A4H,A5H,A6H,A7H,A8H,A9H,AAH,ABH,ACH,ADH,AEH,AFH\r\n");
    EXPECT_EQ(lines[6], u"       DB F0H,F1H,F2H,F3H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH\r\n");
    EXPECT_EQ(text.find(u"0A0H"), std::u16string::npos);
    EXPECT_EQ(text.find(u"0FFH"), std::u16string::npos);
    EXPECT_EQ(text, reference_source_text(2, u"exe_dt", bytes));
}

TEST(SourceText, FifteenUnitLabel)
{
    const std::u16string label = u"abcdefghijklmno";
    std::vector<uint8_t> bytes = counting(130);
    std::u16string text = build_whole(ExportFormat::Asm, label, bytes);
    std::vector<std::u16string> lines = lines_of(text);
    EXPECT_EQ(lines[0].substr(0, 20), std::u16string(19, u' ') + u";");
    EXPECT_EQ(lines[0].size(), 15u + 71u);
    EXPECT_EQ(lines[1].substr(0, 19), label + u" DB ");
    for (size_t i = 2; i < lines.size(); i++)
        EXPECT_EQ(lines[i].substr(0, 19), std::u16string(15, u' ') + u" DB ") << "line " << i;
    EXPECT_EQ(lines.size(), 1u + 9u);
    EXPECT_EQ(text, reference_source_text(2, label, bytes));
    EXPECT_EQ(build_whole(ExportFormat::C, label, bytes), reference_source_text(1, label, bytes));
    EXPECT_EQ(build_whole(ExportFormat::Basic, label, bytes), reference_source_text(3, label, bytes));
    // The longest text of 64 bytes: four full Asm lines after the first, each of 15 spaces, " DB ",
    // 16 cells of 3 with 15 commas, and CR LF.
    size_t longest = build(ExportFormat::Asm, label, bytes).chunks[1].size();
    EXPECT_EQ(longest, 4 * (15 + 4 + 16 * 3 + 15 + 2));
    EXPECT_EQ(longest, 4 * (LINE_START_MAX + line_body_length(ExportFormat::Asm)));
}

TEST(SourceText, LabelIsCutToFifteenUnits)
{
    Label label = label_from(u"abcdefghijklmnopqrst");
    EXPECT_EQ(label.length, 15u);
    EXPECT_EQ(std::u16string(label.units, label.length), u"abcdefghijklmno");
    EXPECT_EQ(label_from(u"").length, 0u);
    EXPECT_EQ(label_from(u"データ").length, 3u) << "the label is copied as stored";
}

TEST(SourceText, EmptyLabel)
{
    std::vector<uint8_t> bytes = counting(20);
    std::vector<std::u16string> c = lines_of(build_whole(ExportFormat::C, u"", bytes));
    EXPECT_EQ(c[1], u"BYTE []={\r\n");
    std::vector<std::u16string> basic = lines_of(build_whole(ExportFormat::Basic, u"", bytes));
    EXPECT_EQ(basic[1], u"Dim () As Byte = {\r\n");
    std::vector<std::u16string> asm_ = lines_of(build_whole(ExportFormat::Asm, u"", bytes));
    EXPECT_EQ(asm_[0].substr(0, 5), u"    ;");
    EXPECT_EQ(asm_[1].substr(0, 4), u" DB ");
    EXPECT_EQ(asm_[2], u" DB 10H,11H,12H,13H\r\n");
}

TEST(SourceText, EmptySourceIsRulerAndDeclarationOnly)
{
    for (ExportFormat format : FORMATS) {
        Pieces pieces = build(format, u"exe_dt", {});
        EXPECT_TRUE(pieces.chunks.empty());
        EXPECT_EQ(pieces.whole(), reference_source_text(int(format), u"exe_dt", {})) << name(format);
    }
}

// Only the three formats have a text: neither a view mode nor a number stands for one.
static_assert(!std::is_convertible_v<ViewMode, ExportFormat> && !std::is_convertible_v<int32_t, ExportFormat>);

TEST(SourceText, EmptyLastLinesAndLinesAskedForOnly)
{
    Label label = label_from(u"exe_dt");
    const LineStart<char16_t> start = line_start<char16_t>(ExportFormat::C, label);
    uint8_t bytes[CHUNK_BYTES + 1] = {};
    char16_t out[4 * (LINE_START_MAX + line_body_length(ExportFormat::C)) + LAST_LINES_MAX] = {SENTINEL};
    for (ExportFormat format : EXPORT_FORMATS)
        EXPECT_EQ(last_lines(format, start, bytes, 0, out), out) << name(format);
    EXPECT_EQ(out[0], SENTINEL);
    // Lines asked for are written, and no more, whatever follows them in the source.
    EXPECT_EQ(size_t(scalar_lines(ExportFormat::C, start, bytes, 4, out) - out),
              4 * (1 + line_body_length(ExportFormat::C)));
}

TEST(SourceText, RandomLengthsAndLabelsMatchTheReference)
{
    std::mt19937 random(4242);
    const std::u16string labels[] = {u"", u"a", u"exe_dt", u"abcdefghijklmno", u"データー名"};
    for (int trial = 0; trial < 300; trial++) {
        size_t size = 1 + random() % 1000;
        std::vector<uint8_t> bytes = random_bytes(random, size);
        const std::u16string &label = labels[random() % 5];
        for (ExportFormat format : FORMATS) {
            std::u16string text = build_whole(format, label, bytes);
            std::u16string expected = reference_source_text(int(format), label, bytes);
            if (text != expected) {
                std::vector<std::u16string> a = lines_of(text), b = lines_of(expected);
                size_t i = 0;
                while (i < a.size() && i < b.size() && a[i] == b[i])
                    i++;
                ADD_FAILURE() << name(format) << ", " << size << " bytes: line " << i << " differs";
                EXPECT_EQ(i < a.size() ? a[i] : u"", i < b.size() ? b[i] : u"");
                return;
            }
        }
    }
}

} // namespace
