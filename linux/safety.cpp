#include "safety.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "drive_holders.h"
#include "report_text.h"
#include "src/app/dialog_texts.h"
#include "wire_command.h"

namespace nflash {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPieceKb = wire::kPieceSize / 1024;

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

std::string HolderText(const DriveReport& r, const SystemPaths& paths) {
    const std::string holders = DescribeHolders(paths, r.drive);
    return holders.empty() ? "another program (one this user cannot see)" : holders;
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

std::vector<std::string> SafetyProblems(const DriveReport& r, const SystemPaths& paths) {
    std::vector<std::string> problems;
    const std::string name = r.drive.CommandPath().string();
    if (!r.drive.maxTransferKb) {
        problems.push_back(name + ": its largest transfer cannot be read (no max_hw_sectors_kb, no block device)");
    } else if (*r.drive.maxTransferKb < kPieceKb) {
        problems.push_back(name + ": its largest transfer is " + std::to_string(*r.drive.maxTransferKb) +
                           " KiB (max_hw_sectors_kb), less than the 16 KiB piece the flash sends");
    }
    for (const std::string& mount : MountsOf(paths, r.drive)) {
        problems.push_back(name + " is " + mount + ": unmount it first");
    }
    for (const std::string& process : ProcessesHolding(paths, r.drive)) {
        problems.push_back(name + " is open in " + process + ": close that program first");
    }
    return problems;
}

HeldDrives HoldForFlash(const std::vector<DriveReport>& drives, const std::vector<std::size_t>& candidates,
                        ProgramContext& context) {
    HeldDrives held;
    for (std::size_t i : candidates) {
        const DriveReport& r = drives[i];
        OpenedDevice command = OpenSgDevice(context.system, r.drive.CommandPath().string(), OpenMode::Exclusive);
        OpenedDevice claim;
        if (command.error == 0 && !r.drive.sgPath.empty() && !r.drive.srPath.empty()) {
            claim = OpenSgDevice(context.system, r.drive.srPath.string(), OpenMode::Exclusive);
        }
        const int error = command.error != 0 ? command.error : claim.error;
        if (error == EBUSY) {
            held.problems.push_back(r.drive.Nodes() + " is held by " + HolderText(r, context.paths));
        } else if (error != 0) {
            held.problems.push_back("cannot open " + r.drive.Nodes() + ": " + std::strerror(error));
        } else {
            held.drives[i] = HeldDrive{std::make_unique<SgIoTransport>(std::move(command.file)), std::move(claim.file)};
        }
    }
    if (!held.problems.empty()) held.drives.clear();
    return held;
}

}  // namespace nflash
