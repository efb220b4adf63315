// Waiting for a drive to become ready, and the tests built on it.
#include "drive_commands.h"

#include "../platform/time_and_memory.h"

namespace {

constexpr std::uint32_t kPollIntervalMs = 300;
constexpr int kUnitAttentionLimit = 100;

bool StillBecomingReady(const DriveSession& m) {
    return SenseIs(m, kLogicalUnitNotReady) || SenseKeyIs(m, kSenseKeyUnitAttention);
}

// Seconds since the wait began. Without a high-resolution counter the
// stopwatch reads 0 for ever, so the tick count measures the wait instead
// and a never-ready drive still ends it.
class WaitClock {
public:
    explicit WaitClock(Stopwatch& stopwatch) : stopwatch_(stopwatch), startTick_(platform::TickMilliseconds()) {}
    double Seconds() {
        if (!stopwatch_.Unavailable()) return stopwatch_.ElapsedSinceStart();
        return static_cast<double>(platform::TickMilliseconds() - startTick_) / 1000.0;
    }

private:
    Stopwatch& stopwatch_;
    std::uint32_t startTick_;
};

}  // namespace

std::uint8_t WaitReady(DriveSession& m, std::int32_t timeoutSeconds) {
    const bool limited = timeoutSeconds > 0;
    if (limited) m.waitTimer.Start(true);
    WaitClock clock(m.waitTimer);
    bool gaveUp = false;
    TestUnitReady(m);
    while (StillBecomingReady(m)) {
        if (limited && clock.Seconds() >= timeoutSeconds) {
            gaveUp = true;
            break;
        }
        platform::SleepMilliseconds(kPollIntervalMs);
        TestUnitReady(m);
    }
    TestUnitReady(m);  // its sense stays for the caller to test
    if (limited) m.waitTimer.Stop();
    return gaveUp ? 0 : 1;
}

std::uint8_t IsMediumAbsent(DriveSession& m) {
    WaitReady(m, 30);
    return SenseIs(m, kMediumNotPresent);
}

// A drive reports a unit attention once and then clears it; one that keeps
// reporting it would hold the caller for ever, so the loop gives up after a
// bounded number of commands.
void ClearUnitAttention(DriveSession& m) {
    for (int sent = 0; sent < kUnitAttentionLimit; ++sent) {
        if (TestUnitReady(m) || !SenseKeyIs(m, kSenseKeyUnitAttention)) return;
    }
}
