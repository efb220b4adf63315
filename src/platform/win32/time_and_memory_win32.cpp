// The time-and-memory seam on Win32: the performance counter, the tick
// count, Sleep and the process heap. Built against the system's headers
// for the Windows program and against the simulated machine's for the host
// tests of it, where the same calls run on the machine's virtual clock.
#include "src/platform/time_and_memory.h"

#include "src/platform/win32.h"

namespace platform {

std::int64_t HighResolutionFrequency() {
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
    return frequency.QuadPart;
}

std::int64_t HighResolutionCount() {
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

std::uint32_t TickMilliseconds() { return GetTickCount(); }

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint8_t* AllocateZeroed(std::size_t bytes) {
    HANDLE heap = GetProcessHeap();
    if (heap == nullptr) return nullptr;
    return static_cast<std::uint8_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes));
}

void FreeZeroed(std::uint8_t* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace platform
