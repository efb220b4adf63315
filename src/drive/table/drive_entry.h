// One row of a DriveManager's drive table.
#pragma once

#include <cstdint>

struct DriveEntry {
    std::uint8_t storageDescriptor[40];  // IOCTL_STORAGE_QUERY_PROPERTY query/reply; bus type at 28..31
    char displayName[32];                // vendor (8) then product (16), zero behind
    char vendor[9];                      // INQUIRY bytes 8..15
    char product[17];                    // INQUIRY bytes 16..31
    char revision[5];                    // INQUIRY bytes 32..35
    char vendorSpecific[17];             // INQUIRY bytes 36..51
    char rootPath[4];                    // "X:\" for pass-through drives, empty for ASPI
    std::uint8_t chipId[4];              // first four bytes of the identify reply
    std::int16_t adapter;
    std::int16_t target;
    std::int16_t lun;
    std::int16_t bus;
    std::uint8_t present;
    std::uint8_t matched;                // written by matching only
    std::uint8_t viaAspi;
    std::uint16_t bank;                  // written by matching only
    std::uint16_t upToDate;              // written by matching only

    // adapter*4096 + bus*256 + target*16 + lun
    std::int32_t SortKey() const { return adapter * 4096 + bus * 256 + target * 16 + lun; }
};

constexpr int kMaxDrives = 16;
