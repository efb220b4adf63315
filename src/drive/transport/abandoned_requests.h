// Where an ASPI request goes that its DriveManager gave up on while the ASPI
// manager still held it.
//
// A request still SS_PENDING when its wait ran out belongs to the ASPI
// manager until it completes, which may be never, or long after the
// DriveManager that sent it was deleted at the end of a run. Completing it,
// the ASPI manager writes the block (status, sense area), writes the data
// buffer the block names (readBuffer for data in), reads SRB_PostProc and
// signals that event, from its own thread and in the library's code. So the
// block, both buffers, the event and the library reference must outlive the
// manager; and since no moment comes at which the ASPI manager is known to be
// done with them (a completed status is written before the event is read and
// signalled), they are never freed. This follows only a command that outlived
// its whole time-out on a drive that never answered, so what is kept is at
// most a few blocks and buffers per process.
#pragma once

#include <cstdint>

#include "../../platform/win32.h"
#include "../../platform/aspi_layout.h"

struct AbandonedAspiRequest {
    SRB_ExecSCSICmd* block;     // allocated apart from its manager, never freed
    HANDLE event;               // the request's completion event, never closed; null when polled
    std::uint8_t* readBuffer;   // the manager's process-heap buffers, never released
    std::uint8_t* writeBuffer;
    HMODULE library;            // the manager's WNASPI32 reference, never released
};

// Takes the request over for the rest of the process. Safe from any thread;
// allocates one small record, and when even that fails the request is still
// never freed, only no longer listed.
void KeepForProcessLifetime(const AbandonedAspiRequest& request);

// How many requests have been kept since the process started.
std::uint32_t KeptAspiRequestCount();
