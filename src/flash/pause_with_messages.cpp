#include "../drive/stopwatch.h"
#include "../platform/win32.h"
#include "flash_procedure.h"

namespace {

// The pause runs on a worker thread, which has no messages to dispatch: it
// is a timed wait. Sleeping a millisecond between readings keeps sixteen
// pausing workers from starving the drives whose workers are still
// transferring; the pause still ends by the clock, at one second or a
// scheduler tick after.
void SleepBetweenReadings() { Sleep(1); }

// Without a high-resolution counter the stopwatch reads 0 for ever; the tick
// count still ends the pause. Its whole milliseconds may start just before a
// tick, so one more is waited for to make the pause last at least `seconds`.
void PauseByTickCount(double seconds) {
    const DWORD start = GetTickCount();
    const auto wanted = static_cast<DWORD>(seconds * 1000.0);
    while (GetTickCount() - start <= wanted) SleepBetweenReadings();
}

}  // namespace

void PauseWithMessages(Stopwatch& stopwatch, double seconds) {
    if (stopwatch.Unavailable()) {
        PauseByTickCount(seconds);
        return;
    }
    stopwatch.Start(true);
    while (stopwatch.ElapsedSinceStart() < seconds) SleepBetweenReadings();
    stopwatch.Stop();
}
