// One optical drive as sysfs describes it, before any command is sent.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace nflash {

// host:channel:target:lun, the kernel's name of a SCSI device.
struct ScsiAddress {
    unsigned host = 0;
    unsigned channel = 0;
    unsigned target = 0;
    unsigned lun = 0;

    auto operator<=>(const ScsiAddress&) const = default;
    std::string Text() const;  // "2:0:0:0"
};

struct DeviceNumber {
    bool block = false;  // a block device (sr), else a character device (sg, bsg)
    dev_t number = 0;

    bool operator==(const DeviceNumber&) const = default;
};

struct OpticalDrive {
    ScsiAddress address;
    std::filesystem::path sysfsDir;
    // The identity the kernel read when it attached the drive, padded as
    // INQUIRY sends it (8, 16 and 4 characters). It does not change when
    // the drive's firmware does; the program reads the live identity with
    // INQUIRY and uses this only where it may send nothing yet.
    std::string vendor;
    std::string model;
    std::string revision;
    // The nodes of the drive, empty when the kernel has none (the sg or sr
    // driver not loaded).
    std::filesystem::path sgPath;  // /dev/sgN: SCSI generic
    std::filesystem::path srPath;  // /dev/srN: the optical block device
    // The device numbers of every node the kernel made for it (sysfs "dev"):
    // the sg node, the block node, the bsg node. Another program holding
    // any of them, under whatever name, holds the drive.
    std::vector<DeviceNumber> numbers;
    // The request queue's largest transfer (max_hw_sectors_kb): what one
    // SG_IO may move. Unknown when the drive has no block device.
    std::optional<std::uint32_t> maxTransferKb;

    // The node commands go through: the sg node where there is one (it
    // carries every command, vendor ones included), else the block node.
    const std::filesystem::path& CommandPath() const { return sgPath.empty() ? srPath : sgPath; }
    // "/dev/sg1 (/dev/sr0)", or whichever exists.
    std::string Nodes() const;
};

}  // namespace nflash
