// The device control requests a CD-ROM device answers. Each handler works on
// a copy of the device's configuration and is called without the machine
// lock, but for the exclusive access request, which changes the device.
#pragma once

#include "machine_state.h"

namespace sim {

struct IoctlResult {
    bool ok = false;
    DWORD error = ERROR_SUCCESS;
    DWORD returned = 0;
};

inline IoctlResult Failure(DWORD error) { return {false, error, 0}; }

IoctlResult AnswerScsiAddress(const CdromDevice& device, void* out, DWORD outSize);
IoctlResult AnswerStorageQuery(const CdromDevice& device, const void* in, DWORD inSize, void* out,
                               DWORD outSize);
// The exclusive access request, under the machine lock: it changes the
// letter's lock state. `handle` is the device handle the request came on.
IoctlResult AnswerExclusiveAccess(DriveLetter& letter, HANDLE handle, const void* in, DWORD inSize,
                                  void* out, DWORD outSize);
// A closed handle gives up the locks it held, as on Windows.
void ReleaseExclusiveLocks(Machine::State& s, HANDLE handle);
// Sends the media polls due by now (Machine::SetMediaPolling); called with
// the machine lock held, which it gives up while the drives answer.
void CatchUpMediaPolling(Machine::State& s, std::unique_lock<std::mutex>& lock);

IoctlResult RunPassThrough(const CdromDevice& device, void* in, DWORD inSize, void* out,
                           DWORD outSize);

}  // namespace sim
