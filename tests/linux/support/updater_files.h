// Updater files for the tests: a synthetic "executable" holding the
// template package block and a loader record with its store, as a Windows
// build lays them out, packed with the packer's own code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "src/flash/loader_record.h"

namespace sgsim {

// PE headers and code-like bytes, a package block (the template's, or `block`), more bytes,
// the loader record and `store` behind it. An empty store means no record.
std::vector<std::uint8_t> SyntheticTemplate(LoaderSetKind kind, const std::vector<std::uint8_t>& store,
                                            const std::uint8_t* block = nullptr);

// The generated test set the virtual drives check uploads against.
std::vector<std::uint8_t> TestLoaderStore();

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// The demo image (make-demo-image's bytes).
std::vector<std::uint8_t> DemoImage();

// The demo image with the last `bytes` of every 16 KiB piece zero: a
// read-back that stops that short still compares equal, byte for byte,
// with the zeroed tail of the read buffer.
std::vector<std::uint8_t> DemoImageWithZeroTails(std::size_t bytes);

// Packs `manifestText` (its images named relative to `dir`) into `templateBytes`
// and writes the result to dir/name; throws when the packer refuses.
std::filesystem::path PackUpdater(const std::filesystem::path& dir, const std::string& name,
                                  const std::vector<std::uint8_t>& templateBytes, const std::string& manifestText);

// The demo package (packages/demo/demo.toml with the demo image) packed
// into a synthetic template carrying the test loaders.
std::filesystem::path DemoUpdater(const std::filesystem::path& dir, const std::string& name = "demo-updater.exe");

// The demo package with another image and some settings lines replaced
// ("chkdisc = 1" replaces the manifest's chkdisc line).
std::filesystem::path DemoUpdaterWith(const std::filesystem::path& dir, const std::vector<std::uint8_t>& image,
                                      const std::vector<std::string>& settings,
                                      const std::string& name = "demo-updater.exe");

// Signs `in` into `out` with Authenticode (tests/signing/sign_file.sh, a
// throwaway certificate "CN=Norvek test signer"); false, with the reason in
// `problem`, when the signing tools are missing or fail.
bool SignedCopy(const std::filesystem::path& in, const std::filesystem::path& out, std::string& problem);

// A fresh, empty folder for one test, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace sgsim
