// The drive after its commit. It resets and reloads its firmware, and may
// come back under the node the flash used (the descriptor still works) or,
// when the kernel dropped and re-added it, under a new one: it is asked
// through the flash's descriptor first, and then found again in sysfs by its
// SCSI address, its node opened afresh and accepted only when it names the
// vendor and product it had before. Once it has answered, the kernel is
// asked to rescan it so that sysfs (and udev, and every other program) shows
// the new identity rather than the one read when the drive was attached.
#pragma once

#include <optional>
#include <string>

#include "program_context.h"
#include "run_report.h"
#include "src/drive/transport/transport.h"

namespace nflash {

struct ReturnedDrive {
    std::optional<Identity> identity;  // none: it did not answer within the wait
    std::optional<OpticalDrive> movedTo;  // found again in sysfs (under a new node, or its old name afresh)
};

// Asks once a second for `seconds` at most.
ReturnedDrive AwaitReturn(Transport& flashed, const DriveReport& report, ProgramContext& context, int seconds);

// The identity a drive's command node gives now, through a shared open of
// it that is closed again; every command logged. None when it cannot be
// opened or gives no identity.
std::optional<Identity> ReinquireNode(const OpticalDrive& drive, ProgramContext& context);

// Writes 1 to the device's sysfs rescan attribute; an empty text, or why not.
std::string RequestRescan(const OpticalDrive& drive);

// The revision a drive reports against the one its bank promises, both
// without their trailing blanks.
bool ReportsRevision(const Identity& identity, const std::string& expected);

}  // namespace nflash
