#include "stopwatch.h"

#include "../platform/time_and_memory.h"

Stopwatch::Stopwatch() {
    frequency = platform::HighResolutionFrequency();
    if (frequency <= 0) {
        unavailable = 1;
        return;
    }
    // An empty run measures what one start/stop pair costs; every later run
    // has it taken off, so short commands are not timed longer than they took.
    startCount = ReadCounter();
    Stop();
    overhead = accumulated;
    startCount = 0;
    lastCount = 0;
    accumulated = 0;
}

Stopwatch::~Stopwatch() {
    if (!unavailable && startCount != 0) Stop();
}

std::int64_t Stopwatch::ReadCounter() const { return platform::HighResolutionCount(); }

void Stopwatch::Start(bool reset) {
    if (unavailable) return;
    if (reset) Reset();
    startCount = ReadCounter();
}

void Stopwatch::Stop() {
    if (unavailable) return;
    lastCount = ReadCounter();
    accumulated += lastCount - startCount - overhead;
    startCount = 0;
}

void Stopwatch::Reset() {
    if (startCount != 0) Stop();
    accumulated = 0;
}

double Stopwatch::ElapsedSinceStart() {
    if (unavailable || startCount == 0) return 0.0;
    lastCount = ReadCounter();
    return static_cast<double>(lastCount - startCount - overhead) / static_cast<double>(frequency);
}

double Stopwatch::Elapsed() const {
    if (unavailable) return 0.0;
    return static_cast<double>(accumulated) / static_cast<double>(frequency);
}
