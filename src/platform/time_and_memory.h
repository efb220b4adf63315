// What the drive session, the stopwatch and the waits of the command set
// and the flash procedure need from the system: a high-resolution
// monotonic counter, a millisecond tick count, a sleep, and zeroed blocks
// for the command buffers.
//
// One implementation per target, chosen by the build (each program links
// exactly one): Win32 for the Windows program (win32/), POSIX for
// norvek-flash and its tests (posix/), and for the host tests of the
// Windows program the Win32 one running on the simulated machine, whose
// clock is virtual. Every function is safe to call from any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Counts per second of HighResolutionCount(); 0 where the system has no
// such counter (the stopwatch then reports itself unavailable).
std::int64_t HighResolutionFrequency();
// A count that only grows, at HighResolutionFrequency() per second.
std::int64_t HighResolutionCount();
// Milliseconds since some fixed point; wraps at 2^32 like the system's tick
// count, so only differences between two readings mean anything.
std::uint32_t TickMilliseconds();
// Gives up the processor for at least `milliseconds` (0: yield).
void SleepMilliseconds(std::uint32_t milliseconds);

// A block of `bytes` zero bytes from the process heap, or null when there
// is none to be had. The caller owns it and gives it back to FreeZeroed.
std::uint8_t* AllocateZeroed(std::size_t bytes);
// Gives a block from AllocateZeroed back; null is ignored.
void FreeZeroed(std::uint8_t* block);

}  // namespace platform
