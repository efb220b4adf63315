#include "pe_checksum.h"

namespace pack {
namespace {

std::uint32_t Le32(std::span<const std::uint8_t> file, std::size_t at) {
    return std::uint32_t{file[at]} | std::uint32_t{file[at + 1]} << 8 | std::uint32_t{file[at + 2]} << 16 |
           std::uint32_t{file[at + 3]} << 24;
}

std::uint32_t Le16(std::span<const std::uint8_t> file, std::size_t at) {
    return std::uint32_t{file[at]} | std::uint32_t{file[at + 1]} << 8;
}

constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kOptionalHeaderSizeInFileHeader = 16;
// The optional header starts with its magic: PE32 (the 32-bit edition) or
// PE32+ (the 64-bit one). The two differ from the image base on, where
// PE32+ widens its address fields to 8 bytes and drops BaseOfData; the
// fields up to and including CheckSum keep their offsets, because PE32's
// 4-byte BaseOfData and 4-byte ImageBase together take the place of the
// 8-byte ImageBase of PE32+.
constexpr std::uint32_t kMagicPe32 = 0x10B;
constexpr std::uint32_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kChecksumInOptionalHeader = 64;

}  // namespace

std::optional<std::size_t> PeChecksumOffset(std::span<const std::uint8_t> file) {
    if (file.size() < kLfanewOffset + 4 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
    const std::size_t pe = Le32(file, kLfanewOffset);
    const std::size_t checksum = pe + 4 + kFileHeaderSize + kChecksumInOptionalHeader;
    if (pe > file.size() || checksum + 4 > file.size()) return std::nullopt;
    if (file[pe] != 'P' || file[pe + 1] != 'E' || file[pe + 2] != 0 || file[pe + 3] != 0) return std::nullopt;
    const std::size_t optionalHeaderSize = Le16(file, pe + 4 + kOptionalHeaderSizeInFileHeader);
    if (optionalHeaderSize < kChecksumInOptionalHeader + 4) return std::nullopt;
    const std::uint32_t magic = Le16(file, pe + 4 + kFileHeaderSize);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) return std::nullopt;
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
