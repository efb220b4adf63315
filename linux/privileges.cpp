#include "privileges.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace nflash {
namespace {

constexpr int kCapSysRawIo = 17;  // linux/capability.h

}  // namespace

Privileges ReadPrivileges(const SystemPaths& paths) {
    Privileges privileges;
    std::ifstream in(paths.proc / "self" / "status");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "Uid:") {
            long real = -1;
            long effective = -1;
            if (fields >> real >> effective) privileges.root = effective == 0;
        } else if (key == "CapEff:") {
            std::uint64_t capabilities = 0;
            if (fields >> std::hex >> capabilities) privileges.rawIo = (capabilities >> kCapSysRawIo) & 1;
        }
    }
    return privileges;
}

}  // namespace nflash
