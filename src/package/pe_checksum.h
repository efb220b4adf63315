// The CheckSum field of a PE optional header: the packer writes it, signing
// tools keep it right, and the updater (either edition) and norvek-flash
// check it to tell a damaged or altered file from the one that was packed.
// One routine for all of them, so they can never disagree about a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pkg {

// File offset of the CheckSum field of a PE32 or PE32+ image, or nothing
// when the file has no valid PE header (an ELF host build, for one) or its
// optional header is of another kind.
std::optional<std::size_t> PeChecksumOffset(std::span<const std::uint8_t> file);

// The standard image checksum: the file summed as little-endian 16-bit words
// with carries folded back in, the CheckSum field counted as zero, plus the
// file length.
std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset);

// The value the CheckSum field holds.
std::uint32_t StoredPeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset);

// Recomputes the CheckSum field and writes it; the sum written, or nothing
// when the file has no PE header.
std::optional<std::uint32_t> WritePeChecksum(std::span<std::uint8_t> file);

// File offset of the certificate table's entry (offset, size) among the
// data directories, where an Authenticode signature is found; nothing when
// the header has no such entry.
std::optional<std::size_t> PeCertificateEntryOffset(std::span<const std::uint8_t> file);

// "0x0001a2f0": how a checksum is written in messages.
std::string ChecksumHex(std::uint32_t value);

struct PeChecksumCheck {
    bool hasHeader = false;
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;

    bool Matches() const { return hasHeader && stored == computed; }
    // What is wrong, for a message: "it has no PE header", or "its PE
    // checksum is 0x..., but its bytes sum to 0x...". Empty when it matches.
    std::string Problem() const;
};

PeChecksumCheck CheckPeChecksum(std::span<const std::uint8_t> file);

}  // namespace pkg
