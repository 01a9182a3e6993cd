// Dialogs and message boxes as the tests and the benchmarks meet them, in their own process or
// in the program's: texts read through the messages the system carries across processes, a
// box read with its icon and buttons, a button pressed as the user would, and a hook that sees
// every box the thread shows. Nothing here needs GoogleTest.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

// WM_GETTEXT, with a timeout: a program that hangs fails its test, it does not hang the run.
inline std::wstring text_of(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
        return L"(no answer)";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, LPARAM(text.data()), SMTO_ABORTIFHUNG, 10000, &got);
    text.resize(got);
    return text;
}

inline std::wstring class_of(HWND window)
{
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

// The class of dialogs and message boxes.
inline bool is_dialog(HWND window) { return class_of(window) == L"#32770"; }

// The static text of a message box.
inline std::wstring message_box_text(HWND box) { return text_of(GetDlgItem(box, 0xFFFF)); }

// Posts a button's click to a dialog, as its button would send it.
inline void click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
}

// A message box or dialog as the user sees it.
struct Box {
    HWND window = nullptr;
    std::wstring caption, text; // text: the static text of a message box
    HICON icon = nullptr;       // the icon beside the text; null when there is none
    bool ok = false, cancel = false, yes = false, no = false; // the buttons shown
    // The exclamation mark of MB_ICONWARNING.
    bool warning() const { return icon != nullptr && icon == LoadIconW(nullptr, IDI_WARNING); }
};

// Read from its children's own styles, so that a box not shown yet reads as it will be shown.
inline Box read_box(HWND window)
{
    Box box;
    box.window = window;
    box.caption = text_of(window);
    box.text = message_box_text(window);
    auto shown = [](HWND child) { return child && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0; };
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR icon = 0;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && shown(child) &&
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 10000, &icon) && icon != 0)
            box.icon = HICON(icon);
    }
    box.ok = shown(GetDlgItem(window, IDOK));
    box.cancel = shown(GetDlgItem(window, IDCANCEL));
    box.yes = shown(GetDlgItem(window, IDYES));
    box.no = shown(GetDlgItem(window, IDNO));
    return box;
}

// While alive, calls on_box for every dialog and message box that this thread activates, before
// it is first shown: the test answers it from there, without a sleep. One at a time.
class BoxHook {
public:
    explicit BoxHook(std::function<void(HWND box)> on_each_box) : on_box(std::move(on_each_box))
    {
        current() = this;
        hook = SetWindowsHookExW(WH_CBT, procedure, nullptr, GetCurrentThreadId());
    }
    ~BoxHook()
    {
        UnhookWindowsHookEx(hook);
        current() = nullptr;
    }
    BoxHook(const BoxHook &) = delete;
    BoxHook &operator=(const BoxHook &) = delete;

private:
    static BoxHook *&current()
    {
        static BoxHook *alive = nullptr;
        return alive;
    }
    static LRESULT CALLBACK procedure(int code, WPARAM wparam, LPARAM lparam)
    {
        if (code == HCBT_ACTIVATE && current() != nullptr && is_dialog(HWND(wparam)))
            current()->on_box(HWND(wparam));
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }

    std::function<void(HWND box)> on_box;
    HHOOK hook;
};
