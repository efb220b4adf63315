// The CheckSum field of a PE optional header. Windows checks it only for
// drivers and some system files, but a packed file should not carry the
// template's stale value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pack {

// File offset of the CheckSum field of a PE32 or PE32+ image, or nothing
// when the file has no valid PE header (an ELF host build, for one) or its
// optional header is of another kind.
std::optional<std::size_t> PeChecksumOffset(std::span<const std::uint8_t> file);

// The standard image checksum: the file summed as little-endian 16-bit words
// with carries folded back in, the CheckSum field counted as zero, plus the
// file length.
std::uint32_t PeChecksum(std::span<const std::uint8_t> file, std::size_t checksumOffset);

}  // namespace pack
