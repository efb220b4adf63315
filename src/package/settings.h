// The ten behaviour switches, read once at start-up into process-wide values.
//
// Each package setting is one decimal digit. What counts as "on" is decided
// here, once, per switch: CHKDISC, N2OMESSAGE, WARNING and NBWARNING are on
// only at 1; BOOTCODE, REBOOT, AUTOMODE and CLOSEAP at any non-zero value.
// A packer that wrote 2 for CHKDISC therefore gets no disc check, and 2 for
// REBOOT a restart.
#pragma once

#include <cstdint>

#include "package_reader.h"

struct Settings {
    bool chkDisc = false;
    bool n2oMessage = false;
    bool bootCode = false;
    bool closeAp = false;
    bool warning = false;
    bool reboot = false;
    bool autoMode = false;
    std::uint16_t howManyBin = 0;  // as packaged; pkg::BanksInUse says how many banks are read
    bool nbWarning = false;
    bool admin = false;
};

// Reads CHKDISC, N2OMESSAGE, BOOTCODE, CLOSEAP, WARNING, REBOOT, AUTOMODE,
// HOW_MANY_BIN, NBWARNING (in that order) and ADMIN into the process-wide values.
void ReadSettings(const pkg::PackageReader& package);
const Settings& CurrentSettings();
