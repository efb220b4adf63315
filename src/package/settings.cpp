// The process-wide Settings, read once during the main window's construction.

#include "settings.h"

namespace {

Settings gSettings;

bool OnAtOne(std::uint8_t value) { return value == 1; }
bool OnAtNonZero(std::uint8_t value) { return value != 0; }

}  // namespace

void ReadSettings(const pkg::PackageReader& package) {
    Settings s;
    s.chkDisc = OnAtOne(package.SettingAt(pkg::kChkDiscOffset));
    s.n2oMessage = OnAtOne(package.SettingAt(pkg::kN2oMessageOffset));
    s.bootCode = OnAtNonZero(package.SettingAt(pkg::kBootCodeOffset));
    s.closeAp = OnAtNonZero(package.SettingAt(pkg::kCloseApOffset));
    s.warning = OnAtOne(package.SettingAt(pkg::kWarningOffset));
    s.reboot = OnAtNonZero(package.SettingAt(pkg::kRebootOffset));
    s.autoMode = OnAtNonZero(package.SettingAt(pkg::kAutoModeOffset));
    s.howManyBin = package.HowManyBin();
    s.nbWarning = OnAtOne(package.SettingAt(pkg::kNbWarningOffset));
    s.admin = package.AdminRequested();
    gSettings = s;
}

const Settings& CurrentSettings() { return gSettings; }
