// The three export commands through the real window and the real settings dialog: what the
// dialog proposes, the files written, the overwrite question and every failure message.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "driver.h"
#include "res/resource.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"

namespace {

const std::wstring SETTINGS = L"変換保存の設定";

std::string file_error(const std::wstring &path, int code)
{
    return narrow(path) + "のﾌｧｲﾙが開けません\r\nErrCode=" + std::to_string(code);
}

struct Proposal {
    std::wstring label, destination;
};

// Runs an export command up to the settings dialog, reads what it proposes, types what is
// given (nothing when empty) and presses `button`.
Proposal through_dialog(const Program &program, HWND main, int command, const std::wstring &label = L"",
                        const std::wstring &destination = L"", int button = IDC_EXPORT_OK)
{
    post_command(main, command);
    HWND dialog = program.wait_for_window(L"#32770", SETTINGS);
    if (dialog == nullptr) {
        ADD_FAILURE() << "no settings dialog after command " << command;
        return {};
    }
    Proposal proposal{text_of(GetDlgItem(dialog, IDC_LABEL)), text_of(GetDlgItem(dialog, IDC_DESTINATION))};
    if (!label.empty())
        set_text(GetDlgItem(dialog, IDC_LABEL), label);
    if (!destination.empty())
        set_text(GetDlgItem(dialog, IDC_DESTINATION), destination);
    click(dialog, button);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << "the settings dialog stayed open";
    return proposal;
}

// Answers the completion message and checks it: "書込完了 <n>mSEC要した", the warning icon,
// OK only. Returns n, or -1.
long completion(const Program &program)
{
    Box box = program.answer_box(L"書込処理", IDOK);
    const std::wstring head = L"書込完了 ", tail = L"mSEC要した";
    std::wstring &t = box.text;
    bool shaped = t.size() > head.size() + tail.size() && t.compare(0, head.size(), head) == 0 &&
                  t.compare(t.size() - tail.size(), tail.size(), tail) == 0;
    EXPECT_TRUE(shaped && box.icon && box.ok && !box.cancel && !box.yes && !box.no) << show(box);
    if (!shaped)
        return -1;
    std::wstring digits = t.substr(head.size(), t.size() - head.size() - tail.size());
    EXPECT_EQ(digits.find_first_not_of(L"0123456789"), std::wstring::npos) << show(box);
    return std::wcstol(digits.c_str(), nullptr, 10);
}

void expect_question(const Program &program, int answer)
{
    Box box = program.answer_box(L"どうしますか？", answer);
    EXPECT_EQ(show(box), "[どうしますか？] ﾌｧｲﾙが存在します上書きしますか？ (icon) Yes No");
}

void expect_nothing_more(const Program &program, HWND main, const std::string &after)
{
    program.settle(main);
    expect_no_boxes(program, "after " + after);
}

TEST(Export, DialogProposesTheDataNameAndDestinationForEachFormatAndSource)
{
    std::wstring folder = scratch_folder();
    std::wstring rom = write_file(folder + L"\\rom.bin", {1, 2, 3});
    std::wstring image = write_file(folder + L"\\image.jpeg", {4, 5});
    std::wstring readme = write_file(folder + L"\\README", {6});
    Program program(in_quotes(rom));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    const struct { int command; const wchar_t *extension; } commands[] = {
        {IDM_EXPORT_C, L"cpp"}, {IDM_EXPORT_ASM, L"asm"}, {IDM_EXPORT_BASIC, L"bas"},
        {IDT_EXPORT_C, L"cpp"}, {IDT_EXPORT_ASM, L"asm"}, {IDT_EXPORT_BASIC, L"bas"},
    };
    for (const auto &c : commands) {
        Proposal p = through_dialog(program, main, c.command, L"", L"", IDC_EXPORT_CANCEL);
        EXPECT_EQ(narrow(p.label), "exe_dt") << "command " << c.command;
        EXPECT_EQ(narrow(p.destination), narrow(folder + L"\\rom." + c.extension)) << "command " << c.command;
        expect_nothing_more(program, main, "cancel");
    }
    // The extension is not parsed: the last three characters are replaced.
    for (auto [source, proposed] : {std::pair{image, folder + L"\\image.jcpp"}, std::pair{readme, folder + L"\\REAcpp"}}) {
        post_command(main, IDT_OPEN);
        answer_file_dialog(program, L"ファイル読み出し", source);
        program.settle(main);
        Proposal p = through_dialog(program, main, IDT_EXPORT_C, L"", L"", IDC_EXPORT_CANCEL);
        EXPECT_EQ(narrow(p.destination), narrow(proposed));
        expect_nothing_more(program, main, "cancel");
    }
    for (const wchar_t *name : {L"\\rom.cpp", L"\\rom.asm", L"\\rom.bas", L"\\image.jcpp", L"\\REAcpp"})
        EXPECT_FALSE(exists(folder + name)) << "cancelled, yet written: " << narrow(name);
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Export, EveryFormatIsWrittenByteForByteWithTheDataNameCutTo15)
{
    // More than one segment and a short last line.
    std::vector<uint8_t> bytes = random_bytes(70001, 1);
    std::wstring folder = scratch_folder();
    std::wstring source = write_file(folder + L"\\rom.bin", bytes);
    Program program(in_quotes(source));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    const struct { int command, format; const wchar_t *typed; std::u16string stored; const wchar_t *extension; } cases[] = {
        {IDM_EXPORT_C, 1, L"abcdefghijklmnopqrst", u"abcdefghijklmno", L"cpp"},
        {IDT_EXPORT_ASM, 2, L"", u"exe_dt", L"asm"},
        {IDM_EXPORT_BASIC, 3, L"", u"exe_dt", L"bas"},
        {IDT_EXPORT_BASIC, 3, L"ABCDEFGHIJKLMNOPQRST", u"ABCDEFGHIJKLMNO", L"bas2"},
    };
    for (const auto &c : cases) {
        std::wstring destination = folder + L"\\rom." + c.extension;
        through_dialog(program, main, c.command, c.typed, destination);
        EXPECT_GE(completion(program), 0) << "command " << c.command;
        expect_nothing_more(program, main, "the completion message");
        std::vector<uint8_t> expected = utf16le(reference_source_text(c.format, c.stored, bytes));
        EXPECT_EQ(first_difference(read_file(destination), expected), "")
            << "command " << c.command << ": " << narrow(destination);
    }
    EXPECT_TRUE(read_file(source) == bytes) << "the source is untouched";
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

TEST(Export, OverwriteAnsweredNoKeepsTheFileAndYesReplacesIt)
{
    std::vector<uint8_t> bytes = random_bytes(1000, 2);
    std::wstring folder = scratch_folder();
    std::wstring source = write_file(folder + L"\\rom.bin", bytes);
    const std::vector<uint8_t> old = bytes_of("old text");
    std::wstring destination = write_file(folder + L"\\rom.asm", old);
    Program program(in_quotes(source));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    through_dialog(program, main, IDM_EXPORT_ASM);
    expect_question(program, IDNO);
    expect_nothing_more(program, main, "No: no completion message");
    EXPECT_TRUE(read_file(destination) == old);

    through_dialog(program, main, IDT_EXPORT_ASM);
    expect_question(program, IDYES);
    EXPECT_GE(completion(program), 0);
    EXPECT_TRUE(read_file(destination) == utf16le(reference_source_text(2, u"exe_dt", bytes)));
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

// A named pipe whose reading end takes a little, then closes: a destination that fails half-way.
class ClosingPipe {
public:
    ClosingPipe() : name(L"\\\\.\\pipe\\vorda-e2e-" + std::to_wstring(GetCurrentProcessId()))
    {
        server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                  nullptr);
        EXPECT_NE(server, INVALID_HANDLE_VALUE);
        reader = std::thread([this] {
            ConnectNamedPipe(server, nullptr);
            char some[1000];
            DWORD got = 0;
            ReadFile(server, some, sizeof some, &got, nullptr);
            CloseHandle(server);
        });
    }
    ~ClosingPipe()
    {
        // Unblocks a reader still waiting for its client, should the test stop before it.
        HANDLE client = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (client != INVALID_HANDLE_VALUE)
            CloseHandle(client);
        reader.join();
    }
    const std::wstring name;

private:
    HANDLE server;
    std::thread reader;
};

TEST(Export, FailuresAreReportedWithoutCompletionAndKeepTheSource)
{
    // Named so that the proposed C destination is the source itself.
    std::vector<uint8_t> bytes = random_bytes(200000, 3);
    std::wstring folder = scratch_folder();
    std::wstring source = write_file(folder + L"\\rom.cpp", bytes);
    Program program(in_quotes(source));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    Proposal p = through_dialog(program, main, IDT_EXPORT_C);
    EXPECT_EQ(narrow(p.destination), narrow(source));
    expect_question(program, IDYES);
    EXPECT_EQ(show(program.answer_box(L"FileSaveError", IDOK)), "[FileSaveError] " + file_error(source, 32) + " (icon) OK");
    expect_nothing_more(program, main, "the destination named the source");
    EXPECT_TRUE(read_file(source) == bytes) << "the source is unchanged";

    // The question comes although no file is there: the first failure is not looked into.
    std::wstring missing = folder + L"\\missing\\rom.asm";
    through_dialog(program, main, IDM_EXPORT_ASM, L"", missing);
    expect_question(program, IDYES);
    EXPECT_EQ(show(program.answer_box(L"FileSaveError", IDOK)), "[FileSaveError] " + file_error(missing, 3) + " (icon) OK");
    expect_nothing_more(program, main, "a missing folder");

    {
        ClosingPipe pipe;
        through_dialog(program, main, IDT_EXPORT_BASIC, L"", pipe.name);
        EXPECT_EQ(show(program.answer_box(L"FileSaveError", IDOK)),
                  "[FileSaveError] " + file_error(pipe.name, ERROR_BROKEN_PIPE) + " (icon) OK");
        expect_nothing_more(program, main, "a failed write");
    }

    ASSERT_TRUE(DeleteFileW(source.c_str()));
    std::wstring destination = folder + L"\\rom.bas";
    through_dialog(program, main, IDM_EXPORT_BASIC, L"", destination);
    EXPECT_EQ(show(program.answer_box(L"FileOpenError", IDOK)), "[FileOpenError] " + file_error(source, 2) + " (icon) OK");
    expect_nothing_more(program, main, "a source deleted after it was chosen");
    EXPECT_FALSE(exists(destination));
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
