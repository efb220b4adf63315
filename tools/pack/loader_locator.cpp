#include "loader_locator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "byte_search.h"
#include "sha256.h"
#include "src/flash/loader_record.h"

namespace pack {
namespace {

std::vector<std::size_t> MagicPositions(std::span<const std::uint8_t> file) {
    static constexpr std::array<char, 16> kMagic = LoaderRecordMagic();
    return Occurrences(file, kMagic);
}

LoaderSet Damaged(std::size_t at, const std::string& what) {
    LoaderSet set;
    set.state = LoaderRecordState::kDamaged;
    set.problem = "the loader record at file offset " + HexOffset(at) + " is damaged: " + what;
    return set;
}

LoaderSet CheckRecord(std::span<const std::uint8_t> file, std::size_t at) {
    LoaderRecord record;
    if (file.size() - at < sizeof record) return Damaged(at, "the file ends inside it");
    std::memcpy(&record, file.data() + at, sizeof record);
    const std::uint32_t size = FromLittleEndian32(record.storeSize);
    if (size != kLoaderStoreSize) {
        return Damaged(at, "it records a store of " + std::to_string(size) + " bytes, a loader store has " +
                               std::to_string(kLoaderStoreSize));
    }
    if (record.kind != kTestLoaderSet && record.kind != kMakersLoaderSet) {
        return Damaged(at, "unknown loader set kind " + std::to_string(record.kind));
    }
    const std::size_t storeAt = at + sizeof record;
    if (file.size() - storeAt < size) return Damaged(at, "the file ends inside the store");
    if (const auto digest = Sha256(file.subspan(storeAt, size)); digest != record.sha256) {
        return Damaged(at, "the store's SHA-256 is " + DigestHex(digest) + ", the record says " +
                               DigestHex(record.sha256));
    }
    LoaderSet set;
    set.state = LoaderRecordState::kFound;
    set.recordOffset = at;
    set.storeOffset = storeAt;
    set.storeSize = size;
    set.testSet = record.kind == kTestLoaderSet;
    set.sha256 = record.sha256;
    return set;
}

}  // namespace

LoaderSet LocateLoaderSet(std::span<const std::uint8_t> file) {
    const std::vector<std::size_t> found = MagicPositions(file);
    if (found.empty()) {
        LoaderSet set;
        set.problem = "no loader record found: the file cannot say which loaders it carries";
        return set;
    }
    if (found.size() > 1) {
        LoaderSet set;
        set.state = LoaderRecordState::kDamaged;
        set.problem =
            "more than one loader record found (file offsets " + HexOffset(found[0]) + " and " + HexOffset(found[1]) + ")";
        return set;
    }
    return CheckRecord(file, found[0]);
}

std::string LoaderSetName(const LoaderSet& set) { return set.testSet ? "generated test set" : "maker's set"; }

}  // namespace pack
