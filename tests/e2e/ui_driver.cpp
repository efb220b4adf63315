// The end-to-end suite's hands and eyes: a console program run under the same
// Wine prefix and display as the updater, which waits for its windows, prints
// what they show and presses their buttons.
//
//   ui_driver [--window TITLE] COMMAND ARGS...
//
//   list-windows                         every visible top-level window
//   wait-window TITLE SECONDS            the main window appeared
//   read-texts                           title, list lines, labels, buttons, progress
//   wait-text TEXT SECONDS               some control or list line contains TEXT
//   wait-progress POSITION SECONDS       the progress bar reached POSITION
//   click LABEL                          presses an enabled button of the main window
//   drop-list 1|0                        opens or closes the drive list (for a screenshot)
//   wait-dialog CAPTION TEXT SECONDS     a dialog with that caption and text is up
//   press-dialog-button CAPTION LABEL [SECONDS]
//                                        presses it and waits until the dialog is gone
//   wait-exit SECONDS                    the main window is gone
//   os-version                           the platform family Wine reports
//   run PROGRAM [ARG...]                 runs PROGRAM to its end and prints its
//                                        whole exit code ("exit code: 1618"):
//                                        Wine hands a Unix parent only the low 8 bits
//   layout                               the main window's client size; fails when a
//                                        control reaches outside it
//
// The main window is the visible top-level non-dialog window whose title
// contains the --window text (any, without it). Every wait fails with a
// message naming what it waited for and what is on screen, and exit code 1;
// bad usage gives exit code 2.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "window_query.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPoll = std::chrono::milliseconds(100);
constexpr double kDialogCloseSeconds = 10.0;

struct Failure {
    std::string message;
};

struct Usage {
    std::string message;
};

double Seconds(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || value < 0) throw Usage{"bad time-out: " + text};
    return value;
}

// Polls `ready` until it holds or the time-out passes; false on time-out.
bool WaitFor(double seconds, const std::function<bool()>& ready) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (ready()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPoll);
    }
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void PrintWindows() {
    for (HWND hwnd : e2e::TopLevelWindows()) {
        std::printf("window: class=%s title=%s\n", e2e::ClassOf(hwnd).c_str(),
                    Quote(e2e::WindowTitle(hwnd)).c_str());
        if (e2e::IsDialogClass(hwnd)) {
            std::printf("  text: %s\n", Quote(e2e::DialogText(hwnd)).c_str());
        }
    }
}

[[noreturn]] void TimedOut(const std::string& what, double seconds) {
    std::fprintf(stderr, "ui_driver: time-out after %.1f s waiting for %s; on screen:\n", seconds,
                 what.c_str());
    std::fflush(stderr);
    PrintWindows();
    throw Failure{"time-out: " + what};
}

void PrintSnapshot(const e2e::WindowSnapshot& snap) {
    std::printf("title: %s\n", Quote(snap.title).c_str());
    std::printf("combo.count: %zu\n", snap.comboLines.size());
    std::printf("combo.selected: %d\n", snap.comboSelection);
    for (size_t i = 0; i < snap.comboLines.size(); ++i) {
        std::printf("combo[%zu]: %s\n", i, Quote(snap.comboLines[i]).c_str());
    }
    for (const e2e::ControlInfo& c : snap.controls) {
        const char* shown = c.visible ? "" : " hidden";
        if (e2e::IsClass(c, "Static")) {
            std::printf("static: %s%s\n", Quote(c.text).c_str(), shown);
        } else if (e2e::IsClass(c, "Button")) {
            std::printf("button: %s %s%s\n", Quote(c.text).c_str(),
                        c.enabled ? "enabled" : "disabled", shown);
        }
    }
    if (snap.progressPosition) {
        std::printf("progress: %d/%d\n", *snap.progressPosition, *snap.progressMax);
    }
}

// What a program of this prefix learns from the version query: a run set to
// the older family must show platform 1 here.
void PrintOsVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) throw Failure{"GetVersionExA failed"};
    std::printf("platform: %lu\nversion: %lu.%lu\n", info.dwPlatformId, info.dwMajorVersion,
                info.dwMinorVersion);
}

class Driver {
public:
    explicit Driver(std::string windowTitle) : windowTitle_(std::move(windowTitle)) {}

    HWND MainWindow() const {
        HWND hwnd = e2e::FindMainWindow(windowTitle_);
        if (!hwnd) throw Failure{"no main window titled " + Quote(windowTitle_)};
        return hwnd;
    }

    void WaitWindow(const std::string& title, double seconds) {
        HWND found = nullptr;
        if (!WaitFor(seconds, [&] { return (found = e2e::FindMainWindow(title)) != nullptr; })) {
            TimedOut("a main window titled " + Quote(title), seconds);
        }
        std::printf("window: %s\n", Quote(e2e::WindowTitle(found)).c_str());
    }

    void ReadTexts() {
        HWND hwnd = MainWindow();
        std::optional<e2e::WindowSnapshot> snap;
        if (!WaitFor(5.0, [&] { return (snap = e2e::Snapshot(hwnd)).has_value(); })) {
            TimedOut("the main window to answer", 5.0);
        }
        PrintSnapshot(*snap);
    }

    void WaitText(const std::string& text, double seconds) {
        std::optional<e2e::WindowSnapshot> snap;
        auto shows = [&] {
            HWND hwnd = e2e::FindMainWindow(windowTitle_);
            if (!hwnd || !(snap = e2e::Snapshot(hwnd))) return false;
            for (const e2e::ControlInfo& c : snap->controls) {
                if (c.visible && c.text.find(text) != std::string::npos) return true;
            }
            for (const std::string& line : snap->comboLines) {
                if (line.find(text) != std::string::npos) return true;
            }
            return false;
        };
        if (!WaitFor(seconds, shows)) {
            if (snap) PrintSnapshot(*snap);
            TimedOut("the text " + Quote(text) + " in the main window", seconds);
        }
        std::printf("text: %s\n", Quote(text).c_str());
    }

    void WaitProgress(int position, double seconds) {
        int seen = -1;
        auto reached = [&] {
            HWND hwnd = e2e::FindMainWindow(windowTitle_);
            auto snap = hwnd ? e2e::Snapshot(hwnd) : std::nullopt;
            if (!snap || !snap->progressPosition) return false;
            seen = *snap->progressPosition;
            return seen >= position;
        };
        if (!WaitFor(seconds, reached)) {
            TimedOut("progress position " + std::to_string(position) + " (last seen " +
                         std::to_string(seen) + ")",
                     seconds);
        }
        std::printf("progress: %d\n", seen);
    }

    void Click(const std::string& label) {
        HWND button = e2e::FindButton(MainWindow(), label);
        if (!button) throw Failure{"the main window has no button " + Quote(label)};
        if (!IsWindowEnabled(button)) throw Failure{"the button " + Quote(label) + " is disabled"};
        // Posted, not sent: the click handler may open a modal dialog, and a
        // sent message would only return once that dialog was closed.
        PostMessageA(button, BM_CLICK, 0, 0);
        std::printf("clicked: %s\n", Quote(label).c_str());
    }

    // Opening the list shows every line at once; it selects nothing, so the
    // window's change handler does not run.
    void DropList(bool open) {
        for (const e2e::ControlInfo& c : e2e::Controls(MainWindow())) {
            if (!e2e::IsClass(c, "ComboBox")) continue;
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(c.hwnd, CB_SHOWDROPDOWN, open ? TRUE : FALSE, 0, SMTO_BLOCK, 5000,
                                     &result)) {
                throw Failure{"the drive list did not answer"};
            }
            std::printf("list: %s\n", open ? "open" : "closed");
            return;
        }
        throw Failure{"the main window has no list"};
    }

    void WaitDialog(const std::string& caption, const std::string& text, double seconds) {
        HWND dialog = nullptr;
        if (!WaitFor(seconds, [&] { return (dialog = e2e::FindDialog(caption, text)) != nullptr; })) {
            TimedOut("a dialog " + Quote(caption) + " containing " + Quote(text), seconds);
        }
        std::printf("dialog: %s\n", Quote(caption).c_str());
        std::printf("text: %s\n", Quote(e2e::DialogText(dialog)).c_str());
        for (const e2e::ControlInfo& c : e2e::Controls(dialog)) {
            if (e2e::IsClass(c, "Button")) std::printf("button: %s\n", Quote(c.text).c_str());
        }
    }

    void PressDialogButton(const std::string& caption, const std::string& label, double seconds) {
        HWND dialog = nullptr;
        if (!WaitFor(seconds, [&] { return (dialog = e2e::FindDialog(caption, "")) != nullptr; })) {
            TimedOut("a dialog " + Quote(caption), seconds);
        }
        HWND button = e2e::FindButton(dialog, label);
        if (!button) {
            PrintWindows();
            throw Failure{"the dialog " + Quote(caption) + " has no button " + Quote(label)};
        }
        PostMessageA(button, BM_CLICK, 0, 0);
        if (!WaitFor(kDialogCloseSeconds, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) {
            TimedOut("the dialog " + Quote(caption) + " to close after " + Quote(label),
                     kDialogCloseSeconds);
        }
        std::printf("pressed: %s %s\n", Quote(caption).c_str(), Quote(label).c_str());
    }

    // At a higher DPI every control must still lie wholly inside the client
    // area: a layout scaled in one place and not another shows as a control
    // pushed past the edge.
    void Layout() {
        HWND main = MainWindow();
        RECT client{};
        GetClientRect(main, &client);
        std::printf("client: %ldx%ld\n", client.right, client.bottom);
        for (const e2e::ControlInfo& c : e2e::Controls(main)) {
            if (!c.visible) continue;
            RECT r{};
            GetWindowRect(c.hwnd, &r);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
            std::printf("control: %s %s at %ld,%ld size %ldx%ld\n", c.className.c_str(), Quote(c.text).c_str(),
                        r.left, r.top, r.right - r.left, r.bottom - r.top);
            if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom) {
                throw Failure{"the control " + Quote(c.text) + " reaches outside the window"};
            }
        }
    }

    void WaitExit(double seconds) {
        if (!WaitFor(seconds, [&] { return e2e::FindMainWindow(windowTitle_) == nullptr; })) {
            TimedOut("the main window titled " + Quote(windowTitle_) + " to go away", seconds);
        }
        std::printf("gone: %s\n", Quote(windowTitle_).c_str());
    }

private:
    std::string windowTitle_;
};

// Quotes each argument as the C runtime splits a command line: enough for
// paths with blanks, which is all the scenarios pass.
void RunProgram(const std::vector<std::string>& program) {
    std::string line;
    for (const std::string& arg : program) line += (line.empty() ? "\"" : " \"") + arg + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        throw Failure{"cannot start " + line + " (error " + std::to_string(GetLastError()) + ")"};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit code: %lu\n", static_cast<unsigned long>(code));
}

int Run(std::vector<std::string> args) {
    std::string windowTitle;
    if (args.size() >= 2 && args[0] == "--window") {
        windowTitle = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) throw Usage{"no command"};
    const std::string command = args[0];
    const size_t count = args.size() - 1;
    auto need = [&](size_t n) {
        if (count != n) throw Usage{command + " takes " + std::to_string(n) + " arguments"};
    };
    Driver driver(windowTitle);
    if (command == "list-windows") {
        need(0);
        PrintWindows();
    } else if (command == "wait-window") {
        need(2);
        driver.WaitWindow(args[1], Seconds(args[2]));
    } else if (command == "read-texts") {
        need(0);
        driver.ReadTexts();
    } else if (command == "wait-text") {
        need(2);
        driver.WaitText(args[1], Seconds(args[2]));
    } else if (command == "wait-progress") {
        need(2);
        driver.WaitProgress(std::atoi(args[1].c_str()), Seconds(args[2]));
    } else if (command == "click") {
        need(1);
        driver.Click(args[1]);
    } else if (command == "drop-list") {
        need(1);
        if (args[1] != "1" && args[1] != "0") throw Usage{"drop-list takes 1 or 0"};
        driver.DropList(args[1] == "1");
    } else if (command == "wait-dialog") {
        need(3);
        driver.WaitDialog(args[1], args[2], Seconds(args[3]));
    } else if (command == "press-dialog-button") {
        if (count != 2 && count != 3) throw Usage{command + " takes 2 or 3 arguments"};
        driver.PressDialogButton(args[1], args[2], count == 3 ? Seconds(args[3]) : 10.0);
    } else if (command == "wait-exit") {
        need(1);
        driver.WaitExit(Seconds(args[1]));
    } else if (command == "layout") {
        need(0);
        driver.Layout();
    } else if (command == "os-version") {
        need(0);
        PrintOsVersion();
    } else if (command == "run") {
        if (count < 1) throw Usage{"run takes a program and its arguments"};
        RunProgram(std::vector<std::string>(args.begin() + 1, args.end()));
    } else {
        throw Usage{"unknown command " + command};
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        int rc = Run(std::vector<std::string>(argv + 1, argv + argc));
        std::fflush(stdout);
        return rc;
    } catch (const Usage& usage) {
        std::fprintf(stderr, "ui_driver: %s (see the comment at the top of ui_driver.cpp)\n",
                     usage.message.c_str());
        return 2;
    } catch (const Failure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "ui_driver: FAILED: %s\n", failure.message.c_str());
        return 1;
    }
}
