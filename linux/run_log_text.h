// Every line of norvek-flash's run log, made from what the run found: each
// line's words are decided here and nowhere else. The pieces the Windows
// program's log shares (a command, an identity, a flash's start) come from
// src/drive/run_log_lines.h, so both editions' logs read alike. The file
// itself (times, flushes) is run_log_file.h's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "gated_transport.h"
#include "run_report.h"
#include "src/drive/transport/sg_io/sg_answer.h"
#include "src/platform/power_check.h"

namespace nflash {

// The name a drive goes by in the log: its command node's ("sg0").
std::string LogLabel(const OpticalDrive& drive);

// "norvek-flash 2.0.4: norvek-flash flash demo.exe --yes"
std::string StartLogLine(const std::string& commandLine);

// "file PATH sha256 …", "package \"TITLE\" version V for DRIVE", "loaders SET
// sha256 …", "integrity …", then "bank N start S size Z new revision R image
// sha256 …" for each bank in use.
std::vector<std::string> FileLogLines(const FileReport& file);

// "power: on mains"
std::string PowerLogLine(const PowerState& state);

// "warning: TEXT"
std::string WarningLogLine(const std::string& warning);

// "identity sg0 0:0:0:0 /dev/sg0 (/dev/sr0): \"VELMORA \" … vendor-specific
// \"…\", chip bf d6 00 01; decision: from 1.02 to 1.05"; for a drive that
// gave no identity "no answer (WHY), sysfs says …" in its place.
std::string IdentityLogLine(const DriveReport& drive);

// "command sg0 CDB DIRECTION LENGTH -> OUTCOME BYTES bytes MS ms: ANSWER" for
// a command sent (`answer` in words; none: no ": ANSWER"), "planned … (dry
// run: not sent)" and "withheld … (cancelled: not sent)" for one that was not.
std::string CommandLogLine(const std::string& label, const CommandRequest& request, const CommandResult& result,
                           Delivery delivery, const SgIoAnswer* answer);

// "flash sg0 bank 1 image 1048576 bytes sha256 …, commit (80)"
std::string FlashLogLine(const DriveReport& drive, std::int32_t imageSize, bool bootCode);

// "rescan 0:0:0:0", with ": WHY" when the kernel could not be asked.
std::string RescanLogLine(const OpticalDrive& drive, const std::string& problem);

// "result sg0 flashed, after: \"VENDOR\" \"PRODUCT\" \"REV\"", with ": ERROR"
// when the drive's report has one.
std::string ResultLogLine(const DriveReport& drive);

// "error TEXT"
std::string ErrorLogLine(const std::string& error);

// "exit 0"
std::string ExitLogLine(ExitCode code);

}  // namespace nflash
