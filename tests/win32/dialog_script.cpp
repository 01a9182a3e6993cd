#include "dialog_script.h"

#include <utility>

#include "harness.h"

namespace {

// A WM_NULL with these parameters asks for the next step; the dialog itself ignores it.
constexpr WPARAM STEP_W = 0x5C21;
constexpr LPARAM STEP_L = 0x7E57;

struct ScriptState {
    std::wstring caption;
    std::vector<DialogScript::Step> steps;
    size_t next = 0;
    HWND dialog = nullptr;
    std::vector<int> sent_commands;
    std::vector<std::pair<std::wstring, HWND>> activated;
    HHOOK cbt = nullptr, get_message = nullptr, call_window = nullptr;
};

ScriptState *script;

LRESULT CALLBACK cbt_procedure(int code, WPARAM wparam, LPARAM lparam)
{
    if (code == HCBT_ACTIVATE && script) {
        HWND window = HWND(wparam);
        std::wstring caption = text_of(window);
        script->activated.emplace_back(caption, window);
        if (!script->dialog && caption == script->caption) {
            script->dialog = window;
            PostMessageW(window, WM_NULL, STEP_W, STEP_L);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK get_message_procedure(int code, WPARAM wparam, LPARAM lparam)
{
    auto *msg = reinterpret_cast<MSG *>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && script && msg->message == WM_NULL && msg->wParam == STEP_W &&
        msg->lParam == STEP_L && script->next < script->steps.size()) {
        HWND dialog = script->dialog;
        script->steps[script->next++](dialog);
        // After whatever the step posted.
        if (script->next < script->steps.size())
            PostMessageW(dialog, WM_NULL, STEP_W, STEP_L);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK call_window_procedure(int code, WPARAM wparam, LPARAM lparam)
{
    auto *sent = reinterpret_cast<CWPSTRUCT *>(lparam);
    // Commands only, not the notifications that controls send with theirs.
    if (code == HC_ACTION && script && script->dialog && sent->hwnd == script->dialog && sent->message == WM_COMMAND &&
        HIWORD(sent->wParam) == 0)
        script->sent_commands.push_back(LOWORD(sent->wParam));
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

} // namespace

DialogScript::DialogScript(std::wstring caption, std::vector<Step> steps)
{
    script = new ScriptState;
    script->caption = std::move(caption);
    script->steps = std::move(steps);
    DWORD thread = GetCurrentThreadId();
    script->cbt = SetWindowsHookExW(WH_CBT, cbt_procedure, nullptr, thread);
    script->get_message = SetWindowsHookExW(WH_GETMESSAGE, get_message_procedure, nullptr, thread);
    script->call_window = SetWindowsHookExW(WH_CALLWNDPROC, call_window_procedure, nullptr, thread);
}

DialogScript::~DialogScript()
{
    UnhookWindowsHookEx(script->cbt);
    UnhookWindowsHookEx(script->get_message);
    UnhookWindowsHookEx(script->call_window);
    delete script;
    script = nullptr;
}

size_t DialogScript::steps_run() const { return script->next; }
size_t DialogScript::step_count() const { return script->steps.size(); }
std::vector<int> DialogScript::sent_commands() const { return script->sent_commands; }

HWND DialogScript::last_window(const std::wstring &caption) const
{
    for (auto it = script->activated.rbegin(); it != script->activated.rend(); ++it)
        if (it->first == caption)
            return it->second;
    return nullptr;
}

void press_key(HWND window, UINT key)
{
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, key, LPARAM(1 | scan << 16));
    PostMessageW(window, WM_KEYUP, key, LPARAM(1 | scan << 16 | 3u << 30));
}

void focus_control(HWND dialog, int id) { PostMessageW(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, id)), TRUE); }

std::wstring item_text(HWND dialog, int id) { return text_of(GetDlgItem(dialog, id)); }
