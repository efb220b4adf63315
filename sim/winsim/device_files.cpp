// Opening a drive's device ("\\.\X:") and routing device control calls to it.
#include <cstring>

#include "device_control.h"
#include "src/platform/cdrom_exclusive.h"

namespace {

// The letter of a device path "\\.\X:", or 0 for any other name.
char DeviceLetter(LPCSTR name) {
    if (!name || std::strlen(name) != 6 || std::strncmp(name, "\\\\.\\", 4) != 0 || name[5] != ':')
        return 0;
    const char letter = static_cast<char>(name[4] & ~0x20);
    return (letter >= 'A' && letter <= 'Z') ? letter : 0;
}

HANDLE OpenDevice(sim::Machine::State& s, char letter, DWORD disposition) {
    const sim::DriveLetter* entry = letter ? s.FindLetter(letter) : nullptr;
    if (!entry) {
        sim::SetError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition != OPEN_EXISTING) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (entry->device && entry->device->openFails) {
        sim::SetError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    sim::HandleEntry handle;
    handle.kind = sim::HandleKind::Device;
    handle.letter = letter;
    return s.NewHandle(handle);
}

sim::IoctlResult Dispatch(const sim::CdromDevice& device, DWORD code, LPVOID in, DWORD inSize,
                          LPVOID out, DWORD outSize) {
    switch (code) {
    case IOCTL_SCSI_GET_ADDRESS:
        return sim::AnswerScsiAddress(device, out, outSize);
    case IOCTL_STORAGE_QUERY_PROPERTY:
        return sim::AnswerStorageQuery(device, in, inSize, out, outSize);
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
        return sim::RunPassThrough(device, in, inSize, out, outSize);
    default:
        return sim::Failure(ERROR_NOT_SUPPORTED);
    }
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD flags, HANDLE) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    HANDLE handle = OpenDevice(s, DeviceLetter(name), disposition);
    s.opens.push_back({name ? name : "", access, share, disposition, flags, handle != INVALID_HANDLE_VALUE});
    return handle;
}

// Synchronous only: an OVERLAPPED record is ignored, as the updater never
// opens devices for overlapped use.
BOOL WINAPI DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                            DWORD outSize, LPDWORD returned, LPOVERLAPPED) {
    auto& s = sim::machine().state();
    std::unique_lock lock(s.mutex);
    sim::CatchUpMediaPolling(s, lock);
    const sim::HandleEntry* entry = s.FindHandle(device, sim::HandleKind::Device);
    if (!entry) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const char letter = entry->letter;
    sim::IoctlRecord record{letter, code, {}, outSize, false};
    if (in) record.in.assign(static_cast<const BYTE*>(in), static_cast<const BYTE*>(in) + inSize);
    const std::size_t index = s.ioctls.size();
    s.ioctls.push_back(std::move(record));

    sim::DriveLetter* drive = s.FindLetter(letter);
    sim::IoctlResult result = sim::Failure(ERROR_NOT_SUPPORTED);
    if (drive && drive->device && code == cdrom::kIoctlExclusiveAccess) {
        result = sim::AnswerExclusiveAccess(*drive, device, in, inSize, out, outSize);
    } else if (drive && drive->device) {
        const sim::CdromDevice config = *drive->device;
        // Commands take drive time; other threads' devices must not wait on it.
        lock.unlock();
        result = Dispatch(config, code, in, inSize, out, outSize);
        lock.lock();
    }
    if (index < s.ioctls.size()) s.ioctls[index].succeeded = result.ok;
    if (returned) *returned = result.returned;
    if (!result.ok) sim::SetError(result.error);
    return result.ok ? TRUE : FALSE;
}
