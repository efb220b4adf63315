// The form: caption, its controls, the system menu and the destroy event.
#include "src/framework/framework.h"
#include "src/framework/loop_access.h"

namespace fw {

using detail::CurrentLoop;

TForm::TForm(const char* name, TRect bounds, const std::string& caption)
    : name_(name), bounds_(bounds), caption_(caption) {
    if (auto* loop = CurrentLoop()) loop->FormCreated(this);
}

TForm::~TForm() {
    if (auto* loop = CurrentLoop()) loop->FormDestroyed(this);
}

void TForm::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (auto* loop = CurrentLoop()) loop->FormChanged(this);
}

bool TForm::RemoveSystemMenuItem(int position) {
    auto* loop = CurrentLoop();
    return loop && loop->RemoveSystemMenuItem(this, position);
}

void TForm::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) OnDestroy(this);
}

}  // namespace fw
