#include "driver.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include "res/resource.h"

namespace {

// Every message to the program goes with a timeout: a hung program fails its test, not the run.
LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 10000, &result))
        ADD_FAILURE() << "message " << message << " to window " << window << " was not answered";
    return LRESULT(result);
}

} // namespace

bool wait_until(const std::function<bool()> &done, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > timeout_ms)
            return false;
        Sleep(20);
    }
}

RemoteMemory::RemoteMemory(HANDLE process_, size_t size) : process(process_)
{
    base = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    EXPECT_NE(base, nullptr) << "VirtualAllocEx: " << GetLastError();
}

RemoteMemory::~RemoteMemory()
{
    if (base != nullptr)
        VirtualFreeEx(process, base, 0, MEM_RELEASE);
}

void RemoteMemory::write(const void *data, size_t size, size_t offset)
{
    SIZE_T done = 0;
    EXPECT_TRUE(WriteProcessMemory(process, static_cast<char *>(base) + offset, data, size, &done) && done == size);
}

void RemoteMemory::read(void *data, size_t size, size_t offset) const
{
    SIZE_T done = 0;
    EXPECT_TRUE(ReadProcessMemory(process, static_cast<char *>(base) + offset, data, size, &done) && done == size);
}

std::wstring read_remote_text(HANDLE process, const void *address, size_t max_units)
{
    std::wstring text;
    for (size_t i = 0; i < max_units; i++) {
        wchar_t c = 0;
        SIZE_T done = 0;
        if (!ReadProcessMemory(process, static_cast<const wchar_t *>(address) + i, &c, sizeof c, &done) || c == 0)
            break;
        text += c;
    }
    return text;
}

std::wstring in_quotes(const std::wstring &path) { return L"\"" + path + L"\""; }

Program::Program(const std::wstring &arguments, const std::wstring &folder, const std::wstring &exe)
{
    std::wstring command = in_quotes(exe) + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const wchar_t *directory = folder.empty() ? nullptr : folder.c_str();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &info))
        ADD_FAILURE() << "cannot start " << narrow(exe) << ": " << GetLastError();
}

Program::~Program()
{
    if (info.hProcess == nullptr)
        return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 10000);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

std::vector<HWND> Program::top_windows() const
{
    std::vector<HWND> windows;
    EnumThreadWindows(
        info.dwThreadId,
        [](HWND window, LPARAM found) {
            reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
            return TRUE;
        },
        LPARAM(&windows));
    return windows;
}

HWND Program::wait_for_window(const std::wstring &class_name, const std::wstring &caption) const
{
    HWND found = nullptr;
    wait_until([&] {
        for (HWND w : top_windows())
            if (IsWindowVisible(w) && class_of(w) == class_name && (caption.empty() || text_of(w) == caption)) {
                found = w;
                return true;
            }
        return false;
    });
    return found;
}

HWND Program::wait_for_main_window() const
{
    HWND window = wait_for_window(L"Main Window");
    if (window != nullptr)
        WaitForInputIdle(info.hProcess, 20000);
    return window;
}

std::vector<HWND> Program::dialogs() const
{
    std::vector<HWND> found;
    for (HWND w : top_windows())
        if (IsWindowVisible(w) && is_dialog(w))
            found.push_back(w);
    return found;
}

DWORD Program::wait_for_exit(DWORD timeout_ms) const
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, timeout_ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    return code;
}

Box Program::answer_box(const std::wstring &caption, int answer) const
{
    HWND window = wait_for_window(L"#32770", caption);
    if (window == nullptr)
        return Box{};
    Box box = read_box(window);
    click(window, answer);
    if (!wait_until([&] { return !IsWindow(window); }))
        ADD_FAILURE() << "the box " << narrow(caption) << " did not close on button " << answer;
    return box;
}

void Program::settle(HWND main) const
{
    // A sent message is taken only where the program calls for messages. Long, since an export
    // of a large file keeps the program from its loop for a while.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result))
        ADD_FAILURE() << "the program did not come back to its message loop";
}

std::vector<HWND> Program::all_dialogs() const
{
    std::vector<HWND> found;
    for (HWND w : top_windows())
        if (is_dialog(w))
            found.push_back(w);
    return found;
}

std::wstring Program::dialog_folder(HWND dialog) const
{
    RemoteMemory buffer(info.hProcess, MAX_PATH * sizeof(wchar_t));
    wchar_t empty = 0;
    buffer.write(&empty, sizeof empty);
    if (send(dialog, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(buffer.address())) <= 0)
        return L"";
    return read_remote_text(info.hProcess, buffer.address(), MAX_PATH);
}

size_t Program::peak_working_set() const
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(info.hProcess, &counters, sizeof counters))
        ADD_FAILURE() << "GetProcessMemoryInfo: " << GetLastError();
    return counters.PeakWorkingSetSize;
}

std::wstring Program::status_text(HWND status, int part) const
{
    if (LOWORD(send(status, SB_GETTEXTLENGTHW, part, 0)) == 0)
        return L""; // Wine writes nothing at all for a part without text
    RemoteMemory buffer(info.hProcess, 4096);
    std::vector<wchar_t> fill(2048, L'#');
    buffer.write(fill.data(), fill.size() * sizeof(wchar_t));
    send(status, SB_GETTEXTW, part, LPARAM(buffer.address()));
    return read_remote_text(info.hProcess, buffer.address(), 2048);
}

std::vector<int> Program::status_edges(HWND status) const
{
    RemoteMemory buffer(info.hProcess, 64);
    int edges[8] = {0};
    LRESULT count = send(status, SB_GETPARTS, 8, LPARAM(buffer.address()));
    buffer.read(edges, sizeof edges);
    return std::vector<int>(edges, edges + (count > 0 && count <= 8 ? count : 0));
}

std::vector<Program::Button> Program::toolbar_buttons(HWND toolbar) const
{
    std::vector<Button> buttons;
    RemoteMemory buffer(info.hProcess, sizeof(TBBUTTON));
    LRESULT count = send(toolbar, TB_BUTTONCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        TBBUTTON b;
        memset(&b, 0xA5, sizeof b); // an unwritten field shows
        buffer.write(&b, sizeof b);
        if (!send(toolbar, TB_GETBUTTON, i, LPARAM(buffer.address())))
            ADD_FAILURE() << "TB_GETBUTTON " << i;
        buffer.read(&b, sizeof b);
        buttons.push_back(Button{b.idCommand, b.iBitmap, b.fsState, b.fsStyle});
    }
    return buttons;
}

std::wstring Program::tooltip(HWND toolbar, int command) const
{
    // The tooltip control asks the toolbar, which asks the main window (TTN_GETDISPINFOW):
    // the path a tooltip takes when the pointer rests on a button.
    HWND tips = HWND(send(toolbar, TB_GETTOOLTIPS, 0, 0));
    if (tips == nullptr)
        return L"(no tooltip control)";
    constexpr size_t text_offset = 256, text_units = 512;
    RemoteMemory buffer(info.hProcess, text_offset + text_units * sizeof(wchar_t));
    std::vector<wchar_t> fill(text_units, 0);
    wcscpy(fill.data(), L"(untouched)");
    buffer.write(fill.data(), fill.size() * sizeof(wchar_t), text_offset);
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = toolbar;
    tool.uId = UINT_PTR(command);
    tool.lpszText = reinterpret_cast<wchar_t *>(static_cast<char *>(buffer.address()) + text_offset);
    buffer.write(&tool, sizeof tool);
    send(tips, TTM_GETTEXTW, text_units, LPARAM(buffer.address()));
    return read_remote_text(info.hProcess, tool.lpszText, text_units);
}

void set_text(HWND window, const std::wstring &text)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_SETTEXT, 0, LPARAM(text.c_str()), SMTO_ABORTIFHUNG, 10000, &result))
        ADD_FAILURE() << "WM_SETTEXT was not answered";
}

std::string show(const Box &box)
{
    if (box.window == nullptr)
        return "(no box)";
    std::string s = "[";
    s += narrow(box.caption);
    s += "] ";
    s += narrow(box.text);
    s += box.icon != nullptr ? " (icon)" : " (no icon)";
    s += box.ok ? " OK" : "";
    s += box.cancel ? " Cancel" : "";
    s += box.yes ? " Yes" : "";
    s += box.no ? " No" : "";
    return s;
}

Window parts_of(HWND main)
{
    return Window{main, GetDlgItem(main, IDC_TOOLBAR), GetDlgItem(main, IDC_VIEW), GetDlgItem(main, IDC_STATUS)};
}

std::vector<std::wstring> status_of(const Program &program, HWND status)
{
    std::vector<std::wstring> parts;
    for (int i = 0; i < 5; i++)
        parts.push_back(program.status_text(status, i));
    return parts;
}

std::vector<std::wstring> painted_status(const Program &program, HWND status)
{
    wait_until([&] { return !program.status_text(status, 1).empty(); });
    return status_of(program, status);
}

std::string show(const std::vector<std::wstring> &parts)
{
    std::string s;
    for (const auto &p : parts) {
        s += '[';
        s += narrow(p);
        s += ']';
    }
    return s;
}

void expect_no_boxes(const Program &program, const std::string &when)
{
    for (HWND box : program.all_dialogs())
        ADD_FAILURE() << "unexpected " << show(read_box(box)) << " " << when;
}

void exit_with(const Program &program, HWND window, UINT message, WPARAM wparam)
{
    PostMessageW(window, message, wparam, 0);
    EXPECT_EQ(program.wait_for_exit(), 0u) << "exit code after message " << message << ", " << wparam;
}

void run_command(HWND main, int command)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, WM_COMMAND, WPARAM(command), 0, SMTO_NORMAL, 60000, &result))
        ADD_FAILURE() << "command " << command << " did not return";
}

void post_command(HWND main, int command) { PostMessageW(main, WM_COMMAND, WPARAM(command), 0); }

FileDialogStart answer_file_dialog(const Program &program, const std::wstring &caption, const std::wstring &path)
{
    FileDialogStart start;
    HWND dialog = program.wait_for_window(L"#32770", caption);
    if (dialog == nullptr) {
        ADD_FAILURE() << "no dialog " << narrow(caption);
        return start;
    }
    // The dialog settles on its folder after it is shown; typing before that is lost.
    wait_until([&] { return !(start.folder = program.dialog_folder(dialog)).empty(); });
    // The file name box: a combo box, or an edit box in the old style.
    HWND name = GetDlgItem(dialog, cmb13);
    if (name == nullptr)
        name = GetDlgItem(dialog, edt1);
    start.name = text_of(name);
    if (path.empty()) {
        click(dialog, IDCANCEL);
    } else {
        set_text(name, path);
        click(dialog, IDOK);
    }
    if (!wait_until([&] { return !IsWindow(dialog); }))
        ADD_FAILURE() << "the dialog " << narrow(caption) << " stayed open";
    return start;
}

PdfToRecorder::PdfToRecorder(const std::wstring &record)
{
    wchar_t file_class[128] = L"";
    DWORD size = sizeof file_class;
    if (RegGetValueW(HKEY_CLASSES_ROOT, L".pdf", nullptr, RRF_RT_REG_SZ, nullptr, file_class, &size) != 0) {
        ADD_FAILURE() << "the Wine prefix has no .pdf association (scripts/wine-settings.reg)";
        return;
    }
    key = std::wstring(file_class) + L"\\shell\\open\\command";
    wchar_t command[1024] = L"";
    size = sizeof command;
    RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
    saved = command;
    // A run stopped half-way leaves the recorder behind: put back the prefix's own viewer.
    if (saved.find(L"help_recorder") != std::wstring::npos)
        saved = L"\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"";
    set(L"\"" + std::wstring(HELP_RECORDER) + L"\" \"" + record + L"\" \"%1\"");
}

PdfToRecorder::~PdfToRecorder()
{
    if (!key.empty())
        set(saved);
}

void PdfToRecorder::set(const std::wstring &command)
{
    LSTATUS status = RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                                     DWORD((command.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(status, 0) << "cannot set the .pdf association";
}

std::wstring recorded(const std::wstring &record)
{
    // The record is never empty, and it can be seen before the recorder has let go of it after
    // the rename; it is gone again before the next command asks for a new one.
    std::vector<unsigned char> bytes;
    if (!wait_until([&] { return !(bytes = read_file(record)).empty(); }))
        return L"(nothing was opened)";
    EXPECT_TRUE(wait_until([&] {
        DeleteFileW(record.c_str());
        return !exists(record);
    })) << "the record stays";
    return std::wstring(reinterpret_cast<const wchar_t *>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::string lower(const std::wstring &path)
{
    std::wstring s = path;
    CharLowerW(s.data());
    return narrow(s);
}

std::wstring program_path() { return VORDA_EXE; }

std::wstring scratch_folder() { return fresh_scratch_folder("vorda-e2e-"); }
