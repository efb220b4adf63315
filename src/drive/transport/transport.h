// The way commands reach one open drive. An implementation per platform
// interface: Windows SCSI pass-through, an ASPI manager, Linux SG_IO.
//
// Contract, for every implementation:
// - Send makes exactly one attempt. Retrying is the caller's decision (the
//   session retries a plain failure once, when retrying is enabled and the
//   attempt did not use up its time-out); a transport never retries.
// - The command block is always 12 bytes. `buffer` belongs to the caller and
//   must stay valid, and untouched by the caller, until Send returns; for a
//   data-in command the transport writes at most `length` bytes into it, for
//   data out it reads `length` bytes. No data phase: buffer null, length 0.
// - The time-out is in seconds. An attempt that used all of it is TimedOut
//   even when the platform reported success: a port driver may complete a
//   command in the same instant its timer fires, and a drive that slow has
//   not done what was asked in time.
// - The outcome is judged in one place per transport, in this order: the
//   platform call failed (Failed or TimedOut); sense data present
//   (CheckCondition, whatever the status says); GOOD or CONDITION MET (Good);
//   any other status (Failed).
// - Send never throws and takes no lock: a transport is used by one thread
//   at a time (each flash worker owns its drive's).
// - A transport that can no longer send safely (an ASPI request still owned
//   by the manager) answers Failed at once, without touching the drive.
#pragma once

#include <cstdint>

#include "../command_codes.h"
#include "command_result.h"

// Transfer directions, as the Windows pass-through interface numbers them.
constexpr std::uint8_t kDataOut = 0;
constexpr std::uint8_t kDataIn = 1;
constexpr std::uint8_t kNoData = 2;

constexpr std::uint32_t kCdbLength = 12;

struct CommandRequest {
    const std::uint8_t* cdb = nullptr;  // kCdbLength bytes
    std::uint8_t direction = kNoData;
    std::uint8_t* buffer = nullptr;
    std::uint32_t length = 0;
    std::uint32_t timeoutSeconds = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    // True when a drive has been given to send to (an open device, an
    // address); false before selection and after closing. A transport made
    // for one device it already holds is always addressed.
    virtual bool Addressed() const { return true; }
    virtual CommandResult Send(const CommandRequest& request) = 0;
};

// Whether a SCSI status without sense data says the drive did the command:
// GOOD and CONDITION MET only. BUSY, RESERVATION CONFLICT, TASK SET FULL,
// ACA ACTIVE, TASK ABORTED and a CHECK CONDITION whose sense never came all
// mean it did not, and a refused commit taken as done would be reported as
// a finished update.
constexpr bool ScsiStatusDone(std::uint8_t status) {
    return status == wire::kScsiGood || status == wire::kScsiConditionMet;
}

// The verdict every transport reaches on an attempt that came back: the
// attempt's time against the time-out first, then whether the platform call
// worked, then sense data, then the status.
inline CommandOutcome JudgeAttempt(bool callSucceeded, double elapsedSeconds,
                                   std::uint32_t timeoutSeconds, std::uint32_t sense,
                                   bool statusGood) {
    if (elapsedSeconds >= static_cast<double>(timeoutSeconds)) return CommandOutcome::TimedOut;
    if (!callSucceeded) return CommandOutcome::Failed;
    if (SenseKeyOf(sense) != 0) return CommandOutcome::CheckCondition;
    return statusGood ? CommandOutcome::Good : CommandOutcome::Failed;
}
