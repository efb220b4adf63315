// Modal message dialogs and platform message boxes.
#include "src/framework/win32/win32_loop.h"

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

int Win32Loop::ShowMessageBox(const std::string& text, const std::string& caption,
                              unsigned flags) {
    HWND owner = DialogOwner();
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags | (owner ? 0 : MB_TASKMODAL));
}

}  // namespace fw::win32
