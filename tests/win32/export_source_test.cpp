// export_source against real files, with its questions and messages answered by the test.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <type_traits>

#include "dialog_script.h"
#include "common/text.h"
#include "document/document_win.h"
#include "export/export_win.h"
#include "harness.h"
#include "res/resource.h"
#include "tests/reference/source_reference.h"
#include "tests/shared/bytes.h"

namespace {

const wchar_t *const EXTENSIONS[] = {L"", L"cpp", L"asm", L"bas"}; // by format

// The source path with its last three characters replaced, as the settings dialog proposes it.
std::wstring proposed(const std::wstring &source, const wchar_t *extension)
{
    return source.substr(0, source.size() - 3) + extension;
}

class ExportSource : public ::testing::Test {
protected:
    void SetUp() override { window = make_host_window(); }
    void TearDown() override { destroy_host_window(window); }

    // The document as the settings dialog leaves it.
    void prepare(const std::wstring &source, const std::wstring &destination, const std::u16string &label = u"exe_dt")
    {
        ASSERT_TRUE(set_source_file(utf16(source.c_str())));
        ASSERT_TRUE(text_copy(document.export_path, utf16(destination.c_str())));
        ASSERT_TRUE(text_copy(document.export_label, label.c_str()));
    }

    // Exports with the program's questions answered in turn; the boxes it showed.
    std::vector<Box> exported(ExportFormat format, std::vector<int> answers = {})
    {
        BoxCapture boxes(std::move(answers));
        export_source(window, format);
        return boxes.seen();
    }

    // A message box as the failure table describes it: OK only, the warning icon.
    static void expect_warning(const Box &box, const std::string &caption, const std::string &text)
    {
        EXPECT_EQ(narrow(box.caption), caption);
        EXPECT_EQ(narrow(box.text), text);
        EXPECT_TRUE(box.warning()) << caption;
        EXPECT_TRUE(box.ok && !box.cancel && !box.yes && !box.no) << caption << ": OK only";
    }

    static void expect_question(const Box &box)
    {
        EXPECT_EQ(narrow(box.caption), "どうしますか？");
        EXPECT_EQ(narrow(box.text), "ﾌｧｲﾙが存在します上書きしますか？");
        EXPECT_TRUE(box.warning());
        EXPECT_TRUE(box.yes && box.no && !box.ok && !box.cancel) << "Yes and No";
    }

    static void expect_completion(const Box &box)
    {
        EXPECT_EQ(narrow(box.caption), "書込処理");
        std::wstring text = box.text;
        const std::wstring head = L"書込完了 ", tail = L"mSEC要した";
        ASSERT_GT(text.size(), head.size() + tail.size()) << narrow(text);
        EXPECT_EQ(text.substr(0, head.size()), head) << narrow(text);
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << narrow(text);
        std::wstring number = text.substr(head.size(), text.size() - head.size() - tail.size());
        EXPECT_EQ(number.find_first_not_of(L"0123456789"), std::wstring::npos) << narrow(text);
        EXPECT_TRUE(box.warning());
        EXPECT_TRUE(box.ok && !box.cancel && !box.yes && !box.no);
    }

    std::string file_error(const std::wstring &path, int code)
    {
        return narrow(path) + "のﾌｧｲﾙが開けません\r\nErrCode=" + std::to_string(code);
    }

    bool status_bar_untouched() { return status_text(status_bar, 0).empty() && status_text(status_bar, 1).empty(); }

    HWND window = nullptr;
};

TEST_F(ExportSource, SeventeenBytesAsTheFileHoldsIt)
{
    std::vector<uint8_t> bytes = counting(17);
    std::wstring source = scratch_file(L"rom.bin", bytes);
    std::wstring destination = proposed(source, L"cpp");
    prepare(source, destination);
    std::vector<Box> boxes = exported(ExportFormat::C);
    ASSERT_EQ(boxes.size(), 1u);
    expect_completion(boxes[0]);
    // UTF-16LE, no byte-order mark, no terminator, CR LF.
    const char16_t *expected = u"\t//0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F    \r\n"
                               u"BYTE exe_dt[]={\r\n"
                               u"\t0x00,0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0A,0x0B,0x0C,0x0D,0x0E,0x0F,\r\n"
                               u"\t0x10\r\n"
                               u"\t}\r\n";
    std::vector<uint8_t> written = read_file(destination);
    EXPECT_EQ(written, utf16le(expected));
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[0], '\t');
    EXPECT_EQ(written[1], 0);
    EXPECT_EQ(read_file(source), bytes) << "the source is untouched";
    EXPECT_EQ(narrow(status_text(status_bar, 0)), narrow(source)) << "the status bar is refreshed";
    EXPECT_EQ(status_text(status_bar, 1), L"17Byte");
}

TEST_F(ExportSource, EveryFormatMatchesTheReferenceByteForByte)
{
    const struct { size_t size; std::u16string label; } cases[] = {
        {1, u"exe_dt"}, {16, u"exe_dt"}, {64, u"abcdefghijklmno"}, {65, u""}, {300001, u"exe_dt"}, {393216, u"rom"}};
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes = random_bytes(c.size, unsigned(c.size));
        std::wstring source = scratch_file(L"data.bin", bytes);
        for (ExportFormat format : EXPORT_FORMATS) {
            std::wstring destination = proposed(source, EXTENSIONS[int(format)]);
            prepare(source, destination, c.label);
            std::vector<Box> boxes = exported(format);
            ASSERT_EQ(boxes.size(), 1u) << "format " << int(format) << ", " << c.size << " bytes";
            expect_completion(boxes[0]);
            std::u16string expected = reference_source_text(int(format), c.label, bytes);
            EXPECT_EQ(first_difference(read_file(destination), utf16le(expected)), "")
                << "format " << int(format) << ", " << c.size << " bytes";
        }
    }
}

TEST_F(ExportSource, OverwriteAnsweredNoLeavesTheFileAloneAndYesReplacesIt)
{
    std::vector<uint8_t> bytes = random_bytes(100, 2);
    std::wstring source = scratch_file(L"rom.bin", bytes);
    // Longer than the new text, so a file that is not truncated shows.
    const std::vector<uint8_t> old(100000, 'x');
    std::wstring destination = write_file(proposed(source, L"bas"), old);
    prepare(source, destination);

    std::vector<Box> boxes = exported(ExportFormat::Basic, {IDNO});
    ASSERT_EQ(boxes.size(), 1u) << "the question, and no completion message";
    expect_question(boxes[0]);
    EXPECT_TRUE(read_file(destination) == old);
    EXPECT_TRUE(status_bar_untouched());
    // The source was closed: it can be opened for writing again.
    HANDLE again = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the source is still open";
    CloseHandle(again);

    boxes = exported(ExportFormat::Basic, {IDYES, IDOK});
    ASSERT_EQ(boxes.size(), 2u);
    expect_question(boxes[0]);
    expect_completion(boxes[1]);
    EXPECT_EQ(first_difference(read_file(destination), utf16le(reference_source_text(3, u"exe_dt", bytes))), "");
}

TEST_F(ExportSource, SourceDeletedAfterItWasChosen)
{
    std::wstring source = scratch_file(L"gone.bin", random_bytes(10, 3));
    std::wstring destination = source + L".cpp";
    prepare(source, destination);
    ASSERT_TRUE(DeleteFileW(source.c_str()));
    std::vector<Box> boxes = exported(ExportFormat::C);
    ASSERT_EQ(boxes.size(), 1u);
    expect_warning(boxes[0], "FileOpenError", file_error(source, ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(exists(destination)) << "nothing is created";
    EXPECT_TRUE(status_bar_untouched());
}

TEST_F(ExportSource, DestinationThatIsTheSourceIsRefusedAndTheSourceKept)
{
    // The default destination names the source when its name already ends in the extension.
    std::vector<uint8_t> bytes = random_bytes(5000, 4);
    std::wstring source = scratch_file(L"rom.cpp", bytes);
    prepare(source, source);
    std::vector<Box> boxes = exported(ExportFormat::C, {IDYES});
    ASSERT_EQ(boxes.size(), 2u);
    expect_question(boxes[0]);
    expect_warning(boxes[1], "FileSaveError", file_error(source, ERROR_SHARING_VIOLATION));
    EXPECT_EQ(read_file(source), bytes) << "the source is unchanged and still there";
    EXPECT_TRUE(status_bar_untouched());
}

TEST_F(ExportSource, DestinationInAMissingFolderIsReportedWithoutTheQuestion)
{
    std::wstring source = scratch_file(L"rom.bin", random_bytes(10, 5));
    std::wstring destination = scratch_folder() + L"\\missing\\rom.asm";
    prepare(source, destination);
    std::vector<Box> boxes = exported(ExportFormat::Asm, {IDYES});
    ASSERT_EQ(boxes.size(), 1u) << "no file is there to ask about";
    expect_warning(boxes[0], "FileSaveError", file_error(destination, ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(status_bar_untouched());
}

TEST_F(ExportSource, EmptySourceIsRefusedBeforeTheDestinationIsCreated)
{
    std::wstring source = scratch_file(L"empty.bin", {});
    std::wstring destination = proposed(source, L"cpp");
    prepare(source, destination);
    std::vector<Box> boxes = exported(ExportFormat::C);
    ASSERT_EQ(boxes.size(), 1u);
    expect_warning(boxes[0], "ﾌｧｲﾙｴﾗｰ", narrow(source) + "のﾌｧｲﾙは空(0Byte)です\r\n変換するﾃﾞｰﾀがありません");
    EXPECT_FALSE(exists(destination));
    EXPECT_TRUE(status_bar_untouched());
}

TEST_F(ExportSource, LongPathsFitTheirMessages)
{
    // 259 characters: the longest path there is; the whole of it is shown.
    std::wstring folder = scratch_folder();
    std::wstring source = folder + L"\\" + std::wstring(259 - folder.size() - 1, L'n');
    ASSERT_EQ(source.size(), 259u);
    std::wstring destination = folder + L"\\no such folder\\" + std::wstring(259 - folder.size() - 16, L'd');
    ASSERT_EQ(destination.size(), 259u);
    prepare(source, destination);
    std::vector<Box> boxes = exported(ExportFormat::C, {IDYES});
    ASSERT_EQ(boxes.size(), 1u) << "the missing source is reported first";
    expect_warning(boxes[0], "FileOpenError", file_error(source, ERROR_FILE_NOT_FOUND));
    write_file(source, random_bytes(10, 6));
    boxes = exported(ExportFormat::C);
    ASSERT_EQ(boxes.size(), 1u) << "the missing folder, without a question";
    expect_warning(boxes[0], "FileSaveError", file_error(destination, ERROR_PATH_NOT_FOUND));
}

// A pipe stands in for a file that fails half-way: the test's end of it writes `sent` and closes
// early. More than one block of text goes out before the failure, so there is a partial file.
struct FailingSource {
    std::wstring name;
    std::vector<uint8_t> sent;
    HANDLE server;
    std::thread feeder;

    FailingSource(const wchar_t *purpose, unsigned seed)
        : name(L"\\\\.\\pipe\\vorda-" + std::wstring(purpose) + L"-" + std::to_wstring(GetCurrentProcessId())),
          sent(random_bytes(200000, seed)),
          server(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                  nullptr))
    {
        if (server != INVALID_HANDLE_VALUE)
            feeder = std::thread([this] {
                ConnectNamedPipe(server, nullptr);
                DWORD written = 0;
                WriteFile(server, sent.data(), DWORD(sent.size()), &written, nullptr);
                CloseHandle(server);
            });
    }
    // Once the export has read what it could.
    void join()
    {
        if (feeder.joinable())
            feeder.join();
    }
    ~FailingSource() { join(); }
};

TEST_F(ExportSource, ReadFailureIsReportedAndTheDestinationRemoved)
{
    FailingSource pipe(L"read", 7);
    ASSERT_NE(pipe.server, INVALID_HANDLE_VALUE);
    std::wstring destination = scratch_folder() + L"\\pipe.cpp";
    prepare(pipe.name, destination);
    std::vector<Box> boxes = exported(ExportFormat::C);
    pipe.join();
    ASSERT_EQ(boxes.size(), 1u);
    expect_warning(boxes[0], "FileOpenError", file_error(pipe.name, ERROR_BROKEN_PIPE));
    EXPECT_FALSE(exists(destination)) << "the incomplete destination is removed";
    EXPECT_TRUE(status_bar_untouched());
}

// Yes to the question, then the source fails half-way: the file that was there stays whole, and
// no temporary file is left beside it.
TEST_F(ExportSource, FailureAfterYesLeavesTheOldFileAsItWas)
{
    FailingSource pipe(L"replace", 12);
    ASSERT_NE(pipe.server, INVALID_HANDLE_VALUE);
    std::wstring folder = scratch_folder();
    const std::vector<uint8_t> old = random_bytes(1000000, 13);
    std::wstring destination = write_file(folder + L"\\old.cpp", old);
    prepare(pipe.name, destination);
    std::vector<Box> boxes = exported(ExportFormat::C, {IDYES, IDOK});
    pipe.join();
    ASSERT_EQ(boxes.size(), 2u);
    expect_question(boxes[0]);
    expect_warning(boxes[1], "FileOpenError", file_error(pipe.name, ERROR_BROKEN_PIPE));
    EXPECT_TRUE(read_file(destination) == old) << "the old file is not as it was";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.part").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << narrow(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    EXPECT_TRUE(status_bar_untouched());
}

TEST_F(ExportSource, WriteFailureIsReportedWithoutCompletion)
{
    std::wstring name = L"\\\\.\\pipe\\vorda-write-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                     nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    std::thread reader([&] {
        ConnectNamedPipe(server, nullptr);
        uint8_t some[1000];
        DWORD got = 0;
        ReadFile(server, some, sizeof some, &got, nullptr);
        CloseHandle(server);
    });
    std::vector<uint8_t> bytes = random_bytes(200000, 8);
    std::wstring source = scratch_file(L"rom.bin", bytes);
    prepare(source, name);
    std::vector<Box> boxes = exported(ExportFormat::C);
    reader.join();
    ASSERT_EQ(boxes.size(), 1u) << "the failure, and no completion message";
    expect_warning(boxes[0], "FileSaveError", file_error(name, ERROR_BROKEN_PIPE));
    EXPECT_EQ(read_file(source), bytes);
    EXPECT_TRUE(status_bar_untouched());
}

// No value but the three formats reaches the writer or the export command: neither takes a number.
static_assert(!std::is_invocable_v<decltype(export_source), HWND, int32_t> &&
              !std::is_invocable_v<decltype(export_source), HWND, ViewMode>);
static_assert(!std::is_invocable_v<decltype(export_with_dialog), HWND, int32_t> &&
              !std::is_invocable_v<decltype(export_with_dialog), HWND, ViewMode>);

// The export command as the menu runs it, through the real settings dialog.
TEST_F(ExportSource, CommandGoesThroughTheDialog)
{
    std::vector<uint8_t> bytes = random_bytes(1000, 10);
    std::wstring source = scratch_file(L"rom.bin", bytes);
    ASSERT_TRUE(set_source_file(utf16(source.c_str())));
    for (ExportFormat format : EXPORT_FORMATS) {
        DialogScript script(L"変換保存の設定", {[](HWND dialog) { click(dialog, IDC_EXPORT_OK); }});
        BoxCapture boxes;
        export_with_dialog(window, format);
        EXPECT_EQ(script.steps_run(), 1u);
        EXPECT_EQ(document.export_format, format);
        // The capture sees the dialog too; its IDCANCEL is one of the commands the dialog ignores.
        ASSERT_EQ(boxes.seen().size(), 2u) << "format " << int(format);
        EXPECT_EQ(narrow(boxes.seen()[0].caption), "変換保存の設定");
        expect_completion(boxes.seen()[1]);
        std::wstring destination = proposed(source, EXTENSIONS[int(format)]);
        std::u16string expected = reference_source_text(int(format), u"exe_dt", bytes);
        EXPECT_EQ(first_difference(read_file(destination), utf16le(expected)), "")
            << "format " << int(format);
    }
}

TEST_F(ExportSource, CommandCancelledExportsNothing)
{
    std::wstring source = scratch_file(L"rom.bin", random_bytes(10, 11));
    ASSERT_TRUE(set_source_file(utf16(source.c_str())));
    DialogScript script(L"変換保存の設定", {[](HWND dialog) { click(dialog, IDC_EXPORT_CANCEL); }});
    BoxCapture boxes;
    export_with_dialog(window, ExportFormat::Asm);
    EXPECT_EQ(boxes.seen().size(), 1u) << "only the dialog";
    EXPECT_FALSE(exists(proposed(source, L"asm")));
}

TEST_F(ExportSource, CommandWithoutAFileAsksForOneFirst)
{
    BoxCapture boxes;
    export_with_dialog(window, ExportFormat::C);
    ASSERT_EQ(boxes.seen().size(), 1u) << "no dialog";
    const Box &box = boxes.seen()[0];
    EXPECT_EQ(narrow(box.caption), "残念！");
    EXPECT_EQ(narrow(box.text), "ファイルを先に開いてから行って下さい。");
    EXPECT_FALSE(box.warning());
    EXPECT_TRUE(box.ok && !box.cancel && !box.yes && !box.no);
    EXPECT_EQ(document.export_format, ExportFormat{}) << "unchanged";
}

} // namespace
