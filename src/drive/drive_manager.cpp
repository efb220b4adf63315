#include "drive_manager.h"

#include <string>

#include "table/entry_text.h"
#include "transport_preference.h"

DriveManager::DriveManager() : DriveManager(true) {}

DriveManager::DriveManager(bool discover) {
    ChooseTransport();
    if (discover) Discover();
}

DriveManager::~DriveManager() {
    // The ASPI manager may still complete an abandoned request: the block,
    // its event, the library and the buffers it would write live on.
    if (aspi.HoldsAbandonedRequest()) {
        aspi.KeepAbandoned(readBuffer, writeBuffer);
        ReleaseBuffers();
    }
    CloseDrive();
}

// ASPI is used where the window asked for it and a working manager answers,
// and always on the older family, which has no pass-through interface.
void DriveManager::ChooseTransport() {
    useAspi = PreferAspi() ? 1 : 0;
    aspiAvailable = ProbeAspi() ? 1 : 0;
    useAspi = (useAspi && aspiAvailable) ? 1 : 0;
    if (!osInfo.IsNtFamily()) useAspi = 1;
    UnloadAspi();
    if (useAspi) LoadAspi();
}

std::string DriveManager::DriveLabel() const {
    const DriveEntry* entry = currentIndex >= 0 ? table.GetEntry(static_cast<std::uint32_t>(currentIndex)) : nullptr;
    if (entry != nullptr) return EntryLabel(*entry);
    return std::to_string(adapter) + "-" + std::to_string(bus) + "-" + std::to_string(target) + "-" +
           std::to_string(lun);
}

Transport* DriveManager::CurrentTransport() {
    if (osInfo.IsNtFamily() && useAspi == 0) return &passThrough;
    return &aspi;
}

bool DriveManager::ProbeAspi() { return AspiTransport::Probe(osInfo); }

bool DriveManager::LoadAspi() {
    aspiLoadError = aspi.Load(osInfo);
    return !aspiLoadError.has_value();
}

void DriveManager::UnloadAspi() { aspi.Unload(); }

void DriveManager::GiveUpAbandonedAspiRequest() {
    if (!aspi.HoldsAbandonedRequest()) return;
    aspi.KeepAbandoned(readBuffer, writeBuffer);
    ReleaseBuffers();
    AllocateBuffers();
    aspi.StartAfresh();
    LoadAspi();
}

void DriveManager::CloseDrive() {
    if (deviceHandle != INVALID_HANDLE_VALUE) CloseHandle(deviceHandle);
    SetAddress(INVALID_HANDLE_VALUE, -1, -1, -1, -1);
    currentIndex = kNoDriveSelected;
}

void DriveManager::SetAddress(HANDLE handle, std::int16_t newAdapter, std::int16_t newBus,
                              std::int16_t newTarget, std::int16_t newLun) {
    deviceHandle = handle;
    adapter = newAdapter;
    bus = newBus;
    target = newTarget;
    lun = newLun;
    passThrough.Attach(handle, newAdapter, newTarget);
    aspi.SetAddress(newAdapter, newTarget, newLun);
}
