// Program entry: the application object, the main window, the message loop.
#include <exception>

#include "../framework/framework.h"
#include "norvek_main.h"
#include "single_instance.h"

int main() {
    if (!ClaimSingleInstance()) return 0;
    fw::TApplication application(fw::MakeEventLoop());
    // Handlers' exceptions stop at the framework's dispatch; what is left is
    // the window's construction and destruction.
    try {
        TNorvekMain window;
        application.MainForm = &window;
        application.Run();
        application.MainForm = nullptr;
    } catch (...) {
        application.ShowException(std::current_exception());
    }
    return 0;
}
