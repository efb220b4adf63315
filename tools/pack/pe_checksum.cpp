#include "pe_checksum.h"

namespace pack {
namespace {

std::uint32_t Le32(std::span<const std::uint8_t> file, std::size_t at) {
    return std::uint32_t{file[at]} | std::uint32_t{file[at + 1]} << 8 | std::uint32_t{file[at + 2]} << 16 |
           std::uint32_t{file[at + 3]} << 24;
}

constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kChecksumInOptionalHeader = 64;  // the same for PE32 and PE32+

}  // namespace

std::optional<std::size_t> PeChecksumOffset(std::span<const std::uint8_t> file) {
    if (file.size() < kLfanewOffset + 4 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
    const std::size_t pe = Le32(file, kLfanewOffset);
    const std::size_t checksum = pe + 4 + kFileHeaderSize + kChecksumInOptionalHeader;
    if (pe > file.size() || checksum + 4 > file.size()) return std::nullopt;
    if (file[pe] != 'P' || file[pe + 1] != 'E' || file[pe + 2] != 0 || file[pe + 3] != 0) return std::nullopt;
    const std::size_t optionalHeaderSize = file[pe + 20] | file[pe + 21] << 8;
    if (optionalHeaderSize < kChecksumInOptionalHeader + 4) return std::nullopt;
    return checksum;
}

std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset) {
    // The field's own bytes count as zero; an odd last byte is a word of its own.
    const auto byteAt = [&](std::size_t at) -> std::uint32_t {
        if (at >= file.size() || (at >= checksumOffset && at < checksumOffset + 4)) return 0;
        return file[at];
    };
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        sum += byteAt(at) | byteAt(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return sum + static_cast<std::uint32_t>(file.size());
}

}  // namespace pack
