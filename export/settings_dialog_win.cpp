// The export settings dialog: moves text between its two boxes and the document. What it
// proposes and how it cuts what it stores are in export_settings.cpp.
#include "export/export_win.h"

#include <commdlg.h>

#include "common/messages.h"
#include "common/messages_win.h"
#include "common/module_win.h"
#include "document/document_win.h"
#include "export/export_settings.h"
#include "export/source_text.h"
#include "res/resource.h"
#include "res/texts.h"

namespace {

void on_init_dialog(HWND dialog)
{
    SetDlgItemTextW(dialog, IDC_LABEL, wide(DEFAULT_LABEL));
    char16_t destination[EXPORT_PATH_MAX + 1];
    default_destination(destination, document.source_path, document.export_format);
    SetDlgItemTextW(dialog, IDC_DESTINATION, wide(destination));
}

void on_browse(HWND dialog)
{
    char16_t file[EXPORT_PATH_MAX + 1] = {};
    GetDlgItemTextW(dialog, IDC_DESTINATION, wide(file), int(EXPORT_PATH_MAX + 1));
    // No must-exist check: the destination is usually new.
    if (ask_file_name(dialog, file, EXPORT_PATH_MAX + 1, BROWSE_DIALOG_TITLE, OFN_HIDEREADONLY))
        SetDlgItemTextW(dialog, IDC_DESTINATION, wide(file));
}

void on_ok(HWND dialog)
{
    // A destination cut to what the document keeps would name another file, perhaps one that
    // exists: say so and leave the dialog open. A long data name is only cut.
    char16_t path[FILE_ERROR_TEXT_CAPACITY] = {};
    GetDlgItemTextW(dialog, IDC_DESTINATION, wide(path), int(FILE_ERROR_TEXT_CAPACITY));
    if (GetWindowTextLengthW(GetDlgItem(dialog, IDC_DESTINATION)) > int(EXPORT_PATH_MAX)) {
        show_path_too_long(dialog, path, EXPORT_PATH_MAX);
        return;
    }
    char16_t label[PATH_CAPACITY] = {};
    GetDlgItemTextW(dialog, IDC_LABEL, wide(label), int(PATH_CAPACITY));
    store_export_settings(label, path);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK settings_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        on_init_dialog(dialog);
        return TRUE; // the focus goes to the first tab stop, the browse button
    case WM_COMMAND:
        // Only the three buttons act: the IDOK and IDCANCEL that Enter and Esc send are ignored.
        switch (LOWORD(wparam)) {
        case IDC_BROWSE:
            on_browse(dialog);
            return FALSE;
        case IDC_EXPORT_OK:
            on_ok(dialog);
            return TRUE;
        case IDC_EXPORT_CANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        EndPaint(dialog, &paint);
        return FALSE;
    }
    }
    return FALSE;
}

} // namespace

INT_PTR show_export_settings(HWND owner)
{
    return DialogBoxParamW(program_module(), MAKEINTRESOURCEW(IDD_EXPORT_SETTINGS), owner, settings_procedure, 0);
}
