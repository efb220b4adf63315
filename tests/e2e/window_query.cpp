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
    if (!SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_BLOCK, kAnswerMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::optional<std::string> AskText(HWND hwnd) {
    auto length = Ask(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (!length) return std::nullopt;
    std::string text(static_cast<size_t>(*length) + 1, '\0');
    auto copied = Ask(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!copied) return std::nullopt;
    text.resize(static_cast<size_t>(*copied));
    return text;
}

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
    char title[512] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    return title;
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
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
        if (c.className != "Static" || c.text.empty()) continue;
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
        if (!comboSeen && c.className == "ComboBox") {
            comboSeen = true;
            auto count = Ask(c.hwnd, CB_GETCOUNT, 0, 0);
            if (!count) return std::nullopt;
            for (LRESULT i = 0; i < *count; ++i) {
                auto length = Ask(c.hwnd, CB_GETLBTEXTLEN, i, 0);
                if (!length || *length == CB_ERR) return std::nullopt;
                std::string line(static_cast<size_t>(*length) + 1, '\0');
                if (!Ask(c.hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line.data()))) {
                    return std::nullopt;
                }
                line.resize(static_cast<size_t>(*length));
                snap.comboLines.push_back(line);
            }
            auto selection = Ask(c.hwnd, CB_GETCURSEL, 0, 0);
            if (!selection) return std::nullopt;
            snap.comboSelection = static_cast<int>(*selection);
        }
        if (!snap.progressPosition && c.className == PROGRESS_CLASSA) {
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
        if (c.className != "Button") continue;
        if (c.text == label || WithoutAmpersands(c.text) == WithoutAmpersands(label)) {
            return c.hwnd;
        }
    }
    return nullptr;
}

}  // namespace e2e
