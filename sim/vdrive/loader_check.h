// The loader upload: the drive knows its own flash chip, so it knows the one
// upload that carries the right loader, byte for byte, and accepts nothing else.
#pragma once

#include <cstdint>
#include <vector>

#include "drive_state.h"

namespace vdrive::detail {

struct UploadForm {
    std::uint32_t offset = 0;
    std::uint8_t control = 0;
    std::vector<std::uint8_t> bytes;  // header, then the loader, exactly as sent
};

// The upload for the drive whose chip is chip table entry `entry` (0..26).
UploadForm ExpectedUpload(int entry);

bool IsLoaderUpload(const Request& request, const DriveState& state);

// Takes the loader, or refuses it with 5/26/00 and drops any loader held:
// a wrong upload has overwritten the controller's loader memory.
Outcome UploadLoader(DriveState& state, const Request& request);

}  // namespace vdrive::detail
