// Execution state and shutdown block reason, both looked up at run time:
// the older system family has neither everywhere.
#include "src/framework/win32/power_guard.h"

#include "src/framework/win32/handles.h"

namespace fw::win32 {

namespace {
void SetExecutionState(EXECUTION_STATE state) {
    using SetState = decltype(&::SetThreadExecutionState);
    static const auto setState = LookUp<SetState>("kernel32.dll", "SetThreadExecutionState");
    if (setState) setState(state);
}
}  // namespace

void PowerGuard::Hold(HWND window) {
    if (held_) return;
    held_ = true;
    SetExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    using Create = decltype(&::ShutdownBlockReasonCreate);
    static const auto create = LookUp<Create>("user32.dll", "ShutdownBlockReasonCreate");
    // Fails on systems that only stub it; refusing WM_QUERYENDSESSION still holds.
    if (window && create && create(window, L"Updating drive firmware. Do not turn off the computer."))
        reasonWindow_ = window;
}

void PowerGuard::Release() {
    if (!held_) return;
    held_ = false;
    SetExecutionState(ES_CONTINUOUS);
    using Destroy = decltype(&::ShutdownBlockReasonDestroy);
    static const auto destroy = LookUp<Destroy>("user32.dll", "ShutdownBlockReasonDestroy");
    if (reasonWindow_ && destroy) destroy(reasonWindow_);
    reasonWindow_ = nullptr;
}

}  // namespace fw::win32
