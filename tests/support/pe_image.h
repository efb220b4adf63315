// A PE32 image's headers as a build writes them, without sections, for
// tests that need a file the checksum and signature checks accept: a DOS
// header pointing at the PE signature, an i386 file header, a PE32 optional
// header with sixteen data directories. osslsigncode signs such a file. The
// CheckSum field is zero until pkg::WritePeChecksum fills it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "src/package/pe_checksum.h"

namespace testpe {

inline constexpr std::size_t kHeadersSize = 0x200;

inline void Put16(std::vector<std::uint8_t>& f, std::size_t at, std::uint16_t v) {
    f[at] = static_cast<std::uint8_t>(v);
    f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    Put16(f, at, static_cast<std::uint16_t>(v));
    Put16(f, at + 2, static_cast<std::uint16_t>(v >> 16));
}

inline std::vector<std::uint8_t> PeHeaders() {
    constexpr std::size_t pe = 0x40;
    constexpr std::size_t optional = pe + 24;
    std::vector<std::uint8_t> f(kHeadersSize, 0);
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3C, pe);
    f[pe] = 'P';
    f[pe + 1] = 'E';
    Put16(f, pe + 4, 0x014C);       // i386
    Put16(f, pe + 20, 224);         // optional header size
    Put16(f, pe + 22, 0x0102);      // executable, 32-bit
    Put16(f, optional, 0x010B);     // PE32
    Put32(f, optional + 32, 0x1000);  // section alignment
    Put32(f, optional + 36, 0x200);   // file alignment
    Put32(f, optional + 56, 0x2000);  // image size
    Put32(f, optional + 60, kHeadersSize);
    Put16(f, optional + 68, 2);       // Windows GUI
    Put32(f, optional + 92, 16);      // data directories
    return f;
}

// A file as the packer leaves it: the headers, `bodySize` code-like bytes,
// the checksum written.
inline std::vector<std::uint8_t> PackedPe(std::size_t bodySize = 0x10000) {
    std::vector<std::uint8_t> f = PeHeaders();
    for (std::size_t i = 0; i < bodySize; ++i) f.push_back(static_cast<std::uint8_t>(i * 7 + 0x90));
    pkg::WritePeChecksum(f);
    return f;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testpe
