// The program's own module file name (GetModuleFileNameA).
#include <cstring>

#include "machine_state.h"

void sim::Machine::SetModuleFileName(std::string path) {
    std::lock_guard lock(state_->mutex);
    state_->moduleFileName = std::move(path);
}

// The platform's contract: the length copied without the zero byte; a
// buffer too small gets the name cut to size - 1 characters and its zero,
// returns size and sets ERROR_INSUFFICIENT_BUFFER. Only the program's own
// module (a null handle) has a name here.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (module != nullptr || s.moduleFileName.empty()) {
        sim::SetError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size == 0) {
        sim::SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::size_t length = s.moduleFileName.size();
    if (length >= size) {
        std::memcpy(buffer, s.moduleFileName.data(), size - 1);
        buffer[size - 1] = '\0';
        sim::SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, s.moduleFileName.c_str(), length + 1);
    return static_cast<DWORD>(length);
}
