// The updater file as the report and the log describe it.
#pragma once

#include "run_log_file.h"
#include "run_report.h"
#include "updater_file.h"

namespace nflash {

// Hashes the whole file and each bank's image (about 2 MiB of SHA-256):
// done once the drives have been asked, so it never delays the first command.
FileReport DescribeFile(const UpdaterFile& file);

// The file in the report and in the log (when there is one).
RunReport& Described(RunReport& report, const UpdaterFile& file, RunLogFile* log);

}  // namespace nflash
