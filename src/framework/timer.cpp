// The timer: an interval and an on/off switch; the back end does the ticking.
#include "src/framework/framework.h"
#include "src/framework/loop_access.h"

namespace fw {

TTimer::TTimer(TForm* owner, unsigned intervalMs) : owner_(owner), interval_(intervalMs) {}

TTimer::~TTimer() {
    // The back end must forget a timer before it goes, or a pending tick
    // would reach a dead object.
    SetEnabled(false);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (auto* loop = detail::CurrentLoop()) loop->TimerChanged(this);
}

void TTimer::Tick() {
    if (enabled_ && OnTimer) detail::RaiseEvent([this] { OnTimer(this); });
}

}  // namespace fw
