#include "safety_checks.h"

#include "drive_holders.h"
#include "wire_command.h"

namespace nflash {
namespace {

constexpr std::uint32_t kPieceKb = wire::kPieceSize / 1024;

}  // namespace

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

}  // namespace nflash
