#include "system_power.h"

#include "../framework/framework.h"
#include "../platform/win32.h"
#include "run_log.h"

namespace {

constexpr BYTE kAdapterOffline = 0;
constexpr BYTE kAdapterOnline = 1;
constexpr BYTE kNoSystemBattery = 128;
constexpr BYTE kUnknown = 255;
constexpr BYTE kFullPercent = 100;

}  // namespace

PowerState ReadSystemPowerState() {
    SYSTEM_POWER_STATUS status{};
    if (!GetSystemPowerStatus(&status)) return {};
    PowerState state;
    if (status.BatteryLifePercent <= kFullPercent) state.batteryPercent = status.BatteryLifePercent;
    if (status.ACLineStatus == kAdapterOnline) {
        state.source = PowerSource::Mains;
    } else if (status.BatteryFlag != kUnknown && (status.BatteryFlag & kNoSystemBattery) != 0) {
        state.source = PowerSource::NoBattery;
    } else if (status.ACLineStatus == kAdapterOffline) {
        state.source = PowerSource::Battery;
    }
    return state;
}

bool WindowPowerCheck() {
    const PowerState state = ReadSystemPowerState();
    const PowerJudgement judgement = JudgePower(state);
    LogLine("power: " + PowerStateText(state));
    if (judgement.verdict == PowerVerdict::Go) return true;
    LogLine(judgement.text);
    const bool refused = judgement.verdict == PowerVerdict::Refuse;
    fw::MessageDlg(judgement.text, refused ? fw::DialogKind::Error : fw::DialogKind::Warning, fw::DialogButtons::Ok);
    return !refused;
}
