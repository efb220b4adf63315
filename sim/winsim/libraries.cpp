// Loading WNASPI32: the only library this machine has besides the system's.
#include <cstring>
#include <string>
#include <strings.h>

#include "aspi_entry_points.h"

namespace {

constexpr const char* kSystemDirectory = "C:\\WINDOWS\\system32";

// The manager lives in the system directory only: a bare name finds it
// there, a full path only when it names that directory.
bool NamesAspiManager(const std::string& name) {
    const std::string full = std::string(kSystemDirectory) + "\\WNASPI32.DLL";
    return strcasecmp(name.c_str(), "WNASPI32") == 0 || strcasecmp(name.c_str(), "WNASPI32.DLL") == 0 ||
           strcasecmp(name.c_str(), full.c_str()) == 0;
}

bool IsOrdinal(LPCSTR name) { return reinterpret_cast<std::uintptr_t>(name) < 0x10000; }

// Exports are handed out as FARPROC and cast back by the caller; going through
// the generic function pointer type says that this is intended.
template <typename F>
FARPROC Export(F* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

namespace sim {

void NoteAspiCall(Machine::State& s) {
    if (s.aspiReferences == 0) ++s.aspiCallsWhileUnloaded;
}

DWORD __cdecl AspiGetSupportInfo() {
    auto& s = machine().state();
    std::lock_guard lock(s.mutex);
    NoteAspiCall(s);
    return s.aspiManager->SupportInfo();
}

}  // namespace sim

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    const std::string wanted = name ? name : "";
    s.loadNames.push_back(wanted);
    if (!s.aspi.installed || !NamesAspiManager(wanted)) {
        sim::SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++s.aspiReferences;
    ++s.aspiLoads;
    return sim::AspiModuleHandle();
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (module != sim::AspiModuleHandle() || s.aspiReferences == 0) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!name || IsOrdinal(name)) {
        sim::SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (!s.aspi.supportInfoMissing && std::strcmp(name, "GetASPI32SupportInfo") == 0)
        return Export(&sim::AspiGetSupportInfo);
    if (!s.aspi.sendCommandMissing && std::strcmp(name, "SendASPI32Command") == 0)
        return Export(&sim::AspiSendCommand);
    sim::SetError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    if (module != sim::AspiModuleHandle() || s.aspiReferences == 0) {
        sim::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --s.aspiReferences;
    return TRUE;
}

// The platform's contract: the length copied without the zero byte, or the
// size needed including it when the buffer is too small.
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    const auto length = static_cast<UINT>(std::strlen(kSystemDirectory));
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, kSystemDirectory, length + 1);
    return length;
}
