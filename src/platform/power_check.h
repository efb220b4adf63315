// Whether the machine's power allows a flash, for both editions: each reads
// the power state its own way, and the verdict is reached here, once.
//
// A drive that loses power while it programs its flash can be left without
// working firmware. A machine on mains power (or without a battery at all)
// goes ahead. On battery the flash is refused below kMinimumBatteryPercent
// and goes ahead with a warning at or above it; a battery of unknown level
// gets the warning, since refusing would lock out machines whose gauge does
// not report. A machine that cannot say where its power comes from goes
// ahead without a word: most desktops under a hypervisor say nothing.
#pragma once

#include <optional>
#include <string>

// fwupd's system battery threshold: below it an update is refused unless
// on mains power. A flash here takes about a minute, well inside what 10 %
// gives; 10 % is also where Windows warns of a low battery by default, and
// the system's own critical action (hibernate, shut down) comes lower still.
constexpr int kMinimumBatteryPercent = 10;

enum class PowerSource {
    Unknown,    // the platform cannot say
    Mains,      // on the adapter (charging or full)
    Battery,    // discharging
    NoBattery,  // no system battery: a desktop
};

struct PowerState {
    PowerSource source = PowerSource::Unknown;
    std::optional<int> batteryPercent;  // 0 to 100, when known
};

enum class PowerVerdict { Go, Warn, Refuse };

struct PowerJudgement {
    PowerVerdict verdict = PowerVerdict::Go;
    // For Warn and Refuse: what to tell the user, in one sentence or two.
    std::string text;
};

PowerJudgement JudgePower(const PowerState& state);

// "on mains power", "on battery (57 %)", "no battery", "unknown", for logs.
std::string PowerStateText(const PowerState& state);
