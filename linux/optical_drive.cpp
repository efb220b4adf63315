#include "optical_drive.h"

namespace nflash {

std::string ScsiAddress::Text() const {
    return std::to_string(host) + ":" + std::to_string(channel) + ":" + std::to_string(target) + ":" +
           std::to_string(lun);
}

std::string OpticalDrive::Nodes() const {
    if (sgPath.empty()) return srPath.string();
    if (srPath.empty()) return sgPath.string();
    return sgPath.string() + " (" + srPath.string() + ")";
}

}  // namespace nflash
