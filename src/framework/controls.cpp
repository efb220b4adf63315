// The controls: plain state, with every change reported to the back end.
#include <algorithm>

#include "src/framework/framework.h"
#include "src/framework/loop_access.h"

namespace fw {

using detail::CurrentLoop;

namespace {
void Announce(TControl* control) {
    if (auto* loop = CurrentLoop()) loop->ControlCreated(control);
}
}  // namespace

TControl::TControl(TForm* owner, const char* name, TRect bounds, TFont font)
    : owner_(owner), name_(name), bounds_(bounds), font_(std::move(font)) {
    // The back end hears of the control from the most derived constructor,
    // when it can tell a label from a button.
    if (owner_) owner_->controls_.push_back(this);
}

TControl::~TControl() {
    if (auto* loop = CurrentLoop()) loop->ControlDestroyed(this);
    if (owner_) std::erase(owner_->controls_, this);
}

void TControl::Changed() {
    if (auto* loop = CurrentLoop()) loop->ControlChanged(this);
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Changed();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed();
}

void TControl::SetFontColor(TColor color) {
    if (color == font_.color) return;
    font_.color = color;
    Changed();
}

TLabel::TLabel(TForm* owner, const char* name, TRect bounds, TFont font,
               const std::string& caption)
    : TControl(owner, name, bounds, std::move(font)) {
    SetCaption(caption);
    Announce(this);
}

TBevel::TBevel(TForm* owner, const char* name, TRect bounds) : TControl(owner, name, bounds, {}) {
    Announce(this);
}

TComboBox::TComboBox(TForm* owner, const char* name, TRect bounds, TFont font, int itemHeight)
    : TControl(owner, name, bounds, std::move(font)), itemHeight_(itemHeight) {
    Announce(this);
}

void TComboBox::Clear() {
    items_.clear();
    itemIndex_ = -1;
    Changed();
}

void TComboBox::Add(const std::string& line) {
    items_.push_back(line);
    Changed();
}

void TComboBox::SetItemIndex(int index) {
    // As the list control itself does: an index outside the items selects nothing.
    const int count = static_cast<int>(items_.size());
    itemIndex_ = (index >= 0 && index < count) ? index : -1;
    Changed();
}

void TComboBox::UserSelect(int index) {
    // A disabled list takes no choice, as on screen.
    if (!Enabled()) return;
    SetItemIndex(index);
    if (OnChange) detail::RaiseEvent([this] { OnChange(this); });
}

TProgressBar::TProgressBar(TForm* owner, const char* name, TRect bounds)
    : TControl(owner, name, bounds, {}) {
    Announce(this);
}

void TProgressBar::SetMin(int min) {
    min_ = min;
    if (max_ < min_) max_ = min_;
    SetPosition(position_);
}

void TProgressBar::SetMax(int max) {
    max_ = max;
    if (min_ > max_) min_ = max_;
    SetPosition(position_);
}

void TProgressBar::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    Changed();
    if (auto* loop = CurrentLoop()) loop->ProgressChanged(position_ - min_, max_ - min_, false);
}

void TProgressBar::StepIt() {
    // Stays full instead of wrapping to the start: a bar that restarts while
    // the drive is still programming would look like a second attempt.
    SetPosition(std::min(position_ + step_, max_));
}

TBitBtn::TBitBtn(TForm* owner, const char* name, TRect bounds, TFont font,
                 const std::string& caption, ButtonKind kind)
    : TControl(owner, name, bounds, std::move(font)), kind_(kind) {
    SetCaption(kind == ButtonKind::Close && caption.empty() ? "&Close" : caption);
    Announce(this);
}

void TBitBtn::Click() {
    if (Enabled() && OnClick) detail::RaiseEvent([this] { OnClick(this); });
}

}  // namespace fw
