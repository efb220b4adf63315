// Waiting for a drive to become ready, and the tests built on it.
#include "drive_commands.h"

namespace {

constexpr DWORD kPollIntervalMs = 300;
constexpr int kUnitAttentionLimit = 100;

bool StillBecomingReady(const DriveSession& m) {
    return SenseIs(m, kLogicalUnitNotReady) || SenseKeyIs(m, kSenseKeyUnitAttention);
}

// Seconds since the wait began. Without a high-resolution counter the
// stopwatch reads 0 for ever, so the tick count measures the wait instead
// and a never-ready drive still ends it.
class WaitClock {
public:
    explicit WaitClock(Stopwatch& stopwatch) : stopwatch_(stopwatch), startTick_(GetTickCount()) {}
    double Seconds() {
        if (!stopwatch_.Unavailable()) return stopwatch_.ElapsedSinceStart();
        return static_cast<double>(GetTickCount() - startTick_) / 1000.0;
    }

private:
    Stopwatch& stopwatch_;
    DWORD startTick_;
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
        Sleep(kPollIntervalMs);
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
