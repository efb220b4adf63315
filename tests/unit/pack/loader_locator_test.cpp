#include "loader_locator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pack_test_files.h"
#include "sha256.h"
#include "src/flash/loader_record.h"

namespace {

using pack::LoaderRecordState;

// A file with code-like bytes, a record and its store, and more bytes.
struct RecordedFile {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(0x400, 0xCC);
    std::size_t record = packtest::AppendLoaderRecord(bytes, kTestLoaderSet);
    std::size_t store = record + sizeof(LoaderRecord);

    RecordedFile() { bytes.insert(bytes.end(), 0x200, 0x90); }
    std::span<const std::uint8_t> Store() const { return {bytes.data() + store, kLoaderStoreSize}; }
};

TEST(LoaderLocator, FindsTheRecordAndTheStoreBehindIt) {
    RecordedFile file;
    pack::LoaderSet set = pack::LocateLoaderSet(file.bytes);
    ASSERT_EQ(set.state, LoaderRecordState::kFound) << set.problem;
    EXPECT_EQ(set.recordOffset, file.record);
    EXPECT_EQ(set.storeOffset, file.store);
    EXPECT_EQ(set.storeSize, kLoaderStoreSize);
    EXPECT_TRUE(set.testSet);
    EXPECT_EQ(set.sha256, pack::Sha256(file.Store()));
    EXPECT_EQ(pack::LoaderSetName(set), "generated test set");

    std::vector<std::uint8_t> maker(0x10, 0);
    packtest::AppendLoaderRecord(maker, kMakersLoaderSet);
    set = pack::LocateLoaderSet(maker);
    ASSERT_EQ(set.state, LoaderRecordState::kFound) << set.problem;
    EXPECT_FALSE(set.testSet);
    EXPECT_EQ(pack::LoaderSetName(set), "maker's set");
}

TEST(LoaderLocator, AFileWithoutARecordSaysSo) {
    const std::vector<std::uint8_t> plain(0x4000, 0xCC);
    pack::LoaderSet set = pack::LocateLoaderSet(plain);
    EXPECT_EQ(set.state, LoaderRecordState::kMissing);
    EXPECT_NE(set.problem.find("no loader record"), std::string::npos) << set.problem;

    // Most of the magic is not the magic.
    RecordedFile file;
    file.bytes[file.record + 15] = '2';
    EXPECT_EQ(pack::LocateLoaderSet(file.bytes).state, LoaderRecordState::kMissing);
}

TEST(LoaderLocator, ARecordThatDoesNotHoldIsDamaged) {
    struct Case {
        const char* name;
        void (*damage)(RecordedFile&);
        const char* says;
    };
    const Case cases[] = {
        {"a store byte changed", [](RecordedFile& f) { f.bytes[f.store + 5000] ^= 0x01; }, "SHA-256"},
        {"the recorded digest changed",
         [](RecordedFile& f) { f.bytes[f.record + offsetof(LoaderRecord, sha256) + 31] ^= 0x80; }, "SHA-256"},
        {"a wrong store size",
         [](RecordedFile& f) { f.bytes[f.record + offsetof(LoaderRecord, storeSize)] ^= 0x01; }, "19591 bytes"},
        {"an unknown kind", [](RecordedFile& f) { f.bytes[f.record + offsetof(LoaderRecord, kind)] = 2; }, "kind 2"},
        {"cut inside the store", [](RecordedFile& f) { f.bytes.resize(f.store + 100); }, "ends inside the store"},
        {"cut inside the record", [](RecordedFile& f) { f.bytes.resize(f.record + 30); }, "ends inside it"},
    };
    for (const Case& c : cases) {
        RecordedFile file;
        c.damage(file);
        const pack::LoaderSet set = pack::LocateLoaderSet(file.bytes);
        EXPECT_EQ(set.state, LoaderRecordState::kDamaged) << c.name;
        EXPECT_NE(set.problem.find(c.says), std::string::npos) << c.name << ": " << set.problem;
        EXPECT_NE(set.problem.find("0x400"), std::string::npos) << c.name << ": " << set.problem;
    }
}

TEST(LoaderLocator, TwoRecordsAreRefusedEvenWhenBothHold) {
    RecordedFile file;
    packtest::AppendLoaderRecord(file.bytes, kMakersLoaderSet);
    pack::LoaderSet set = pack::LocateLoaderSet(file.bytes);
    EXPECT_EQ(set.state, LoaderRecordState::kDamaged);
    EXPECT_NE(set.problem.find("more than one"), std::string::npos) << set.problem;

    // A bare second magic counts too: which of the two would a reader trust?
    RecordedFile bare;
    const std::array<char, 16> magic = LoaderRecordMagic();
    bare.bytes.insert(bare.bytes.end(), magic.begin(), magic.end());
    EXPECT_EQ(pack::LocateLoaderSet(bare.bytes).state, LoaderRecordState::kDamaged);
}

}  // namespace
