// The image of the drive being prepared for a run: offset and size within the
// package's image area and the pointer into it. Set per drive, used only to
// fill that drive's FlashJob.
#pragma once

#include <cstdint>

#include "../package/package_reader.h"

struct RunImage {
    std::int32_t offset = 0;
    std::int32_t size = 0;
    const std::uint8_t* pointer = nullptr;
};

void ResetRunImage();
// Reads bank `bank`'s range. A range that leaves the image area yields no
// image (null pointer, size 0), which the worker refuses before sending anything.
void SelectRunImage(const pkg::PackageReader& package, int bank);
const RunImage& CurrentRunImage();
