#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "export/source_stream.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"
#include "tests/shared/memory_stream.h"
#include "tests/shared/source_pieces.h"

namespace {

constexpr ExportFormat FORMATS[] = {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic};

// The source sizes around which the UTF-16 text first passes the end of `blocks` text blocks:
// the bytes of the lines that fit before that edge with the ruler and the declaration. The line
// that crosses the edge goes on past the block and is written with the next.
size_t text_block_edge(ExportFormat format, const Label &label, size_t blocks)
{
    size_t head = ruler_length(format, label.length) + declaration_length(format, label.length);
    size_t line = line_start<char16_t>(format, label).length + line_body_length(format);
    // The file's first assembler line goes on from the declaration, without a start.
    size_t first = format == ExportFormat::Asm ? line_body_length(format) : line;
    return (1 + (blocks * STREAM_TEXT_BLOCK - head - first) / line) * LINE_CELLS;
}

TEST(SourceStream, SeventeenBytesGoOutInOneWrite)
{
    std::vector<uint8_t> bytes = counting(17);
    MemorySource source{&bytes};
    MemorySink sink;
    ASSERT_EQ(stream(ExportFormat::C, u"exe_dt", source, sink), Outcome::Done);
    EXPECT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.text,
              u"\t//0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n"
              u"BYTE exe_dt[]={\r\n"
              u"\t0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0A,0x0B,0x0C,0x0D,0x0E,0x0F,\r\n"
              u"\t0x10\r\n"
              u"\t}\r\n");
}

TEST(SourceStream, LengthsAroundBlockBoundariesMatchTheReference)
{
    // Read blocks end every STREAM_READ_BLOCK bytes of source; text blocks are written whole, at
    // sizes that depend on the format's line length and the data name.
    const std::vector<size_t> small = {1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 65535, 65536, 65537};
    std::mt19937 random(7);
    std::vector<uint8_t> all = random_bytes(random, 2 * STREAM_READ_BLOCK + 65);
    for (ExportFormat format : FORMATS) {
        Label label = label_from(u"exe_dt");
        std::vector<size_t> sizes = small;
        for (size_t edge : {STREAM_READ_BLOCK, 2 * STREAM_READ_BLOCK, text_block_edge(format, label, 1),
                            text_block_edge(format, label, 2)})
            for (size_t d : {-65, -64, -63, -1, 0, 1, 63, 64, 65})
                sizes.push_back(edge + d);
        for (size_t size : sizes) {
            std::vector<uint8_t> bytes(all.begin(), all.begin() + ptrdiff_t(size));
            MemorySource source{&bytes};
            MemorySink sink;
            ASSERT_EQ(stream(format, u"exe_dt", source, sink), Outcome::Done) << size;
            std::u16string expected = reference_source_text(int(format), u"exe_dt", bytes);
            ASSERT_EQ(first_difference(sink.text, expected), "") << int(format) << ", " << size << " bytes";
        }
    }
}

TEST(SourceStream, TextBlockEdgesFallWhereTheFirstWriteHappens)
{
    // The edges above are where the text passes a block: one byte fewer and the text fits one
    // write, one line more and it takes two.
    std::mt19937 random(8);
    std::vector<uint8_t> all = random_bytes(random, 2 * STREAM_READ_BLOCK);
    for (ExportFormat format : FORMATS) {
        size_t edge = text_block_edge(format, label_from(u"exe_dt"), 1);
        for (size_t size : {edge - LINE_CELLS, edge + LINE_CELLS}) {
            std::vector<uint8_t> bytes(all.begin(), all.begin() + ptrdiff_t(size));
            MemorySource source{&bytes};
            MemorySink sink;
            ASSERT_EQ(stream(format, u"exe_dt", source, sink), Outcome::Done);
            EXPECT_EQ(sink.writes.size(), size < edge ? 1u : 2u) << name(format) << ", " << size << " bytes";
        }
    }
}

TEST(SourceStream, RandomLengthsAndShortReadsMatchTheReferenceAndTheChunks)
{
    // Reads that deliver odd counts, as pipes and network files may, must not move the chunks.
    std::mt19937 random(2024);
    const std::u16string labels[] = {u"", u"exe_dt", u"abcdefghijklmno"};
    for (int trial = 0; trial < 60; trial++) {
        size_t size = random() % 4 == 0 ? 1 + random() % 200 : 1 + random() % (3 * STREAM_READ_BLOCK);
        std::vector<uint8_t> bytes = random_bytes(random, size);
        std::vector<size_t> read_sizes;
        for (int i = 0; i < 8; i++)
            read_sizes.push_back(random() % 3 == 0 ? 1 + random() % 100 : 1 + random() % STREAM_READ_BLOCK);
        const std::u16string &label = labels[random() % 3];
        ExportFormat format = FORMATS[random() % 3];
        MemorySource source{&bytes, 0, read_sizes};
        MemorySink sink;
        ASSERT_EQ(stream(format, label, source, sink), Outcome::Done);
        std::u16string expected = reference_source_text(int(format), label, bytes);
        ASSERT_EQ(first_difference(sink.text, expected), "")
            << "trial " << trial << ", format " << int(format) << ", " << size << " bytes";
        ASSERT_EQ(first_difference(sink.text, build(format, label, bytes).whole()), "") << "trial " << trial;
    }
}

TEST(SourceStream, GathersManyChunksIntoEachWrite)
{
    std::mt19937 random(3);
    std::vector<uint8_t> bytes = random_bytes(random, 1 << 20);
    for (ExportFormat format : FORMATS) {
        MemorySource source{&bytes};
        MemorySink sink;
        ASSERT_EQ(stream(format, u"exe_dt", source, sink), Outcome::Done);
        ASSERT_GE(sink.writes.size(), 2u);
        // Whole blocks, so that every write starts at a whole page of the file.
        for (size_t i = 0; i + 1 < sink.writes.size(); i++)
            EXPECT_EQ(sink.writes[i], STREAM_TEXT_BLOCK) << "write " << i;
        EXPECT_LE(sink.writes.back(), STREAM_TEXT_BLOCK);
        EXPECT_EQ(source.reads, bytes.size() / STREAM_READ_BLOCK + 1) << "one read per block and one that ends";
    }
}

TEST(SourceStream, EmptySourceWritesNothing)
{
    std::vector<uint8_t> bytes;
    for (ExportFormat format : FORMATS) {
        MemorySource source{&bytes};
        MemorySink sink;
        EXPECT_EQ(stream(format, u"exe_dt", source, sink), Outcome::EmptySource);
        EXPECT_TRUE(sink.writes.empty()) << int(format);
    }
}

TEST(SourceStream, ReadFailureStopsTheStream)
{
    std::mt19937 random(5);
    std::vector<uint8_t> bytes = random_bytes(random, 5 * STREAM_READ_BLOCK);
    // On the first read nothing has been written; on a later one some text has gone out.
    for (size_t fail : {0u, 1u, 3u}) {
        MemorySource source{&bytes};
        source.fail_on_read = fail;
        MemorySink sink;
        EXPECT_EQ(stream(ExportFormat::C, u"exe_dt", source, sink), Outcome::ReadFailed) << fail;
        EXPECT_EQ(source.reads, fail + 1) << "no read after the failed one";
        EXPECT_EQ(sink.writes.empty(), fail == 0) << fail;
    }
}

TEST(SourceStream, WriteFailureStopsTheStream)
{
    std::mt19937 random(6);
    std::vector<uint8_t> bytes = random_bytes(random, 5 * STREAM_READ_BLOCK);
    for (size_t fail : {0u, 2u}) {
        MemorySource source{&bytes};
        MemorySink sink;
        sink.fail_on_write = fail;
        EXPECT_EQ(stream(ExportFormat::Basic, u"exe_dt", source, sink), Outcome::WriteFailed) << fail;
        EXPECT_EQ(sink.writes.size(), fail) << "no write after the failed one";
        EXPECT_LT(source.at, bytes.size()) << "the source is not read to its end";
    }
    // The one and only write of a small source fails too.
    std::vector<uint8_t> small(17, 0x11);
    MemorySource source{&small};
    MemorySink sink;
    sink.fail_on_write = 0;
    EXPECT_EQ(stream(ExportFormat::Asm, u"exe_dt", source, sink), Outcome::WriteFailed);
}

} // namespace
