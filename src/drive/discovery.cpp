// Discovery: scan, count, fall back from ASPI to pass-through where ASPI
// misses drives, order the table, then read each drive's identity and chip.
#include <algorithm>
#include <cstring>

#include "drive_commands.h"
#include "drive_manager.h"
#include "identity_row.h"

namespace {

void ClearTable(DriveManager& m) {
    std::memset(m.drives, 0, sizeof m.drives);
    m.driveCount = 0;
}

void CountPresentRows(DriveManager& m) {
    for (DriveEntry& row : m.drives) {
        if (!row.present) continue;
        ++m.driveCount;
        row.viaAspi = m.useAspi;
    }
}

// An ASPI manager may not see every drive (ATAPI drives without an ASPI
// layer); on the NT family pass-through reaches them all.
bool AspiMissedDrives(DriveManager& m) {
    return m.useAspi && m.osInfo.IsNtFamily() && m.CountCdromLetters() > m.driveCount;
}

void Scan(DriveManager& m) {
    for (;;) {
        ClearTable(m);
        if (m.useAspi) {
            m.ScanAspi();
        } else {
            m.ScanPassThrough();
        }
        CountPresentRows(m);
        if (!AspiMissedDrives(m)) return;
        m.useAspi = 0;
        m.UnloadAspi();
    }
}

void IdentifyDrive(DriveManager& m, std::int16_t j) {
    m.SelectDrive(j);
    ClearUnitAttention(m);
    // A drive that never names itself keeps empty identity fields and stays listed.
    if (ReadIdentityRetrying(m)) StoreIdentity(m, m.drives[j]);
    if (VendorIdentify(m)) std::memcpy(m.drives[j].chipId, m.readBuffer, sizeof m.drives[j].chipId);
    m.CloseDrive();
}

}  // namespace

void DriveManager::Discover() {
    Scan(*this);
    SortTable();
    for (std::int16_t j = 0; j < kMaxDrives && drives[j].present; ++j) IdentifyDrive(*this, j);
}

// Present rows in ascending key order, equal keys in discovery order, the
// rest of the table zero. Every present row is kept, also those whose key
// reaches 65535 (adapter 16 and above, as the fifteenth synthetic address).
void DriveManager::SortTable() {
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
