// The machine clock: the steady clock, or a virtual clock shared by every
// thread that only moves when something spends time on it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "machine.h"

namespace sim {

class MachineClock {
public:
    MachineClock();

    // Starts over in `mode`; the virtual clock restarts at its base time.
    void Reset(ClockMode mode);
    // Changes the mode without letting the reading go back.
    void SetMode(ClockMode mode);
    ClockMode Mode() const { return mode_.load(); }
    bool IsVirtual() const { return Mode() != ClockMode::Real; }

    // Nanoseconds since the machine booted, without advancing anything.
    std::int64_t Now() const;
    // A counter or tick read: on the virtual clock every read costs a
    // microsecond, so a loop that only polls the clock still ends.
    std::int64_t Read();
    // Time spent by the caller (Sleep, a device's latency): the real clock
    // sleeps, the virtual one moves forward.
    void Spend(std::int64_t nanos);
    // Moves the virtual clock forward to `nanos` if it is not there yet.
    void AdvanceTo(std::int64_t nanos);

    // Blocks until the clock reads at least `nanos` or `stop()` turns true.
    // On the virtual clock only other threads' spending gets it there.
    void WaitUntil(std::int64_t nanos, const std::function<bool()>& stop);
    // Wakes WaitUntil callers so they re-check their stop condition.
    void Wake();

private:
    void Notify();

    std::atomic<ClockMode> mode_{ClockMode::Real};
    std::atomic<std::int64_t> virtualNanos_;
    std::chrono::steady_clock::time_point realEpoch_;
    std::mutex mutex_;
    std::condition_variable moved_;
    std::atomic<int> waiters_{0};
};

}  // namespace sim
