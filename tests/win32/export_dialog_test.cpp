// The export settings dialog from its resource, driven from inside its own message loop.
#include <gtest/gtest.h>

#include <string>

#include "dialog_script.h"
#include "common/text.h"
#include "document/document.h"
#include "export/export_win.h"
#include "harness.h"
#include "res/resource.h"

#include <dlgs.h> // the file dialog's own control identifiers

namespace {

const std::wstring CAPTION = L"変換保存の設定";

class ExportDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = make_host_window();
        // Sentinels: a field the dialog should not write keeps them.
        text_copy(document.export_label, u"untouched");
        text_copy(document.export_path, u"untouched path");
    }
    void TearDown() override { destroy_host_window(window); }

    void choose(const std::wstring &source, ExportFormat format)
    {
        ASSERT_TRUE(text_copy(document.source_path, utf16(source.c_str())));
        document.export_format = format;
    }

    std::wstring label() const { return reinterpret_cast<const wchar_t *>(document.export_label); }
    std::wstring path() const { return reinterpret_cast<const wchar_t *>(document.export_path); }

    HWND window = nullptr;
};

TEST_F(ExportDialog, ProposesDataNameAndDestinationForEachFormat)
{
    const struct { std::wstring source; ExportFormat format; const wchar_t *destination; } cases[] = {
        {L"C:\\data\\rom.bin", ExportFormat::C, L"C:\\data\\rom.cpp"},
        {L"C:\\data\\rom.bin", ExportFormat::Asm, L"C:\\data\\rom.asm"},
        {L"C:\\data\\rom.bin", ExportFormat::Basic, L"C:\\data\\rom.bas"},
        {L"C:\\data\\rom.bin", ExportFormat{}, L"C:\\data\\rom.txt"}, // before any export command
        {L"C:\\data\\image.jpeg", ExportFormat::C, L"C:\\data\\image.jcpp"},
        {L"C:\\data\\README", ExportFormat::C, L"C:\\data\\REAcpp"},
        {L"ab", ExportFormat::Asm, L"asm"},
        // 259 characters, too long for the box: a cut path would name another file.
        {L"C:\\" + std::wstring(250, L'd') + L"\\r.bin", ExportFormat::C, L""},
    };
    for (const auto &c : cases) {
        choose(c.source, c.format);
        std::wstring seen_label = L"#", seen_destination = L"#";
        DialogScript script(CAPTION, {[&](HWND dialog) {
                                seen_label = item_text(dialog, IDC_LABEL);
                                seen_destination = item_text(dialog, IDC_DESTINATION);
                                click(dialog, IDC_EXPORT_CANCEL);
                            }});
        EXPECT_EQ(show_export_settings(window), 0);
        EXPECT_EQ(script.steps_run(), 1u);
        EXPECT_EQ(seen_label, L"exe_dt");
        EXPECT_EQ(narrow(seen_destination), narrow(c.destination)) << narrow(c.source) << ", format " << int(c.format);
        EXPECT_EQ(label(), L"untouched") << "cancel stores nothing";
        EXPECT_EQ(path(), L"untouched path");
    }
}

TEST_F(ExportDialog, OkStoresTheBoxesWithTheDataNameCutToFifteen)
{
    const std::wstring longest = L"C:\\" + std::wstring(252, L'p'); // 255 characters, the most it takes
    const struct { ExportFormat format; const wchar_t *typed_label; std::wstring typed_path, label, path; } cases[] = {
        {ExportFormat::Basic, nullptr, L"", L"exe_dt", L"C:\\data\\rom.bas"}, // the proposals as they are
        {ExportFormat::C, L"abcdefghijklmnopqrst", longest, L"abcdefghijklmno", longest},
        {ExportFormat::C, L"", L"", L"", L""},
    };
    for (const auto &c : cases) {
        choose(L"C:\\data\\rom.bin", c.format);
        DialogScript script(CAPTION, {[&](HWND dialog) {
                                if (c.typed_label != nullptr) {
                                    SetDlgItemTextW(dialog, IDC_LABEL, c.typed_label);
                                    SetDlgItemTextW(dialog, IDC_DESTINATION, c.typed_path.c_str());
                                }
                                click(dialog, IDC_EXPORT_OK);
                            }});
        EXPECT_EQ(show_export_settings(window), 1);
        EXPECT_EQ(label(), c.label) << "format " << int(c.format);
        EXPECT_EQ(narrow(path()), narrow(c.path)) << "format " << int(c.format);
        if (c.typed_label == nullptr) {
            EXPECT_EQ(document.export_path[15], 0) << "the field is cleared before it is written";
        }
    }
}

TEST_F(ExportDialog, LongerDestinationIsRefusedAndTheDialogStaysOpen)
{
    choose(L"C:\\data\\rom.bin", ExportFormat::C);
    std::wstring too_long = L"C:\\" + std::wstring(253, L'p'); // 256 characters
    BoxCapture boxes;
    bool still_open = false;
    DialogScript script(CAPTION, {[&](HWND dialog) {
                                      SetDlgItemTextW(dialog, IDC_DESTINATION, too_long.c_str());
                                      click(dialog, IDC_EXPORT_OK);
                                  },
                                  [&](HWND dialog) {
                                      still_open = IsWindow(dialog) != FALSE;
                                      click(dialog, IDC_EXPORT_CANCEL);
                                  }});
    EXPECT_EQ(show_export_settings(window), 0);
    EXPECT_TRUE(still_open);
    bool refused = false;
    for (const Box &box : boxes.seen()) {
        if (box.caption == L"ﾌｧｲﾙｴﾗｰ") {
            refused = true;
            EXPECT_EQ(narrow(box.text), narrow(L"ﾌｧｲﾙ名が長すぎます（255文字まで）\r\n" + too_long));
            EXPECT_TRUE(box.warning() && box.ok && !box.cancel);
        }
    }
    EXPECT_TRUE(refused) << "a cut destination would name another file";
    EXPECT_EQ(path(), L"untouched path");
    EXPECT_EQ(label(), L"untouched");
}

TEST_F(ExportDialog, CloseBoxCancels)
{
    choose(L"C:\\data\\rom.bin", ExportFormat::C);
    DialogScript script(CAPTION, {[](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }});
    EXPECT_EQ(show_export_settings(window), 0);
    EXPECT_EQ(script.steps_run(), 1u);
    EXPECT_EQ(label(), L"untouched");
}

TEST_F(ExportDialog, EnterAndEscAreIgnored)
{
    choose(L"C:\\data\\rom.bin", ExportFormat::C);
    // Enter in an edit box, then Esc: the dialog stays open, so the last step can press cancel.
    // Were Enter taken for OK, the result would be 1 and the label stored.
    {
        DialogScript script(CAPTION, {
                                         [](HWND dialog) { focus_control(dialog, IDC_LABEL); },
                                         [](HWND dialog) {
                                             EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_LABEL));
                                             press_key(GetDlgItem(dialog, IDC_LABEL), VK_RETURN);
                                         },
                                         [](HWND dialog) { press_key(GetDlgItem(dialog, IDC_DESTINATION), VK_ESCAPE); },
                                         [](HWND dialog) {
                                             EXPECT_TRUE(IsWindowVisible(dialog)) << "still open";
                                             click(dialog, IDC_EXPORT_CANCEL);
                                         },
                                     });
        EXPECT_EQ(show_export_settings(window), 0);
        EXPECT_EQ(script.steps_run(), script.step_count()) << "the dialog ended before the script did";
        EXPECT_EQ(script.sent_commands(), (std::vector<int>{IDOK, IDCANCEL})) << "Enter and Esc sent their commands";
        EXPECT_EQ(label(), L"untouched");
    }
    // Esc first, then Enter in the destination box: were Esc taken for cancel, the result would be 0.
    {
        DialogScript script(CAPTION, {
                                         [](HWND dialog) { focus_control(dialog, IDC_DESTINATION); },
                                         [](HWND dialog) { press_key(GetDlgItem(dialog, IDC_DESTINATION), VK_ESCAPE); },
                                         [](HWND dialog) { press_key(GetDlgItem(dialog, IDC_DESTINATION), VK_RETURN); },
                                         [](HWND dialog) { click(dialog, IDC_EXPORT_OK); },
                                     });
        EXPECT_EQ(show_export_settings(window), 1);
        EXPECT_EQ(script.steps_run(), script.step_count());
        EXPECT_EQ(script.sent_commands(), (std::vector<int>{IDCANCEL, IDOK}));
        EXPECT_EQ(label(), L"exe_dt");
    }
}

TEST_F(ExportDialog, BrowseOpensTheFileDialogAndCancelKeepsTheBox)
{
    choose(L"C:\\data\\rom.bin", ExportFormat::C);
    HWND file_dialog = nullptr;
    std::wstring filter;
    DialogScript script(CAPTION, {
                                     [](HWND dialog) { click(dialog, IDC_BROWSE); },
                                     [&](HWND) {
                                         // Runs inside the file dialog's own loop.
                                         file_dialog = script.last_window(L"ファイルの指定");
                                         ASSERT_NE(file_dialog, nullptr) << "no file dialog titled ファイルの指定";
                                         filter = text_of(GetDlgItem(file_dialog, cmb1));
                                         PostMessageW(file_dialog, WM_COMMAND, IDCANCEL, 0);
                                     },
                                     [&](HWND dialog) {
                                         EXPECT_FALSE(IsWindow(file_dialog)) << "the file dialog is closed";
                                         EXPECT_EQ(item_text(dialog, IDC_DESTINATION), L"C:\\data\\rom.cpp");
                                         click(dialog, IDC_EXPORT_CANCEL);
                                     },
                                 });
    EXPECT_EQ(show_export_settings(window), 0);
    EXPECT_EQ(script.steps_run(), script.step_count());
    EXPECT_EQ(narrow(filter), "ALLFile(*.*)");
}

TEST_F(ExportDialog, BrowseOkPutsTheChosenPathInTheBox)
{
    std::wstring folder = scratch_folder();
    std::wstring chosen = folder + L"\\chosen.cpp"; // need not exist
    choose(folder + L"\\rom.bin", ExportFormat::C);
    DialogScript script(CAPTION, {
                                     [](HWND dialog) { click(dialog, IDC_BROWSE); },
                                     [&](HWND) {
                                         HWND file_dialog = script.last_window(L"ファイルの指定");
                                         ASSERT_NE(file_dialog, nullptr);
                                         // The file name box: a combo box, or an edit box in the old style.
                                         HWND name = GetDlgItem(file_dialog, cmb13);
                                         if (!name)
                                             name = GetDlgItem(file_dialog, edt1);
                                         ASSERT_NE(name, nullptr);
                                         SetWindowTextW(name, chosen.c_str());
                                         PostMessageW(file_dialog, WM_COMMAND, IDOK, 0);
                                     },
                                     [&](HWND dialog) { click(dialog, IDC_EXPORT_OK); },
                                 });
    EXPECT_EQ(show_export_settings(window), 1);
    EXPECT_EQ(narrow(path()), narrow(chosen));
}

// The layout every check below holds the dialog to, in dialog units.
struct ExpectedControl {
    int id;
    WORD kind; // the predefined class ordinal: 0x80 button, 0x81 edit, 0x82 static
    const wchar_t *text;
    short x, y, cx, cy;
};
const ExpectedControl LAYOUT[] = {
    {-1, 0x82, L"保存先", 0, 24, 24, 8},
    {-1, 0x82, L"データー名", 0, 8, 36, 8},
    {IDC_BROWSE, 0x80, L"．．．", 180, 20, 16, 12},
    {IDC_EXPORT_OK, 0x80, L"ＯＫ", 32, 36, 32, 16},
    {IDC_EXPORT_CANCEL, 0x80, L"キャンセル", 120, 36, 36, 16},
    {IDC_LABEL, 0x81, L"", 36, 4, 108, 12},
    {IDC_DESTINATION, 0x81, L"", 24, 20, 156, 12},
};

// Reads the DLGTEMPLATEEX of the program's dialog resource 1 as the resource compiler wrote it.
struct TemplateReader {
    const uint8_t *p;
    WORD word() { WORD w; memcpy(&w, p, 2); p += 2; return w; }
    DWORD dword() { DWORD d; memcpy(&d, p, 4); p += 4; return d; }
    short coordinate() { return short(word()); }
    std::wstring text()
    {
        std::wstring s;
        for (WORD c; (c = word()) != 0;)
            s += wchar_t(c);
        return s;
    }
    // A name or, after 0xFFFF, an ordinal (returned as text "#n").
    std::wstring name_or_ordinal()
    {
        WORD first;
        memcpy(&first, p, 2);
        if (first == 0xFFFF) {
            p += 2;
            return L"#" + std::to_wstring(word());
        }
        return text();
    }
    void align() { p = reinterpret_cast<const uint8_t *>((uintptr_t(p) + 3) & ~uintptr_t(3)); }
};

TEST_F(ExportDialog, ResourceTemplateMatchesTheLayout)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_EXPORT_SETTINGS), MAKEINTRESOURCEW(5)); // RT_DIALOG
    ASSERT_NE(found, nullptr);
    TemplateReader r{static_cast<const uint8_t *>(LockResource(LoadResource(module, found)))};
    ASSERT_EQ(r.word(), 1) << "DIALOGEX version";
    ASSERT_EQ(r.word(), 0xFFFF) << "DIALOGEX signature";
    r.dword(); // help identifier
    r.dword(); // extended style
    DWORD style = r.dword();
    WORD count = r.word();
    short x = r.coordinate(), y = r.coordinate(), cx = r.coordinate(), cy = r.coordinate();
    EXPECT_EQ(r.name_or_ordinal(), L"") << "no menu";
    EXPECT_EQ(r.name_or_ordinal(), L"") << "the standard dialog class";
    EXPECT_EQ(narrow(r.text()), "変換保存の設定");
    DWORD wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(style & wanted, wanted) << std::hex << style;
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u) << std::hex << style;
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 198);
    EXPECT_EQ(cy, 55);
    EXPECT_EQ(r.word(), 9) << "points";
    r.word(); // weight
    r.p += 2; // italic, character set
    EXPECT_EQ(narrow(r.text()), "ＭＳ Ｐゴシック");

    ASSERT_EQ(count, std::size(LAYOUT)) << "controls";
    for (const ExpectedControl &e : LAYOUT) {
        r.align();
        r.dword(); // help identifier
        DWORD exstyle = r.dword();
        DWORD item_style = r.dword();
        short ix = r.coordinate(), iy = r.coordinate(), icx = r.coordinate(), icy = r.coordinate();
        int id = int(r.dword());
        std::wstring kind = r.name_or_ordinal();
        std::wstring text = r.name_or_ordinal();
        r.p += r.word(); // creation data
        std::string what = "control " + std::to_string(&e - LAYOUT) + " (" + narrow(e.text) + ")";
        EXPECT_EQ(short(id), short(e.id)) << what;
        EXPECT_EQ(kind, L"#" + std::to_wstring(e.kind)) << what;
        EXPECT_EQ(narrow(text), narrow(e.text)) << what;
        EXPECT_EQ(ix, e.x) << what;
        EXPECT_EQ(iy, e.y) << what;
        EXPECT_EQ(icx, e.cx) << what;
        EXPECT_EQ(icy, e.cy) << what;
        EXPECT_EQ(exstyle, 0u) << what;
        EXPECT_TRUE(item_style & WS_CHILD) << what;
        EXPECT_TRUE(item_style & WS_VISIBLE) << what;
        if (e.kind == 0x80) {
            EXPECT_EQ(item_style & BS_TYPEMASK, DWORD(BS_PUSHBUTTON)) << what << ": no default push button";
            EXPECT_TRUE(item_style & WS_TABSTOP) << what;
        } else if (e.kind == 0x81) {
            DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
            EXPECT_EQ(item_style & edit, edit) << what;
            EXPECT_EQ(item_style & (ES_MULTILINE | ES_READONLY), 0u) << what;
        } else {
            EXPECT_FALSE(item_style & WS_TABSTOP) << what;
        }
    }
}

// The live dialog: what the platform built from the template, once WM_INITDIALOG has run.
TEST_F(ExportDialog, LiveDialogLayoutFocusAndTabOrder)
{
    choose(L"C:\\data\\rom.bin", ExportFormat::C);
    struct Control { int id; std::wstring text; RECT rect, expected_rect; };
    std::vector<Control> seen;
    RECT client_units = {0, 0, 198, 55}, client = {};
    std::wstring face;
    LONG font_height = 0;
    HWND focus = nullptr, browse = nullptr;
    std::vector<int> tab_order;
    DialogScript script(CAPTION, {
        [](HWND) {}, // the focus is placed once the dialog is shown
        [&](HWND dialog) {
            MapDialogRect(dialog, &client_units);
            GetClientRect(dialog, &client);
            size_t i = 0;
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), i++) {
                RECT r;
                GetWindowRect(c, &r);
                MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&r), 2);
                // Position and size are mapped from dialog units each on its own, as the
                // platform does when it creates the control.
                RECT e = {};
                if (i < std::size(LAYOUT)) {
                    const ExpectedControl &u = LAYOUT[i];
                    e = {u.x, u.y, u.cx, u.cy};
                    MapDialogRect(dialog, &e);
                    e = {e.left, e.top, e.left + e.right, e.top + e.bottom};
                }
                seen.push_back({GetDlgCtrlID(c), text_of(c), r, e});
            }
            LOGFONTW font = {};
            GetObjectW(HFONT(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
            face = font.lfFaceName;
            font_height = font.lfHeight;
            focus = GetFocus();
            browse = GetDlgItem(dialog, IDC_BROWSE);
            HWND c = browse;
            do {
                tab_order.push_back(GetDlgCtrlID(c));
                c = GetNextDlgTabItem(dialog, c, FALSE);
            } while (c && c != browse && tab_order.size() < 10);
            click(dialog, IDC_EXPORT_CANCEL);
        },
    });
    show_export_settings(window);
    ASSERT_EQ(script.steps_run(), 2u);

    EXPECT_EQ(narrow(face), "ＭＳ Ｐゴシック");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font_height, -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72)) << "9 points";
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(client.right, client_units.right) << "198 units wide";
    EXPECT_EQ(client.bottom, client_units.bottom) << "55 units high";
    EXPECT_EQ(focus, browse) << "the focus starts on the first tab stop";
    EXPECT_EQ(tab_order, (std::vector<int>{IDC_BROWSE, IDC_EXPORT_OK, IDC_EXPORT_CANCEL, IDC_LABEL, IDC_DESTINATION}));

    const wchar_t *texts[] = {L"保存先", L"データー名", L"．．．", L"ＯＫ", L"キャンセル", L"exe_dt", L"C:\\data\\rom.cpp"};
    ASSERT_EQ(seen.size(), std::size(LAYOUT)) << "controls in template order";
    for (size_t i = 0; i < seen.size(); i++) {
        const Control &s = seen[i];
        EXPECT_EQ(short(s.id), short(LAYOUT[i].id)) << "control " << i;
        EXPECT_EQ(narrow(s.text), narrow(texts[i])) << "control " << i;
        EXPECT_EQ(s.rect.left, s.expected_rect.left) << "control " << i;
        EXPECT_EQ(s.rect.top, s.expected_rect.top) << "control " << i;
        EXPECT_EQ(s.rect.right, s.expected_rect.right) << "control " << i;
        EXPECT_EQ(s.rect.bottom, s.expected_rect.bottom) << "control " << i;
    }
}

} // namespace
