// What the two transports of Execute share: the buffer a command names, the
// checks before anything is sent, and the result record of an attempt.
#pragma once

#include <cstdint>

class DriveManager;

enum class Verdict : std::uint8_t { Good, CheckCondition, Failed };

// writeBuffer for data out, readBuffer for data in; none without a data phase.
std::uint8_t* CommandBuffer(DriveManager& m, std::uint8_t direction, std::uint32_t length);

// Zeroes the first `length` bytes of readBuffer before a data-in attempt. A
// drive may answer with fewer bytes than asked for (and ASPI does not say how
// many arrived): what an earlier reply left there must not be read as part
// of this one, as a chip ID or an identity.
void ClearReplyArea(DriveManager& m, std::uint8_t direction, std::uint32_t length);

// False when the manager has no buffers, the direction is not one of the
// three, or the length would run past a 64 KB buffer.
bool CanCarry(const DriveManager& m, std::uint8_t direction, std::uint32_t length);

// Records a command that never reached the transport as failed (lastStatus 0,
// no sense) and returns 0.
std::uint8_t RecordNotSent(DriveManager& m, const std::uint8_t* cdb);

// Records the block, the attempt's time (too slow when it reached
// timeoutSeconds) and the fixed-format sense data
// (key: byte 2 low nibble, ASC: byte 12, ASCQ: byte 13); null sense counts as
// none.
void RecordAttempt(DriveManager& m, const std::uint8_t* cdb, const std::uint8_t* sense);

// Writes lastStatus and lastTransferLength for the verdict; returns 1 only
// for a good one.
std::uint8_t Conclude(DriveManager& m, Verdict verdict, std::uint32_t transferred);

// A plain failure is sent once more only while retrying is enabled, on the
// first attempt, and when the attempt did not already use up the time-out.
bool MayRetry(const DriveManager& m, int attempt);
