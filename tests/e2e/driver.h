// Drives the real vorda.exe from another process, as a user would meet it: starts it with a
// command line, finds its windows and reads what they show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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

class Program {
public:
    // Starts vorda.exe; `arguments` is what follows the program name on its command line.
    explicit Program(const std::wstring &arguments);
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

// WM_GETTEXT, which the system carries across processes.
std::wstring text_of(HWND window);
std::wstring class_of(HWND window);
// The static text of a message box.
std::wstring message_box_text(HWND box);

// Where the program under test lies and a scratch folder for the files it opens.
std::wstring program_path();
std::wstring scratch_folder();
std::wstring write_file(const std::wstring &path, const std::vector<unsigned char> &bytes);

std::string narrow(const std::wstring &text); // for failure messages
