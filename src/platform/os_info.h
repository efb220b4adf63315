// The platform family (NT or the older family) and the computer restart.
#pragma once

#include <cstdint>

class OsInfo {
public:
    // Fills the family from the version query; a failed query counts as NT.
    OsInfo();

    // 1 on an NT-family platform, 0 on the older family.
    std::uint8_t IsNtFamily() const { return ntFamily; }

    // Asks Windows to end the session as `flags` (ExitWindowsEx flags) say,
    // always forced. True when Windows accepted the request.
    bool ExitSystem(unsigned flags) const;

    // ExitSystem with reboot: Windows is asked for the flags 6.
    bool Restart() const;

private:
    std::uint8_t ntFamily = 0;
};
