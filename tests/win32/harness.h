// Shared by the Win32 tests: a host window with the program's child controls, files in a
// scratch folder, and message boxes answered by the test itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/wide_win.h"
#include "tests/shared/boxes_win.h"
#include "tests/shared/files_win.h"

// A top-level window of the program's size with the edit view and the status bar, as the main
// window creates them. The document is reset to its zeroed start.
HWND make_host_window();
void destroy_host_window(HWND window);

// Text of a status bar part (SB_GETTEXTW).
std::wstring status_text(HWND status, int part);

// A fresh scratch folder for one test, and a file of the given name in a fresh one of its own.
std::wstring scratch_folder();
std::wstring scratch_file(const std::wstring &name, const std::vector<uint8_t> &bytes);
// A sparse file of the given size whose bytes are zero but for `tail` written at its end.
std::wstring write_sparse_file(const std::wstring &name, uint64_t size, const std::vector<uint8_t> &tail);

// While alive, every message box the thread shows is recorded and answered with the next
// of `answers` (IDOK, IDYES, IDNO...; IDOK or IDCANCEL once they run out). A dialog for which
// `on_dialog` returns true is recorded too but left to that handler, which may post its own
// answer (for the common dialogs and the program's own dialogs).
class BoxCapture {
public:
    explicit BoxCapture(std::vector<int> answers = {});
    const std::vector<Box> &seen() const { return boxes; }
    std::function<bool(HWND dialog)> on_dialog;

private:
    void on_box(HWND box);
    std::vector<Box> boxes;
    std::vector<int> answers;
    BoxHook hook;
};
