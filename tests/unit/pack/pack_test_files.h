// Files for the packer tests: a scratch folder per test and a synthetic
// "executable" holding the template block between other bytes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sha256.h"
#include "src/flash/loader_record.h"
#include "src/package/package_layout.h"
#include "src/package/package_reader.h"

namespace packtest {

namespace fs = std::filesystem;

inline constexpr std::size_t kBlockAt = 0x1234;

class ScratchDir {
public:
    ScratchDir() {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("norvek-pack-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
                 std::to_string(getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

inline std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Code-like bytes, the template block at kBlockAt, and more bytes after it.
inline std::vector<std::uint8_t> SyntheticTemplate() {
    std::vector<std::uint8_t> file(kBlockAt, 0xCC);
    const std::uint8_t* block = pkg::EmbeddedBlock();
    file.insert(file.end(), block, block + pkg::kBlockSize);
    file.insert(file.end(), 0x333, 0x90);
    return file;
}

// A loader record of `kind` and a store of recognisable bytes behind it, as
// the build lays them out, appended to `file`; returns the record's offset.
inline std::size_t AppendLoaderRecord(std::vector<std::uint8_t>& file, LoaderSetKind kind) {
    std::vector<std::uint8_t> store(kLoaderStoreSize);
    for (std::size_t i = 0; i < store.size(); ++i) store[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    const LoaderRecord record{LoaderRecordMagic(), LittleEndian32(kLoaderStoreSize), kind, {}, pack::Sha256(store)};
    const std::size_t at = file.size();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    file.insert(file.end(), bytes, bytes + sizeof record);
    file.insert(file.end(), store.begin(), store.end());
    return at;
}

// An image of `size` bytes that differ from bank to bank.
inline std::vector<std::uint8_t> Image(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + seed + (i >> 9));
    return image;
}

}  // namespace packtest
