#include "sense.h"

namespace vdrive::detail {

Outcome Good(std::uint32_t transferred) {
    Outcome outcome;
    outcome.transferred = transferred;
    return outcome;
}

Outcome CheckCondition(SenseCode sense) {
    Outcome outcome;
    outcome.scsiStatus = kStatusCheckCondition;
    outcome.sense[0] = 0x70;  // current error, fixed format
    outcome.sense[2] = sense.key;
    outcome.sense[7] = static_cast<std::uint8_t>(outcome.sense.size() - 8);  // additional length
    outcome.sense[12] = sense.asc;
    outcome.sense[13] = sense.ascq;
    return outcome;
}

}  // namespace vdrive::detail
