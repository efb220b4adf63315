// The machine's power as Linux reports it, and the check norvek-flash makes
// with it before it sends anything (the verdict itself is shared with the
// Windows program: src/platform/power_check.h).
//
// UPower first, over the system bus (DBUS_SYSTEM_BUS_ADDRESS where set): its
// DisplayDevice is the battery (or batteries) the desktop shows, and its
// OnBattery says whether the adapter is out. Without UPower (no bus, no
// daemon, a server), the kernel's power_supply class in sysfs: an online
// Mains or USB supply, else a system battery (scope not "Device", so a
// mouse's battery does not count) and its capacity.
#pragma once

#include <filesystem>
#include <optional>

#include "console.h"
#include "program_context.h"
#include "run_report.h"
#include "src/platform/power_check.h"

namespace nflash {

// Nothing when UPower cannot be asked.
std::optional<PowerState> PowerFromUPower();
// Unknown when `sys`/class/power_supply does not exist.
PowerState PowerFromSysfs(const std::filesystem::path& sys);
// UPower, else sysfs under `paths.sys`.
PowerState ReadPowerState(const SystemPaths& paths);

// False when the flash must not go on: the report then says why (refused).
// A warning goes to the report and the console. In a dry run, which changes
// nothing, a refusal is only a warning that the real flash would be refused.
bool PowerAllowsFlash(RunReport& report, ProgramContext& context, bool dryRun, Console& console);

}  // namespace nflash
