// The time-and-memory seam on POSIX, for norvek-flash: CLOCK_MONOTONIC in
// nanoseconds for both clocks, nanosleep resumed after a signal, and the C
// library's heap.
#include "src/platform/time_and_memory.h"

#include <time.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::int64_t kNanosecondsPerMillisecond = 1'000'000;

std::int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

}  // namespace

std::int64_t HighResolutionFrequency() { return kNanosecondsPerSecond; }

std::int64_t HighResolutionCount() { return MonotonicNanoseconds(); }

std::uint32_t TickMilliseconds() {
    return static_cast<std::uint32_t>(MonotonicNanoseconds() / kNanosecondsPerMillisecond);
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * kNanosecondsPerMillisecond};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

std::uint8_t* AllocateZeroed(std::size_t bytes) { return static_cast<std::uint8_t*>(std::calloc(1, bytes)); }

void FreeZeroed(std::uint8_t* block) { std::free(block); }

}  // namespace platform
