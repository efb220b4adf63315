// The address and storage descriptor queries of a CD-ROM device.
#include <algorithm>
#include <cstring>

#include "device_control.h"

namespace sim {

namespace {
constexpr BYTE kDeviceTypeCdrom = 0x05;
}

// A letter without a device fails as Wine's does (error 50), which makes the
// updater give it a synthetic address.
IoctlResult AnswerScsiAddress(const CdromDevice& device, void* out, DWORD outSize) {
    if (!out || outSize < sizeof(SCSI_ADDRESS)) return Failure(ERROR_INVALID_PARAMETER);
    if (!device.drive || device.addressQuery == AddressQuery::CallFails)
        return Failure(ERROR_NOT_SUPPORTED);
    SCSI_ADDRESS address{};
    if (device.addressQuery == AddressQuery::Answers) {
        address.Length = sizeof(SCSI_ADDRESS);
        address.PortNumber = device.port;
        address.PathId = device.pathId;
        address.TargetId = device.targetId;
        address.Lun = device.lun;
    }
    std::memcpy(out, &address, sizeof address);
    return {true, ERROR_SUCCESS, sizeof address};
}

// Answers only the standard query for the device property; the descriptor is
// cut to the caller's buffer, as the platform does for a short buffer.
IoctlResult AnswerStorageQuery(const CdromDevice& device, const void* in, DWORD inSize, void* out,
                               DWORD outSize) {
    constexpr DWORD kQueryHeader = 2 * sizeof(DWORD);
    if (!in || inSize < kQueryHeader || !out || outSize < kQueryHeader)
        return Failure(ERROR_INVALID_PARAMETER);
    DWORD property = 0;
    DWORD queryType = 0;
    std::memcpy(&property, in, sizeof property);
    std::memcpy(&queryType, static_cast<const BYTE*>(in) + sizeof property, sizeof queryType);
    if (property != StorageDeviceProperty || queryType != PropertyStandardQuery)
        return Failure(ERROR_NOT_SUPPORTED);
    if (device.storageQueryFails) return Failure(ERROR_IO_DEVICE);

    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    descriptor.Version = sizeof descriptor;
    descriptor.Size = sizeof descriptor;
    descriptor.DeviceType = kDeviceTypeCdrom;
    descriptor.RemovableMedia = 1;
    descriptor.BusType = device.busType;
    const DWORD copied = std::min<DWORD>(outSize, sizeof descriptor);
    std::memcpy(out, &descriptor, copied);
    return {true, ERROR_SUCCESS, copied};
}

}  // namespace sim
