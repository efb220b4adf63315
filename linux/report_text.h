// The run in words, for a person at a terminal.
#pragma once

#include <string>

#include "run_report.h"

namespace nflash {

// "file: ... (sha256 ...)\nloaders: ...\npackage: title, for DRIVE, bank 1: 1.05"
std::string FileText(const FileReport& file);

// "0:0:0:0  /dev/sg0 (/dev/sr0)  VELMORA DVDRW KTV-360R 1.02  from 1.02 to 1.05"
std::string DriveLine(const DriveReport& drive);

// The drive as the window lists it ("%2d-%d-%d-%d %.2s%24s %4s", with the
// SCSI address for adapter, bus, target and lun).
std::string WindowListLine(const DriveReport& drive);

// One line per drive of the flash: its result, new revision, time; for a
// dry run what would have been sent.
std::string OutcomeText(const DriveReport& drive);

// What a dry run would send, summarised: the STOP, the loader, the pieces,
// the commit, each with its command block.
std::string PlanText(const std::vector<PlannedCommand>& plan);

}  // namespace nflash
