#include "app/commands_win.h"

#include "app/about_win.h"
#include "app/navigation.h"
#include "common/messages.h"
#include "common/messages_win.h"
#include "document/document_win.h"
#include "export/export_win.h"
#include "res/resource.h"
#include "res/texts.h"
#include "view/renderer_win.h"

namespace {

void open_file(HWND window)
{
    if (choose_source_file(window) == 1)
        render_segment(window, ViewMode::Normal);
}

// Stepping renders in the mode of the last rendering that completed, not of the last command.
void step(HWND window, void (*move)(int64_t), int64_t by)
{
    move(by);
    render_segment(window, document.current_view_mode);
    update_status_bar();
}

void open_manual(HWND window)
{
    // The file dialogs are told not to move the current directory, so it stays the folder the
    // program was started in.
    HINSTANCE result = ShellExecuteW(window, L"open", wide(MANUAL_FILE), nullptr, nullptr, SW_SHOWNORMAL);
    // Values up to 32 are the shell's error codes.
    if (INT_PTR(result) <= 32)
        show_manual_missing(window);
}

} // namespace

LRESULT on_command(HWND window, int command)
{
    // An export lets messages through while it converts: a command that reaches the window then,
    // exit included, would start on top of it. Refused.
    if (export_in_progress())
        return 0;
    switch (command) {
    case IDM_OPEN: case IDT_OPEN:                 open_file(window); break;
    case IDM_VIEW_NORMAL: case IDT_VIEW_NORMAL:   render_segment(window, ViewMode::Normal); break;
    case IDM_VIEW_C: case IDT_VIEW_C:             render_segment(window, ViewMode::C); break;
    case IDM_VIEW_ASM: case IDT_VIEW_ASM:         render_segment(window, ViewMode::Asm); break;
    case IDM_VIEW_BASIC: case IDT_VIEW_BASIC:     render_segment(window, ViewMode::Basic); break;
    case IDT_FORWARD:                             step(window, step_forward, SMALL_STEP); break;
    case IDT_BACK:                                step(window, step_back, SMALL_STEP); break;
    case IDT_FORWARD_10:                          step(window, step_forward, LARGE_STEP); break;
    case IDT_BACK_10:                             step(window, step_back, LARGE_STEP); break;
    case IDM_EXPORT_C: case IDT_EXPORT_C:         export_with_dialog(window, ExportFormat::C); break;
    case IDM_EXPORT_ASM: case IDT_EXPORT_ASM:     export_with_dialog(window, ExportFormat::Asm); break;
    case IDM_EXPORT_BASIC: case IDT_EXPORT_BASIC: export_with_dialog(window, ExportFormat::Basic); break;
    case IDM_HELP: case IDT_HELP:                 open_manual(window); break;
    case IDM_ABOUT:                               show_about(window); break;
    case IDM_EXIT: case IDT_EXIT:                 DestroyWindow(window); break; // WM_DESTROY ends the run
    }
    return 0;
}

LRESULT on_drop_files(HWND window, HDROP drop)
{
    // While an export runs the current file stays the one it converts: the drop is only released.
    UINT count = export_in_progress() ? 0 : DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count > 1) {
        show_drop_refused(window);
    } else if (count == 1) {
        // The length first: a path that does not fit is reported, never cut into another name.
        // The buffer is larger than a path so that the message can show more of a long one.
        char16_t path[FILE_ERROR_TEXT_CAPACITY] = {};
        UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        DragQueryFileW(drop, 0, wide(path), UINT(FILE_ERROR_TEXT_CAPACITY));
        if (length >= PATH_CAPACITY || !set_source_file(path))
            show_path_too_long(window, path);
        else
            render_segment(window, ViewMode::Normal);
    }
    DragFinish(drop);
    return 0;
}
