// Drives a modal dialog from inside its own message loop, as a user would, without sleeps:
// once the dialog with the given caption is active, each step runs in turn, and each runs
// only after the messages that the step before it posted have been handled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/wide_win.h"
#include "tests/shared/boxes_win.h"

class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;
    DialogScript(std::wstring caption, std::vector<Step> steps);
    ~DialogScript();
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    size_t steps_run() const;
    size_t step_count() const;
    // Identifiers of the commands (notification code 0) sent to the dialog, as IsDialogMessage
    // sends IDOK and IDCANCEL for Enter and Esc.
    std::vector<int> sent_commands() const;
    // The last window activated with this caption while the script was alive, or null.
    HWND last_window(const std::wstring &caption) const;
};

// Steps' actions, posted so that they go through the dialog's own message loop (and click, from
// tests/shared/boxes_win.h).
void press_key(HWND window, UINT key);     // WM_KEYDOWN and WM_KEYUP to the window
void focus_control(HWND dialog, int id);   // WM_NEXTDLGCTL
std::wstring item_text(HWND dialog, int id);
