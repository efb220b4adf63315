// Finds the loader record (src/flash/loader_record.h) in the bytes of a built
// updater and checks it against the store behind it. Shared by norvek-pack
// and any tool that takes the loaders out of an updater file; it needs
// nothing but the bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pack {

enum class LoaderRecordState {
    kFound,    // one record, its size and SHA-256 match the store behind it
    kMissing,  // no record at all: the file cannot say which loaders it carries
    kDamaged,  // a record that does not hold, or more than one
};

struct LoaderSet {
    LoaderRecordState state = LoaderRecordState::kMissing;
    std::string problem;  // for kMissing and kDamaged: what is wrong, in words
    // The rest is valid for kFound only.
    std::size_t recordOffset = 0;
    std::size_t storeOffset = 0;  // the store's bytes in the file
    std::size_t storeSize = 0;
    bool testSet = false;  // the generated test set: never for a real drive
    std::array<std::uint8_t, 32> sha256{};
};

LoaderSet LocateLoaderSet(std::span<const std::uint8_t> file);

// "generated test set" or "maker's set".
std::string LoaderSetName(const LoaderSet& set);

}  // namespace pack
