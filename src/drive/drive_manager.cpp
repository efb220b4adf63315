#include "drive_manager.h"

#include <cstring>
#include <new>

#include "abandoned_requests.h"
#include "app_tag.h"

namespace {

// The buffers come zeroed from the process heap: no command ever sends bytes
// left over from whatever the heap held before.
std::uint8_t* AllocateBuffer() {
    HANDLE heap = GetProcessHeap();
    if (heap == nullptr) return nullptr;
    return static_cast<std::uint8_t*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, kBufferSize));
}

void ReleaseBuffer(std::uint8_t*& buffer) {
    if (buffer != nullptr) HeapFree(GetProcessHeap(), 0, buffer);
    buffer = nullptr;
}

// ASPI is used where the window asked for it and a working manager answers,
// and always on the older family, which has no pass-through interface.
void ChooseTransport(DriveManager& m) {
    m.useAspi = ApplicationTag() == kPreferAspiTag ? 1 : 0;
    m.aspiAvailable = m.ProbeAspi() ? 1 : 0;
    m.useAspi = (m.useAspi && m.aspiAvailable) ? 1 : 0;
    if (!m.osInfo.IsNtFamily()) m.useAspi = 1;
    m.UnloadAspi();
    if (m.useAspi) m.LoadAspi();  // a failure has been shown to the user already
}

}  // namespace

DriveManager::DriveManager() : DriveManager(true) {}

DriveManager::DriveManager(bool discover) {
    Initialise();
    if (discover) Discover();
}

DriveManager::~DriveManager() {
    if (aspiRequestAbandoned) {
        // The ASPI manager may still complete the request: everything it
        // would touch lives on without this manager.
        KeepForProcessLifetime(
            {aspiRequest.release(), abandonedEvent, readBuffer, writeBuffer, aspiModule});
    } else {
        FreeBuffers();
        UnloadAspi();
    }
    CloseDrive();
}


void DriveManager::Initialise() {
    adapter = target = lun = bus = -1;
    currentIndex = kNoDriveSelected;
    aspiModule = nullptr;
    timeoutSeconds = kDefaultTimeoutSeconds;
    deviceHandle = INVALID_HANDLE_VALUE;
    retryOnFailure = 0;
    driveCount = 0;
    std::memset(drives, 0, sizeof drives);
    std::memset(vendor, 0, sizeof vendor);
    std::memset(product, 0, sizeof product);
    std::memset(revision, 0, sizeof revision);

    readBuffer = AllocateBuffer();
    writeBuffer = AllocateBuffer();
    aspiRequest.reset(new (std::nothrow) SRB_ExecSCSICmd{});

    errorCode = 0;
    lastStatus = kStatusFailed;
    senseKey = asc = ascq = 0;
    lastElapsed = 0.0;
    lastTransferLength = 0;
    lastTooSlow = 0;
    std::memset(lastCdb, 0, sizeof lastCdb);

    ChooseTransport(*this);
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
}

void DriveManager::FreeBuffers() {
    ReleaseBuffer(readBuffer);
    ReleaseBuffer(writeBuffer);
}
