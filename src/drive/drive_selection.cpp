// Making one row of the table the current drive, and reading rows.
#include <cstring>

#include "device_open.h"
#include "drive_manager.h"

namespace {

bool IsRowIndex(std::int32_t i) { return i >= 0 && i < kMaxDrives; }

void CopyIdentity(DriveManager& m, const DriveEntry& row) {
    std::memcpy(m.vendor, row.vendor, sizeof m.vendor);
    std::memcpy(m.product, row.product, sizeof m.product);
    std::memcpy(m.revision, row.revision, sizeof m.revision);
    std::memcpy(m.vendorSpecific, row.vendorSpecific, sizeof m.vendorSpecific);
}

}  // namespace

std::uint8_t DriveManager::SelectDrive(std::int16_t i) {
    if (!IsRowIndex(i)) return 0;
    if (i == currentIndex) return 1;
    if (!IsPresent(i)) return 0;
    if (deviceHandle != INVALID_HANDLE_VALUE) CloseDrive();

    const DriveEntry& row = drives[i];
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

const DriveEntry* DriveManager::GetEntry(std::uint32_t i) const {
    if (i >= driveCount || i >= static_cast<std::uint32_t>(kMaxDrives) || !drives[i].present) {
        return nullptr;
    }
    return &drives[i];
}

DriveEntry* DriveManager::GetEntry(std::uint32_t i) {
    return const_cast<DriveEntry*>(static_cast<const DriveManager&>(*this).GetEntry(i));
}

std::uint8_t DriveManager::IsPresent(std::int16_t i) const {
    return IsRowIndex(i) ? drives[i].present : 0;
}

// The destination keeps its own library, buffers, timers, platform and
// result record; it gets the table and the settings, and no current drive,
// so its first selection opens the device afresh.
void DriveManager::CopyDiscoveryState(const DriveManager* source, DriveManager* destination) {
    if (source == nullptr || destination == nullptr || source == destination) return;
    DriveManager& d = *destination;
    if (d.deviceHandle != INVALID_HANDLE_VALUE) CloseHandle(d.deviceHandle);
    d.timeoutSeconds = source->timeoutSeconds;
    d.adapter = source->adapter;
    d.target = source->target;
    d.lun = source->lun;
    d.bus = source->bus;
    d.useAspi = source->useAspi;
    d.aspiAvailable = source->aspiAvailable;
    d.driveCount = source->driveCount;
    d.retryOnFailure = source->retryOnFailure;
    std::memcpy(d.vendor, source->vendor, sizeof d.vendor);
    std::memcpy(d.product, source->product, sizeof d.product);
    std::memcpy(d.revision, source->revision, sizeof d.revision);
    std::memcpy(d.vendorSpecific, source->vendorSpecific, sizeof d.vendorSpecific);
    std::memcpy(d.drives, source->drives, sizeof d.drives);
    d.deviceHandle = INVALID_HANDLE_VALUE;
    d.currentIndex = kNoDriveSelected;
}
