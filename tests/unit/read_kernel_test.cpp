// The vector kernels that read plain hexadecimal and xxd -i's lines back into bytes, held to a
// decoder written here from the rules, on valid lines and on lines with one character spoilt.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "export/line_kernel.h"
#include "tests/shared/bytes.h"

namespace {

int digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The reference: pairs of digits, or for an xxd line cells "0x41" with ", " between them and ","
// at the end. False when the text is not that.
bool reference(const std::string &text, bool xxd, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    size_t step = xxd ? 6 : 2;
    for (size_t at = 0; at < text.size(); at += step) {
        size_t d = xxd ? at + 2 : at;
        if (xxd && (text[at] != '0' || (text[at + 1] != 'x' && text[at + 1] != 'X') || text[at + 4] != ',' ||
                    (at + 5 < text.size() && text[at + 5] != ' ')))
            return false;
        if (d + 1 >= text.size() || digit(text[d]) < 0 || digit(text[d + 1]) < 0)
            return false;
        bytes.push_back(uint8_t(digit(text[d]) << 4 | digit(text[d + 1])));
    }
    return true;
}

std::string hex_text(const std::vector<uint8_t> &bytes, bool xxd, std::mt19937 &random)
{
    const char *digits = random() % 2 ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < bytes.size(); i++) {
        if (xxd)
            s += random() % 8 ? "0x" : "0X";
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
        if (xxd)
            s += i + 1 < bytes.size() ? ", " : ",";
    }
    return s;
}

TEST(ReadKernel, PlainHexAndXxdLinesAsTheReferenceReadsThem)
{
    std::mt19937 random(24);
    const char spoilers[] = {'g', 'G', '/', ':', '@', '`', ' ', ',', 'y', '\0', char(0x80), char(0xB0)};
    for (InstructionSet set : INSTRUCTION_SETS) {
        if (!instruction_set_available(set))
            continue;
        LineKernels kernels = line_kernels_for(set);
        if (!kernels.read_hex || !kernels.read_xxd) {
            EXPECT_EQ(set, InstructionSet::Scalar) << "a vector set without the readers";
            continue;
        }
        SCOPED_TRACE(instruction_set_name(set));
        for (int trial = 0; trial < 3000; trial++) {
            bool xxd = trial % 2;
            size_t pairs = xxd ? XXD_LINE_CELLS : trial % 97;
            std::string text = hex_text(random_bytes(random, pairs), xxd, random);
            if (random() % 2 && !text.empty())
                text[random() % text.size()] = spoilers[random() % sizeof spoilers];
            // The kernel may read past the line: what follows is the next line, or the slack.
            std::string block = text + "\n" + std::string(READ_KERNEL_SLACK, random() % 2 ? 'a' : '0');
            std::vector<uint8_t> expected, got(pairs + 8, 0xEE);
            bool valid = reference(text, xxd, expected);
            bool read = xxd ? kernels.read_xxd(block.data(), got.data()) : kernels.read_hex(block.data(), pairs, got.data());
            ASSERT_EQ(read, valid) << text;
            if (valid) {
                ASSERT_EQ(first_difference(std::vector<uint8_t>(got.begin(), got.begin() + ptrdiff_t(pairs)), expected), "")
                    << text;
            }
            for (size_t i = pairs; i < got.size(); i++)
                ASSERT_EQ(got[i], 0xEE) << "written past the bytes: " << text;
        }
    }
}

} // namespace
