// The power status: the machine's supply as GetSystemPowerStatus reports it.
#include "machine_state.h"

BOOL WINAPI GetSystemPowerStatus(LPSYSTEM_POWER_STATUS status) {
    auto& s = sim::machine().state();
    std::lock_guard lock(s.mutex);
    ++s.powerQueries;
    if (status == nullptr || s.power.queryFails) {
        sim::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    constexpr DWORD kUnknownTime = 0xFFFFFFFF;
    *status = SYSTEM_POWER_STATUS{s.power.acLine, s.power.batteryFlag, s.power.batteryPercent, 0, kUnknownTime,
                                  kUnknownTime};
    return TRUE;
}
