// Finding a marker in a file's bytes, and naming file offsets in messages.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace pack {

// Every position where `pattern` starts, overlapping ones included, in file order.
template <typename Pattern>
std::vector<std::size_t> Occurrences(std::span<const std::uint8_t> file, const Pattern& pattern) {
    std::vector<std::size_t> found;
    auto at = file.begin();
    while ((at = std::search(at, file.end(), pattern.begin(), pattern.end())) != file.end()) {
        found.push_back(static_cast<std::size_t>(at - file.begin()));
        ++at;
    }
    return found;
}

// A file offset as messages show it: "0x1f3a".
inline std::string HexOffset(std::size_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%zx", value);
    return text;
}

}  // namespace pack
