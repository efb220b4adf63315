#include "sysfs_discovery.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <charconv>
#include <fstream>
#include <system_error>

namespace nflash {
namespace {

namespace fs = std::filesystem;

constexpr int kPeripheralTypeOptical = 5;

// The first line of a sysfs attribute, without its line feed; nothing when
// the file cannot be read.
std::optional<std::string> Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

std::optional<std::uint32_t> Number(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    std::uint32_t value = 0;
    const char* end = text->data() + text->size();
    const auto [at, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc{} || at == text->data()) return std::nullopt;
    return value;
}

// The one entry of a folder such as scsi_generic/ or block/ (its name is
// the node's name); empty when the folder is missing or empty.
std::string OnlyEntry(const fs::path& folder) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        return entry.path().filename().string();
    }
    return {};
}

// A "dev" attribute ("21:0") as a device number.
void AddNumber(OpticalDrive& drive, const fs::path& attribute, bool block) {
    const std::optional<std::string> text = Attribute(attribute);
    unsigned major = 0;
    unsigned minor = 0;
    if (text && std::sscanf(text->c_str(), "%u:%u", &major, &minor) == 2) {
        drive.numbers.push_back(DeviceNumber{block, makedev(major, minor)});
    }
}

OpticalDrive Describe(const SystemPaths& paths, const ScsiAddress& address, const fs::path& dir) {
    OpticalDrive drive;
    drive.address = address;
    drive.sysfsDir = dir;
    drive.vendor = Attribute(dir / "vendor").value_or("");
    drive.model = Attribute(dir / "model").value_or("");
    drive.revision = Attribute(dir / "rev").value_or("");
    if (const std::string sg = OnlyEntry(dir / "scsi_generic"); !sg.empty()) {
        drive.sgPath = paths.dev / sg;
        AddNumber(drive, dir / "scsi_generic" / sg / "dev", false);
    }
    if (const std::string sr = OnlyEntry(dir / "block"); !sr.empty()) {
        drive.srPath = paths.dev / sr;
        AddNumber(drive, dir / "block" / sr / "dev", true);
        drive.maxTransferKb = Number(Attribute(dir / "block" / sr / "queue" / "max_hw_sectors_kb"));
    }
    if (const std::string bsg = OnlyEntry(dir / "bsg"); !bsg.empty()) AddNumber(drive, dir / "bsg" / bsg / "dev", false);
    return drive;
}

}  // namespace

std::optional<ScsiAddress> ParseScsiAddress(const std::string& name) {
    unsigned parts[4];
    const char* at = name.data();
    const char* end = name.data() + name.size();
    for (int i = 0; i < 4; ++i) {
        const auto [next, error] = std::from_chars(at, end, parts[i]);
        if (error != std::errc{} || next == at) return std::nullopt;
        at = next;
        if (i < 3) {
            if (at == end || *at != ':') return std::nullopt;
            ++at;
        }
    }
    if (at != end) return std::nullopt;
    return ScsiAddress{parts[0], parts[1], parts[2], parts[3]};
}

std::vector<OpticalDrive> DiscoverOpticalDrives(const SystemPaths& paths) {
    std::vector<OpticalDrive> drives;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(paths.sys / "bus" / "scsi" / "devices", error)) {
        const std::optional<ScsiAddress> address = ParseScsiAddress(entry.path().filename().string());
        if (!address) continue;
        if (Number(Attribute(entry.path() / "type")) != std::optional<std::uint32_t>(kPeripheralTypeOptical)) continue;
        drives.push_back(Describe(paths, *address, entry.path()));
    }
    std::sort(drives.begin(), drives.end(),
              [](const OpticalDrive& a, const OpticalDrive& b) { return a.address < b.address; });
    return drives;
}

}  // namespace nflash
