#include "window_query.h"

#include <commctrl.h>

#include <algorithm>

namespace e2e {
namespace {

// Long enough for a window that is painting, short enough that a wait loop
// around a busy window still notices its own time-out.
constexpr UINT kAnswerMs = 1500;

std::optional<LRESULT> Ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_BLOCK, kAnswerMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                        nullptr);
    return text;
}

// Asks for a text into a wide buffer far larger than the length reported:
// Wine's ANSI forms of these requests across processes write past a buffer
// sized by the ANSI length, so the driver reads the Unicode text and
// converts it itself.
std::optional<std::string> AskString(HWND hwnd, UINT lengthMsg, UINT textMsg, WPARAM index) {
    auto length = Ask(hwnd, lengthMsg, index, 0);
    if (!length || *length < 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(*length) * 2 + 64, L'\0');
    const WPARAM wParam = textMsg == WM_GETTEXT ? text.size() : index;
    auto copied = Ask(hwnd, textMsg, wParam, reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0) return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return Narrow(text);
}

std::optional<std::string> AskText(HWND hwnd) { return AskString(hwnd, WM_GETTEXTLENGTH, WM_GETTEXT, 0); }

std::string WithoutAmpersands(const std::string& text) {
    std::string plain;
    for (char c : text) {
        if (c != '&') plain += c;
    }
    return plain;
}

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() && IsWindowVisible(hwnd)) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string WindowTitle(HWND hwnd) {
    // A top-level window's title is kept by the system: reading it never
    // waits for the owning thread.
    wchar_t title[512] = {};
    GetWindowTextW(hwnd, title, static_cast<int>(std::size(title)));
    return Narrow(title);
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    // Controls of common controls v6 may carry a versioned name,
    // "6.0.2600.0!Button"; what matters is the class after the "!".
    std::string className = name;
    const auto bang = className.rfind('!');
    return bang == std::string::npos ? className : className.substr(bang + 1);
}

bool IsClass(const ControlInfo& control, const char* className) {
    return lstrcmpiA(control.className.c_str(), className) == 0;
}

bool IsDialogClass(HWND hwnd) { return ClassOf(hwnd) == "#32770"; }

HWND FindMainWindow(const std::string& titlePart) {
    for (HWND hwnd : TopLevelWindows()) {
        if (IsDialogClass(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) continue;
        std::string title = WindowTitle(hwnd);
        if (title.empty()) continue;
        if (titlePart.empty() || title.find(titlePart) != std::string::npos) return hwnd;
    }
    return nullptr;
}

HWND FindDialog(const std::string& caption, const std::string& textPart) {
    HWND fallback = nullptr;
    for (HWND hwnd : TopLevelWindows()) {
        if (WindowTitle(hwnd) != caption) continue;
        if (!textPart.empty() && DialogText(hwnd).find(textPart) == std::string::npos) continue;
        if (IsDialogClass(hwnd)) return hwnd;
        if (!fallback) fallback = hwnd;
    }
    return fallback;
}

std::vector<ControlInfo> Controls(HWND parent) {
    std::vector<HWND> handles;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&handles));
    std::vector<ControlInfo> controls;
    for (HWND hwnd : handles) {
        ControlInfo info;
        info.hwnd = hwnd;
        info.className = ClassOf(hwnd);
        info.text = AskText(hwnd).value_or(WindowTitle(hwnd));
        info.enabled = IsWindowEnabled(hwnd) != FALSE;
        info.visible = IsWindowVisible(hwnd) != FALSE;
        controls.push_back(std::move(info));
    }
    return controls;
}

std::string DialogText(HWND dialog) {
    std::string text;
    for (const ControlInfo& c : Controls(dialog)) {
        if (!IsClass(c, "Static") || c.text.empty()) continue;
        if (!text.empty()) text += '\n';
        text += c.text;
    }
    return text;
}

std::optional<WindowSnapshot> Snapshot(HWND hwnd) {
    if (!IsWindow(hwnd)) return std::nullopt;
    WindowSnapshot snap;
    auto title = AskText(hwnd);
    if (!title) return std::nullopt;
    snap.title = *title;
    snap.controls = Controls(hwnd);
    bool comboSeen = false;
    for (const ControlInfo& c : snap.controls) {
        if (!comboSeen && IsClass(c, "ComboBox")) {
            comboSeen = true;
            auto count = Ask(c.hwnd, CB_GETCOUNT, 0, 0);
            if (!count) return std::nullopt;
            for (LRESULT i = 0; i < *count; ++i) {
                auto line = AskString(c.hwnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(i));
                if (!line) return std::nullopt;
                snap.comboLines.push_back(*line);
            }
            auto selection = Ask(c.hwnd, CB_GETCURSEL, 0, 0);
            if (!selection) return std::nullopt;
            snap.comboSelection = static_cast<int>(*selection);
        }
        if (!snap.progressPosition && IsClass(c, PROGRESS_CLASSA)) {
            auto position = Ask(c.hwnd, PBM_GETPOS, 0, 0);
            auto max = Ask(c.hwnd, PBM_GETRANGE, FALSE, 0);
            if (!position || !max) return std::nullopt;
            snap.progressPosition = static_cast<int>(*position);
            snap.progressMax = static_cast<int>(*max);
        }
    }
    return snap;
}

HWND FindButton(HWND parent, const std::string& label) {
    for (const ControlInfo& c : Controls(parent)) {
        if (!IsClass(c, "Button")) continue;
        if (c.text == label || WithoutAmpersands(c.text) == WithoutAmpersands(label)) {
            return c.hwnd;
        }
    }
    return nullptr;
}

}  // namespace e2e
