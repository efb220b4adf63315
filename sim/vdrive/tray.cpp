// The tray and the disc: START STOP UNIT moves them, GET EVENT STATUS
// NOTIFICATION reports them.
#include <array>

#include "command_set.h"
#include "data_phase.h"
#include "handlers.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

constexpr std::uint8_t kStartBit = 0x01;
constexpr std::uint8_t kLoadEjectBit = 0x02;
constexpr std::uint8_t kPolledBit = 0x01;
constexpr std::uint8_t kMediaClass = 0x10;  // class request bit and supported-classes bit
constexpr std::uint8_t kMediaNotification = 0x04;
constexpr std::uint8_t kNoEventAvailable = 0x80;
constexpr std::uint8_t kTrayOpenBit = 0x01;
constexpr std::uint8_t kMediaPresentBit = 0x02;

Outcome Eject(DriveState& state, const DriveConfig& config) {
    if (state.discPresent && !state.trayOpen && config.ejectLocked) return CheckCondition(kRemovalPrevented);
    state.trayOpen = true;
    if (config.discTakenWhenEjected) state.discPresent = false;
    return Good();
}

Outcome Load(DriveState& state) {
    state.trayOpen = false;
    return Good();
}

Outcome SpinUp(const DriveState& state) {
    if (!state.discPresent || state.trayOpen) return CheckCondition(kNoMedium);
    return Good();
}

}  // namespace

Outcome StartStopUnit(DriveState& state, const DriveConfig& config, const Request& request) {
    if (auto refused = CheckNoData(request)) return *refused;
    const std::uint8_t action = request.cdb[4] & (kLoadEjectBit | kStartBit);
    switch (action) {
    case kLoadEjectBit: return Eject(state, config);
    case kLoadEjectBit | kStartBit: return Load(state);
    case kStartBit: return SpinUp(state);
    default: return Good();  // stop the spindle
    }
}

Outcome GetEventStatus(const DriveState& state, const DriveConfig& config, const Request& request) {
    if (!config.eventStatusSupported) return CheckCondition(kInvalidOpcode);
    if ((request.cdb[1] & kPolledBit) == 0) return CheckCondition(kInvalidFieldInCdb);  // no asynchronous mode
    const std::uint32_t allocation = Be16(&request.cdb[7]);

    if ((request.cdb[4] & kMediaClass) == 0) {
        const std::array<std::uint8_t, 4> header{0x00, 0x02, kNoEventAvailable, kMediaClass};
        return SendIn(request, header, allocation);
    }
    std::array<std::uint8_t, 8> reply{};
    reply[1] = 0x06;  // event descriptor length after bytes 0-1
    reply[2] = kMediaNotification;
    reply[3] = kMediaClass;
    reply[5] = static_cast<std::uint8_t>((state.trayOpen ? kTrayOpenBit : 0) |
                                         (state.discPresent ? kMediaPresentBit : 0));
    return SendIn(request, reply, allocation);
}

}  // namespace vdrive::detail
