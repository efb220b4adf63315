// The process-wide Settings, read once during the main window's construction.

#include "settings.h"

namespace {

Settings gSettings;

}  // namespace

void ReadSettings(const pkg::PackageReader& package) {
    Settings s;
    s.chkDisc = package.SettingAt(pkg::kChkDiscOffset);
    s.n2oMessage = package.SettingAt(pkg::kN2oMessageOffset);
    s.bootCode = package.SettingAt(pkg::kBootCodeOffset);
    s.closeAp = package.SettingAt(pkg::kCloseApOffset);
    s.warning = package.SettingAt(pkg::kWarningOffset);
    s.reboot = package.SettingAt(pkg::kRebootOffset);
    s.autoMode = package.SettingAt(pkg::kAutoModeOffset);
    s.howManyBin = package.HowManyBin();
    s.nbWarning = package.SettingAt(pkg::kNbWarningOffset);
    s.admin = package.AdminRequested();
    gSettings = s;
}

const Settings& CurrentSettings() { return gSettings; }
