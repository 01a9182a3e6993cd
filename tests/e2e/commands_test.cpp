// Every command of the menu and the toolbar through the real window: the four views, the steps
// by one and by ten, the open dialog, and what the commands do while no file is open.
#include <windows.h>

#include <gtest/gtest.h>

#include "driver.h"
#include "res/resource.h"

namespace {

constexpr size_t SEGMENT = 65536;

// The first line of a segment that starts with 41 42 00 FF four times, in each rendering.
struct Mode {
    const char *name;
    int menu, toolbar;
    size_t stride; // code units of a line, CR LF included
    int width;     // of the view, in pixels
    std::wstring cells;
};
const Mode NORMAL = {"Normal", IDM_VIEW_NORMAL, IDT_VIEW_NORMAL, 71, 460,
                     L"41 42 00 FF 41 42 00 FF 41 42 00 FF 41 42 00 FF AB \u00FFAB \u00FFAB \u00FFAB \u00FF"};
const Mode C = {"C", IDM_VIEW_C, IDT_VIEW_C, 87, 570,
                L"0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,"};
const Mode ASM = {"Asm", IDM_VIEW_ASM, IDT_VIEW_ASM, 71, 460, L"41H,42H,00H,FFH,41H,42H,00H,FFH,41H,42H,00H,FFH,41H,42H,00H,FFH,"};
const Mode BASIC = {"Basic", IDM_VIEW_BASIC, IDT_VIEW_BASIC, 87, 570,
                    L"&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,&H41,&H42,&H00,&HFF,"};

std::wstring first_line(const Mode &mode, int64_t segment)
{
    return (segment % 2 ? L"8000:" : L"0000:") + mode.cells + L"\r\n";
}

// A file of `size` bytes, zero but for the line above at the start of every segment.
std::wstring segmented_file(const std::wstring &path, size_t size)
{
    std::vector<unsigned char> bytes(size, 0);
    const unsigned char line[4] = {0x41, 0x42, 0x00, 0xFF};
    for (size_t start = 0; start < size; start += SEGMENT)
        for (size_t i = 0; i < 16 && start + i < size; i++)
            bytes[start + i] = line[i % 4];
    return write_file(path, bytes);
}

int view_width(HWND view)
{
    RECT r;
    GetWindowRect(view, &r);
    return r.right - r.left;
}

// The view shows segment `segment` of a file made by segmented_file, `lines` lines long, and
// the status bar its position.
void expect_segment(const Program &program, const Window &w, const Mode &mode, int64_t segment, size_t lines,
                    const std::wstring &position, const std::wstring &address, const std::string &after)
{
    std::wstring text = text_of(w.view);
    std::wstring line = first_line(mode, segment);
    EXPECT_EQ(narrow(text.substr(0, line.size())), narrow(line)) << after;
    EXPECT_EQ(text.size(), lines * mode.stride) << mode.name << " after " << after;
    EXPECT_EQ(view_width(w.view), mode.width) << mode.name << " after " << after;
    EXPECT_EQ(narrow(program.status_text(w.status, 2)), narrow(position)) << after;
    EXPECT_EQ(narrow(program.status_text(w.status, 3)), narrow(address)) << after;
    expect_no_boxes(program, "after " + after);
}

std::string command_name(int command) { return "command " + std::to_string(command); }

TEST(Commands, ViewsAndStepsThroughThreeSegments)
{
    // Segments of 65,536, 65,536 and 16 bytes.
    std::wstring path = segmented_file(scratch_folder() + L"\\three.bin", 2 * SEGMENT + 16);
    Program program(in_quotes(path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    expect_segment(program, w, NORMAL, 0, 4096, L"P:0/2", L"A+:0000", "start");

    for (const Mode *mode : {&C, &ASM, &BASIC, &NORMAL})
        for (int command : {mode->menu, mode->toolbar}) {
            run_command(main, command);
            expect_segment(program, w, *mode, 0, 4096, L"P:0/2", L"A+:0000", command_name(command));
        }

    // Steps render in the mode of the last rendering: Basic here.
    run_command(main, IDT_VIEW_BASIC);
    const struct { int command; int64_t segment; const wchar_t *position, *address; } steps[] = {
        {IDT_FORWARD, 1, L"P:1/2", L"A+:10000"},   {IDT_FORWARD, 2, L"P:2/2", L"A+:20000"},
        {IDT_FORWARD, 2, L"P:2/2", L"A+:20000"},   {IDT_BACK, 1, L"P:1/2", L"A+:10000"},
        {IDT_BACK, 0, L"P:0/2", L"A+:0000"},       {IDT_BACK, 0, L"P:0/2", L"A+:0000"},
        {IDT_FORWARD_10, 2, L"P:2/2", L"A+:20000"}, {IDT_FORWARD_10, 2, L"P:2/2", L"A+:20000"},
        {IDT_BACK_10, 0, L"P:0/2", L"A+:0000"},    {IDT_BACK_10, 0, L"P:0/2", L"A+:0000"},
    };
    for (const auto &s : steps) {
        run_command(main, s.command);
        expect_segment(program, w, BASIC, s.segment, s.segment == 2 ? 1 : 4096, s.position, s.address,
                       command_name(s.command));
    }
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Commands, TenForwardOnTwoSegmentsEndsOnTheSecond)
{
    std::wstring path = segmented_file(scratch_folder() + L"\\two.bin", 131072);
    Program program(in_quotes(path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    expect_segment(program, w, NORMAL, 0, 4096, L"P:0/1", L"A+:0000", "start");
    run_command(main, IDT_FORWARD_10);
    expect_segment(program, w, NORMAL, 1, 4096, L"P:1/1", L"A+:10000", "ten forward");
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

TEST(Commands, WithoutAFileViewsAndStepsWarnAndExportsAskForAFile)
{
    Program program(L"");
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    const std::vector<std::wstring> empty = {L"", L"0Byte", L"P:0/0", L"A+:0000", L""};
    EXPECT_EQ(painted_status(program, w.status), empty);

    // Views and steps get the renderer's warning; exports ask for a file first, with no settings
    // dialog. Then nothing has moved.
    const struct { std::vector<int> commands; const wchar_t *caption; const char *box; } refusals[] = {
        {{IDT_FORWARD, IDT_FORWARD_10, IDT_BACK, IDT_BACK_10, IDM_VIEW_NORMAL, IDT_VIEW_NORMAL, IDM_VIEW_C, IDT_VIEW_C,
          IDM_VIEW_ASM, IDT_VIEW_ASM, IDM_VIEW_BASIC, IDT_VIEW_BASIC},
         L"ﾌｧｲﾙｴﾗｰ", "[ﾌｧｲﾙｴﾗｰ] ﾌｧｲﾙ名を設定して下さい (icon) OK"},
        {{IDM_EXPORT_C, IDT_EXPORT_C, IDM_EXPORT_ASM, IDT_EXPORT_ASM, IDM_EXPORT_BASIC, IDT_EXPORT_BASIC},
         L"残念！", "[残念！] ファイルを先に開いてから行って下さい。 (no icon) OK"},
    };
    for (const auto &refusal : refusals)
        for (int command : refusal.commands) {
            post_command(main, command);
            EXPECT_EQ(show(program.answer_box(refusal.caption, IDOK)), refusal.box) << command_name(command);
            program.settle(main);
            expect_no_boxes(program, "after " + command_name(command));
            EXPECT_EQ(status_of(program, w.status), empty) << command_name(command);
            EXPECT_EQ(text_of(w.view), L"") << command_name(command);
        }
    exit_with(program, main, WM_COMMAND, IDT_EXIT);
}

TEST(Commands, EmptyFileStaysAtSegmentZeroWithAnEmptyView)
{
    std::wstring path = write_file(scratch_folder() + L"\\empty.bin", {});
    Program program(in_quotes(path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    for (int command : {IDT_FORWARD, IDT_FORWARD_10, IDT_VIEW_C, IDT_FORWARD, IDT_BACK}) {
        run_command(main, command);
        EXPECT_EQ(text_of(w.view), L"") << command_name(command);
        std::vector<std::wstring> status = status_of(program, w.status);
        EXPECT_EQ(status, (std::vector<std::wstring>{path, L"0Byte", L"P:0/0", L"A+:0000", L""})) << show(status);
        expect_no_boxes(program, "after " + command_name(command));
    }
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(Commands, StepAfterAFailedViewRendersInTheLastCompletedMode)
{
    std::wstring path = segmented_file(scratch_folder() + L"\\two.bin", 2 * SEGMENT);
    Program program(in_quotes(path));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    run_command(main, IDM_VIEW_C);
    std::wstring shown = text_of(w.view);

    // Held without sharing, the file cannot be opened for the Asm view.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    post_command(main, IDT_VIEW_ASM);
    Box box = program.answer_box(L"FileOpenError", IDOK);
    EXPECT_EQ(show(box), "[FileOpenError] " + narrow(path) + "のﾌｧｲﾙが開けません\r\nErrCode=32 (icon) OK");
    program.settle(main);
    CloseHandle(held);
    EXPECT_EQ(view_width(w.view), ASM.width) << "sized for the view asked for";
    EXPECT_TRUE(text_of(w.view) == shown) << "the C text stays";

    run_command(main, IDT_FORWARD);
    expect_segment(program, w, C, 1, 4096, L"P:1/1", L"A+:10000", "a step after the failed view");
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

TEST(OpenDialog, ChoosesRendersStartsInTheFolderAndCancelKeepsAll)
{
    // A high segment of a large file, then a smaller file from another folder.
    std::wstring large = segmented_file(scratch_folder() + L"\\large.bin", 2 * SEGMENT + 16);
    std::wstring other = scratch_folder();
    std::wstring small = segmented_file(other + L"\\small.bin", 100);
    Program program(in_quotes(large));
    HWND main = program.wait_for_main_window();
    ASSERT_NE(main, nullptr);
    Window w = parts_of(main);
    run_command(main, IDT_FORWARD_10);
    expect_segment(program, w, NORMAL, 2, 1, L"P:2/2", L"A+:20000", "ten forward");

    post_command(main, IDM_OPEN);
    FileDialogStart first = answer_file_dialog(program, L"ファイル読み出し", small);
    EXPECT_FALSE(first.folder.empty());
    program.settle(main);
    // Clamped to the smaller file's one segment, whose 100 bytes take seven lines.
    std::wstring line = first_line(NORMAL, 0);
    EXPECT_EQ(narrow(text_of(w.view).substr(0, line.size())), narrow(line));
    std::vector<std::wstring> status = status_of(program, w.status);
    EXPECT_EQ(status, (std::vector<std::wstring>{small, L"100Byte", L"P:0/0", L"A+:0000", L""})) << show(status);
    expect_no_boxes(program, "after the open dialog");

    // The next dialog starts in that file's folder, with every file shown; cancelled, it
    // changes nothing.
    std::wstring view = text_of(w.view);
    post_command(main, IDT_OPEN);
    FileDialogStart second = answer_file_dialog(program, L"ファイル読み出し", L"");
    program.settle(main);
    EXPECT_EQ(narrow(second.folder), narrow(other));
    EXPECT_EQ(narrow(second.name), "*.*");
    expect_no_boxes(program, "after the cancelled open dialog");
    EXPECT_EQ(status_of(program, w.status), status);
    EXPECT_TRUE(text_of(w.view) == view);
    exit_with(program, main, WM_COMMAND, IDM_EXIT);
}

} // namespace
