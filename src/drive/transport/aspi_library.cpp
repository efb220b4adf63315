// Finding and loading the ASPI manager's library.
#include <cstring>

#include "aspi_transport.h"

namespace {

constexpr char kAspiLibraryName[] = "WNASPI32";
constexpr char kAspiLibraryFile[] = "\\WNASPI32.DLL";
constexpr UINT kSystemDirectoryCapacity = 260;

// The updater runs elevated on NT-family systems, where a plain library name
// is also looked up in the program's own and the current folder: a DLL
// planted there would run with administrator rights. The ASPI manager is
// therefore only taken from the system directory. The older family has no
// such elevation and keeps the ordinary name search.
HMODULE LoadAspiLibrary(const OsInfo& os) {
    if (!os.IsNtFamily()) return LoadLibraryA(kAspiLibraryName);
    char path[kSystemDirectoryCapacity + sizeof kAspiLibraryFile];
    const UINT length = GetSystemDirectoryA(path, kSystemDirectoryCapacity);
    if (length == 0 || length >= kSystemDirectoryCapacity) return nullptr;
    std::memcpy(path + length, kAspiLibraryFile, sizeof kAspiLibraryFile);
    return LoadLibraryA(path);
}

// GetProcAddress hands back a generic function pointer; the ASPI entry points
// are __cdecl functions of the given type.
template <typename Fn>
Fn EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The manager's state is bits 8-15 of the support answer; bits 0-7 count the
// host adapters.
BYTE SupportStatus(GetASPI32SupportInfoFn supportInfo) {
    return static_cast<BYTE>((supportInfo() >> 8) & 0xFF);
}

const char* SupportStatusText(BYTE status) {
    switch (status) {
        case SS_OLD_MANAGER: return "Old ASPI manager.";
        case SS_ILLEGAL_MODE: return "ASPI for Windows does not support real mode.";
        case SS_NO_ASPI: return "Could not find the ASPI manager.";
        default: return "Error initializing ASPI.";
    }
}

}  // namespace

bool AspiTransport::Probe(const OsInfo& os) {
    HMODULE module = LoadAspiLibrary(os);
    if (module == nullptr) return false;
    auto supportInfo = EntryPoint<GetASPI32SupportInfoFn>(module, "GetASPI32SupportInfo");
    auto sendCommand = EntryPoint<SendASPI32CommandFn>(module, "SendASPI32Command");
    const bool working = supportInfo != nullptr && sendCommand != nullptr &&
                         SupportStatus(supportInfo) == SS_COMP;
    FreeLibrary(module);
    return working;
}

std::optional<AspiLoadError> AspiTransport::Load(const OsInfo& os) {
    module_ = LoadAspiLibrary(os);
    if (module_ == nullptr) return AspiLoadError{"LoadLibrary:\nWNASPI32.DLL not found.", "Error FS 002"};
    supportInfo_ = EntryPoint<GetASPI32SupportInfoFn>(module_, "GetASPI32SupportInfo");
    if (supportInfo_ == nullptr) {
        Unload();
        return AspiLoadError{"GetProcAddress:\nGetASPI32SupportInfo not fount.", "Error FS 003"};
    }
    sendCommand_ = EntryPoint<SendASPI32CommandFn>(module_, "SendASPI32Command");
    if (sendCommand_ == nullptr) {
        Unload();
        return AspiLoadError{"GetProcAddress:\npfnSendASPI32Command not found.", "Error FS 004"};
    }
    const BYTE status = SupportStatus(supportInfo_);
    if (status == SS_COMP) return std::nullopt;
    Unload();
    return AspiLoadError{SupportStatusText(status), "GetASPISupportInfo:"};
}

void AspiTransport::Unload() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
    sendCommand_ = nullptr;
    supportInfo_ = nullptr;
}
