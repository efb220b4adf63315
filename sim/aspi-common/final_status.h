// How a simulated ASPI manager ends a request its drive answered, shared by
// the host build's machine (sim/winsim) and the Wine DLL (sim/aspi-dll) so
// that both mean the same by each status.
#pragma once

#include <cstdint>

#include "sim/vdrive/drive.h"
#include "src/platform/aspi_layout.h"

namespace aspisim {

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
