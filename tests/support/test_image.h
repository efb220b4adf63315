// Deterministic firmware images for tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testimage {

// Every piece differs from every other, so a piece sent to the wrong offset
// or read back from the wrong one shows.
inline std::vector<std::uint8_t> MakeImage(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> image(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : image) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return image;
}

}  // namespace testimage
