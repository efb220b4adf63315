#include "run_report.h"

#include <cstdio>

namespace nflash {

std::string ResultName(DriveResult result) {
    switch (result) {
        case DriveResult::None: return "none";
        case DriveResult::Flashed: return "flashed";
        case DriveResult::Failed: return "failed";
        case DriveResult::Cancelled: return "cancelled";
        case DriveResult::Planned: return "planned";
        case DriveResult::RevisionMismatch: return "revision-mismatch";
    }
    return "?";
}

RunReport& Stop(RunReport& report, ExitCode code, const std::string& message) {
    report.code = code;
    report.errors.push_back(message);
    return report;
}

std::string ChipText(const std::array<std::uint8_t, 4>& chip) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x %02x %02x %02x", chip[0], chip[1], chip[2], chip[3]);
    return text;
}

}  // namespace nflash
