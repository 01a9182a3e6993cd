#include "app/about_win.h"

#include "common/module_win.h"
#include "res/resource.h"

namespace {

INT_PTR CALLBACK about_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return 1; // the system gives the focus to the close button
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        EndPaint(dialog, &paint);
        return 0;
    }
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_ABOUT_CLOSE)
            EndDialog(dialog, 1);
        return 0;
    }
    return 0;
}

} // namespace

INT_PTR show_about(HWND owner)
{
    return DialogBoxParamW(program_module(), MAKEINTRESOURCEW(IDD_ABOUT), owner, about_procedure, 0);
}
