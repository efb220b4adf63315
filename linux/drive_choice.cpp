#include "drive_choice.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "report_text.h"
#include "src/app/dialog_texts.h"

namespace nflash {
namespace {

namespace fs = std::filesystem;

fs::path Canonical(const fs::path& path) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

std::optional<std::size_t> DriveAt(const std::vector<DriveReport>& drives, const fs::path& node) {
    const fs::path wanted = Canonical(node);
    for (std::size_t i = 0; i < drives.size(); ++i) {
        for (const fs::path& own : {drives[i].drive.sgPath, drives[i].drive.srPath}) {
            if (!own.empty() && Canonical(own) == wanted) return i;
        }
    }
    return std::nullopt;
}

std::string DetectedDrives(const std::vector<DriveReport>& drives) {
    std::string text;
    for (const DriveReport& r : drives) text += WindowListLine(r) + "\n";
    return text;
}

Candidates ByDevice(const std::vector<DriveReport>& drives, const std::vector<fs::path>& devices) {
    Candidates chosen;
    for (const fs::path& device : devices) {
        const std::optional<std::size_t> at = DriveAt(drives, device);
        if (!at) {
            chosen.indexes.clear();
            chosen.code = ExitCode::BadInput;
            chosen.problem = device.string() + " is not an optical drive's sg or sr node (see norvek-flash list)";
            return chosen;
        }
        if (std::find(chosen.indexes.begin(), chosen.indexes.end(), *at) == chosen.indexes.end()) {
            chosen.indexes.push_back(*at);
        }
    }
    return chosen;
}

}  // namespace

Candidates ChooseCandidates(const std::vector<DriveReport>& drives, const Options& options,
                            const std::string& driveName) {
    if (!options.devices.empty()) return ByDevice(drives, options.devices);
    Candidates chosen;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (!drives[i].decision.matched) continue;
        chosen.indexes.push_back(i);
        if (!options.allMatched) break;
    }
    if (chosen.indexes.empty()) {
        chosen.code = ExitCode::NothingToDo;
        chosen.problem = NoMatchedDriveText(driveName, DetectedDrives(drives));
    }
    return chosen;
}

}  // namespace nflash
