// Discovery: scan, count, fall back from ASPI to pass-through where ASPI
// misses drives, order the table, then read each drive's identity and chip.
#include <cstring>

#include "drive_commands.h"
#include "drive_manager.h"
#include "identity_row.h"

namespace {

void CountPresentRows(DriveManager& m) {
    for (DriveEntry& row : m.table.drives) {
        if (!row.present) continue;
        ++m.table.driveCount;
        row.viaAspi = m.useAspi;
    }
}

// An ASPI manager may not see every drive (ATAPI drives without an ASPI
// layer); on the NT family pass-through reaches them all.
bool AspiMissedDrives(DriveManager& m) {
    return m.useAspi && m.osInfo.IsNtFamily() && m.CountCdromLetters() > m.table.driveCount;
}

void Scan(DriveManager& m) {
    for (;;) {
        m.table.Clear();
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
    if (ReadIdentityRetrying(m)) StoreIdentity(m, m.table.drives[j]);
    if (VendorIdentify(m)) {
        std::memcpy(m.table.drives[j].chipId, m.readBuffer, sizeof m.table.drives[j].chipId);
    }
    m.CloseDrive();
    // A drive that hung keeps its request; the next drives are asked afresh.
    m.GiveUpAbandonedAspiRequest();
}

}  // namespace

void DriveManager::Discover() {
    Scan(*this);
    SortTable();
    for (std::int16_t j = 0; j < kMaxDrives && table.drives[j].present; ++j) IdentifyDrive(*this, j);
}
