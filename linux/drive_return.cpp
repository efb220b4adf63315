#include "drive_return.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "command_logging.h"
#include "drive_access.h"
#include "sysfs_discovery.h"

namespace nflash {
namespace {

using Clock = std::chrono::steady_clock;

std::string WithoutTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(" \t\n") + 1);
    return text;
}

// The drive at the same address in sysfs, opened afresh, still naming
// itself as before. Its node may carry the old name: the kernel gives a
// freed sg number to the next device, and a node re-added under it is a new
// device that the old descriptor no longer reaches. While the old device
// is still there, the shared open fails against this run's exclusive one.
std::optional<std::pair<OpticalDrive, Identity>> FoundAgain(const DriveReport& report, ProgramContext& context) {
    for (OpticalDrive& drive : DiscoverOpticalDrives(context.paths)) {
        if (drive.address != report.drive.address) continue;
        std::optional<Identity> identity = ReinquireNode(drive, context);
        if (identity && identity->vendor == report.identity.vendor && identity->product == report.identity.product) {
            return std::make_pair(std::move(drive), std::move(*identity));
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<Identity> ReinquireNode(const OpticalDrive& drive, ProgramContext& context) {
    OpenedDevice opened = OpenSgDevice(context.system, drive.CommandPath().string(), OpenMode::Shared);
    if (opened.error != 0) return std::nullopt;
    SgIoTransport transport(std::move(opened.file));
    ObservedTransport logged = LoggedTransport(context, drive, transport);
    return Reinquire(logged);
}

ReturnedDrive AwaitReturn(Transport& flashed, const DriveReport& report, ProgramContext& context, int seconds) {
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        ReturnedDrive returned;
        returned.identity = Reinquire(flashed);
        if (returned.identity) return returned;
        if (auto found = FoundAgain(report, context)) {
            returned.movedTo = std::move(found->first);
            returned.identity = std::move(found->second);
            return returned;
        }
        if (Clock::now() >= deadline) return returned;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

std::string RequestRescan(const OpticalDrive& drive) {
    const std::filesystem::path attribute = drive.sysfsDir / "rescan";
    std::ofstream out(attribute);
    if (out) out << "1\n" << std::flush;
    if (!out) return "cannot write " + attribute.string() + ": " + std::strerror(errno);
    return {};
}

bool ReportsRevision(const Identity& identity, const std::string& expected) {
    return WithoutTrailingBlanks(identity.revision) == WithoutTrailingBlanks(expected.substr(0, 4));
}

}  // namespace nflash
