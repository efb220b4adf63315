// Program entry: the application object, the main window, the message loop.
#include <exception>

#include "../framework/framework.h"
#include "norvek_main.h"
#include "single_instance.h"

namespace {

// The standard display of an exception that escaped the window: its message
// in an error dialog; anything that is not a std::exception shows empty.
void ShowException(const char* message) {
    fw::MessageDlg(message, fw::DialogKind::Error, fw::DialogButtons::Ok);
}

}  // namespace

int main() {
    if (!ClaimSingleInstance()) return 0;
    fw::TApplication application(fw::MakeEventLoop());
    try {
        TNorvekMain window;
        application.MainForm = &window;
        application.Run();
        application.MainForm = nullptr;
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("");
    }
    return 0;
}
