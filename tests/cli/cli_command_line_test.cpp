// The built bin2src's command line and terminal: options refused with their reason, --help,
// standard input on a terminal, and the progress line.
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "cli/message.h"
#include "cli_fixture.h"
#include "common/utf8.h"

namespace {

TEST_F(Bin2src, BadOptionsAreRefusedWithTheirReason)
{
    std::string source = write("rom.bin", random_bytes(10, 13));
    const std::string hint = "\nTry 'bin2src --help' for the options and examples.\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--colour", source}, "unknown option '--colour'"},
        {{"-x", source}, "unknown option '-x'"},
        {{"-hx"}, "unknown option '-hx'"},
        {{"--force=yes", source}, "option '--force' takes no value"},
        {{source, "-o"}, "option '-o' needs a value"},
        {{"-f", "pascal", source}, "unknown format 'pascal': c, asm or basic"},
        {{"--encoding=latin1", source}, "unknown encoding 'latin1': utf16le or utf8"},
        {{"--view=wide", source}, "unknown view 'wide': normal, c, asm or basic"},
        {{"-s", "-1", source}, "bad segment number '-1': a decimal number from 0 is expected"},
        {{"-s", "1x", source}, "bad segment number '1x': a decimal number from 0 is expected"},
        {{"-s", "140737488355328", source}, "bad segment number '140737488355328': a decimal number from 0 is expected"},
        {{source, source}, "more than one source: '" + source + "' (convert one file at a time)"},
        {{"-s", "0", "-o", "x.c", source},
         "'-o' belongs to a conversion; --segment and --view print a segment in UTF-8 on standard output"},
        // The build styles' names are names of C and of the assemblers.
        {{"-t", "c", "-n", "my-data 1", source}, "the data name 'my-data 1' is not a C name: it has '-'; letters, "
                                                 "digits and '_' only"},
        {{"--style=nasm", "--name=9abc", source}, "the data name '9abc' is not a C name: it starts with a digit"},
        {{"-t", "c-source", "-n", "class", source}, "the data name 'class' is a keyword of C or C++"},
        {{"-t", "c", write(std::string(64, 'b'), {1}), "-o", "x.c"},
         "the data name made from the file's name, '" + std::string(64, 'b') +
             "', is too long: at most 63 characters; give a name with --name"},
        {{"-t", "gas", "-n", std::string(64, 'a'), source},
         "the data name '" + std::string(64, 'a') + "' is too long: at most 63 characters"},
        {{"-t", "pascal", source}, "unknown style 'pascal': window, c, c-header, c-source, gas, nasm, incbin, c-incbin, "
                                   "c-string, c-embed, values or plain"},
        {{"-t", "gas", "-f", "asm", source},
         "'-f' belongs to the window's text; the build styles are C or assembler text in UTF-8"},
        {{"--case=lower", source}, "'--case=lower' belongs to the build styles (--style); the window's text has "
                                   "upper-case digits, 16 bytes a line"},
        {{"-t", "c", "-c", "257", source}, "bad number of bytes a line '257': 1 to 256"},
        {{"-t", "c-string", "--case=upper", source}, "'--case=upper' does not go with --style=c-string, whose bytes are "
                                                    "characters and octal escapes, with no hexadecimal digit"},
        // Where the assembler styles put the bytes, and what only a file can give.
        {{"-t", "gas", "--align=24", source}, "bad alignment '24': a power of two from 1 to 8192"},
        {{"-t", "gas", "--align=16384", source}, "bad alignment '16384': a power of two from 1 to 8192"},
        {{"-t", "nasm", "--section=.data,\"aw\"", source},
         "the section name '.data,\"aw\"' has ',': ASCII letters, digits, '_', '.' and '$' only"},
        {{"-t", "gas", "--section=1data", source}, "the section name '1data' starts with a digit"},
        {{"-t", "c-source", "--section=.data", source},
         "'--section=.data' places the bytes of the assembler styles: gas, nasm, incbin and c-incbin"},
        {{"--align=4", source}, "'--align=4' belongs to the build styles (--style); the window's text has upper-case "
                                "digits, 16 bytes a line"},
        {{"-t", "incbin", "-n", "x", "-"}, "the style 'incbin' names its source in the text: give a file, not "
                                           "standard input"},
        {{"-r", "-t", "c", source},
         "'-t' shapes the text; --reverse reads any text bin2src writes and takes only --output and --force"},
        // Slices, the bare styles and the terminator.
        {{"--offset=-1", source}, "bad offset '-1': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"-l", "0x", source}, "bad length '0x': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"--length=18446744073709551616", source},
         "bad length '18446744073709551616': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"-r", "--offset=4", source}, "'--offset=4' takes a slice of a source; --reverse reads the whole text"},
        {{"-s", "0", "-l", "4", source},
         "'-l' belongs to a conversion; --segment and --view print a segment in UTF-8 on standard output"},
        {{"-t", "values", "-n", "x", source},
         "'-n' does not go with --style=values or plain, which write the bytes alone, in UTF-8"},
        {{"-z", source}, "'-z' belongs to the build styles (--style); the window's text is its export, byte for byte"},
        {{"-t", "c", "--nul=twice", source}, "unknown terminator count 'twice': counted or uncounted"},
    };
    for (const auto &[args, reason] : cases) {
        Result r = run(args);
        EXPECT_EQ(r.status, 2) << reason;
        EXPECT_EQ(r.err, "bin2src: " + reason + hint);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(exists("x.c"));

    // An argument too long to show whole is cut between two characters (of two bytes, the
    // limit falling inside one), and the words after it and the hint still come.
    std::string huge;
    for (int i = 0; i < 6000; i++)
        huge += "\xC3\xA9";
    Result r = run({"-xy" + huge});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err == "bin2src: unknown option '-xy" + huge.substr(0, NAME_SHOWN_MAX - 4) + "...'" + hint)
        << r.err.substr(0, 40) << " ... " << r.err.substr(r.err.size() - std::min<size_t>(r.err.size(), 80));
    r = run({"-o", path(huge), source});
    EXPECT_EQ(r.status, 1);
    std::string reason = std::string("': ") + std::strerror(ENAMETOOLONG) + "\n";
    EXPECT_TRUE(r.err.size() > reason.size() && r.err.substr(r.err.size() - reason.size()) == reason)
        << r.err.substr(r.err.size() - std::min<size_t>(r.err.size(), 80));
    EXPECT_LT(r.err.size(), MESSAGE_CAPACITY);
    EXPECT_GE(utf8_to_utf16(r.err.c_str(), nullptr, 0), 0) << "whole characters only";
}

TEST_F(Bin2src, DataNameLongerThanFifteenIsRefusedNotCut)
{
    std::vector<uint8_t> bytes = random_bytes(20, 14);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-n", "abcdefghijklmnop", "-o", path("out.c"), source});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, line("the data name 'abcdefghijklmnop' is too long: 16 characters, at most 15 are allowed\n"
                          "Try 'bin2src --help' for the options and examples."));
    EXPECT_FALSE(exists("out.c"));
    // Counted in UTF-16 units, as the window's dialog counts them: 14 + a pair is 16.
    std::string long_name = utf8(u"あいうえおかきくけこさしすせ𝄞");
    r = run({"-n", long_name, source});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("too long: 16 characters"), std::string::npos) << r.err;
    r = run({"-n", "bad\xC0\x80name", source});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not valid Unicode"), std::string::npos) << r.err;
    r = run({"-n", "abcdefghijklmno", "-e", "utf8", source});
    EXPECT_EQ(r.status, 0) << "15 characters are fine";
    EXPECT_EQ(r.out, expected_utf8(1, u"abcdefghijklmno", bytes));
}

TEST_F(Bin2src, TerminalAsStandardInputIsNotTakenForASource)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal to stand for a terminal here";
    Result r = run({"-e", "utf8"}, {.input = ptsname(master)});
    close(master);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("no source: name a file, or send the bytes to standard input (see 'bin2src --help')"));
}

TEST_F(Bin2src, HelpExplainsEveryOptionWithExamples)
{
    Result r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char *option : {"-f, --format=FORMAT", "-n, --name=NAME", "-o, --output=FILE", "-e, --encoding=ENC",
                               "--force", "-s, --segment=N", "-v, --view=VIEW", "-h, --help", "exe_dt", "utf16le",
                               "utf8", "Exit status", "Examples:\n  bin2src "})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_TRUE(r.out.ends_with("as the window shows it in C\n")) << "whole, to its last example";
    EXPECT_EQ(run({"-h"}).out, r.out);
    EXPECT_EQ(run({"-f", "asm", "--help", "--bogus"}).status, 0) << "help comes first";

    // GNU's form, which help2man turns into the man page: name (package) version, a licence line.
    Result v = run({"--version", "--bogus"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.err, "");
    EXPECT_EQ(v.out.substr(0, v.out.find('\n') + 1), "bin2src (VORDA) " VORDA_VERSION "\n");
    EXPECT_NE(v.out.find("License"), std::string::npos) << v.out;
    EXPECT_EQ(std::count(v.out.begin(), v.out.end(), '\n'), 2) << v.out;
    EXPECT_NE(r.out.find("--version"), std::string::npos) << "the help names --version";
}

TEST_F(Bin2src, ProgressOnATerminalForALongRunAndThenCleared)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal to stand for a terminal here";
    std::string source = write("data.bin", random_bytes(300000, 16));
    // A source that pauses for 1.5 s halfway keeps the run going past a second, whatever the
    // machine's speed; the progress line is drawn at the next read after the pause.
    std::string slow = "{ head -c 150000 '" + source + "'; sleep 1.5; tail -c +150001 '" + source + "'; } | '" + BIN2SRC +
                       "' -o " + path("out.c") + " ";
    std::string terminal_text[2];
    for (int quiet = 0; quiet < 2; quiet++) {
        Result r = run_program({"/bin/sh", "-c", slow + (quiet ? "--no-progress" : "")}, {.error = ptsname(master)});
        EXPECT_EQ(r.status, 0);
        std::remove(path("out.c").c_str());
        char chunk[4096];
        int flags = fcntl(master, F_GETFL);
        fcntl(master, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
            terminal_text[quiet].append(chunk, size_t(n));
    }
    // The text on the terminal too, as it is with no -o: the same pause, and no progress line on
    // it, for the line would stay among the text.
    Result r = run_program({"/bin/sh", "-c", "{ printf ab; sleep 1.5; printf cd; } | '" + std::string(BIN2SRC) +
                                                 "' -e utf8 -f asm"},
                           {.output = ptsname(master), .error = ptsname(master)});
    EXPECT_EQ(r.status, 0);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
        text.append(chunk, size_t(n));
    close(master);
    EXPECT_NE(text.find("exe_dt DB 61H,62H,63H,64H"), std::string::npos) << text;
    EXPECT_EQ(text.find(" bytes, "), std::string::npos) << text;
    const std::string &shown = terminal_text[0];
    EXPECT_NE(shown.find(" bytes, 1 s, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" MB/s"), std::string::npos) << shown;
    // Cleared at the end: spaces over the line, and the cursor back at its start.
    size_t last = shown.rfind('\r', shown.size() - 2);
    ASSERT_NE(last, std::string::npos) << shown;
    EXPECT_EQ(shown.back(), '\r');
    EXPECT_EQ(shown.substr(last + 1, shown.size() - last - 2), std::string(shown.size() - last - 2, ' ')) << shown;
    EXPECT_EQ(terminal_text[1], "") << "--no-progress";
}

} // namespace
