#include "app/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/commands_win.h"
#include "app/toolbar_table.h"
#include "common/messages_win.h"
#include "common/module_win.h"
#include "document/document_win.h"
#include "export/export_win.h"
#include "res/resource.h"
#include "res/texts.h"
#include "view/renderer_win.h"

HWND toolbar;
Startup startup;

namespace {

constexpr DWORD TOOLBAR_STYLE = WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_ALTDRAG | TBSTYLE_FLAT | CCS_ADJUSTABLE;
static_assert(TOOLBAR_STYLE == 0x50000D20);
constexpr COLORREF BACKGROUND = RGB(238, 235, 218);
static_assert(BACKGROUND == 0x00DAEBEE);

void create_toolbar(HWND window)
{
    // No bitmap and no buttons yet: both are added below, once the picture size is set.
    toolbar = CreateToolbarEx(window, TOOLBAR_STYLE, IDC_TOOLBAR, 0, nullptr, 0, nullptr, 0, 0, 0, 0, 0,
                              sizeof(TBBUTTON));
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));

    TBADDBITMAP strip = {program_module(), IDB_TOOLBAR};
    LRESULT first = SendMessageW(toolbar, TB_ADDBITMAP, TOOLBAR_STRIP_IMAGES, LPARAM(&strip));
    // The strip declares twelve images, so the help and exit pictures land right after them,
    // where the buttons' image numbers 12 and 13 point.
    TBADDBITMAP extra = {program_module(), IDB_TOOLBAR_EXTRA};
    SendMessageW(toolbar, TB_ADDBITMAP, TOOLBAR_EXTRA_IMAGES, LPARAM(&extra));

    TBBUTTON buttons[TOOLBAR_BUTTON_COUNT] = {};
    for (int k = 0; k < TOOLBAR_BUTTON_COUNT; k++) {
        buttons[k].iBitmap = int(first) + TOOLBAR_BUTTONS[k].image;
        buttons[k].idCommand = TOOLBAR_BUTTONS[k].command;
        buttons[k].fsState = TBSTATE_ENABLED;
        buttons[k].fsStyle = TBSTYLE_BUTTON;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, TOOLBAR_BUTTON_COUNT, LPARAM(buttons));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);

    TBBUTTON separator = {};
    separator.fsState = TBSTATE_ENABLED;
    separator.fsStyle = TBSTYLE_SEP;
    for (int at : TOOLBAR_SEPARATORS)
        SendMessageW(toolbar, TB_INSERTBUTTONW, at, LPARAM(&separator));
}

void open_startup_file(HWND window)
{
    if (startup.too_long) {
        // The command line itself, since no cut path may stand for it.
        show_path_too_long(window, startup.text);
        return;
    }
    if (startup.has_path != 1)
        return;
    if (!set_source_file(startup.path)) {
        show_path_too_long(window, startup.path);
        return;
    }
    render_segment(window, ViewMode::Normal);
}

// The toolbar, then the edit view, then the status bar.
void create_child_controls(HWND window)
{
    InitCommonControls();
    create_toolbar(window);
    create_view(window);
    create_status_bar(window);
}

LRESULT on_create(HWND window)
{
    create_child_controls(window);
    open_startup_file(window);
    DragAcceptFiles(window, TRUE);
    return 0;
}

LRESULT on_destroy()
{
    PostQuitMessage(0);
    return 0;
}

void on_tooltip(NMTTDISPINFOW *info)
{
    info->hinst = program_module();
    const char16_t *text = toolbar_tooltip(int(info->hdr.idFrom));
    if (text != nullptr)
        info->lpszText = const_cast<wchar_t *>(wide(text)); // the control only reads it
}

LRESULT on_notify(NMHDR *header)
{
    if (header->code == TTN_GETDISPINFOW)
        on_tooltip(reinterpret_cast<NMTTDISPINFOW *>(header));
    return 0;
}

LRESULT on_paint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    update_status_bar();
    EndPaint(window, &paint);
    return 0;
}

} // namespace

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_DESTROY: return on_destroy();
    case WM_COMMAND: return on_command(window, LOWORD(wparam));
    case WM_NOTIFY: return on_notify(reinterpret_cast<NMHDR *>(lparam));
    case WM_DROPFILES: return on_drop_files(window, HDROP(wparam));
    case WM_PAINT: return on_paint(window);
    case WM_CLOSE: return export_in_progress() ? 0 : DefWindowProcW(window, message, wparam, lparam);
    // Handled by doing nothing: none of them reaches the default procedure.
    case WM_ACTIVATE: case WM_TIMER: case WM_QUERYNEWPALETTE: return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

ATOM register_main_window_class()
{
    HINSTANCE instance = program_module();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = main_window_procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
    // LoadIconW would stretch the 16 x 16 picture to the large size; ask for the small one.
    wc.hIconSm = HICON(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                  GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(BACKGROUND);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassExW(&wc);
}

HWND create_main_window(WindowPlacement at)
{
    return CreateWindowExW(0, MAIN_WINDOW_CLASS, wide(WINDOW_TITLE), WS_OVERLAPPEDWINDOW, at.left, at.top, at.width,
                           at.height, nullptr, nullptr, program_module(), nullptr);
}
