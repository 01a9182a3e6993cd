#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "export/line_kernel.h"
#include "export/source_stream.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"
#include "tests/shared/source_pieces.h"

namespace {

constexpr ViewMode FORMATS[] = {ViewMode::C, ViewMode::Asm, ViewMode::Basic};

// A source in memory that delivers its bytes in reads of the sizes it is given in turn (the last
// size repeating), and can fail on a chosen read.
struct MemorySource {
    const std::vector<uint8_t> *bytes;
    size_t at = 0;
    std::vector<size_t> read_sizes = {STREAM_READ_BLOCK};
    size_t reads = 0;
    size_t fail_on_read = SIZE_MAX; // 0-based
};

int64_t read_memory(void *context, uint8_t *into, size_t capacity)
{
    auto &s = *static_cast<MemorySource *>(context);
    size_t wanted = s.read_sizes[std::min(s.reads, s.read_sizes.size() - 1)];
    if (s.reads++ == s.fail_on_read)
        return -1;
    size_t n = std::min({capacity, wanted, s.bytes->size() - s.at});
    std::copy(s.bytes->begin() + ptrdiff_t(s.at), s.bytes->begin() + ptrdiff_t(s.at + n), into);
    s.at += n;
    return int64_t(n);
}

struct MemorySink {
    std::u16string text;
    std::vector<size_t> writes;
    size_t fail_on_write = SIZE_MAX; // 0-based
};

bool write_memory(void *context, const char16_t *text, size_t count)
{
    auto &s = *static_cast<MemorySink *>(context);
    if (s.writes.size() == s.fail_on_write)
        return false;
    s.writes.push_back(count);
    s.text.append(text, count);
    return true;
}

StreamResult stream(ViewMode format, const std::u16string &label, MemorySource &source, MemorySink &sink)
{
    return stream_source_text(format, label_from(label.c_str()), SourceReader{read_memory, &source},
                              TextWriter{write_memory, &sink});
}

bool write_utf8_memory(void *context, const char *text, size_t count)
{
    static_cast<std::string *>(context)->append(text, count);
    return true;
}

TEST(SourceStream, WorkedExampleGoesOutInOneWrite)
{
    std::vector<uint8_t> bytes = counting(17);
    MemorySource source{&bytes};
    MemorySink sink;
    ASSERT_EQ(stream(ViewMode::C, u"exe_dt", source, sink), StreamResult::Written);
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
    // Read blocks end every 128 KiB of source. A 256 Ki-unit text block is written once less
    // than a chunk's worst case is left: after 789 chunks of 332 units in C and Basic (50,496
    // bytes, again at 100,992), after 873 Asm chunks with this label (55,872 bytes).
    std::vector<size_t> sizes = {1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 65535, 65536, 65537};
    for (size_t edge : {STREAM_READ_BLOCK, 2 * STREAM_READ_BLOCK, size_t(50496), size_t(55872), size_t(100992)})
        for (size_t d : {-65, -64, -63, -1, 0, 1, 63, 64, 65})
            sizes.push_back(edge + d);
    std::mt19937 random(7);
    std::vector<uint8_t> all = random_bytes(random, 2 * STREAM_READ_BLOCK + 65);
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes(all.begin(), all.begin() + ptrdiff_t(size));
        for (ViewMode format : FORMATS) {
            MemorySource source{&bytes};
            MemorySink sink;
            ASSERT_EQ(stream(format, u"exe_dt", source, sink), StreamResult::Written) << size;
            std::u16string expected = reference_source_text(int(format), u"exe_dt", bytes);
            ASSERT_EQ(first_difference(sink.text, expected), "") << int(format) << ", " << size << " bytes";
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
        ViewMode format = FORMATS[random() % 3];
        MemorySource source{&bytes, 0, read_sizes};
        MemorySink sink;
        ASSERT_EQ(stream(format, label, source, sink), StreamResult::Written);
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
    for (ViewMode format : FORMATS) {
        MemorySource source{&bytes};
        MemorySink sink;
        ASSERT_EQ(stream(format, u"exe_dt", source, sink), StreamResult::Written);
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
    for (ViewMode format : FORMATS) {
        MemorySource source{&bytes};
        MemorySink sink;
        EXPECT_EQ(stream(format, u"exe_dt", source, sink), StreamResult::EmptySource);
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
        EXPECT_EQ(stream(ViewMode::C, u"exe_dt", source, sink), StreamResult::ReadFailed) << fail;
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
        EXPECT_EQ(stream(ViewMode::Basic, u"exe_dt", source, sink), StreamResult::WriteFailed) << fail;
        EXPECT_EQ(sink.writes.size(), fail) << "no write after the failed one";
        EXPECT_LT(source.at, bytes.size()) << "the source is not read to its end";
    }
    // The one and only write of a small source fails too.
    std::vector<uint8_t> small(17, 0x11);
    MemorySource source{&small};
    MemorySink sink;
    sink.fail_on_write = 0;
    EXPECT_EQ(stream(ViewMode::Asm, u"exe_dt", source, sink), StreamResult::WriteFailed);
}

// The line kernel chosen for this run, put back however a test ends.
struct KernelChoice {
    LineKernels chosen = line_kernels;
    ~KernelChoice() { line_kernels = chosen; }
};

// Full lines straight from a kernel and from the scalar reference, in heap blocks of exactly the
// lines' bytes and of the text with the slack the kernels may use, so that AddressSanitizer
// sees any read or write past them.
template <class Unit>
void expect_kernel_lines(LineKernel<Unit> kernel, ViewMode format, const Label &label, std::mt19937 &random)
{
    size_t lines = 1 + random() % 8;
    std::vector<uint8_t> bytes = random_bytes(random, lines * LINE_CELLS);
    // The file's first assembler line has no start.
    LineStart<Unit> start = format == ViewMode::Asm && random() % 4 == 0 ? LineStart<Unit>{} : line_start<Unit>(format, label);
    std::vector<Unit> expected(lines * (start.length + line_body_length(format)));
    ASSERT_EQ(scalar_lines(format, start, bytes.data(), lines, expected.data()), expected.data() + expected.size());
    std::vector<Unit> text(expected.size() + LINE_KERNEL_SLACK / sizeof(Unit));
    ASSERT_EQ(kernel(format, start, bytes.data(), lines, text.data()), text.data() + expected.size()) << lines << " lines";
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), text.begin())) << lines << " lines, label of " << label.length;
}

TEST(LineKernel, EveryInstructionSetWritesTheReferenceText)
{
    // Random bytes and data names, every format and encoding, a last line of every length after
    // full lines from the kernel, on each instruction set this processor has.
    KernelChoice restore;
    std::mt19937 random(18);
    for (InstructionSet set : INSTRUCTION_SETS) {
        if (!instruction_set_available(set))
            continue;
        SCOPED_TRACE(instruction_set_name(set));
        line_kernels = line_kernels_for(set);
        ASSERT_EQ(line_kernels.set, set);
        for (ViewMode format : FORMATS) {
            for (size_t last = 1; last <= LINE_CELLS; last++) {
                std::u16string label(random() % (LABEL_MAX + 1), u'_');
                for (auto &unit : label)
                    unit = u"_abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[random() % 63];
                expect_kernel_lines(line_kernels.utf16, format, label_from(label.c_str()), random);
                expect_kernel_lines(line_kernels.utf8, format, label_from(label.c_str()), random);

                std::vector<uint8_t> bytes = random_bytes(random, LINE_CELLS * (random() % 300) + last);
                std::u16string expected = reference_source_text(int(format), label, bytes);
                MemorySource source{&bytes};
                MemorySink sink;
                ASSERT_EQ(stream(format, label, source, sink), StreamResult::Written);
                ASSERT_EQ(first_difference(sink.text, expected), "") << "UTF-16, format " << int(format) << ", "
                                                                      << bytes.size() << " bytes";
                MemorySource again{&bytes};
                std::string utf8;
                ASSERT_EQ(stream_source_text(format, label_from(label.c_str()), SourceReader{read_memory, &again},
                                             Utf8Writer{write_utf8_memory, &utf8}),
                          StreamResult::Written);
                ASSERT_EQ(first_difference(std::u16string(utf8.begin(), utf8.end()), expected), "")
                    << "UTF-8, format " << int(format) << ", " << bytes.size() << " bytes";
            }
        }
    }
}

} // namespace
