// bin2src's command line read in the test's own process.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace {

struct Parse {
    Parsed parsed;
    Options options;
    std::string error;
    std::string warning;
};

Parse parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "bin2src");
    Parse p{};
    Message error, warning;
    p.parsed = parse_options(int(args.size()), args.data(), p.options, error, warning);
    p.error.assign(error.text, error.length);
    p.warning.assign(warning.text, warning.length);
    return p;
}

TEST(Options, Defaults)
{
    Parse p = parse({});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(p.options.format, ExportFormat::C);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"exe_dt");
    EXPECT_EQ(p.options.encoding, Encoding::Utf16le);
    EXPECT_EQ(p.options.source.index, STANDARD_STREAM);
    EXPECT_EQ(p.options.destination.index, STANDARD_STREAM);
    EXPECT_FALSE(p.options.force);
    EXPECT_FALSE(p.options.print_segment);
}

TEST(Options, EverySpellingOfAValue)
{
    for (auto args : {std::vector<const char *>{"-f", "asm"}, {"-fasm"}, {"--format", "asm"}, {"--format=asm"},
                      {"--format=ASM"}, {"-f", "c", "-f", "asm"}}) {
        Parse p = parse(args);
        ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
        EXPECT_EQ(p.options.format, ExportFormat::Asm) << args[0];
    }
    Parse p = parse({"-e", "UTF-8", "--name=", "-o", "out.bas", "--force", "-f", "basic", "in.bin"});
    ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
    EXPECT_EQ(p.options.encoding, Encoding::Utf8);
    EXPECT_EQ(p.options.label.length, 0u) << "an empty name is allowed, as the window allows it";
    EXPECT_EQ(p.options.destination.index, 5);
    EXPECT_EQ(p.options.destination.offset, 0u);
    EXPECT_TRUE(p.options.force);
    EXPECT_EQ(p.options.format, ExportFormat::Basic);
    EXPECT_EQ(p.options.source.index, 9);
    // Inline values: the argument that holds the path, and where in it the path starts.
    p = parse({"--output=x.c", "-oy.c"});
    EXPECT_EQ(p.options.destination.index, 2);
    EXPECT_EQ(p.options.destination.offset, 2u);
    p = parse({"--output=x.c"});
    EXPECT_EQ(p.options.destination.index, 1);
    EXPECT_EQ(p.options.destination.offset, 9u);
}

TEST(Options, DashesAndOperands)
{
    EXPECT_EQ(parse({"-"}).options.source.index, STANDARD_STREAM);
    EXPECT_EQ(parse({"-o", "-", "in"}).options.destination.index, STANDARD_STREAM);
    Parse p = parse({"--", "-x"});
    ASSERT_EQ(p.parsed, Parsed::Run) << p.error;
    EXPECT_EQ(p.options.source.index, 2) << "after --, -x is a file name";
    EXPECT_EQ(parse({"in", "-f", "basic"}).options.format, ExportFormat::Basic) << "options after the source";
}

TEST(Options, SegmentAndView)
{
    Parse p = parse({"-s", "12", "in"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_TRUE(p.options.print_segment);
    EXPECT_EQ(p.options.segment, 12);
    EXPECT_EQ(p.options.view, ViewMode::Normal);
    p = parse({"--view=basic", "in"});
    EXPECT_TRUE(p.options.print_segment);
    EXPECT_EQ(p.options.segment, 0);
    EXPECT_EQ(p.options.view, ViewMode::Basic);
    EXPECT_EQ(parse({"-s", "140737488355327"}).options.segment, 140737488355327) << "the last whose offset fits";
    EXPECT_EQ(parse({"-s", "99999999999999999999999"}).parsed, Parsed::Usage) << "no overflow into a small number";
    EXPECT_EQ(parse({"-s", ""}).parsed, Parsed::Usage);
    for (const char *conversion : {"-f", "-n", "-e"}) {
        p = parse({"-v", "c", conversion, conversion[1] == 'e' ? "utf8" : "c"});
        EXPECT_EQ(p.parsed, Parsed::Usage) << conversion;
        EXPECT_EQ(p.error.substr(0, 4), std::string("'") + conversion + "'") << p.error;
    }
    EXPECT_EQ(parse({"--force", "-s", "0"}).parsed, Parsed::Usage);
}

TEST(Options, HelpWhereverItStands)
{
    EXPECT_EQ(parse({"-h"}).parsed, Parsed::Help);
    EXPECT_EQ(parse({"in", "--help"}).parsed, Parsed::Help);
    EXPECT_EQ(parse({"--help=x"}).parsed, Parsed::Usage);
    EXPECT_EQ(parse({"--he"}).parsed, Parsed::Usage) << "no abbreviations";
}

TEST(Options, NameOfFifteenUnitsAndNoMore)
{
    Parse p = parse({"-n", "abcdefghijklmno"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"abcdefghijklmno");
    p = parse({"-n", "abcdefghijklmnop"});
    EXPECT_EQ(p.parsed, Parsed::Usage);
    EXPECT_EQ(p.error, "the data name 'abcdefghijklmnop' is too long: 16 characters, at most 15 are allowed");
    p = parse({"-n", "データー名"});
    ASSERT_EQ(p.parsed, Parsed::Run);
    EXPECT_EQ(std::u16string(p.options.label.units, p.options.label.length), u"データー名");
}

// A build style's data name, given or made from the source's file name: taken (the name), taken
// with a warning, or refused with its reason. Every name taken must compile where the data is
// declared and link beside a C program; build_styles_test.sh holds the compilers to that.
TEST(Options, BuildStyleNames)
{
    const std::string made = "the data name made from the file's name, '";
    const std::string too_long(64, 'a');
    const std::string reserved = "' is reserved: names starting with '_' belong to the compiler and the C library "
                                 "where the data is declared, at file scope";
    const std::string predefined = "' is a macro that gcc and clang predefine in their default dialects "
                                   "(-std=gnu17, gnu++17)";
    const std::string main_function = "' is the program's own function: C and C++ take no data of that name, nor "
                                      "the linker beside the program's main";
    const std::string library = "' is also a function of the C library, which compilers know as a built-in: its "
                                "declaration may fail to compile, or calls of the function reach the data; "
                                "another name is safer";
    struct Case {
        const char *style;
        const char *name;   // given with --name, or null: made from the source
        const char *source; // the source's path
        std::string taken;  // the name, or empty when refused
        std::string said;   // the reason it was refused, or the warning
    };
    const Case cases[] = {
        {"c", "font_rom", "f.bin", "font_rom", ""},
        {"nasm", "eax", "f.bin", "eax", ""},
        // What only C's text trips over: refused in the C styles, a label in the assembler's.
        {"c-source", "int", "f.bin", "", "the data name 'int' is a keyword of C or C++"},
        {"gas", "int", "f.bin", "int", ""},
        {"c", "linux", "f.bin", "", "the data name 'linux" + predefined},
        {"c-header", "i386", "f.bin", "", "the data name 'i386" + predefined},
        {"c-source", "WIN32", "f.bin", "", "the data name 'WIN32" + predefined},
        {"nasm", "linux", "f.bin", "linux", ""},
        // What the linker sees: refused in every style.
        {"c", "main", "f.bin", "", "the data name 'main" + main_function},
        {"gas", "main", "f.bin", "", "the data name 'main" + main_function},
        {"c", "_Bool", "f.bin", "", "the data name '_Bool' is a keyword of C or C++"},
        {"nasm", "_Bool", "f.bin", "", "the data name '_Bool" + reserved},
        {"c", "_Pragma", "f.bin", "", "the data name '_Pragma" + reserved},
        {"c-source", "__func__", "f.bin", "", "the data name '__func__" + reserved},
        {"gas", "_start", "f.bin", "", "the data name '_start" + reserved},
        {"c", "font__rom", "f.bin", "", "the data name 'font__rom' is reserved: names holding '__' belong to the "
                                        "compiler and the C library"},
        {"nasm", "rom_", "f.bin", "", "the data name 'rom_' ends in '_': the name of its length, rom__len, would "
                                      "hold '__', which is reserved"},
        // The C library's built-ins: taken, with a warning, in every style.
        {"c-source", "log", "f.bin", "log", "warning: the data name 'log" + library},
        {"c", "index", "f.bin", "index", "warning: the data name 'index" + library},
        {"gas", "printf", "f.bin", "printf", "warning: the data name 'printf" + library},
        // Made from the file's name: never refused for what the name is, never warned about.
        {"c", nullptr, "assets/font 8x8.bin", "font_8x8_bin", ""},
        {"c", nullptr, "8x8.bin", "data_8x8_bin", ""},
        {"gas", nullptr, "C:\\roms\\__x.bin", "x_bin", ""},
        {"c", nullptr, "a - b_.bin", "a_b_bin", ""},
        {"c", nullptr, "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF", "data", ""},
        {"c-source", nullptr, "int", "int_data", ""},
        {"nasm", nullptr, "bin/main", "main_data", ""},
        {"c", nullptr, "linux", "linux_data", ""},
        {"c", nullptr, "log", "log_data", ""},
        {"c", nullptr, "_Bool", "Bool", ""},
        {"c", nullptr, too_long.c_str(), "",
         made + too_long + "', is too long: at most 63 characters; give a name with --name"},
    };
    for (const Case &c : cases) {
        std::vector<const char *> args = {"-t", c.style, c.source};
        if (c.name)
            args.insert(args.end(), {"-n", c.name});
        Parse p = parse(args);
        std::string what = std::string(c.style) + " " + (c.name ? c.name : c.source);
        if (c.taken.empty()) {
            EXPECT_EQ(p.parsed, Parsed::Usage) << what;
            EXPECT_EQ(p.error, c.said) << what;
        } else {
            ASSERT_EQ(p.parsed, Parsed::Run) << what << ": " << p.error;
            EXPECT_EQ(std::string(p.options.style.name, p.options.style.name_length), c.taken) << what;
            EXPECT_EQ(p.warning, c.said) << what;
        }
    }
}

// The CMake package's bin2src_add_data offers the styles whose text declares the data by its name
// (not the header it writes beside the others itself, nor the bare ones), and auto, which picks one
// of them; each goes into a file of its extension in the program's table.
TEST(Options, CMakePackageOffersTheTablesStylesWithTheirExtensions)
{
    std::ifstream file(BIN2SRC_CONFIG);
    ASSERT_TRUE(file) << BIN2SRC_CONFIG;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::set<std::string> expected = {"auto"};
    for (const StyleWords &words : STYLE_WORDS)
        if (!is_bare_style(words.style) && words.style != Style::CHeader)
            expected.insert(words.name);
    // The list in the function's description and the one its argument is checked against.
    for (const char *list : {R"(\[STYLE ([a-z|-]+)\])", R"(NOT arg_STYLE MATCHES "\^\(([a-z|-]+)\)\$")"}) {
        std::smatch found;
        ASSERT_TRUE(std::regex_search(text, found, std::regex(list))) << list;
        std::set<std::string> offered;
        std::istringstream names(found[1].str());
        for (std::string name; std::getline(names, name, '|');)
            offered.insert(name);
        EXPECT_EQ(offered, expected) << list;
    }
    for (const StyleWords &words : STYLE_WORDS) {
        if (words.style == Style::Window)
            continue; // its file is named by its format
        std::smatch found;
        std::regex extension("set\\(extension_" + std::string(words.name) + " ([^)]+)\\)");
        bool has = std::regex_search(text, found, extension);
        EXPECT_EQ(has, expected.count(words.name) > 0) << words.name;
        if (has) {
            // A C file is .c in a C project, .cpp in one of C++ alone.
            EXPECT_EQ(found[1] == "${c_extension}" ? "c" : found[1].str(), words.extension) << words.name;
        }
    }
}

} // namespace
