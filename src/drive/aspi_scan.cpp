// Finding drives on the ASPI host adapters. These requests are answered
// before SendASPI32Command returns, so their status is read right after.
#include <cstring>

#include "drive_manager.h"

namespace {

constexpr BYTE kTargets = 16;
constexpr BYTE kLuns = 8;

template <typename Srb>
bool Answered(DriveManager& m, Srb& srb) {
    m.aspi.SendCommand()(&srb);
    return srb.SRB_Status == SS_COMP;
}

bool InquireAdapter(DriveManager& m, BYTE adapterId, SRB_HAInquiry& inquiry) {
    std::memset(&inquiry, 0, sizeof inquiry);
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = adapterId;
    return Answered(m, inquiry);
}

void RescanBus(DriveManager& m, BYTE adapterId) {
    SRB_RescanPort rescan{};
    rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
    rescan.SRB_HaId = adapterId;
    m.aspi.SendCommand()(&rescan);  // its status plays no part
}

bool IsCdrom(DriveManager& m, BYTE adapterId, BYTE targetId, BYTE lunId) {
    SRB_GDEVBlock device{};
    device.SRB_Cmd = SC_GET_DEV_TYPE;
    device.SRB_HaId = adapterId;
    device.SRB_Target = targetId;
    device.SRB_Lun = lunId;
    return Answered(m, device) && device.SRB_DeviceType == DTYPE_CDROM;
}

}  // namespace

void DriveManager::ScanAspi() {
    // Without the entry points (the library failed to load) nothing is found.
    if (aspi.SendCommand() == nullptr) return;
    SRB_HAInquiry inquiry;
    if (!InquireAdapter(*this, 0, inquiry)) return;
    const BYTE adapters = inquiry.HA_Count;
    for (int a = 0; a < adapters; ++a) RescanBus(*this, static_cast<BYTE>(a));

    // A full table does not end the scan: every unit is still asked, and a
    // 17th drive and those after it are only left out of the table.
    int r = 0;
    for (int a = 0; a < adapters; ++a) {
        if (!InquireAdapter(*this, static_cast<BYTE>(a), inquiry)) return;
        for (BYTE t = 0; t < kTargets; ++t) {
            for (BYTE l = 0; l < kLuns; ++l) {
                if (!IsCdrom(*this, static_cast<BYTE>(a), t, l) || r == kMaxDrives) continue;
                DriveEntry& row = table.drives[r++];
                row.present = 1;
                row.adapter = static_cast<std::int16_t>(a);
                row.target = t;
                row.lun = l;
                row.bus = 0;
            }
        }
    }
}
