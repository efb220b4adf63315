// The drive a dry run talks to once it reaches the first command that would
// change the real one: it answers the rest of the flash procedure without
// sending anything, so the very code that flashes produces the list of what
// it would send. It holds what was "written" and reads it back, and names
// the flash chip the real drive named at discovery.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "src/drive/transport/transport.h"

namespace nflash {

class DryRunModel {
public:
    explicit DryRunModel(std::array<std::uint8_t, 4> chipId) : chipId_(chipId) {}

    CommandResult Answer(const CommandRequest& request);

private:
    std::array<std::uint8_t, 4> chipId_;
    std::map<std::uint32_t, std::vector<std::uint8_t>> written_;  // by buffer offset
};

}  // namespace nflash
