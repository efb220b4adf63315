#include "drive_table.h"

#include <algorithm>
#include <cstring>

const DriveEntry* DriveTable::GetEntry(std::uint32_t i) const {
    if (i >= driveCount || i >= static_cast<std::uint32_t>(kMaxDrives) || !drives[i].present) {
        return nullptr;
    }
    return &drives[i];
}

DriveEntry* DriveTable::GetEntry(std::uint32_t i) {
    return const_cast<DriveEntry*>(static_cast<const DriveTable&>(*this).GetEntry(i));
}

std::uint8_t DriveTable::IsPresent(std::int32_t i) const {
    return IsRowIndex(i) ? drives[i].present : 0;
}

void DriveTable::Clear() {
    std::memset(drives, 0, sizeof drives);
    driveCount = 0;
}

void DriveTable::Sort() {
    DriveEntry scratch[kMaxDrives]{};
    int placed = 0;
    for (const DriveEntry& row : drives) {
        if (row.present) scratch[placed++] = row;
    }
    std::stable_sort(scratch, scratch + placed, [](const DriveEntry& a, const DriveEntry& b) {
        return a.SortKey() < b.SortKey();
    });
    std::memset(drives, 0, sizeof drives);
    std::copy(scratch, scratch + placed, drives);
}
