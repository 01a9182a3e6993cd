// The built bin2src converting as a build runs it: the window's text and the build styles from
// files and pipes to files and the standard streams, slices, and the way back.
#include <algorithm>
#include <cstring>

#include "cli_fixture.h"

namespace {

TEST_F(Bin2src, SameTextAsTheWindowsExportForEverySizeFormatAndLabel)
{
    const size_t sizes[] = {1, 15, 16, 17, 63, 64, 65, 4097, (1u << 20) + 3};
    const std::pair<std::string, std::u16string> labels[] = {
        {"exe_dt", u"exe_dt"}, {"", u""}, {"abcdefghijklmno", u"abcdefghijklmno"}};
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes = random_bytes(size, unsigned(size));
        std::string source = write("data.bin", bytes);
        for (int format = 1; format <= 3; format++) {
            for (size_t which = 0; which < 3; which++) {
                // The big source with one label per format, so that the test stays quick under
                // the sanitizers; the small ones with every label.
                if (size > 4097 && which != size_t(format - 1))
                    continue;
                const auto &[label_utf8, label] = labels[which];
                std::u16string text = reference_source_text(format, label, bytes);
                std::string out = path("out.txt");
                std::remove(out.c_str());
                Result r = run({"-f", FORMAT_NAMES[format], "-n", label_utf8, "-o", out, source});
                ASSERT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(r.err, "");
                ASSERT_EQ(first_difference(read(out), utf16le(text)), "")
                    << "UTF-16LE, format " << format << ", label '" << label_utf8 << "', " << size << " bytes";
                std::remove(out.c_str());
                r = run({"--format=" + std::string(FORMAT_NAMES[format]), "--name=" + label_utf8, "--encoding=utf8",
                         "--output=" + out, source});
                ASSERT_EQ(r.status, 0) << r.err;
                ASSERT_EQ(first_difference(read(out), bytes_of(utf8(text))), "")
                    << "UTF-8, format " << format << ", label '" << label_utf8 << "', " << size << " bytes";
            }
        }
    }
}

TEST_F(Bin2src, DefaultsAreCExeDtAndUtf16leOnStandardOutput)
{
    std::vector<uint8_t> bytes = random_bytes(1000, 1);
    Result r = run({write("rom.bin", bytes)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), utf16le(reference_source_text(1, u"exe_dt", bytes))), "");
    // No byte-order mark: the text starts with TAB as a little-endian unit.
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out.substr(0, 2), std::string("\t\0", 2));
}

TEST_F(Bin2src, NonAsciiDataNameInBothEncodings)
{
    std::vector<uint8_t> bytes = random_bytes(130, 2);
    std::string source = write("rom.bin", bytes);
    const std::u16string label = u"データー名𝄞"; // 5 characters, 7 units with the pair
    for (int format = 1; format <= 3; format++) {
        Result r = run({"-f", FORMAT_NAMES[format], "-n", utf8(label), source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(first_difference(bytes_of(r.out), utf16le(reference_source_text(format, label, bytes))), "");
        r = run({"-f", FORMAT_NAMES[format], "-n", utf8(label), "-e", "utf8", source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected_utf8(format, label, bytes));
    }
}

TEST_F(Bin2src, Utf8OutputCompiledByTheSystemCompilerHoldsEveryByte)
{
    if (system("command -v gcc >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no gcc on this machine to compile the output with";
    std::vector<uint8_t> bytes = random_bytes(100003, 3);
    std::string source = write("blob.bin", bytes);
    Result r = run({"-e", "utf8", "-n", "blob_data_15chr", "-o", path("blob.c"), source});
    ASSERT_EQ(r.status, 0) << r.err;
    // The declaration ends in "}" without ";": the includer adds it, and names BYTE.
    std::string check = "#include <stdio.h>\n"
                        "typedef unsigned char BYTE;\n"
                        "#include \"blob.c\"\n"
                        ";\n"
                        "int main(int argc, char **argv)\n"
                        "{\n"
                        "    FILE *f = fopen(argv[1], \"rb\");\n"
                        "    size_t n = 0;\n"
                        "    int c;\n"
                        "    if (!f)\n"
                        "        return 2;\n"
                        "    while ((c = getc(f)) != EOF) {\n"
                        "        if (n >= sizeof blob_data_15chr || blob_data_15chr[n] != c) {\n"
                        "            printf(\"byte %zu differs\\n\", n);\n"
                        "            return 1;\n"
                        "        }\n"
                        "        n++;\n"
                        "    }\n"
                        "    printf(\"%zu of %zu bytes equal\\n\", n, sizeof blob_data_15chr);\n"
                        "    return n == sizeof blob_data_15chr ? 0 : 1;\n"
                        "}\n";
    write("check.c", bytes_of(check));
    Result compiled = run_program({"gcc", "-std=c99", "-Wall", "-Werror", "-o", path("check"), path("check.c")});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    Result checked = run_program({path("check"), source});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(checked.out, "100003 of 100003 bytes equal\n");
    // The same program fails on a source with one byte changed, so the check can fail.
    bytes[54321] ^= 0x40;
    write("blob.bin", bytes);
    checked = run_program({path("check"), source});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, "byte 54321 differs\n");
}

TEST_F(Bin2src, StandardInputFromAFileAndFromAPipe)
{
    std::vector<uint8_t> bytes = random_bytes(300001, 4);
    std::string source = write("rom.bin", bytes);
    Redirect from_file{.input = source};
    Result r = run({"-f", "asm", "-e", "utf8"}, from_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(2, u"exe_dt", bytes));
    r = run({"-f", "asm", "-e", "utf8", "-"}, from_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(2, u"exe_dt", bytes)) << "- names standard input";
    r = piped(source, "-f basic -o '" + path("out.bas") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(read("out.bas"), utf16le(reference_source_text(3, u"exe_dt", bytes))), "");
}

TEST_F(Bin2src, StandardOutputByDashAndToAFile)
{
    std::vector<uint8_t> bytes = random_bytes(777, 5);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-o", "-", "-e", "utf8", source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", bytes));
    Redirect to_file{.output = path("redirected.c")};
    r = run({"-e", "utf8", source}, to_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read("redirected.c"), bytes_of(expected_utf8(1, u"exe_dt", bytes)));
}

TEST_F(Bin2src, EmptySourceIsRefusedAndLeavesNoDestination)
{
    std::string source = write("empty.bin", {});
    Result r = run({"-o", path("out.c"), source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("'" + source + "' is empty (0 bytes): there is no data to convert"));
    EXPECT_FALSE(exists("out.c"));
    // From a pipe, and with --force onto a file that exists: nothing is created or replaced.
    write("keep.c", bytes_of("keep\n"));
    r = piped(source, "--force -o '" + path("keep.c") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard input is empty (0 bytes): there is no data to convert"));
    EXPECT_EQ(read("keep.c"), bytes_of("keep\n"));
    EXPECT_EQ(names(), (std::vector<std::string>{"empty.bin", "keep.c"}));
    r = run({}, {.input = source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard input is empty (0 bytes): there is no data to convert"));
    EXPECT_EQ(r.out, "");
}

TEST_F(Bin2src, FileThatSaysItHoldsNothingIsReadToItsEnd)
{
    // Files of /proc say they hold 0 bytes. The environment of the program itself is one whose
    // bytes the test knows: a single variable, longer than a segment.
    const std::string variable = "BIG=" + std::string(70000, 'x');
    std::vector<uint8_t> bytes = bytes_of(variable);
    bytes.push_back(0);
    Result r = run_program({"env", "-i", variable, BIN2SRC, "-e", "utf8", "/proc/self/environ"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", bytes));
    r = run_program({"env", "-i", variable, BIN2SRC, "-s", "1", "/proc/self/environ"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, formatted(bytes, 1, ViewMode::Normal));
    r = run_program({"env", "-i", variable, BIN2SRC, "-s", "2", "/proc/self/environ"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 2 is past the end: '/proc/self/environ' holds 70005 bytes, segments 0 to 1"));
}

TEST_F(Bin2src, PlainHexAndSlicesAreXxdsAndValuesAreTheCStylesCells)
{
    // xxd -p, -s and -l are the reference: the same text for the same bytes, slice and columns,
    // from a file and from a pipe. Sizes around a line of plain hex (30) and of values (16).
    if (system("command -v xxd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xxd on this machine to compare with";
    std::vector<uint8_t> bytes = random_bytes(65537, 19);
    std::string whole = write("whole.bin", bytes);
    auto xxd = [&](const std::string &options) { return run_program({"/bin/sh", "-c", "xxd -p " + options}).out; };
    for (size_t size : {0, 1, 16, 29, 30, 31, 65537}) {
        std::string source = write("data.bin", std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(size)));
        Result r = run({"-t", "plain", source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, xxd("'" + source + "'")) << size << " bytes";
        // The values are the C style's data lines, in its case and columns.
        for (const std::vector<std::string> &shape : {std::vector<std::string>{}, {"--case=lower", "-c", "7"}}) {
            std::vector<std::string> args = {"-t", "values", source};
            args.insert(args.begin(), shape.begin(), shape.end());
            Result values = run(args);
            args[shape.size() + 1] = "c";
            std::string c = run(args).out;
            size_t from = c.find("= {\n") + 4, to = c.rfind("};\n");
            EXPECT_EQ(values.out, size == 0 ? "" : c.substr(from, to - from)) << size << " bytes";
        }
    }
    const struct {
        std::string bin2src, xxd;
    } slices[] = {
        {"--offset=0 -l 1", "-s 0 -l 1"}, {"--offset=0x1F -c 7", "-s 31 -c 7"}, {"-l 0x10000 --offset 5", "-s 5 -l 65536"},
        {"--offset=65536 --case=upper", "-s 65536 -u"}, {"--offset=1000 -l 100000", "-s 1000 -l 100000"},
    };
    for (const auto &slice : slices) {
        std::string expected = xxd(slice.xxd + " '" + whole + "'");
        Result r = run_program({"/bin/sh", "-c", "'" + std::string(BIN2SRC) + "' -t plain " + slice.bin2src + " '" + whole + "'"});
        EXPECT_EQ(r.out, expected) << slice.bin2src;
        r = piped(whole, "-t plain " + slice.bin2src);
        EXPECT_EQ(r.out, expected) << slice.bin2src << ", from a pipe";
    }
    // A slice of standard input leaves the rest where it was, for the next reader; from a file and
    // from a pipe.
    const std::string both = "{ '" + std::string(BIN2SRC) + "' -t plain --offset=5 -l 10; xxd -p; }";
    for (const std::string &command : {both + " < '" + whole + "'", "cat '" + whole + "' | " + both}) {
        Result r = run_program({"/bin/sh", "-c", command});
        EXPECT_EQ(r.out, xxd("-s 5 -l 10 '" + whole + "'") + xxd("-s 15 '" + whole + "'")) << command;
    }
    // Past the end is an error that says the size; at the end, the slice is empty.
    Result r = run({"-t", "plain", "--offset=65538", whole});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("offset 65538 is past the end: '" + whole + "' holds 65537 bytes"));
    r = piped(whole, "--offset=70000 -t c");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("offset 70000 is past the end: standard input holds 65537 bytes"));
    r = run({"-t", "plain", "--offset=65537", whole});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = run({"--offset=65537", "-o", path("out.c"), whole});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("the slice of '" + whole + "' at offset 65537 is empty (0 bytes): there is no data to convert"));
    EXPECT_FALSE(exists("out.c"));
}

TEST_F(Bin2src, ReadsBackWhatXxdWrites)
{
    // xxd's own texts of files around its line widths, of an empty one, and from a pipe.
    if (system("command -v xxd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xxd on this machine to write its texts";
    for (size_t size : {0, 1, 12, 13, 30, 31, 100003}) {
        std::string source = write("data.bin", random_bytes(size, unsigned(size) + 20));
        for (const char *xxd : {"xxd -i", "xxd -i -C", "xxd -i -c 5", "xxd -i -u", "xxd -i <", "xxd -p", "xxd -p -c 7",
                                "xxd -p -u"}) {
            Result r = run_program({"/bin/sh", "-c", "cd '" + dir + "' && " + xxd + " data.bin > data.txt && '" + BIN2SRC +
                                                         "' -r -o back.bin data.txt && cmp data.bin back.bin; rm -f back.bin"});
            EXPECT_EQ(r.status, 0) << xxd << ", " << size << " bytes: " << r.err << r.out;
        }
    }
}

TEST_F(Bin2src, ReverseWritesTheBytesOrNothing)
{
    // The C text of a file read back from a pipe, then the same text with a bad digit on its
    // thousandth line: the error names the place, and the destination stays as it was.
    std::vector<uint8_t> bytes = random_bytes(100000, 15);
    std::string source = write("data.bin", bytes);
    ASSERT_EQ(run({"-t", "c", "-o", path("data.h"), source}).status, 0);
    Result r = piped(path("data.h"), "-r");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), bytes), "");

    std::vector<uint8_t> text = read("data.h");
    size_t at = 0;
    for (int line = 1; line < 1000; line++)
        at = size_t(std::find(text.begin() + ptrdiff_t(at), text.end(), '\n') - text.begin()) + 1;
    text[at + 4] = 'g'; // the low digit of the line's first byte: "\t0x?g,"
    write("bad.h", text);
    std::string out = write("out.bin", {'o', 'l', 'd'});
    r = run({"--reverse", "--force", "-o", out, path("bad.h")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, failed_unchanged(path("bad.h") + ":1000:5: a hexadecimal digit was expected", out, true));
    EXPECT_EQ(read("out.bin"), bytes_of("old"));
    EXPECT_EQ(names(), (std::vector<std::string>{"bad.h", "data.bin", "data.h", "out.bin"}));

    // A text that pulls the bytes in from the file names it, as it was given, and holds none.
    ASSERT_EQ(run({"-t", "c-incbin", "--force", "-o", path("data.h"), source}).status, 0);
    r = run({"--reverse", "--force", "-o", out, path("data.h")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, failed_unchanged(path("data.h") + ":19:8: the text takes its bytes from the file '" + source +
                                          "' (.incbin) and holds none itself: that file is the bytes",
                                      out, true));
    EXPECT_EQ(read("out.bin"), bytes_of("old"));
}

} // namespace
