// The drives discovery found: up to sixteen rows, in the order the list
// shows them. A plain value: a per-drive manager gets a copy of the start-up
// manager's table and nothing else of it.
#pragma once

#include <cstdint>

#include "drive_entry.h"

struct DriveTable {
    DriveEntry drives[kMaxDrives]{};
    std::uint16_t driveCount = 0;

    // Row i when i < driveCount and the row is present, else nullptr.
    const DriveEntry* GetEntry(std::uint32_t i) const;
    DriveEntry* GetEntry(std::uint32_t i);
    // 1 when i is a row index (0..15) and that row is present.
    std::uint8_t IsPresent(std::int32_t i) const;
    void Clear();
    // Present rows in ascending key order, equal keys in discovery order, the
    // rest of the table zero. Every present row is kept, also those whose key
    // reaches 65535 (adapter 16 and above, as the fifteenth synthetic address).
    void Sort();
};

constexpr bool IsRowIndex(std::int32_t i) { return i >= 0 && i < kMaxDrives; }
