// Making one row of the table the current drive, and handing the table on.
#include <cstring>

#include "device_open.h"
#include "drive_commands.h"
#include "drive_manager.h"
#include "identity_row.h"

namespace {

void CopyIdentity(DriveSession& s, const DriveEntry& row) {
    std::memcpy(s.vendor, row.vendor, sizeof s.vendor);
    std::memcpy(s.product, row.product, sizeof s.product);
    std::memcpy(s.revision, row.revision, sizeof s.revision);
    std::memcpy(s.vendorSpecific, row.vendorSpecific, sizeof s.vendorSpecific);
}

void CopyIdentity(DriveSession& to, const DriveSession& from) {
    std::memcpy(to.vendor, from.vendor, sizeof to.vendor);
    std::memcpy(to.product, from.product, sizeof to.product);
    std::memcpy(to.revision, from.revision, sizeof to.revision);
    std::memcpy(to.vendorSpecific, from.vendorSpecific, sizeof to.vendorSpecific);
}

}  // namespace

std::uint8_t DriveManager::SelectDrive(std::int16_t i) {
    if (!IsRowIndex(i)) return 0;
    if (i == currentIndex) return 1;
    if (!IsPresent(i)) return 0;
    if (deviceHandle != INVALID_HANDLE_VALUE) CloseDrive();

    const DriveEntry& row = table.drives[i];
    useAspi = row.viaAspi != 0 ? 1 : 0;
    currentIndex = i;
    adapter = row.adapter;
    target = row.target;
    lun = row.lun;
    bus = row.bus;
    CopyIdentity(*this, row);

    HANDLE handle = INVALID_HANDLE_VALUE;
    if (osInfo.IsNtFamily() && !useAspi) {
        handle = OpenDriveDevice(row.rootPath);
        if (handle == INVALID_HANDLE_VALUE) {
            currentIndex = kSelectionFailed;
            SetAddress(INVALID_HANDLE_VALUE, -1, -1, -1, -1);
            return 0;
        }
    }
    SetAddress(handle, row.adapter, row.bus, row.target, row.lun);
    return 1;
}

void DriveManager::CopyDiscoveryState(const DriveManager* source, DriveManager* destination) {
    if (source == nullptr || destination == nullptr || source == destination) return;
    DriveManager& d = *destination;
    if (d.deviceHandle != INVALID_HANDLE_VALUE) CloseHandle(d.deviceHandle);
    d.table = source->table;
    d.timeoutSeconds = source->timeoutSeconds;
    d.useAspi = source->useAspi;
    d.aspiAvailable = source->aspiAvailable;
    d.retryOnFailure = source->retryOnFailure;
    CopyIdentity(d, *source);
    // The source's address, without its device: the handle is the source's.
    d.SetAddress(INVALID_HANDLE_VALUE, source->adapter, source->bus, source->target, source->lun);
    d.currentIndex = kNoDriveSelected;
}

std::uint8_t RefreshCurrentIdentity(DriveManager& m) {
    if (m.currentIndex < 0 || m.currentIndex >= kMaxDrives) return 0;  // no drive selected
    if (!ReadIdentityRetrying(m)) return 0;
    StoreIdentity(m, m.table.drives[m.currentIndex]);
    return 1;
}
