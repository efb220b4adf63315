// The device control requests a CD-ROM device answers. Each handler works on
// a copy of the device's configuration and is called without the machine lock.
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
IoctlResult RunPassThrough(const CdromDevice& device, void* in, DWORD inSize, void* out,
                           DWORD outSize);

}  // namespace sim
