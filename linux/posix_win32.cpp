// The few Win32 calls the drive session and the flash procedure make (the
// heap for the two buffers, the high-resolution counter, the tick count and
// Sleep), on POSIX, for norvek-flash. The host test build gets them from the
// simulated machine instead; linked as objects into the program, these are
// the ones it uses, and a test checks that no part of the simulation comes
// along.
#include <time.h>

#include <cerrno>
#include <cstdlib>

#include "src/platform/win32.h"

namespace {

constexpr LONGLONG kNanosecondsPerSecond = 1'000'000'000;

LONGLONG MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<LONGLONG>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

// Any non-null value: the C library's heap has no handle of its own.
int gProcessHeap;

}  // namespace

HANDLE WINAPI GetProcessHeap() { return &gProcessHeap; }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    if (heap == nullptr) return nullptr;
    return (flags & HEAP_ZERO_MEMORY) != 0 ? std::calloc(1, bytes) : std::malloc(bytes);
}

BOOL WINAPI HeapFree(HANDLE, DWORD, LPVOID memory) {
    std::free(memory);
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = kNanosecondsPerSecond;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) return FALSE;
    count->QuadPart = MonotonicNanoseconds();
    return TRUE;
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(MonotonicNanoseconds() / 1'000'000); }

void WINAPI Sleep(DWORD milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}
