// Finding the updater's windows from another process and reading what they
// show, the way a user sees it: titles, control texts, list lines, enabled
// states and the progress bar.
//
// Every message sent to the updater goes through SendMessageTimeout: its user
// interface thread blocks while it discovers drives, and a driver that hung
// with it could not report a time-out.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct ControlInfo {
    HWND hwnd = nullptr;
    std::string className;
    std::string text;
    bool enabled = true;
    bool visible = true;
};

struct WindowSnapshot {
    std::string title;
    std::vector<ControlInfo> controls;
    std::vector<std::string> comboLines;  // of the first combo box
    int comboSelection = -1;
    std::optional<int> progressPosition;
    std::optional<int> progressMax;
};

// Visible top-level windows of other processes.
std::vector<HWND> TopLevelWindows();

std::string WindowTitle(HWND hwnd);
// The window's class name, without a side-by-side version prefix.
std::string ClassOf(HWND hwnd);
// Case-insensitive, as the system compares class names.
bool IsClass(const ControlInfo& control, const char* className);
bool IsDialogClass(HWND hwnd);

// The updater's main window: a visible top-level window that is not a dialog
// and whose title contains `titlePart` (any such window when it is empty).
HWND FindMainWindow(const std::string& titlePart);

// A top-level window whose caption is exactly `caption` and whose static texts
// contain `textPart`; dialogs (#32770) are preferred.
HWND FindDialog(const std::string& caption, const std::string& textPart);

// The direct and nested child controls in creation order.
std::vector<ControlInfo> Controls(HWND parent);

// The static texts of a dialog joined with line feeds (the message itself).
std::string DialogText(HWND dialog);

// The window's title, controls, combo lines and progress; nullopt when the
// window did not answer in time (busy) or vanished.
std::optional<WindowSnapshot> Snapshot(HWND hwnd);

// The button child of `parent` whose text is `label` (with or without its
// accelerator ampersands).
HWND FindButton(HWND parent, const std::string& label);

}  // namespace e2e
