// The opcodes and fixed fields of the commands this drive understands: the
// updater's own protocol numbers.
#pragma once

#include "src/drive/command_codes.h"

namespace vdrive::detail {

using namespace wire;

}  // namespace vdrive::detail
