#include "sg_answer.h"

#include <scsi/sg_lib.h>

#include <cerrno>

namespace {

constexpr std::uint8_t kFirstDescriptorFormat = 0x72;
constexpr std::int32_t kFixedLength = 14;            // through ASCQ
constexpr std::int32_t kDescriptorHeaderLength = 4;  // response code, key, ASC, ASCQ

// Either format taken apart by sg3_utils; a buffer too short to hold key,
// ASC and ASCQ counts as none.
std::uint32_t UnpackedSense(const SgIoAnswer& answer) {
    sg_scsi_sense_hdr header{};
    const std::int32_t length = answer.senseLength;
    if (!sg_scsi_normalize_sense(answer.sense.data(), length, &header)) return 0;
    const bool descriptor = header.response_code >= kFirstDescriptorFormat;
    if (length < (descriptor ? kDescriptorHeaderLength : kFixedLength)) return 0;
    return PackSenseCode(header.sense_key, header.asc, header.ascq);
}

CommandResult Verdict(CommandOutcome outcome, double elapsedSeconds) {
    CommandResult result;
    result.outcome = outcome;
    result.elapsedSeconds = elapsedSeconds;
    return result;
}

}  // namespace

std::uint32_t PackSgSense(const SgIoAnswer& answer) {
    const std::uint32_t sense = UnpackedSense(answer);
    return SenseKeyOf(sense) == 0 ? 0 : sense;
}

bool DriveAnswerArrived(const SgIoAnswer& answer) {
    const std::uint16_t driver = answer.driverStatus & kDriverMask;
    return answer.error == 0 && answer.hostStatus == kHostOk && (driver == kDriverOk || driver == kDriverSense);
}

CommandResult JudgeSgIo(const SgIoAnswer& answer, std::uint32_t length, std::uint32_t timeoutSeconds,
                        double elapsedSeconds) {
    using enum CommandOutcome;
    if (elapsedSeconds >= static_cast<double>(timeoutSeconds)) return Verdict(TimedOut, elapsedSeconds);
    if (answer.error != 0) return Verdict(answer.error == ETIMEDOUT ? TimedOut : Failed, elapsedSeconds);
    if (answer.hostStatus != kHostOk) {
        return Verdict(answer.hostStatus == kHostTimeOut ? TimedOut : Failed, elapsedSeconds);
    }
    const std::uint16_t driver = answer.driverStatus & kDriverMask;
    if (driver != kDriverOk && driver != kDriverSense) {
        return Verdict(driver == kDriverTimeOut ? TimedOut : Failed, elapsedSeconds);
    }

    CommandResult result = Verdict(Failed, elapsedSeconds);
    result.sense = PackSgSense(answer);
    result.outcome =
        JudgeAttempt(true, elapsedSeconds, timeoutSeconds, result.sense, ScsiStatusDone(answer.scsiStatus));
    if (result.outcome != Good) return result;
    if (answer.residual < 0 || static_cast<std::uint32_t>(answer.residual) > length) {
        result.outcome = Failed;
        return result;
    }
    result.transferred = length - static_cast<std::uint32_t>(answer.residual);
    return result;
}
