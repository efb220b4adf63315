#include "pe_checksum.h"

#include <cstdio>

namespace pkg {
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
// 8-byte ImageBase of PE32+. The data directories come after the widened
// fields, 16 bytes later in PE32+.
constexpr std::uint32_t kMagicPe32 = 0x10B;
constexpr std::uint32_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kChecksumInOptionalHeader = 64;
constexpr std::size_t kDirectoryCountInPe32 = 92;
constexpr std::size_t kDirectoryCountInPe32Plus = 108;
constexpr std::size_t kCertificateDirectory = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr std::size_t kDirectoryEntrySize = 8;

struct OptionalHeader {
    std::size_t at = 0;
    std::size_t size = 0;
    std::uint32_t magic = 0;
};

std::optional<OptionalHeader> FindOptionalHeader(std::span<const std::uint8_t> file) {
    if (file.size() < kLfanewOffset + 4 || file[0] != 'M' || file[1] != 'Z') return std::nullopt;
    const std::size_t pe = Le32(file, kLfanewOffset);
    const std::size_t optional = pe + 4 + kFileHeaderSize;
    if (pe > file.size() || optional + kChecksumInOptionalHeader + 4 > file.size()) return std::nullopt;
    if (file[pe] != 'P' || file[pe + 1] != 'E' || file[pe + 2] != 0 || file[pe + 3] != 0) return std::nullopt;
    const OptionalHeader header{optional, Le16(file, pe + 4 + kOptionalHeaderSizeInFileHeader), Le16(file, optional)};
    if (header.size < kChecksumInOptionalHeader + 4) return std::nullopt;
    if (header.magic != kMagicPe32 && header.magic != kMagicPe32Plus) return std::nullopt;
    return header;
}

}  // namespace

std::optional<std::size_t> PeChecksumOffset(std::span<const std::uint8_t> file) {
    const auto header = FindOptionalHeader(file);
    if (!header) return std::nullopt;
    return header->at + kChecksumInOptionalHeader;
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

std::uint32_t StoredPeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset) {
    return Le32(file, checksumOffset);
}

std::optional<std::uint32_t> WritePeChecksum(std::span<std::uint8_t> file) {
    const auto at = PeChecksumOffset(file);
    if (!at) return std::nullopt;
    const std::uint32_t sum = PeChecksum(file, *at);
    for (std::size_t i = 0; i < 4; ++i) file[*at + i] = static_cast<std::uint8_t>(sum >> (8 * i));
    return sum;
}

std::optional<std::size_t> PeCertificateEntryOffset(std::span<const std::uint8_t> file) {
    const auto header = FindOptionalHeader(file);
    if (!header) return std::nullopt;
    const bool plus = header->magic == kMagicPe32Plus;
    const std::size_t count = plus ? kDirectoryCountInPe32Plus : kDirectoryCountInPe32;
    const std::size_t entry = count + 4 + kCertificateDirectory * kDirectoryEntrySize;
    if (header->size < entry + kDirectoryEntrySize || header->at + entry + kDirectoryEntrySize > file.size()) {
        return std::nullopt;
    }
    if (Le32(file, header->at + count) <= kCertificateDirectory) return std::nullopt;
    return header->at + entry;
}

std::string ChecksumHex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

std::string PeChecksumCheck::Problem() const {
    if (!hasHeader) return "it has no PE header";
    if (stored == computed) return "";
    return "its PE checksum is " + ChecksumHex(stored) + ", but its bytes sum to " + ChecksumHex(computed);
}

PeChecksumCheck CheckPeChecksum(std::span<const std::uint8_t> file) {
    PeChecksumCheck check;
    const auto at = PeChecksumOffset(file);
    if (!at) return check;
    check.hasHeader = true;
    check.stored = StoredPeChecksum(file, *at);
    check.computed = PeChecksum(file, *at);
    return check;
}

}  // namespace pkg
