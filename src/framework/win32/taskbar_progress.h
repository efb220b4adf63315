// The progress shown on the window's taskbar button.
#pragma once

#include "src/platform/win32.h"

struct ITaskbarList3;

namespace fw::win32 {

class TaskbarProgress {
public:
    TaskbarProgress();
    ~TaskbarProgress();
    TaskbarProgress(const TaskbarProgress&) = delete;
    TaskbarProgress& operator=(const TaskbarProgress&) = delete;

    // position 0 clears the button; failed turns it red and keeps it so
    // until progress starts over from 0.
    void Show(HWND window, int position, int max, bool failed);

private:
    ITaskbarList3* Taskbar();

    bool comStarted_ = false;
    bool tried_ = false;
    bool failed_ = false;
    ITaskbarList3* taskbar_ = nullptr;
};

}  // namespace fw::win32
