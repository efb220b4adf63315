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

// Grows the box and puts the footnote under its buttons in a read-only
// edit field, wide enough for it, where it can be selected and copied; the
// box's own text and buttons are left as they are.
void AddFootnote(HWND box, const std::string& footnote) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
    constexpr int kMargin = 12;
    constexpr int kPadding = 8;
    SIZE extent{};
    if (HDC dc = GetDC(box)) {
        const HGDIOBJ previous = SelectObject(dc, font);
        GetTextExtentPoint32A(dc, footnote.c_str(), static_cast<int>(footnote.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(box, dc);
    }
    RECT client{};
    GetClientRect(box, &client);
    const int fieldWidth = std::max<int>(client.right - 2 * kMargin, extent.cx + kPadding);
    const int fieldHeight = extent.cy + kPadding;
    RECT frame{};
    GetWindowRect(box, &frame);
    const int grow = std::max<int>(0, fieldWidth + 2 * kMargin - client.right);
    SetWindowPos(box, nullptr, frame.left - grow / 2, frame.top, frame.right - frame.left + grow,
                 frame.bottom - frame.top + fieldHeight + kMargin / 2, SWP_NOZORDER);
    HWND field = CreateWindowExA(0, "Edit", footnote.c_str(), WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL,
                                 kMargin, client.bottom, fieldWidth, fieldHeight, box, nullptr,
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
