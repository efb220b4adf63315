// The record in front of the embedded loader store. It lets a tool that only
// has the built file find the store, check that its bytes are the ones the
// build embedded, and tell whether they are the generated test set (random
// bytes that must never be uploaded to a real drive) or the maker's loaders.
//
// In the file the record is immediately followed by the store:
//   0  magic, 16 bytes, "NORVEK-LOADERS/1" (no NUL)
//  16  store size, 32-bit little-endian
//  20  kind: 1 the generated test set, 0 the maker's set
//  21  3 zero bytes
//  24  SHA-256 of the store bytes that follow the record
//  56  the store
// All fields are bytes, so the layout is the same for every target.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "chip_table.h"

// A function, not a constant: debug information records the value of a
// constant that has no storage, and a second copy of the magic in the file
// would make the record ambiguous.
constexpr std::array<char, 16> LoaderRecordMagic() {
    return {'N', 'O', 'R', 'V', 'E', 'K', '-', 'L', 'O', 'A', 'D', 'E', 'R', 'S', '/', '1'};
}

enum LoaderSetKind : std::uint8_t {
    kMakersLoaderSet = 0,
    kTestLoaderSet = 1,
};

struct LoaderRecord {
    std::array<char, 16> magic;
    std::array<std::uint8_t, 4> storeSize;  // little-endian
    std::uint8_t kind;                      // LoaderSetKind
    std::array<std::uint8_t, 3> reserved;
    std::array<std::uint8_t, 32> sha256;
};
static_assert(sizeof(LoaderRecord) == 56);
static_assert(offsetof(LoaderRecord, storeSize) == 16);
static_assert(offsetof(LoaderRecord, kind) == 20);
static_assert(offsetof(LoaderRecord, sha256) == 24);

// The record and the store in one object, so the linker cannot part them.
struct RecordedLoaderStore {
    LoaderRecord record;
    std::uint8_t store[kLoaderStoreSize];
};
static_assert(offsetof(RecordedLoaderStore, store) == sizeof(LoaderRecord));
static_assert(sizeof(RecordedLoaderStore) == sizeof(LoaderRecord) + kLoaderStoreSize);

constexpr std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

constexpr std::uint32_t FromLittleEndian32(const std::array<std::uint8_t, 4>& bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}
