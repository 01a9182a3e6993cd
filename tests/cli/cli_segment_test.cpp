// The built bin2src printing one segment as the window renders it, from files and pipes.
#include <cstring>

#include "cli_fixture.h"

namespace {

TEST_F(Bin2src, SegmentInEachRenderingIsTheFormattersText)
{
    std::vector<uint8_t> bytes = random_bytes(3 * SEGMENT_SIZE + 17, 15);
    std::string source = write("rom.bin", bytes);
    const char *views[] = {"normal", "c", "asm", "basic"};
    for (int view = 0; view <= 3; view++) {
        for (uint64_t segment = 0; segment <= 3; segment++) {
            Result r = run({"--view", views[view], "--segment", std::to_string(segment), source});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, formatted(bytes, segment, ViewMode(view))) << views[view] << ", segment " << segment;
        }
    }
    // --segment alone shows the hex dump; --view alone shows segment 0.
    EXPECT_EQ(run({"-s", "1", source}).out, formatted(bytes, 1, ViewMode::Normal));
    EXPECT_EQ(run({"-v", "asm", source}).out, formatted(bytes, 0, ViewMode::Asm));
    // Read through from a pipe, in pieces, to the same text.
    Result r = piped(source, "-s 2 -v basic");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, formatted(bytes, 2, ViewMode::Basic));
}

TEST_F(Bin2src, SegmentTextSpelledOut)
{
    // The view's own example line, with its character column in UTF-8 (ÿ is C3 BF).
    std::vector<uint8_t> bytes = {0x41, 0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x41,
                                  0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x7E};
    std::string source = write("line.bin", bytes);
    EXPECT_EQ(run({"-v", "normal", source}).out,
              "0000:41 42 00 FF 41 42 00 FF 41 42 00 FF 41 42 00 FF AB \xC3\xBF" "AB \xC3\xBF" "AB \xC3\xBF"
              "AB \xC3\xBF\r\n"
              "0010:7E" + std::string(1 + 15 * 3, ' ') + "~" + std::string(15, ' ') + "\r\n");
    EXPECT_EQ(run({"-v", "c", source}).out,
              "0000:0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,\r\n"
              "0010:0x7E,\r\n");
}

TEST_F(Bin2src, SegmentsOfAPositionedStandardInputCountFromItsPosition)
{
    // Another reader took 16 bytes of the same open file first: every segment, and the range,
    // count from there, as a conversion reads from there.
    std::vector<uint8_t> bytes = random_bytes(2 * SEGMENT_SIZE + 100, 18);
    std::string source = write("rom.bin", bytes);
    std::vector<uint8_t> rest(bytes.begin() + 16, bytes.end());
    Redirect positioned{.input = source, .input_offset = 16};
    for (uint64_t segment = 0; segment <= 2; segment++) {
        Result r = run({"-s", std::to_string(segment)}, positioned);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, formatted(rest, segment, ViewMode::Normal)) << "segment " << segment;
    }
    Result r = run({"-s", "3"}, positioned);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 3 is past the end: standard input holds 131156 bytes, segments 0 to 2"));
    r = run({"-e", "utf8"}, positioned);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", rest));
}

TEST_F(Bin2src, SegmentPastTheEndIsRefused)
{
    std::vector<uint8_t> bytes = random_bytes(2 * SEGMENT_SIZE, 16);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-s", "2", source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, line("segment 2 is past the end: '" + source + "' holds 131072 bytes, segments 0 to 1"));
    r = piped(source, "-s 5");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 5 is past the end: standard input holds 131072 bytes, segments 0 to 1"));
    // An empty file has segment 0, and it is empty, as the window shows it.
    std::string empty = write("empty.bin", {});
    r = run({"-s", "0", "-v", "c", empty});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = run({"-s", "1", empty});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 1 is past the end: '" + empty + "' holds 0 bytes, segments 0 to 0"));
    r = run({"-s", "0", path("missing.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("cannot open '" + path("missing.bin") + "': " + std::strerror(ENOENT)));
}

} // namespace
