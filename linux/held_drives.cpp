#include "held_drives.h"

#include <cerrno>
#include <cstring>

#include "drive_holders.h"

namespace nflash {
namespace {

std::string HolderText(const DriveReport& r, const SystemPaths& paths) {
    const std::string holders = DescribeHolders(paths, r.drive);
    return holders.empty() ? "another program (one this user cannot see)" : holders;
}

}  // namespace

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
