// The high-resolution counter (10 MHz), the tick count and Sleep.
#include "machine_state.h"

namespace {

constexpr LONGLONG kCounterFrequency = 10'000'000;
constexpr LONGLONG kNanosPerTick = 1'000'000'000 / kCounterFrequency;

}  // namespace

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    const bool available = sim::machine().state().clock.Mode() != sim::ClockMode::NoCounter;
    if (frequency) frequency->QuadPart = available ? kCounterFrequency : 0;
    return available && frequency ? TRUE : FALSE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    auto& clock = sim::machine().state().clock;
    if (!count) return FALSE;
    if (clock.Mode() == sim::ClockMode::NoCounter) {
        count->QuadPart = 0;
        return FALSE;
    }
    count->QuadPart = clock.Read() / kNanosPerTick;
    return TRUE;
}

// Milliseconds since boot, wrapping after 49.7 days as the platform's does.
DWORD WINAPI GetTickCount() {
    return static_cast<DWORD>(sim::machine().state().clock.Read() / 1'000'000);
}

void WINAPI Sleep(DWORD milliseconds) {
    sim::machine().state().clock.Spend(std::int64_t{milliseconds} * 1'000'000);
}
