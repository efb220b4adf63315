#include <cstring>

#include "drive_manager.h"

namespace {

constexpr char kAspiLibraryName[] = "WNASPI32";
constexpr char kAspiLibraryFile[] = "\\WNASPI32.DLL";
constexpr UINT kSystemDirectoryCapacity = 260;

// The updater runs elevated on NT-family systems, where a plain library name
// is also looked up in the program's own and the current folder: a DLL
// planted there would run with administrator rights. The ASPI manager is
// therefore only taken from the system directory. The older family has no
// such elevation and keeps the ordinary name search.
HMODULE LoadAspiLibrary(const OsInfo& osInfo) {
    if (!osInfo.IsNtFamily()) return LoadLibraryA(kAspiLibraryName);
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

void ShowLoadError(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
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

bool DriveManager::ProbeAspi() {
    HMODULE module = LoadAspiLibrary(osInfo);
    if (module == nullptr) return false;
    auto supportInfo = EntryPoint<GetASPI32SupportInfoFn>(module, "GetASPI32SupportInfo");
    auto sendCommand = EntryPoint<SendASPI32CommandFn>(module, "SendASPI32Command");
    const bool working = supportInfo != nullptr && sendCommand != nullptr &&
                         SupportStatus(supportInfo) == SS_COMP;
    FreeLibrary(module);
    return working;
}

bool DriveManager::LoadAspi() {
    aspiModule = LoadAspiLibrary(osInfo);
    if (aspiModule == nullptr) {
        ShowLoadError("LoadLibrary:\nWNASPI32.DLL not found.", "Error FS 002");
        return false;
    }
    pfnGetASPI32SupportInfo =
        EntryPoint<GetASPI32SupportInfoFn>(aspiModule, "GetASPI32SupportInfo");
    if (pfnGetASPI32SupportInfo == nullptr) {
        UnloadAspi();
        ShowLoadError("GetProcAddress:\nGetASPI32SupportInfo not fount.", "Error FS 003");
        return false;
    }
    pfnSendASPI32Command = EntryPoint<SendASPI32CommandFn>(aspiModule, "SendASPI32Command");
    if (pfnSendASPI32Command == nullptr) {
        UnloadAspi();
        ShowLoadError("GetProcAddress:\npfnSendASPI32Command not found.", "Error FS 004");
        return false;
    }
    const BYTE status = SupportStatus(pfnGetASPI32SupportInfo);
    if (status == SS_COMP) return true;
    ShowLoadError(SupportStatusText(status), "GetASPISupportInfo:");
    UnloadAspi();
    return false;
}

void DriveManager::UnloadAspi() {
    if (aspiModule != nullptr) FreeLibrary(aspiModule);
    aspiModule = nullptr;
    pfnSendASPI32Command = nullptr;
    pfnGetASPI32SupportInfo = nullptr;
}
