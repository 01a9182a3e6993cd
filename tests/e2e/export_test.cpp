// The three export commands through the real window and the real settings dialog: what the
// dialog proposes, the files written, the overwrite question, every failure message, and the
// progress dialog of a long export with its cancel.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "driver.h"
#include "export/source_stream.h"
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

// The temporary files left in a folder: none, once an export has ended whichever way.
std::vector<std::string> temporaries_in(const std::wstring &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(narrow(found.cFileName));
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
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

// A volume of 1 MiB that the test's fixture mounts (a tmpfs; tests/e2e/small_volume.sh).
TEST(Export, DiskFullAfterYesKeepsTheOldFileByteForByte)
{
    std::wstring volume = SMALL_VOLUME;
    ULARGE_INTEGER free_bytes = {}, total = {};
    if (!GetDiskFreeSpaceExW(volume.c_str(), &free_bytes, &total, nullptr) || total.QuadPart > (4u << 20))
        GTEST_SKIP() << "no small volume at " << narrow(volume) << ": its fixture mounts one as root only";
    // 400 KB there, and a text of over 1 MB to replace it with.
    const std::vector<uint8_t> old = random_bytes(400000, 4);
    std::wstring destination = write_file(volume + L"\\rom.cpp", old);
    std::vector<uint8_t> bytes = random_bytes(100000, 5);
    std::wstring source = write_file(scratch_folder() + L"\\rom.bin", bytes);
    Program program(in_quotes(source));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    through_dialog(program, main, IDT_EXPORT_C, L"", destination);
    expect_question(program, IDYES);
    EXPECT_EQ(show(program.answer_box(L"FileSaveError", IDOK)),
              "[FileSaveError] " + file_error(destination, ERROR_DISK_FULL) + " (icon) OK");
    expect_nothing_more(program, main, "a full disk");
    EXPECT_TRUE(read_file(destination) == old) << "the old file is not as it was";
    EXPECT_EQ(temporaries_in(volume), std::vector<std::string>{});
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
    DeleteFileW(destination.c_str());
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

    // No file is there to ask about.
    std::wstring missing = folder + L"\\missing\\rom.asm";
    through_dialog(program, main, IDM_EXPORT_ASM, L"", missing);
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

// ---- The progress dialog of a long export

const std::wstring PROGRESS = L"変換保存中";

// A source that repeats one random block: its text can be checked against the reference piece
// by piece. The block is a whole number of 16-byte lines, but neither of 64-byte chunks nor of
// the program's reads. Stretched by a hole to ENDLESS bytes, the same file gives over 600 GB of
// text, which no machine converts while the test looks at the progress dialog, so the dialog is
// sure to come and to be there for the cancel, however fast the machine; cut back to its
// blocks, it is exported to the end. The hole takes no disk, and the text written until the
// cancel is removed with it.
constexpr size_t BLOCK = 16 * 62499;
constexpr size_t REPEATS = 17;
constexpr uint64_t ENDLESS = 64ull << 30;

// The C text of a source that repeats `block`: head (ruler and declaration), the block's lines
// once for each repeat but the last (all ending in a comma), then tail (the last repeat's lines
// and the closing line). Taken from the reference's text of the block once, twice and thrice.
struct RepeatedText {
    std::vector<uint8_t> head, body, tail;
};

RepeatedText repeated_reference(const std::vector<uint8_t> &block)
{
    auto text = [&](size_t times) {
        std::vector<uint8_t> bytes;
        for (size_t k = 0; k < times; k++)
            bytes.insert(bytes.end(), block.begin(), block.end());
        return utf16le(reference_source_text(1, u"exe_dt", bytes));
    };
    std::vector<uint8_t> head = text(0), once = text(1), twice = text(2), thrice = text(3);
    RepeatedText r;
    r.head = head;
    r.tail.assign(once.begin() + ptrdiff_t(head.size()), once.end());
    r.body.assign(twice.begin() + ptrdiff_t(head.size()), twice.end() - ptrdiff_t(r.tail.size()));
    std::vector<uint8_t> built = r.head;
    for (int k = 0; k < 2; k++)
        built.insert(built.end(), r.body.begin(), r.body.end());
    built.insert(built.end(), r.tail.begin(), r.tail.end());
    EXPECT_TRUE(built == thrice) << "the repeated text is not head, body... and tail";
    return r;
}

// Compares the file with head, `times` - 1 bodies and tail, one piece at a time.
std::string difference_from_repeated(const std::wstring &path, const RepeatedText &expected, size_t times)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot open " + narrow(path);
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    uint64_t length = expected.head.size() + (times - 1) * uint64_t(expected.body.size()) + expected.tail.size();
    std::string difference;
    if (uint64_t(size.QuadPart) != length)
        difference = "size " + std::to_string(size.QuadPart) + ", expected " + std::to_string(length);
    std::vector<uint8_t> piece;
    for (size_t k = 0; difference.empty() && k <= times; k++) {
        const std::vector<uint8_t> &want = k == 0 ? expected.head : k == times ? expected.tail : expected.body;
        piece.resize(want.size());
        DWORD got = 0;
        ReadFile(file, piece.data(), DWORD(piece.size()), &got, nullptr);
        if (got != want.size() || piece != want)
            difference = "piece " + std::to_string(k) + ": " + first_difference(piece, want);
    }
    CloseHandle(file);
    return difference;
}

LRESULT bar_position(HWND bar)
{
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 10000, &position))
        ADD_FAILURE() << "the progress bar did not answer";
    return LRESULT(position);
}

// The bytes done, from "<done> / <size>Byte"; -1 when the text is not of that shape.
long long bytes_done(const std::wstring &text, uint64_t size)
{
    long long done = -1;
    unsigned long long total = 0;
    char tail[8] = "";
    if (std::sscanf(narrow(text).c_str(), "%lld / %lluByte%7s", &done, &total, tail) != 2 || total != size)
        return -1;
    return done;
}

TEST(ExportProgress, LongExportShowsProgressCancelsToTheStateBeforeAndCompletesByteExact)
{
    std::vector<uint8_t> block = random_bytes(BLOCK, 16);
    std::wstring folder = scratch_folder();
    LargeFile source{write_file(folder + L"\\large.bin", block, REPEATS)};
    ASSERT_TRUE(resize_file(source.path, ENDLESS));
    LargeFile destination{folder + L"\\large.cpp"};
    Program program(in_quotes(source.path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window parts = parts_of(main);
    std::vector<std::wstring> status = painted_status(program, parts.status);
    std::wstring view = text_of(parts.view);

    // The program answers a message only where it lets them through between two blocks.
    through_dialog(program, main, IDT_EXPORT_C, L"", destination.path);
    HWND dialog = program.wait_for_window(L"#32770", PROGRESS);
    ASSERT_NE(dialog, nullptr) << "no progress dialog";
    EXPECT_FALSE(IsWindowEnabled(main)) << "the main window takes input beside the dialog";
    HWND text = GetDlgItem(dialog, IDC_PROGRESS_TEXT), bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    std::wstring first = text_of(text);
    LRESULT first_position = bar_position(bar);
    long long done = bytes_done(first, ENDLESS);
    EXPECT_GT(done, 0) << narrow(first);
    EXPECT_TRUE(wait_until([&] { return bytes_done(text_of(text), ENDLESS) > done && bar_position(bar) > first_position; }))
        << "no progress after " << narrow(first) << ", " << first_position;
    // Taken between two blocks like any other message, and refused.
    PostMessageW(main, WM_CLOSE, 0, 0);
    post_command(main, IDM_EXIT);
    post_command(main, IDT_EXIT);
    click(dialog, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << "the progress dialog stayed";
    ASSERT_TRUE(IsWindow(main)) << "the window was closed during the export";
    expect_nothing_more(program, main, "cancel");
    EXPECT_FALSE(exists(destination.path)) << "the incomplete destination is left behind";
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(show(status_of(program, parts.status)), show(status));
    EXPECT_TRUE(text_of(parts.view) == view) << "the view changed";

    // The same file, cut back to its blocks, once more and to the end.
    ASSERT_TRUE(resize_file(source.path, uint64_t(BLOCK) * REPEATS));
    through_dialog(program, main, IDM_EXPORT_C, L"", destination.path);
    EXPECT_GE(completion(program), 0);
    expect_nothing_more(program, main, "the completion message");
    EXPECT_EQ(difference_from_repeated(destination.path, repeated_reference(block), REPEATS), "");
    exit_with(program, main, WM_CLOSE, 0);
}

TEST(ExportProgress, CancelAfterYesKeepsTheOldFileByteForByte)
{
    std::wstring folder = scratch_folder();
    LargeFile source{write_file(folder + L"\\large.bin", random_bytes(BLOCK, 18))};
    ASSERT_TRUE(resize_file(source.path, ENDLESS));
    const std::vector<uint8_t> old = random_bytes(1000000, 19);
    std::wstring destination = write_file(folder + L"\\large.cpp", old);
    Program program(in_quotes(source.path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    through_dialog(program, main, IDT_EXPORT_C, L"", destination);
    expect_question(program, IDYES);
    HWND dialog = program.wait_for_window(L"#32770", PROGRESS);
    ASSERT_NE(dialog, nullptr) << "no progress dialog";
    HWND text = GetDlgItem(dialog, IDC_PROGRESS_TEXT);
    // Cancelled once text has gone out, more of it than the old file holds.
    EXPECT_TRUE(wait_until([&] { return bytes_done(text_of(text), ENDLESS) > 200000; })) << narrow(text_of(text));
    click(dialog, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << "the progress dialog stayed";
    expect_nothing_more(program, main, "cancel");
    EXPECT_TRUE(read_file(destination) == old) << "the old file is not as it was";
    EXPECT_EQ(temporaries_in(folder), std::vector<std::string>{});
    exit_with(program, main, WM_CLOSE, 0);
}

// Every window a program makes, as the system reports it to this thread: it sees a window that
// comes and goes between two looks as well as one that stays.
class CreatedWindows {
public:
    explicit CreatedWindows(const Program &program)
    {
        recorder = this;
        hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, on_event,
                               GetProcessId(program.process()), 0, WINEVENT_OUTOFCONTEXT);
        EXPECT_NE(hook, nullptr) << "SetWinEventHook: " << GetLastError();
    }
    ~CreatedWindows()
    {
        UnhookWinEvent(hook);
        recorder = nullptr;
    }
    // The reports come as messages to this thread: takes them until `window` is among them.
    bool wait_for(HWND window)
    {
        return wait_until([&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            return std::find(windows.begin(), windows.end(), window) != windows.end();
        });
    }
    std::vector<HWND> windows;

private:
    static void CALLBACK on_event(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
    {
        if (recorder != nullptr && object == OBJID_WINDOW)
            recorder->windows.push_back(window);
    }
    static inline CreatedWindows *recorder = nullptr;
    HWINEVENTHOOK hook;
};

TEST(ExportProgress, ShortExportMakesNoWindowBeforeItsCompletionMessage)
{
    // One read's worth: however slow the machine, no dialog may come before the first block is
    // read, and none once the source is read to its end.
    std::vector<uint8_t> bytes = random_bytes(STREAM_READ_BLOCK, 17);
    std::wstring folder = scratch_folder();
    std::wstring source = write_file(folder + L"\\rom.bin", bytes);
    Program program(in_quotes(source));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);

    post_command(main, IDT_EXPORT_BASIC);
    HWND settings = program.wait_for_window(L"#32770", SETTINGS);
    ASSERT_NE(settings, nullptr);
    CreatedWindows created(program);
    click(settings, IDC_EXPORT_OK);
    HWND box = program.wait_for_window(L"#32770", L"書込処理");
    ASSERT_NE(box, nullptr) << "no completion message";
    ASSERT_TRUE(created.wait_for(box)) << "the system did not report the completion message";
    // The message box makes its controls after itself, and drops some of them at once.
    EXPECT_EQ(created.windows.front(), box) << "the export made a window before its completion message";
    EXPECT_GE(completion(program), 0);
    EXPECT_TRUE(read_file(folder + L"\\rom.bas") == utf16le(reference_source_text(3, u"exe_dt", bytes)));
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
