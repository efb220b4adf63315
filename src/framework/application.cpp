// The application object and the modal message dialog.
#include "src/framework/framework.h"

#include <stdexcept>
#include <string>

namespace fw {

TApplication* Application = nullptr;

TApplication::TApplication(std::unique_ptr<EventLoop> loop) : loop_(std::move(loop)) {
    if (!loop_) throw std::invalid_argument("TApplication needs an event loop");
    Application = this;
}

TApplication::~TApplication() {
    if (Application == this) Application = nullptr;
}

void TApplication::Run() {
    // A start-up that already asked to end (no firmware, no drive, notice
    // declined) must not show the window at all.
    if (!terminated_) loop_->Run();
}

void TApplication::ShowException(std::exception_ptr exception) {
    std::string message;
    try {
        std::rethrow_exception(exception);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    MessageDlg(message, DialogKind::Error, DialogButtons::Ok);
}

bool MessageDlg(const std::string& text, DialogKind kind, DialogButtons buttons) {
    if (!Application) return false;
    return Application->Loop().ShowDialog(kind, text, buttons);
}

bool MessageDlg(const std::string& text, DialogKind kind, DialogButtons buttons, const std::string& footnote) {
    if (!Application) return false;
    if (footnote.empty()) return Application->Loop().ShowDialog(kind, text, buttons);
    return Application->Loop().ShowDialogWithFootnote(kind, text, buttons, footnote);
}

}  // namespace fw
