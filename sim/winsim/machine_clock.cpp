#include "machine_clock.h"

#include <algorithm>
#include <thread>

namespace sim {

namespace {

// A machine that has been up for an hour: counter and tick readings are never
// 0, which the updater's stopwatch takes to mean "not running".
constexpr std::int64_t kBootOffset = 3600LL * 1000 * 1000 * 1000;
constexpr std::int64_t kReadCost = 1000;

}  // namespace

MachineClock::MachineClock() : virtualNanos_(kBootOffset), realEpoch_(std::chrono::steady_clock::now()) {}

void MachineClock::Reset(ClockMode mode) {
    mode_.store(mode);
    virtualNanos_.store(kBootOffset);
    realEpoch_ = std::chrono::steady_clock::now();
    Notify();
}

void MachineClock::SetMode(ClockMode mode) {
    AdvanceTo(Now());
    mode_.store(mode);
    Notify();
}

std::int64_t MachineClock::Now() const {
    if (IsVirtual()) return virtualNanos_.load();
    const auto since = std::chrono::steady_clock::now() - realEpoch_;
    return kBootOffset + std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

std::int64_t MachineClock::Read() {
    if (!IsVirtual()) return Now();
    const std::int64_t now = virtualNanos_.fetch_add(kReadCost) + kReadCost;
    Notify();
    return now;
}

void MachineClock::Spend(std::int64_t nanos) {
    if (nanos <= 0) return;
    if (!IsVirtual()) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(nanos));
        return;
    }
    virtualNanos_.fetch_add(nanos);
    Notify();
}

void MachineClock::AdvanceTo(std::int64_t nanos) {
    std::int64_t current = virtualNanos_.load();
    while (current < nanos && !virtualNanos_.compare_exchange_weak(current, nanos)) {
    }
    Notify();
}

void MachineClock::WaitUntil(std::int64_t nanos, const std::function<bool()>& stop) {
    std::unique_lock lock(mutex_);
    ++waiters_;
    while (!stop() && Now() < nanos) {
        if (IsVirtual()) {
            moved_.wait(lock);
        } else {
            const auto left = std::chrono::nanoseconds(nanos - Now());
            moved_.wait_for(lock, std::min<std::chrono::nanoseconds>(left, std::chrono::milliseconds(50)));
        }
    }
    --waiters_;
}

void MachineClock::Wake() {
    std::lock_guard lock(mutex_);
    moved_.notify_all();
}

// Only threads waiting for a time need waking; counter reads are frequent
// and should not take a lock when nobody waits.
void MachineClock::Notify() {
    if (waiters_.load() == 0) return;
    Wake();
}

}  // namespace sim
