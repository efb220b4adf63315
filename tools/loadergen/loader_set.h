// The generated test loader set: stand-ins for the drive maker's loaders with
// the lengths of the store, recognisable by their tag so that a drive (or a
// person reading a command log) can tell which loader arrived.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace loadergen {

// Every loader starts "NVLD", its group number as one byte, its chip name and
// a zero byte, so the virtual drive can tell which loader it received.
constexpr std::string_view kTagMagic = "NVLD";
// Every loader ends in this many zero bytes: the 1280-byte loaders lose their
// last six bytes to the header, and the real loaders end in zero fill.
constexpr std::size_t kZeroTail = 8;

std::string_view GroupChipName(int group);
// One group's loader, `length` bytes.
std::vector<std::uint8_t> MakeLoader(int group, std::size_t length);
// All 22 loaders end to end in group order, with the lengths of the chip table.
std::vector<std::uint8_t> MakeLoaderStore();

}  // namespace loadergen
