// The drive letter list and drive types.
#include <cstring>
#include <string>

#include "machine_state.h"

namespace {

// "C:\<0>D:\<0><0>": every root followed by its zero byte, then an empty string.
std::string DriveStrings(const std::vector<sim::DriveLetter>& letters) {
    std::string list;
    for (const auto& entry : letters) {
        list += entry.letter;
        list += ":\\";
        list += '\0';
    }
    list += '\0';
    return list;
}

}  // namespace

// The platform's contract: when the buffer is too small (a size query passes
// 0), the result is the size needed including the final zero byte; when it
// fits, the result is the length copied without that final zero byte. 0 means
// failure, or a machine without any drive.
DWORD WINAPI GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (s.driveStringsFail) {
        sim::SetError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (s.letters.empty()) {
        sim::SetError(ERROR_SUCCESS);
        return 0;
    }
    if (!buffer && bufferLength > 0) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string list = DriveStrings(s.letters);
    const auto needed = static_cast<DWORD>(list.size());
    if (bufferLength < needed) return needed;
    std::memcpy(buffer, list.data(), list.size());
    return needed - 1;
}

// Accepts "X:\" and "X:"; anything else has no root directory here.
UINT WINAPI GetDriveTypeA(LPCSTR rootPath) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (!rootPath || !rootPath[0] || rootPath[1] != ':') return DRIVE_NO_ROOT_DIR;
    if (rootPath[2] != '\0' && !(rootPath[2] == '\\' && rootPath[3] == '\0')) return DRIVE_NO_ROOT_DIR;
    const sim::DriveLetter* entry = s.FindLetter(rootPath[0]);
    return entry ? entry->type : DRIVE_NO_ROOT_DIR;
}
