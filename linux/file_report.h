// The updater file as the report and the log describe it.
#pragma once

#include "run_report.h"
#include "updater_file.h"

namespace nflash {

FileReport DescribeFile(const UpdaterFile& file);

// One line per fact, for the run log's head.
std::vector<std::string> FileLogLines(const FileReport& file);

}  // namespace nflash
