#include "power_check.h"

namespace {

std::string Percent(const PowerState& state) {
    return state.batteryPercent ? std::to_string(*state.batteryPercent) + " %" : "level unknown";
}

}  // namespace

PowerJudgement JudgePower(const PowerState& state) {
    if (state.source != PowerSource::Battery) return {};
    if (state.batteryPercent && *state.batteryPercent < kMinimumBatteryPercent) {
        return {PowerVerdict::Refuse,
                "The computer is running on battery (" + Percent(state) + "): flashing needs at least " +
                    std::to_string(kMinimumBatteryPercent) +
                    " % or the power adapter. Connect the adapter and start the update again."};
    }
    return {PowerVerdict::Warn, "The computer is running on battery (" + Percent(state) +
                                    "). Keep it running until the update ends: a drive that loses power while "
                                    "it is flashed can be left unusable."};
}

std::string PowerStateText(const PowerState& state) {
    switch (state.source) {
        case PowerSource::Mains: return "on mains power";
        case PowerSource::Battery: return "on battery (" + Percent(state) + ")";
        case PowerSource::NoBattery: return "no battery";
        case PowerSource::Unknown: break;
    }
    return "unknown";
}
