// The ten behaviour switches, read once at start-up into process-wide values.
#pragma once

#include <cstdint>

#include "package_reader.h"

struct Settings {
    std::uint8_t chkDisc = 0;
    std::uint8_t n2oMessage = 0;
    std::uint8_t bootCode = 0;
    std::uint8_t closeAp = 0;
    std::uint8_t warning = 0;
    std::uint8_t reboot = 0;
    std::uint8_t autoMode = 0;
    std::uint16_t howManyBin = 0;
    std::uint8_t nbWarning = 0;
    bool admin = false;

    // Banks to iterate: HOW_MANY_BIN, but never more than the four that exist.
    int BankCount() const { return howManyBin < pkg::kBankCount ? howManyBin : pkg::kBankCount; }
};

// Reads CHKDISC, N2OMESSAGE, BOOTCODE, CLOSEAP, WARNING, REBOOT, AUTOMODE,
// HOW_MANY_BIN, NBWARNING (in that order) and ADMIN into the process-wide values.
void ReadSettings(const pkg::PackageReader& package);
const Settings& CurrentSettings();
