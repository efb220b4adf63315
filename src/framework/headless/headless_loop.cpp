// The headless message loop: terminations, timer ticks and the safety limits.
#include "src/framework/headless/headless_loop.h"

#include <algorithm>

#include "src/framework/loop_access.h"
#include "src/platform/win32.h"

namespace fw::headless {

namespace {
// How long the loop waits for a worker before it looks at the limits again.
constexpr std::chrono::milliseconds kWorkerPoll{2};

bool Reached(std::uint32_t now, std::uint32_t due) {
    // Tick counts wrap after 49 days; compare by difference.
    return static_cast<std::int32_t>(now - due) >= 0;
}
}  // namespace

HeadlessLoop::HeadlessLoop() : uiThread_(std::this_thread::get_id()) {}

HeadlessLoop::~HeadlessLoop() = default;

HeadlessLoop* ActiveLoop() {
    return Application ? dynamic_cast<HeadlessLoop*>(&Application->Loop()) : nullptr;
}

bool HeadlessLoop::ThreadStarting(TThread*) {
    if (refusedStarts_ > 0) {
        --refusedStarts_;
        return false;
    }
    std::lock_guard lock(mutex_);
    ++runningThreads_;
    return true;
}

void HeadlessLoop::ThreadNotStarted(TThread*) {
    std::lock_guard lock(mutex_);
    --runningThreads_;
}

void HeadlessLoop::PostTermination(TThread* thread) {
    {
        std::lock_guard lock(mutex_);
        --runningThreads_;
        terminations_.push_back(thread);
    }
    wake_.notify_one();
}

bool HeadlessLoop::DeliverTerminations() {
    bool any = false;
    for (;;) {
        TThread* thread = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (terminations_.empty()) return any;
            thread = terminations_.front();
            terminations_.pop_front();
        }
        // Unlocked: the handler may start new workers or pump messages.
        ++delivered_;
        any = true;
        thread->DeliverTermination();
    }
}

void HeadlessLoop::Post(std::function<void()> call) { posted_.push_back(std::move(call)); }

void HeadlessLoop::PostSessionEndQuery() {
    Post([this] { sessionEndAnswers_.push_back(!Running()); });
}

// Each call is taken off the queue before it runs: it may post again, or
// pump messages itself.
bool HeadlessLoop::DeliverPosted() {
    bool any = false;
    while (!posted_.empty()) {
        std::function<void()> call = std::move(posted_.front());
        posted_.pop_front();
        any = true;
        detail::RaiseEvent(call);
    }
    return any;
}

void HeadlessLoop::TimerChanged(TTimer* timer) {
    std::erase_if(timers_, [timer](const TimerSlot& slot) { return slot.timer == timer; });
    // An interval of 0 never ticks, as with the platform timer it mirrors.
    if (timer->Enabled() && timer->Interval() > 0)
        timers_.push_back({timer, GetTickCount() + timer->Interval()});
}

bool HeadlessLoop::FireDueTimers() {
    const std::uint32_t now = GetTickCount();
    std::vector<TTimer*> due;
    for (const auto& slot : timers_)
        if (Reached(now, slot.due)) due.push_back(slot.timer);
    for (TTimer* timer : due) {
        // An earlier tick may have switched this timer off or freed it.
        auto slot = std::ranges::find(timers_, timer, &TimerSlot::timer);
        if (slot == timers_.end()) continue;
        // One tick per interval that passed, not one per catch-up: the
        // progress bar then follows the simulated clock however coarsely
        // the simulation advances it.
        slot->due += timer->Interval();
        ++ticks_;
        timer->Tick();
    }
    return !due.empty();
}

void HeadlessLoop::ProcessMessages() {
    if (!OnUiThread()) return;
    DeliverPosted();
    DeliverTerminations();
    FireDueTimers();
}

bool HeadlessLoop::WaitForSomething() {
    if (!posted_.empty()) return true;
    {
        std::unique_lock lock(mutex_);
        if (!terminations_.empty()) return true;
        if (runningThreads_ > 0) {
            // Workers drive the simulated clock themselves; advancing it here
            // as well would race the bar ahead of them.
            wake_.wait_for(lock, kWorkerPoll);
            return true;
        }
    }
    if (timers_.empty()) return false;
    const std::uint32_t now = GetTickCount();
    std::uint32_t wait = UINT32_MAX;
    for (const auto& slot : timers_)
        wait = std::min(wait, Reached(now, slot.due) ? 0u : slot.due - now);
    // On the virtual clock this advances time at once.
    Sleep(wait);
    return true;
}

StopReason HeadlessLoop::LimitReached(std::uint32_t startTick,
                                      std::chrono::steady_clock::time_point wallStart) const {
    if (GetTickCount() - startTick > limits.maxTickMs) return StopReason::VirtualTimeLimit;
    if (std::chrono::steady_clock::now() - wallStart > limits.maxWall)
        return StopReason::WallTimeLimit;
    return StopReason::None;
}

void HeadlessLoop::Run() {
    if (!OnUiThread()) throw std::logic_error("Run() outside the UI thread");
    const std::uint32_t startTick = GetTickCount();
    const auto wallStart = std::chrono::steady_clock::now();
    stop_ = StopReason::None;
    for (;;) {
        if (Application && Application->Terminated()) {
            stop_ = StopReason::Terminated;
            return;
        }
        const bool posted = DeliverPosted();
        const bool delivered = DeliverTerminations() || posted;
        const bool ticked = FireDueTimers();
        if (Application && Application->Terminated()) continue;
        if (const StopReason limit = LimitReached(startTick, wallStart);
            limit != StopReason::None) {
            stop_ = limit;
            return;
        }
        if (!delivered && !ticked && !WaitForSomething()) {
            stop_ = StopReason::Idle;
            return;
        }
    }
}

}  // namespace fw::headless
