#include "privileges.h"

#include <sys/capability.h>
#include <unistd.h>

#include <memory>

namespace nflash {

Privileges ReadPrivileges() {
    Privileges privileges;
    privileges.root = ::geteuid() == 0;
    const std::unique_ptr<std::remove_pointer_t<cap_t>, decltype(&cap_free)> caps(cap_get_proc(), &cap_free);
    cap_flag_value_t rawIo = CAP_CLEAR;
    if (caps && cap_get_flag(caps.get(), CAP_SYS_RAWIO, CAP_EFFECTIVE, &rawIo) == 0) {
        privileges.rawIo = rawIo == CAP_SET;
    }
    return privileges;
}

}  // namespace nflash
