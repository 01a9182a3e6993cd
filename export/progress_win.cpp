// The progress dialog of a long export: a modeless dialog that behaves as a modal one, since the
// conversion keeps the thread and lets the messages through only between its blocks.
#include "export/export_win.h"

#include <commctrl.h>

#include "common/module_win.h"
#include "export/progress.h"
#include "res/resource.h"

namespace {

struct Progress {
    bool running;
    bool cancelled;
    bool unavailable; // the dialog could not be made: the export goes on without it
    HWND owner;
    HWND dialog; // null until the export has run for a while
    HWND focus;  // where the keyboard was before the dialog, given back after it
    const char16_t *destination;
    uint64_t size;
    DWORD start;
    DWORD last_pump; // when the messages were last let through
    DWORD last_show; // when the bar and the figures were last brought up to date
};

Progress progress;

INT_PTR CALLBACK progress_procedure(HWND, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE; // the focus goes to the cancel button, the only tab stop
    case WM_COMMAND:
        // The button, and Esc, which IsDialogMessage turns into IDCANCEL.
        if (LOWORD(wparam) != IDCANCEL)
            return FALSE;
        progress.cancelled = true;
        return TRUE;
    case WM_CLOSE: // the close box and Alt+F4
        progress.cancelled = true;
        return TRUE;
    }
    return FALSE;
}

void show_done(uint64_t done)
{
    SendDlgItemMessageW(progress.dialog, IDC_PROGRESS_BAR, PBM_SETPOS, progress_bar_position(done, progress.size), 0);
    char16_t text[PROGRESS_TEXT_CAPACITY];
    progress_text(text, done, progress.size);
    SetDlgItemTextW(progress.dialog, IDC_PROGRESS_TEXT, wide(text));
}

// Filled in before it is shown, so that it never shows an empty field.
void show_dialog(uint64_t done)
{
    // Before the dialog is made: making it gives its button the focus.
    progress.focus = GetFocus();
    progress.dialog = CreateDialogParamW(program_module(), MAKEINTRESOURCEW(IDD_EXPORT_PROGRESS), progress.owner,
                                         progress_procedure, 0);
    if (progress.dialog == nullptr) {
        progress.unavailable = true;
        return;
    }
    SetDlgItemTextW(progress.dialog, IDC_PROGRESS_DESTINATION, wide(progress.destination));
    SendDlgItemMessageW(progress.dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, PROGRESS_BAR_STEPS);
    show_done(done);
    // As for a modal dialog: the owner takes no input while the dialog is up.
    EnableWindow(progress.owner, FALSE);
    ShowWindow(progress.dialog, SW_SHOW);
}

// Everything waiting, taken as a modal dialog's loop takes it: paints and moves included.
void let_messages_through()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Meant for the main loop: handed back to it, and the export stops here.
            PostQuitMessage(int(msg.wParam));
            progress.cancelled = true;
            return;
        }
        if (!IsDialogMessageW(progress.dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace

void progress_begin(HWND owner, uint64_t size, const char16_t *destination)
{
    DWORD now = GetTickCount();
    progress = Progress{.running = true,
                        .owner = owner,
                        .destination = destination,
                        .size = size,
                        .start = now,
                        .last_pump = now,
                        .last_show = now};
}

bool progress_continue(uint64_t done)
{
    if (progress.cancelled)
        return false;
    // A tick count a block and nothing more, until there is something to do.
    DWORD now = GetTickCount();
    if (progress.dialog == nullptr) {
        if (progress.unavailable || !progress_dialog_due(now - progress.start, done, progress.size))
            return true;
        show_dialog(done);
        if (progress.dialog == nullptr)
            return true;
        progress.last_show = now;
    } else if (now - progress.last_pump < PROGRESS_PUMP_MS) {
        return true;
    } else if (now - progress.last_show >= PROGRESS_SHOW_MS) {
        show_done(done);
        progress.last_show = now;
    }
    progress.last_pump = now;
    let_messages_through();
    return !progress.cancelled;
}

bool progress_end()
{
    if (progress.dialog != nullptr) {
        // The owner first, so that it takes the activation back from the dialog.
        EnableWindow(progress.owner, TRUE);
        DestroyWindow(progress.dialog);
        if (progress.focus != nullptr)
            SetFocus(progress.focus);
    }
    bool cancelled = progress.cancelled;
    progress = Progress{};
    return cancelled;
}

bool export_in_progress() { return progress.running; }
