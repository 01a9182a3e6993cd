// The Windows console build of bin2src, run as a child process on real files: the same text
// as the window's export, the standard streams, UTF-16 paths and names, and the refusals that
// rest on the Windows system layer (file IDs, share modes, error codes).
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"
#include "tests/shared/files_win.h"
#include "view/segment_text.h"

namespace {

std::wstring program_path()
{
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L"\\/") + 1);
    for (const char *p = BIN2SRC_RELATIVE; *p; p++)
        path += *p == '/' ? L'\\' : wchar_t(*p);
    return path;
}

// The system's own conversion, independent of the program's.
std::string utf8(const std::u16string &text) { return narrow(std::wstring(text.begin(), text.end())); }

struct Result {
    DWORD status;
    std::string out, err;
};

class Bin2srcWin : public ::testing::Test {
protected:
    void SetUp() override { dir = fresh_scratch_folder("bin2src-"); }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::wstring path(const std::wstring &name) const { return dir + L"\\" + name; }
    std::wstring write(const std::wstring &name, const std::vector<uint8_t> &bytes) const
    {
        return write_file(path(name), bytes);
    }
    static std::string captured(const std::wstring &stream)
    {
        std::vector<uint8_t> bytes = read_file(stream);
        return std::string(bytes.begin(), bytes.end());
    }

    // bin2src with these arguments; standard input from a file (or NUL) or a handle the test
    // feeds, standard output to a file of the test's choice or captured.
    Result run(const std::vector<std::wstring> &args, const std::wstring &input = L"",
               const std::wstring &output = L"", HANDLE input_handle = nullptr) const
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        HANDLE in = input_handle ? input_handle
                                 : CreateFileW(input.empty() ? L"NUL" : input.c_str(), GENERIC_READ, share, &inherit,
                                               OPEN_EXISTING, 0, nullptr);
        std::wstring out_path = output.empty() ? path(L".stdout") : output;
        HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE err = CreateFileW(path(L".stderr").c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr);
        EXPECT_TRUE(in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE);

        std::wstring program = program_path();
        std::wstring command = L"\"" + program + L"\"";
        for (const std::wstring &a : args)
            command += L" \"" + a + L"\""; // no quotes in the tests' arguments, none ends in a backslash
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process = {};
        Result result{DWORD(-1), "", ""};
        if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &process)) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &result.status);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        } else {
            ADD_FAILURE() << "CreateProcessW failed with " << GetLastError();
        }
        if (!input_handle)
            CloseHandle(in);
        CloseHandle(out);
        CloseHandle(err);
        if (output.empty())
            result.out = captured(out_path);
        result.err = captured(path(L".stderr"));
        return result;
    }

    std::wstring dir;
};

const wchar_t *const FORMAT_NAMES[] = {L"", L"c", L"asm", L"basic"};

TEST_F(Bin2srcWin, SameTextAsTheWindowsExport)
{
    const struct { size_t size; std::u16string label; } cases[] = {
        {1, u"exe_dt"}, {17, u""}, {64, u"abcdefghijklmno"}, {65, u"exe_dt"}, {100003, u"rom"}};
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes = random_bytes(c.size, unsigned(c.size));
        std::wstring source = write(L"data.bin", bytes);
        std::wstring label(c.label.begin(), c.label.end());
        for (int format = 1; format <= 3; format++) {
            std::u16string text = reference_source_text(format, c.label, bytes);
            std::wstring out = path(L"out.txt");
            DeleteFileW(out.c_str());
            Result r = run({L"-f", FORMAT_NAMES[format], L"-n", label, L"-o", out, source});
            ASSERT_EQ(r.status, 0u) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(first_difference(read_file(out), utf16le(text)), "")
                << "UTF-16LE, format " << format << ", " << c.size << " bytes";
            DeleteFileW(out.c_str());
            r = run({L"--encoding=utf8", L"--format=" + std::wstring(FORMAT_NAMES[format]), L"--name=" + label,
                     L"--output=" + out, source});
            ASSERT_EQ(r.status, 0u) << r.err;
            EXPECT_EQ(first_difference(read_file(out), bytes_of(utf8(text))), "")
                << "UTF-8, format " << format << ", " << c.size << " bytes";
        }
    }
}

TEST_F(Bin2srcWin, JapaneseFileNamesAndDataName)
{
    // The UTF-16 command line reaches the files and the text whatever the code page.
    std::vector<uint8_t> bytes = random_bytes(300, 1);
    std::wstring source = write(L"データ.bin", bytes);
    std::wstring destination = path(L"出力.bas");
    Result r = run({L"-f", L"basic", L"-n", L"データー名", L"--output=" + destination, source});
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(read_file(destination), utf16le(reference_source_text(3, u"データー名", bytes)));
    r = run({L"-o" + destination, source});
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err, "bin2src: '" + narrow(destination) + "' exists; it is not replaced without --force\n");
}

TEST_F(Bin2srcWin, StandardInputAndOutput)
{
    std::vector<uint8_t> bytes = random_bytes(200001, 2);
    std::wstring source = write(L"rom.bin", bytes);
    Result r = run({L"-f", L"asm", L"-e", L"utf8"}, source);
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), bytes_of(utf8(reference_source_text(2, u"exe_dt", bytes)))), "");
    // A pipe, fed by the test, delivers the bytes in pieces and ends with a broken pipe.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end, write_end;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 4096));
    SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
    std::thread feeder([&] {
        DWORD written = 0;
        WriteFile(write_end, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(write_end);
    });
    r = run({L"-"}, L"", L"", read_end);
    feeder.join();
    CloseHandle(read_end);
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), utf16le(reference_source_text(1, u"exe_dt", bytes))), "");
}

// Plain hexadecimal as xxd -p writes it: lower case, 30 bytes a line.
std::string plain_hex(const std::vector<uint8_t> &bytes, size_t from, size_t count)
{
    std::string text;
    for (size_t i = from; i < from + count && i < bytes.size(); i++) {
        text += "0123456789abcdef"[bytes[i] >> 4];
        text += "0123456789abcdef"[bytes[i] & 15];
        if ((i - from) % 30 == 29 || i + 1 == from + count || i + 1 == bytes.size())
            text += '\n';
    }
    return text;
}

TEST_F(Bin2srcWin, SlicesOfAFileAndOfStandardInput)
{
    // A file is positioned at the offset, standard input read through it; past the end is an
    // error that says the size, and an empty slice gives an empty text.
    std::vector<uint8_t> bytes = random_bytes(100003, 6);
    std::wstring source = write(L"rom.bin", bytes);
    Result r = run({L"-t", L"plain", L"--offset=0x10", L"-l", L"1000", source});
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(r.out, plain_hex(bytes, 16, 1000));
    r = run({L"-t", L"plain", L"--offset=70000"}, source);
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(r.out, plain_hex(bytes, 70000, bytes.size()));
    r = run({L"-t", L"plain", L"--offset=100004", source});
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err, "bin2src: offset 100004 is past the end: '" + narrow(source) + "' holds 100003 bytes\n");
    r = run({L"-t", L"values", L"--offset=100003", source});
    EXPECT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(Bin2srcWin, SourceUnderAnotherNameIsNeverWritten)
{
    std::vector<uint8_t> bytes = random_bytes(5000, 3);
    std::wstring source = write(L"rom.bin", bytes);
    ASSERT_TRUE(CreateDirectoryW(path(L"sub").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkW(path(L"hard.bin").c_str(), source.c_str(), nullptr));
    for (const std::wstring &name : {source, path(L"sub\\..\\rom.bin"), path(L".\\rom.bin"), path(L"hard.bin")}) {
        for (bool force : {false, true}) {
            std::vector<std::wstring> args = {L"-o", name, source};
            if (force)
                args.insert(args.begin(), L"--force");
            Result r = run(args);
            EXPECT_EQ(r.status, 1u) << narrow(name);
            EXPECT_EQ(r.err, "bin2src: '" + narrow(name) +
                                 "' is the source file itself; it is never written to (choose another destination)\n");
            EXPECT_EQ(read_file(source), bytes);
        }
    }
    // The source as standard input, the destination its hard link.
    Result r = run({L"--force", L"-o", path(L"hard.bin")}, source);
    EXPECT_EQ(r.status, 1u);
    EXPECT_NE(r.err.find("is the source file itself"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(source), bytes);
}

TEST_F(Bin2srcWin, ExistingDestinationNeedsForce)
{
    std::vector<uint8_t> bytes = random_bytes(100, 4);
    std::wstring source = write(L"rom.bin", bytes);
    std::wstring destination = write(L"rom.cpp", std::vector<uint8_t>(100000, 'x'));
    Result r = run({L"-o", destination, source});
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(read_file(destination), std::vector<uint8_t>(100000, 'x'));
    r = run({L"--force", L"-o", destination, source});
    ASSERT_EQ(r.status, 0u) << r.err;
    EXPECT_EQ(first_difference(read_file(destination), utf16le(reference_source_text(1, u"exe_dt", bytes))), "")
        << "replaced and truncated";
}

TEST_F(Bin2srcWin, FailuresNameThePathAndTheSystemsCode)
{
    Result r = run({L"-o", path(L"out.c"), path(L"missing.bin")});
    EXPECT_EQ(r.status, 1u);
    std::string head = "bin2src: cannot open '" + narrow(path(L"missing.bin")) + "': ";
    EXPECT_EQ(r.err.substr(0, head.size()), head) << r.err;
    EXPECT_NE(r.err.find("(error 2)\n"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(path(L"out.c")));

    std::wstring source = write(L"rom.bin", random_bytes(10, 5));
    r = run({L"-o", path(L"missing\\rom.c"), source});
    EXPECT_EQ(r.status, 1u);
    head = "bin2src: cannot create a file in the folder of '" + narrow(path(L"missing\\rom.c")) + "': ";
    EXPECT_EQ(r.err.substr(0, head.size()), head) << r.err;
    EXPECT_NE(r.err.find("(error 3)\n"), std::string::npos) << r.err;

    std::wstring empty = write(L"empty.bin", {});
    r = run({L"-o", path(L"empty.c"), empty});
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err, "bin2src: '" + narrow(empty) + "' is empty (0 bytes): there is no data to convert\n");
    EXPECT_FALSE(exists(path(L"empty.c")));

    r = run({L"-n", L"abcdefghijklmnop", source});
    EXPECT_EQ(r.status, 2u);
    EXPECT_EQ(r.err, "bin2src: the data name 'abcdefghijklmnop' is too long: 16 characters, at most 15 are allowed\n"
                     "Try 'bin2src --help' for the options and examples.\n");
    r = run({L"--bogus"});
    EXPECT_EQ(r.status, 2u);
    // A name with an unpaired surrogate is no text: refused, as the native build refuses it.
    r = run({L"-n", std::wstring(L"ab") + wchar_t(0xD800), L"-o", path(L"lone.c"), source});
    EXPECT_EQ(r.status, 2u);
    EXPECT_NE(r.err.find("is not valid Unicode"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(path(L"lone.c")));
}

TEST_F(Bin2srcWin, SegmentInEachRendering)
{
    std::vector<uint8_t> bytes = random_bytes(SEGMENT_SIZE + 40, 6);
    std::wstring source = write(L"rom.bin", bytes);
    static char16_t text[VIEW_TEXT_CAPACITY];
    const wchar_t *views[] = {L"normal", L"c", L"asm", L"basic"};
    for (int view = 0; view <= 3; view++) {
        for (int segment = 0; segment <= 1; segment++) {
            Result r = run({L"-v", views[view], L"-s", std::to_wstring(segment), source});
            ASSERT_EQ(r.status, 0u) << r.err;
            size_t n = format_segment(bytes.data() + segment * SEGMENT_SIZE, segment ? 40 : SEGMENT_SIZE,
                                      ViewMode(view), segment, text);
            EXPECT_EQ(r.out, utf8(std::u16string(text, n))) << "view " << view << ", segment " << segment;
        }
    }
    Result r = run({L"-s", L"2", source});
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.err,
              "bin2src: segment 2 is past the end: '" + narrow(source) + "' holds 65576 bytes, segments 0 to 1\n");
}

} // namespace
