#include "device_open.h"

HANDLE OpenDriveDevice(const char* rootPath) {
    if (rootPath == nullptr || rootPath[0] == '\0' || rootPath[1] == '\0') {
        return INVALID_HANDLE_VALUE;
    }
    const char path[] = {'\\', '\\', '.', '\\', rootPath[0], rootPath[1], '\0'};
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}
