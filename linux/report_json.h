// The run as one JSON document: --json prints it and nothing else on
// standard output.
#pragma once

#include <nlohmann/json.hpp>

#include "run_report.h"

namespace nflash {

nlohmann::json ReportJson(const RunReport& report);

}  // namespace nflash
