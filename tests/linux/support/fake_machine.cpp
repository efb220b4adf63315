#include "fake_machine.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace sgsim {
namespace {

namespace fs = std::filesystem;

// The nodes are real device nodes where this process may make them (as
// root), so the program finds holders by device number as on a real
// machine; their majors are those set aside for local and experimental use,
// which no driver answers, so a node that escaped the simulation would open
// nothing.
constexpr int kSgMajor = 240;   // character
constexpr int kSrMajor = 240;   // block
constexpr int kBsgMajor = 241;  // character
constexpr std::uint32_t kDefaultMaxTransferKb = 512;

// As the kernel shows INQUIRY's fields: cut or blank-padded to their width.
std::string Padded(const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return field;
}

bool Contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

FakeMachine::FakeMachine(fs::path root, const scenariofile::Scenario& scenario, const MachineOptions& options)
    : root_(std::move(root)) {
    fs::remove_all(root_);
    fs::create_directories(Sys() / "bus" / "scsi" / "devices");
    fs::create_directories(Dev());
    // What sysfs also holds beside the devices: a host and a target entry,
    // which discovery must pass over.
    fs::create_directories(Sys() / "bus" / "scsi" / "devices" / "host0");
    fs::create_directories(Sys() / "bus" / "scsi" / "devices" / "target0:0:0");
    for (std::size_t i = 0; i < scenario.drives.size(); ++i) {
        WriteDrive(static_cast<int>(i), scenario.drives[i], options);
    }
    for (const auto& [alias, node] : options.aliases) fs::create_hard_link(Dev() / node, Dev() / alias);
    WriteProc(options);
}

void FakeMachine::WriteDrive(int index, const scenariofile::DriveSlot& slot, const MachineOptions& options) {
    const std::string address =
        std::to_string(slot.adapter) + ":0:" + std::to_string(slot.target) + ":" + std::to_string(slot.lun);
    const fs::path dir = Sys() / "bus" / "scsi" / "devices" / address;
    const vdrive::DriveConfig& c = slot.config;
    WriteFile(dir / "type", std::to_string(c.peripheralType) + "\n");
    WriteFile(dir / "vendor", Padded(c.vendor, 8) + "\n");
    WriteFile(dir / "model", Padded(c.product, 16) + "\n");
    WriteFile(dir / "rev", Padded(c.revision, 4) + "\n");
    WriteFile(dir / "rescan", "");
    deviceDirs_[index] = dir;
    const std::string n = std::to_string(index);
    bsgNodes_[index] = address;
    if (!Contains(options.withoutSg, index)) {
        WriteFile(dir / "scsi_generic" / ("sg" + n) / "dev", std::to_string(kSgMajor) + ":" + n + "\n");
        MakeNode(SgNode(index), S_IFCHR, kSgMajor, index);
    }
    WriteFile(dir / "bsg" / address / "dev", std::to_string(kBsgMajor) + ":" + n + "\n");
    MakeNode(BsgNode(index), S_IFCHR, kBsgMajor, index);
    const fs::path block = dir / "block" / ("sr" + n);
    WriteFile(block / "dev", std::to_string(kSrMajor) + ":" + n + "\n");
    const auto limit = options.maxTransferKb.find(index);
    const std::uint32_t kb = limit == options.maxTransferKb.end() ? kDefaultMaxTransferKb : limit->second;
    WriteFile(block / "queue" / "max_hw_sectors_kb", std::to_string(kb) + "\n");
    MakeNode(SrNode(index), S_IFBLK, kSrMajor, index);
}

void FakeMachine::MakeNode(const fs::path& path, mode_t type, int major, int minor) {
    fs::create_directories(path.parent_path());
    fs::remove(path);
    if (::mknod(path.c_str(), type | 0600, makedev(major, minor)) == 0) return;
    deviceNodes_ = false;
    WriteFile(path, "");
}

fs::path FakeMachine::BsgNode(int drive) const { return Dev() / "bsg" / bsgNodes_.at(drive); }

void FakeMachine::MoveSgNode(int drive, int number) {
    const fs::path generic = deviceDirs_.at(drive) / "scsi_generic";
    fs::remove_all(generic);
    fs::remove(SgNode(drive));
    const std::string n = std::to_string(number);
    WriteFile(generic / ("sg" + n) / "dev", std::to_string(kSgMajor) + ":" + n + "\n");
    MakeNode(SgNode(number), S_IFCHR, kSgMajor, number);
}

void FakeMachine::WriteProc(const MachineOptions& options) {
    const std::string uid = options.root ? "0" : "1000";
    std::string capabilities = "0000000000000000";
    if (options.root) capabilities = "000001ffffffffff";
    if (options.rawIoOnly) capabilities = "0000000000020000";  // bit 17, CAP_SYS_RAWIO
    WriteFile(Proc() / "self" / "status", "Name:\tnorvek-flash\nUid:\t" + uid + "\t" + uid + "\t" + uid + "\t" + uid +
                                              "\nCapEff:\t" + capabilities + "\n");
    std::string mountinfo = "21 1 0:20 / / rw,relatime shared:1 - ext4 /dev/root rw\n";
    int id = 30;
    for (const auto& [drive, point] : options.mountedAt) {
        std::string escaped;
        for (char c : point) escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
        mountinfo += std::to_string(id++) + " 21 " + std::to_string(kSrMajor) + ":" + std::to_string(drive) + " / " +
                     escaped + " ro,nosuid,nodev,relatime shared:5 - iso9660 /dev/sr" + std::to_string(drive) + " ro\n";
    }
    WriteFile(Proc() / "self" / "mountinfo", mountinfo);
    for (const HoldingProcess& holder : options.holders) {
        const fs::path dir = Proc() / std::to_string(holder.pid);
        WriteFile(dir / "comm", holder.command + "\n");
        fs::create_directories(dir / "fd");
        fs::create_symlink(Dev() / holder.node, dir / "fd" / "7");
        fs::create_symlink("/dev/null", dir / "fd" / "0");
    }
}

}  // namespace sgsim
