// How a simulated ASPI manager ends a request: which final status an answer
// gets, and how any status is stored into the caller's block.
#pragma once

#include <atomic>
#include <cstdint>

#include "sim/vdrive/drive.h"
#include "src/platform/aspi_layout.h"

namespace aspisim {

constexpr BYTE kSsInvalidSrb = 0xE0;  // SS_INVALID_SRB: a request the manager cannot take

// The status byte is what a caller without an event polls from its own
// thread: it is written last, and published with release order.
inline void StoreStatus(BYTE& status, BYTE value) {
    std::atomic_ref<BYTE>(status).store(value, std::memory_order_release);
}

// The final SRB_Status: GOOD and CONDITION MET complete (both are success
// statuses); a CHECK CONDITION is an error, or completes where the manager
// reports it that way (its sense area filled all the same); no answer and
// every other status are errors.
inline BYTE FinalStatus(const vdrive::Outcome& outcome, bool checkConditionCompletes) {
    if (!outcome.delivered) return SS_ERR;
    switch (outcome.scsiStatus) {
    case vdrive::kStatusGood:
    case vdrive::kStatusConditionMet: return SS_COMP;
    case vdrive::kStatusCheckCondition: return checkConditionCompletes ? SS_COMP : SS_ERR;
    default: return SS_ERR;
    }
}

}  // namespace aspisim
