// What the headless window asks of the platform: dialogs, message boxes and
// the system menu.
#include "src/framework/headless/headless_loop.h"

#include "src/platform/win32.h"

namespace fw::headless {

namespace {
std::vector<std::string> StandardSystemMenu() {
    return {"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "", "&Close\tAlt+F4"};
}

bool Fits(Answer answer, DialogButtons buttons) {
    return buttons == DialogButtons::Ok ? answer == Answer::Ok : answer != Answer::Ok;
}
}  // namespace

void HeadlessLoop::Script(std::initializer_list<Answer> answers) {
    script_.insert(script_.end(), answers);
}

// What the platform's modal loop does while the user reads the dialog: the
// same deliveries as Run(), until the test lets the user answer.
void HeadlessLoop::DispatchWhileUp(const DialogRecord& record) {
    const auto wallStart = std::chrono::steady_clock::now();
    for (;;) {
        ProcessMessages();
        if (!HoldDialog || !HoldDialog(record)) return;
        if (std::chrono::steady_clock::now() - wallStart > limits.maxWall)
            throw ScenarioHung("a dialog held past the wall-time limit: " + record.text);
        if (!WaitForSomething())
            throw ScenarioHung("a dialog held with nothing left to happen: " + record.text);
    }
}

Answer HeadlessLoop::TakeAnswer(DialogButtons buttons, bool& scripted, bool& misfit) {
    const Answer unscripted = buttons == DialogButtons::Ok ? Answer::Ok : Answer::No;
    scripted = !script_.empty();
    misfit = false;
    if (!scripted) return unscripted;
    const Answer answer = script_.front();
    script_.pop_front();
    misfit = !Fits(answer, buttons);
    return misfit ? unscripted : answer;
}

bool HeadlessLoop::ShowDialog(DialogKind kind, const std::string& text, DialogButtons buttons) {
    return Show(DialogRecord{kind, text, buttons, Answer::Ok, false, false});
}

bool HeadlessLoop::ShowDialogWithFootnote(DialogKind kind, const std::string& text, DialogButtons buttons,
                                          const std::string& footnote) {
    return Show(DialogRecord{kind, text, buttons, Answer::Ok, false, false, footnote});
}

bool HeadlessLoop::Show(DialogRecord record) {
    if (dialogs_.size() >= limits.maxDialogs)
        throw ScenarioHung("more than " + std::to_string(limits.maxDialogs) + " dialogs");
    if (OnDialog) OnDialog(record);
    if (dialogsDispatch) DispatchWhileUp(record);
    record.answer = TakeAnswer(record.buttons, record.scripted, record.misfit);
    dialogs_.push_back(record);
    return record.answer == Answer::Yes;
}

int HeadlessLoop::ShowMessageBox(const std::string& text, const std::string& caption,
                                 unsigned flags) {
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

void HeadlessLoop::FormCreated(TForm* form) {
    if (formsHaveMenu_) menus_[form] = StandardSystemMenu();
}

void HeadlessLoop::FormDestroyed(TForm* form) { menus_.erase(form); }

std::vector<std::string> HeadlessLoop::SystemMenu(const TForm* form) const {
    const auto menu = menus_.find(form);
    return menu == menus_.end() ? std::vector<std::string>{} : menu->second;
}

bool HeadlessLoop::RemoveSystemMenuItem(TForm* form, int position) {
    const auto menu = menus_.find(form);
    if (menu == menus_.end()) return false;
    auto& items = menu->second;
    if (position < 0 || position >= static_cast<int>(items.size())) return false;
    items.erase(items.begin() + position);
    return true;
}

}  // namespace fw::headless
