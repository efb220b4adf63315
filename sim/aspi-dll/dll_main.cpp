// The DLL's entry points and its one manager.
//
// The manager is built on the first call, from the scenario file that
// NORVEK_ASPI_SCENARIO names, and lives until the process ends: the DLL pins
// itself when it is loaded, because the updater loads and releases the ASPI
// library several times (a silent probe, then once per drive manager), and a
// real manager's drives do not forget what was flashed into them when one
// client lets go. At process exit the drives' final state is written next to
// the log that NORVEK_ASPI_LOG names.
#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "aspi_manager.h"
#include "sim/drive-log/request_log.h"
#include "sim/scenario/scenario.h"

namespace {

// Never destroyed: worker threads refer to the manager until the process
// ends, and the exit report needs it after the C runtime has begun to unwind.
drivelog::RequestLog* g_log = nullptr;
aspidll::AspiManager* g_manager = nullptr;
std::string g_logPath;
std::once_flag g_started;

// The scripts hand over Unix paths; Wine shows the Unix root as drive Z:.
std::string WindowsPath(const char* value) {
    std::string path = value ? value : "";
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    return path;
}

void Start() {
    g_logPath = WindowsPath(std::getenv("NORVEK_ASPI_LOG"));
    g_log = new drivelog::RequestLog(g_logPath);
    const std::string scenarioPath = WindowsPath(std::getenv("NORVEK_ASPI_SCENARIO"));
    scenariofile::Scenario served;
    if (scenarioPath.empty()) {
        g_log->Line("scenario none: a working manager without adapters");
    } else {
        try {
            served = scenariofile::LoadScenario(scenarioPath);
            g_log->Line(scenariofile::Summary(scenarioPath, served));
        } catch (const scenariofile::ScenarioError& e) {
            g_log->Line(std::string("scenario error: ") + e.what());
            served = scenariofile::Scenario{};
            served.supportStatus = SS_NO_ASPI;  // what a broken scenario reports
        }
    }
    g_manager = new aspidll::AspiManager(served, *g_log);
}

aspidll::AspiManager& Manager() {
    std::call_once(g_started, Start);
    return *g_manager;
}

}  // namespace

extern "C" DWORD __cdecl GetASPI32SupportInfo() { return Manager().SupportInfo(); }

extern "C" DWORD __cdecl SendASPI32Command(void* srb) { return Manager().Send(srb); }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCSTR>(&DllMain), &self);
    } else if (reason == DLL_PROCESS_DETACH && g_manager != nullptr && !g_logPath.empty()) {
        g_manager->WriteExitReport(g_logPath);
    }
    return TRUE;
}
