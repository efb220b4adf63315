// The maker's packed updater file (either Windows edition): its package
// block, read with the same reader as the Windows program, and its loader
// store, found and checked by the record the build put in front of it. A
// user needs nothing but the vendor's download.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "authenticode.h"
#include "exit_codes.h"
#include "src/package/package_reader.h"
#include "tools/pack/loader_locator.h"

namespace nflash {

struct UpdaterFile {
    std::filesystem::path path;
    std::vector<std::uint8_t> bytes;
    std::size_t blockOffset = 0;
    pack::LoaderSet loaders;
    std::uint32_t peChecksum = 0;  // stored and matching
    SignatureCheck signature;      // Unsigned or Matches

    pkg::PackageReader Package() const { return pkg::PackageReader(bytes.data() + blockOffset); }
    const std::uint8_t* LoaderStoreBytes() const { return bytes.data() + loaders.storeOffset; }
    // The image of a bank in use (checked when the file was loaded).
    const std::uint8_t* Image(int bank) const;
};

struct LoadedFile {
    std::optional<UpdaterFile> file;  // empty when refused
    ExitCode code = ExitCode::Success;
    std::string message;  // why it was refused
};

// Refuses, with BadInput: a file that cannot be read, has no package block
// or a damaged one, has no PE header or a PE checksum its bytes do not sum
// to, carries an Authenticode signature that does not match its bytes, carries no firmware (a template), has a bank in use
// whose image is not whole 16 KiB pieces inside the image area, or has no
// usable loader record. With Refused: the generated test loader set, unless
// `allowTestLoaders`.
LoadedFile LoadUpdaterFile(const std::filesystem::path& path, bool allowTestLoaders);

}  // namespace nflash
