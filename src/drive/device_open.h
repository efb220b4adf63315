// Opening a drive's device from its root path, as the scan and the selection do.
#pragma once

#include "../platform/win32.h"

// Opens "\\.\X:" (the first two characters of rootPath) for reading and
// writing, shared; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenDriveDevice(const char* rootPath);

// Owns a device handle for the length of one query.
class DeviceHandle {
public:
    explicit DeviceHandle(const char* rootPath) : handle_(OpenDriveDevice(rootPath)) {}
    ~DeviceHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};
