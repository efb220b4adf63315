#include "../drive/stopwatch.h"
#include "../platform/time_and_memory.h"
#include "flash_procedure.h"

namespace {

// The pause runs on a worker thread, which has no messages to dispatch: it
// is a timed wait. Sleeping a millisecond between readings keeps sixteen
// pausing workers from starving the drives whose workers are still
// transferring; the pause still ends by the clock, at one second or a
// scheduler tick after.
void SleepBetweenReadings() { platform::SleepMilliseconds(1); }

// Without a high-resolution counter the stopwatch reads 0 for ever; the tick
// count still ends the pause. Its whole milliseconds may start just before a
// tick, so one more is waited for to make the pause last at least `seconds`.
void PauseByTickCount(double seconds) {
    const std::uint32_t start = platform::TickMilliseconds();
    const auto wanted = static_cast<std::uint32_t>(seconds * 1000.0);
    while (platform::TickMilliseconds() - start <= wanted) SleepBetweenReadings();
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
