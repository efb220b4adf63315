// ITaskbarList3 where the shell has it (7 and later); nothing elsewhere.
#include "src/framework/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace fw::win32 {

namespace {
// Declared here so that no import library has to carry them.
constexpr CLSID kTaskbarList = {
    0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
constexpr IID kTaskbarList3 = {
    0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};
}  // namespace

TaskbarProgress::TaskbarProgress()
    : comStarted_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

TaskbarProgress::~TaskbarProgress() {
    if (taskbar_) taskbar_->Release();
    if (comStarted_) CoUninitialize();
}

ITaskbarList3* TaskbarProgress::Taskbar() {
    if (tried_) return taskbar_;
    tried_ = true;
    void* object = nullptr;
    if (FAILED(CoCreateInstance(kTaskbarList, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3,
                                &object)))
        return nullptr;
    taskbar_ = static_cast<ITaskbarList3*>(object);
    if (FAILED(taskbar_->HrInit())) {
        taskbar_->Release();
        taskbar_ = nullptr;
    }
    return taskbar_;
}

void TaskbarProgress::Show(HWND window, int position, int max, bool failed) {
    if (!window) return;
    ITaskbarList3* taskbar = Taskbar();
    if (!taskbar) return;
    if (position <= 0 && !failed) {
        failed_ = false;
        taskbar->SetProgressState(window, TBPF_NOPROGRESS);
        return;
    }
    failed_ = failed_ || failed;
    taskbar->SetProgressState(window, failed_ ? TBPF_ERROR : TBPF_NORMAL);
    if (max > 0)
        taskbar->SetProgressValue(window, static_cast<ULONGLONG>(position),
                                  static_cast<ULONGLONG>(max));
}

}  // namespace fw::win32
