#include "sg_answer.h"

#include <cerrno>

namespace {

constexpr std::uint8_t kResponseCodeMask = 0x7F;
constexpr std::uint8_t kFixedCurrent = 0x70;
constexpr std::uint8_t kFixedDeferred = 0x71;
constexpr std::uint8_t kDescriptorCurrent = 0x72;
constexpr std::uint8_t kDescriptorDeferred = 0x73;
constexpr std::uint32_t kDescriptorHeaderLength = 4;  // response code, key, ASC, ASCQ

std::uint32_t UnpackedSense(const SgIoAnswer& answer) {
    const std::uint8_t* s = answer.sense.data();
    const std::uint32_t length = answer.senseLength;
    if (length == 0) return 0;
    switch (s[0] & kResponseCodeMask) {
        case kFixedCurrent:
        case kFixedDeferred: return PackSense(s, length);
        case kDescriptorCurrent:
        case kDescriptorDeferred: return length < kDescriptorHeaderLength ? 0 : PackSenseCode(s[1], s[2], s[3]);
        default: return 0;
    }
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
