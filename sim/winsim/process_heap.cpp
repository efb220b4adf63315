// The process heap. Blocks are tracked so tests can prove a caller frees
// what it takes; without HEAP_ZERO_MEMORY a block is filled with a pattern,
// so code that relies on zeroed memory it did not ask for shows up.
#include <cstdlib>
#include <cstring>

#include "machine_state.h"

namespace {
constexpr int kUninitialisedFill = 0xBA;
}

HANDLE WINAPI GetProcessHeap() {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    return s.heapNull ? nullptr : sim::ProcessHeapHandle();
}

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (heap != sim::ProcessHeapHandle() || s.heapAllocFails) return nullptr;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (!block) return nullptr;
    std::memset(block, (flags & HEAP_ZERO_MEMORY) ? 0 : kUninitialisedFill, bytes);
    s.heapBlocks[block] = bytes;
    return block;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (heap != sim::ProcessHeapHandle()) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!memory) return TRUE;
    const auto found = s.heapBlocks.find(memory);
    if (found == s.heapBlocks.end()) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::free(memory);
    s.heapBlocks.erase(found);
    return TRUE;
}
