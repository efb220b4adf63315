// Readiness: unit attentions, becoming ready, and the medium check that
// TEST UNIT READY answers.
#include <chrono>

#include "command_set.h"
#include "data_phase.h"
#include "handlers.h"
#include "sense.h"

namespace vdrive::detail {

namespace {

bool StillBecomingReady(DriveState& state, const DriveConfig& config) {
    const double now = ClockSeconds(config);
    if (++state.readinessPolls == 1) state.firstPollSeconds = now;
    if (config.neverReady) return true;
    if (state.readinessPolls <= config.becomingReadyPolls) return true;
    // Only a drive configured to take time consults the clock: on i686 the
    // difference of two equal readings, one still in an x87 register, can
    // come out just below zero and would make a ready drive report 2/04/01.
    return config.becomingReadySeconds > 0.0 && now - state.firstPollSeconds < config.becomingReadySeconds;
}

}  // namespace

double ClockSeconds(const DriveConfig& config) {
    if (config.clock) return config.clock();
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count();
}

// As on MMC drives, INQUIRY and GET EVENT STATUS NOTIFICATION answer
// through a pending unit attention; every other command reports it.
std::optional<Outcome> TakeUnitAttention(DriveState& state, const DriveConfig& config, const Request& request) {
    const std::uint8_t opcode = request.cdb[0];
    if (opcode == kOpInquiry || opcode == kOpGetEventStatus) return std::nullopt;
    if (config.unitAttentionForever) return CheckCondition(kPowerOnReset);
    if (!state.unitAttentionPending) return std::nullopt;
    state.unitAttentionPending = false;
    return CheckCondition(kPowerOnReset);
}

Outcome TestUnitReady(DriveState& state, const DriveConfig& config, const Request& request) {
    if (auto refused = CheckNoData(request)) return *refused;
    if (StillBecomingReady(state, config)) return CheckCondition(kBecomingReady);
    if (!state.discPresent || state.trayOpen) return CheckCondition(kNoMedium);
    return Good();
}

}  // namespace vdrive::detail
