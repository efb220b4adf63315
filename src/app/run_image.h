// The image one drive of a run receives: offset and size within the
// package's image area and the pointer into it, read from the drive's bank.
#pragma once

#include <cstdint>

#include "../package/package_reader.h"

struct RunImage {
    std::int32_t offset = 0;
    std::int32_t size = 0;
    const std::uint8_t* pointer = nullptr;
};

// Bank `bank`'s range. A range that leaves the image area yields no image
// (null pointer, size 0), which the worker refuses before sending anything.
RunImage ImageOfBank(const pkg::PackageReader& package, int bank);
