// The renderer and the document shell against a real edit control and status bar.
#include "document/document_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "tests/shared/bytes.h"
#include "view/renderer_win.h"

namespace {

class Renderer : public ::testing::Test {
protected:
    void SetUp() override { window = make_host_window(); }
    void TearDown() override { destroy_host_window(window); }

    void open(const std::wstring &path) { ASSERT_TRUE(set_source_file(utf16(path.c_str()))); }

    RECT view_rect()
    {
        RECT r;
        GetWindowRect(view_window, &r);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT *>(&r), 2);
        return r;
    }

    std::wstring status(int part) { return status_text(status_bar, part); }

    HWND window = nullptr;
};

TEST_F(Renderer, ShowsSegmentAndStatusInEveryMode)
{
    std::wstring path = scratch_file(L"rom.bin", counting(17, 0x30));
    open(path);
    const struct { ViewMode mode; const wchar_t *text; int width; } cases[] = {
        {ViewMode::Normal,
         L"0000:30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F 0123456789:;<=>?\r\n"
         L"0010:40                                              @               \r\n", 460},
        {ViewMode::C,
         L"0000:0x30,0x31,0x32,0x33,0x34,0x35,0x36,0x37,0x38,0x39,0x3A,0x3B,0x3C,0x3D,0x3E,0x3F,\r\n"
         L"0010:0x40,\r\n", 570},
        {ViewMode::Asm,
         L"0000:30H,31H,32H,33H,34H,35H,36H,37H,38H,39H,3AH,3BH,3CH,3DH,3EH,3FH,\r\n0010:40H,\r\n", 460},
        {ViewMode::Basic,
         L"0000:&H30,&H31,&H32,&H33,&H34,&H35,&H36,&H37,&H38,&H39,&H3A,&H3B,&H3C,&H3D,&H3E,&H3F,\r\n"
         L"0010:&H40,\r\n", 570},
    };
    for (auto c : cases) {
        render_segment(window, c.mode);
        EXPECT_EQ(narrow(text_of(view_window)), narrow(c.text)) << "mode " << int(c.mode);
        RECT r = view_rect();
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, VIEW_TOP);
        EXPECT_EQ(r.right - r.left, c.width) << "mode " << int(c.mode);
        EXPECT_EQ(r.bottom - r.top, VIEW_HEIGHT);
        EXPECT_EQ(document.current_view_mode, c.mode);
    }
    EXPECT_EQ(narrow(status(0)), narrow(path));
    EXPECT_EQ(status(1), L"17Byte");
    EXPECT_EQ(status(2), L"P:0/0");
    EXPECT_EQ(status(3), L"A+:0000");
    EXPECT_EQ(status(4), L"");
}

TEST_F(Renderer, FullSegmentGoesWholeIntoTheView)
{
    std::vector<uint8_t> bytes = counting(3 * 65536 + 5);
    open(scratch_file(L"three.bin", bytes));
    document.segment_index = 1;
    render_segment(window, ViewMode::C);
    EXPECT_EQ(GetWindowTextLengthW(view_window), 356352);
    std::wstring text = text_of(view_window);
    EXPECT_EQ(text.substr(0, 10), L"8000:0x00,");
    EXPECT_EQ(text.substr(0x800 * 87, 10), L"100000x00,");
    render_segment(window, ViewMode::Normal);
    EXPECT_EQ(GetWindowTextLengthW(view_window), 290816);
    EXPECT_EQ(status(2), L"P:1/3");
    EXPECT_EQ(status(3), L"A+:10000");
}

TEST_F(Renderer, NoFileWarnsAndChangesNothingButTheViewSize)
{
    SetWindowTextW(view_window, L"typed by the user");
    BoxCapture boxes;
    render_segment(window, ViewMode::C);
    ASSERT_EQ(boxes.seen().size(), 1u);
    const Box &box = boxes.seen()[0];
    EXPECT_EQ(narrow(box.text), "ﾌｧｲﾙ名を設定して下さい");
    EXPECT_EQ(narrow(box.caption), "ﾌｧｲﾙｴﾗｰ");
    EXPECT_TRUE(box.warning());
    EXPECT_TRUE(box.ok && !box.cancel && !box.yes && !box.no);
    EXPECT_EQ(text_of(view_window), L"typed by the user");
    EXPECT_EQ(view_rect().right, 570) << "the view is sized before the check";
    render_segment(window, ViewMode::Asm);
    EXPECT_EQ(view_rect().right, 460);
    EXPECT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(document.current_view_mode, ViewMode::Normal);
    EXPECT_EQ(SendMessageW(status_bar, SB_GETTEXTLENGTHW, 2, 0), 0) << "the status bar is not refreshed";
}

TEST_F(Renderer, OpenFailureShowsPathAndCodeAndKeepsLastMode)
{
    std::wstring good = scratch_file(L"good.bin", counting(20));
    open(good);
    render_segment(window, ViewMode::Asm);
    std::wstring before = text_of(view_window);

    std::wstring missing = scratch_folder() + L"\\missing.bin";
    open(missing);
    EXPECT_EQ(document.file_size, 0u) << "a file that cannot be looked up has no size";
    BoxCapture boxes;
    render_segment(window, ViewMode::Basic);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(narrow(boxes.seen()[0].text), narrow(missing) + "のﾌｧｲﾙが開けません\r\nErrCode=2");
    EXPECT_EQ(narrow(boxes.seen()[0].caption), "FileOpenError");
    EXPECT_TRUE(boxes.seen()[0].warning());
    EXPECT_EQ(text_of(view_window), before);
    EXPECT_EQ(document.current_view_mode, ViewMode::Asm) << "only a completed rendering sets the mode";
    EXPECT_EQ(narrow(status(0)), narrow(good)) << "the status bar still shows the last rendering";
    EXPECT_EQ(status(1), L"20Byte");
}

TEST_F(Renderer, LongPathMessageIsNotCutShort)
{
    std::wstring folder = scratch_folder() + L"\\";
    std::wstring path = folder + std::wstring(259 - folder.size(), L'n');
    ASSERT_EQ(path.size(), 259u);
    open(path);
    BoxCapture boxes;
    render_segment(window, ViewMode::Normal);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(narrow(boxes.seen()[0].text), narrow(path) + "のﾌｧｲﾙが開けません\r\nErrCode=2");
}

TEST_F(Renderer, EmptyFileShowsEmptyViewAndCompletes)
{
    open(scratch_file(L"big.bin", counting(200000)));
    document.segment_index = 3;
    render_segment(window, ViewMode::Normal);
    open(scratch_file(L"empty.bin", {}));
    render_segment(window, ViewMode::Basic);
    EXPECT_EQ(text_of(view_window), L"");
    EXPECT_EQ(status(1), L"0Byte");
    EXPECT_EQ(status(2), L"P:0/0");
    EXPECT_EQ(status(3), L"A+:0000");
    EXPECT_EQ(document.current_view_mode, ViewMode::Basic);
}

TEST_F(Renderer, SmallerFileClampsTheIndex)
{
    open(scratch_file(L"big.bin", counting(300000)));
    document.segment_index = 4;
    render_segment(window, ViewMode::Normal);
    EXPECT_EQ(status(2), L"P:4/4");
    open(scratch_file(L"two.bin", counting(131072)));
    EXPECT_EQ(document.segment_index, 4) << "choosing a file keeps the index";
    render_segment(window, ViewMode::Normal);
    EXPECT_EQ(document.segment_index, 1);
    EXPECT_EQ(status(2), L"P:1/1");
    EXPECT_EQ(status(3), L"A+:10000");
    EXPECT_EQ(text_of(view_window).substr(0, 8), L"8000:00 ");
}

TEST_F(Renderer, FilesOfTwoAndFourGiBAndMore)
{
    std::wstring two = write_sparse_file(L"two.bin", 0x80000000ull, {});
    open(two);
    render_segment(window, ViewMode::Normal);
    EXPECT_EQ(status(1), L"2147483648Byte");
    EXPECT_EQ(status(2), L"P:0/32767");

    const uint64_t size = (5ull << 30) + 3;
    std::wstring five = write_sparse_file(L"five.bin", size, {0xDE, 0xAD, 0xBE});
    open(five);
    EXPECT_EQ(document.file_size, size);
    document.segment_index = INT32_MAX;
    render_segment(window, ViewMode::Asm);
    EXPECT_EQ(status(1), L"5368709123Byte");
    EXPECT_EQ(status(2), L"P:81920/81920");
    EXPECT_EQ(status(3), L"A+:140000000");
    EXPECT_EQ(text_of(view_window), L"0000:DEH,ADH,BEH,\r\n") << "the last segment holds the tail";

    document.segment_index = 81919;
    render_segment(window, ViewMode::Asm);
    EXPECT_EQ(text_of(view_window).substr(0, 9), L"8000:00H,");
    EXPECT_EQ(status(3), L"A+:13FFF0000");
}

TEST_F(Renderer, PathsThatDoNotFitAreRefused)
{
    std::wstring path = scratch_file(L"kept.bin", counting(3));
    open(path);
    std::wstring long_path = L"C:\\" + std::wstring(300, L'x');
    EXPECT_FALSE(set_source_file(utf16(long_path.c_str())));
    EXPECT_EQ(narrow(wide(document.source_path)), narrow(path));
    EXPECT_EQ(document.file_size, 3u);
    std::wstring exactly_260 = L"C:\\" + std::wstring(257, L'y');
    EXPECT_FALSE(set_source_file(utf16(exactly_260.c_str())));
    std::wstring exactly_259 = L"C:\\" + std::wstring(256, L'y');
    EXPECT_TRUE(set_source_file(utf16(exactly_259.c_str())));
    EXPECT_EQ(document.source_path[259], 0);
}

TEST_F(Renderer, TypedTextStaysUntilTheNextRendering)
{
    open(scratch_file(L"one.bin", {0x41}));
    render_segment(window, ViewMode::Normal);
    SetWindowTextW(view_window, L"typed");
    EXPECT_EQ(text_of(view_window), L"typed");
    render_segment(window, ViewMode::Normal);
    EXPECT_EQ(text_of(view_window).substr(0, 8), L"0000:41 ");
}

TEST(View, CreatedAsTheMainWindowNeedsIt)
{
    HWND window = make_host_window();
    EXPECT_EQ(GetDlgCtrlID(view_window), 951);
    // The edit control takes WS_BORDER off its style and draws the border itself.
    LONG style = GetWindowLongW(view_window, GWL_STYLE);
    EXPECT_EQ(style & ~WS_BORDER, LONG(0x50A00044) & ~WS_BORDER) << std::hex << style;
    EXPECT_EQ(SendMessageW(view_window, EM_GETLIMITTEXT, 0, 0), 788480);
    EXPECT_EQ(HFONT(SendMessageW(view_window, WM_GETFONT, 0, 0)), view_font);
    LOGFONTW font{};
    GetObjectW(view_font, sizeof font, &font);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(font.lfPitchAndFamily, FIXED_PITCH);
    EXPECT_EQ(narrow(font.lfFaceName), "ＭＳＰゴシック");
    EXPECT_EQ(GetFocus(), view_window);
    EXPECT_EQ(GetDlgCtrlID(status_bar), 1);
    int edges[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(SendMessageW(status_bar, SB_GETPARTS, 5, LPARAM(edges)), 5);
    EXPECT_EQ(edges[0], 300);
    EXPECT_EQ(edges[1], 400);
    EXPECT_EQ(edges[2], 460);
    EXPECT_EQ(edges[3], 560);
    EXPECT_EQ(edges[4], -1);
    destroy_host_window(window);
}

} // namespace
