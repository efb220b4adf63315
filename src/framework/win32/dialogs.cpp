// Modal message dialogs and platform message boxes.
#include "src/framework/win32/win32_loop.h"

#include <algorithm>
#include <string>

namespace fw::win32 {

namespace {

struct DialogLook {
    const char* caption;
    UINT icon;
};

DialogLook LookOf(DialogKind kind) {
    switch (kind) {
    case DialogKind::Warning: return {"Warning", MB_ICONWARNING};
    case DialogKind::Error: return {"Error", MB_ICONERROR};
    case DialogKind::Information: return {"Information", MB_ICONINFORMATION};
    }
    return {"Information", MB_ICONINFORMATION};
}

// The footnote of the message box about to open, for the hook that adds it.
thread_local const std::string* pendingFootnote = nullptr;
thread_local HHOOK footnoteHook = nullptr;

bool IsMessageBox(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

// Grows the box by the footnote's height, moves its buttons down by as much
// and puts the footnote above them in a read-only edit field, where it can
// be selected and copied; the box's own text is left as it is.
void AddFootnote(HWND box, const std::string& footnote) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
    RECT client{};
    GetClientRect(box, &client);
    const int margin = 12;
    const int height = 22;
    int buttonsTop = client.bottom;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = {};
        GetClassNameA(child, name, sizeof name);
        if (std::string(name) != "Button") continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        buttonsTop = std::min<int>(buttonsTop, r.top);
        SetWindowPos(child, nullptr, r.left, r.top + height, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT frame{};
    GetWindowRect(box, &frame);
    SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + height,
                 SWP_NOMOVE | SWP_NOZORDER);
    HWND field = CreateWindowExA(0, "Edit", footnote.c_str(), WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL,
                                 margin, buttonsTop, client.right - 2 * margin, height - 4, box, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (field != nullptr && font != nullptr) SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

LRESULT CALLBACK FootnoteHook(int code, WPARAM wParam, LPARAM lParam) {
    const HHOOK hook = footnoteHook;
    if (code == HCBT_ACTIVATE && pendingFootnote != nullptr && IsMessageBox(reinterpret_cast<HWND>(wParam))) {
        const std::string* footnote = pendingFootnote;
        pendingFootnote = nullptr;
        AddFootnote(reinterpret_cast<HWND>(wParam), *footnote);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

HWND Win32Loop::DialogOwner() const {
    // Start-up dialogs come before the window is shown; a hidden owner would
    // leave them without a taskbar button, so they stand alone instead.
    FormWindow* main = MainWindow();
    return main && IsWindowVisible(main->Handle()) ? main->Handle() : nullptr;
}

bool Win32Loop::ShowDialog(DialogKind kind, const std::string& text, DialogButtons buttons) {
    const DialogLook look = LookOf(kind);
    // An error while the taskbar shows progress is the run's failure.
    if (kind == DialogKind::Error && progressPosition_ > 0)
        ProgressChanged(progressPosition_, progressMax_, true);
    const UINT flags = look.icon | (buttons == DialogButtons::YesNo ? MB_YESNO : MB_OK);
    return ShowMessageBox(text, look.caption, flags) == IDYES;
}

bool Win32Loop::ShowDialogWithFootnote(DialogKind kind, const std::string& text, DialogButtons buttons,
                                       const std::string& footnote) {
    // The hook sees only this thread's windows, and the box is the first
    // dialog activated on it; it is gone again when the box returns.
    pendingFootnote = &footnote;
    footnoteHook = SetWindowsHookExA(WH_CBT, FootnoteHook, nullptr, GetCurrentThreadId());
    const bool yes = ShowDialog(kind, text, buttons);
    if (footnoteHook != nullptr) UnhookWindowsHookEx(footnoteHook);
    footnoteHook = nullptr;
    pendingFootnote = nullptr;
    return yes;
}

int Win32Loop::ShowMessageBox(const std::string& text, const std::string& caption,
                              unsigned flags) {
    HWND owner = DialogOwner();
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags | (owner ? 0 : MB_TASKMODAL));
}

}  // namespace fw::win32
