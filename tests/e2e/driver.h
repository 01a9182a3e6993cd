// Drives the real vorda.exe from another process, as a user would meet it: starts it with a
// command line, finds its windows and reads what they show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/shared/boxes_win.h"
#include "tests/shared/files_win.h"

// Polls `done` every 20 ms until it holds or `timeout_ms` pass. Whether it held.
bool wait_until(const std::function<bool()> &done, DWORD timeout_ms = 20000);

// Memory in the program's process, for messages whose parameters point at it.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;
    void *address() const { return base; }
    void write(const void *data, size_t size, size_t offset = 0);
    void read(void *data, size_t size, size_t offset = 0) const;

private:
    HANDLE process;
    void *base;
};

// A UTF-16 string at an address in another process.
std::wstring read_remote_text(HANDLE process, const void *address, size_t max_units = 1024);

std::string show(const Box &box); // for failure messages

// A path in double quotes, as a command line carries a path that may hold blanks.
std::wstring in_quotes(const std::wstring &path);

// Where the program under test lies.
std::wstring program_path();

class Program {
public:
    // Starts vorda.exe (or `exe`) in `folder` (the test's own current directory when empty);
    // `arguments` is what follows the program name on its command line.
    explicit Program(const std::wstring &arguments, const std::wstring &folder = L"",
                     const std::wstring &exe = program_path());
    // Ends a program still running (a failed test), so none outlives its test.
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    HANDLE process() const { return info.hProcess; }
    // The program's windows that have no parent: the main window, dialogs, message boxes.
    std::vector<HWND> top_windows() const;
    // A window of the given class (and caption, unless empty) once it is visible; null when
    // none appears in time.
    HWND wait_for_window(const std::wstring &class_name, const std::wstring &caption = L"") const;
    // The main window once it is shown and the program waits for input.
    HWND wait_for_main_window() const;
    // Dialogs and message boxes now shown (class #32770).
    std::vector<HWND> dialogs() const;
    // The exit code once the program has ended; STILL_ACTIVE when it has not in time.
    DWORD wait_for_exit(DWORD timeout_ms = 20000) const;

    // Waits for a message box with this caption, reads it and answers it with the button
    // `answer` (IDOK, IDYES, IDNO...). A box with window null when none appeared in time.
    Box answer_box(const std::wstring &caption, int answer) const;
    // Returns once the program takes messages again: back in its main loop, or in the loop of
    // a dialog or message box, which by then exists. So what a command shows, it has shown.
    void settle(HWND main) const;
    // Every dialog and message box the program has now, shown or about to be.
    std::vector<HWND> all_dialogs() const;
    // The folder an open-file dialog shows (CDM_GETFOLDERPATH); empty while it has none.
    std::wstring dialog_folder(HWND dialog) const;
    // Peak working set of the program's process, in bytes.
    size_t peak_working_set() const;

    // Reads through messages whose parameters must lie in the program's memory.
    std::wstring status_text(HWND status, int part) const;
    std::vector<int> status_edges(HWND status) const;
    struct Button {
        int command, image;
        BYTE state, style;
    };
    std::vector<Button> toolbar_buttons(HWND toolbar) const;
    // The tooltip the toolbar's own tooltip control would show for a button.
    std::wstring tooltip(HWND toolbar, int command) const;

private:
    PROCESS_INFORMATION info = {};
};

// The main window's children, as the program creates them.
struct Window {
    HWND main, toolbar, view, status;
};
Window parts_of(HWND main);
// The five status bar parts, and the same once the window has painted them.
std::vector<std::wstring> status_of(const Program &program, HWND status);
std::vector<std::wstring> painted_status(const Program &program, HWND status);
std::string show(const std::vector<std::wstring> &parts);

// WM_SETTEXT, which the system carries across processes.
void set_text(HWND window, const std::wstring &text);

// Fails once for every dialog and message box the program has now; `when` ends the message,
// as in "after cancel".
void expect_no_boxes(const Program &program, const std::string &when);
// Posts a message that should end the program (WM_COMMAND with an exit command, WM_CLOSE) and
// expects it to end with exit code 0.
void exit_with(const Program &program, HWND window, UINT message, WPARAM wparam);

// A command as the menu and the toolbar send it. run_command returns once it has run, so it is
// for commands that show no message or dialog; post_command is for those that do.
void run_command(HWND main, int command);
void post_command(HWND main, int command);

// Answers the open-file dialog with this caption once it shows its folder: types `path` in its
// file name box and presses OK, or presses Cancel when `path` is empty. Returns where the
// dialog started: its folder and the text of its file name box. The folder is empty when no
// such dialog appeared.
struct FileDialogStart {
    std::wstring folder, name;
};
FileDialogStart answer_file_dialog(const Program &program, const std::wstring &caption, const std::wstring &path);

// Points the .pdf association at the recorder (tests/e2e/recorder) while it lives and puts it
// back afterwards, so the test sees what the shell was asked to open without a PDF viewer.
class PdfToRecorder {
public:
    explicit PdfToRecorder(const std::wstring &record);
    ~PdfToRecorder();
    PdfToRecorder(const PdfToRecorder &) = delete;
    PdfToRecorder &operator=(const PdfToRecorder &) = delete;

private:
    void set(const std::wstring &command);
    std::wstring key, saved;
};
// What the recorder was asked to open, once it has written it to `record`.
std::wstring recorded(const std::wstring &record);
// A path in lower case, as Windows compares paths.
std::string lower(const std::wstring &path);

// A scratch folder for the files the program opens.
std::wstring scratch_folder();
