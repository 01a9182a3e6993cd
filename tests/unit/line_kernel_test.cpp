// The vector line kernels, held to the scalar reference on every instruction set the processor
// has, alone and inside the stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "export/line_kernel.h"
#include "export/source_stream.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"
#include "tests/shared/kernel_choice.h"
#include "tests/shared/memory_stream.h"

namespace {

constexpr ExportFormat FORMATS[] = {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic};

// Full lines straight from a kernel and from the scalar reference, in heap blocks of exactly the
// lines' bytes and of the text with the slack the kernels may use, so that AddressSanitizer
// sees any read or write past them.
template <class Unit>
void expect_kernel_lines(LineKernel<Unit> kernel, ExportFormat format, const Label &label, std::mt19937 &random)
{
    size_t lines = 1 + random() % 8;
    std::vector<uint8_t> bytes = random_bytes(random, lines * LINE_CELLS);
    // The file's first assembler line has no start.
    LineStart<Unit> start =
        format == ExportFormat::Asm && random() % 4 == 0 ? LineStart<Unit>{} : line_start<Unit>(format, label);
    std::vector<Unit> expected(lines * (start.length + line_body_length(format)));
    ASSERT_EQ(scalar_lines(format, start, bytes.data(), lines, expected.data()), expected.data() + expected.size());
    std::vector<Unit> text(expected.size() + LINE_KERNEL_SLACK / sizeof(Unit));
    ASSERT_EQ(kernel(format, start, bytes.data(), lines, text.data()), text.data() + expected.size())
        << lines << " lines";
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), text.begin()))
        << lines << " lines, label of " << label.length;
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
        for (ExportFormat format : FORMATS) {
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
                ASSERT_EQ(stream(format, label, source, sink), Outcome::Done);
                ASSERT_EQ(first_difference(sink.text, expected), "") << "UTF-16, format " << int(format) << ", "
                                                                      << bytes.size() << " bytes";
                MemorySource again{&bytes};
                std::string utf8;
                ASSERT_EQ(stream_source_text(format, label_from(label.c_str()), SourceReader{read_memory, &again},
                                             Utf8Writer{write_utf8_memory, &utf8}),
                          Outcome::Done);
                ASSERT_EQ(first_difference(std::u16string(utf8.begin(), utf8.end()), expected), "")
                    << "UTF-8, format " << int(format) << ", " << bytes.size() << " bytes";
            }
        }
    }
}

} // namespace
