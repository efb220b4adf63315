#include "block_locator.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pack_test_files.h"

namespace {

using packtest::kBlockAt;

TEST(LocateBlock, FindsTheTemplateBetweenOtherBytes) {
    const auto file = packtest::SyntheticTemplate();
    const auto found = pack::LocateBlock(file);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found.value(), kBlockAt);
    EXPECT_TRUE(pack::IsTemplate(pkg::PackageReader(file.data() + found.value())));
}

TEST(LocateBlock, IgnoresAStrayMarkerText) {
    auto file = packtest::SyntheticTemplate();
    // The marker text elsewhere in the file, without the other keys around it.
    std::memcpy(file.data() + 0x400, "FW_CONSTRAINTS=", 16);
    const auto found = pack::LocateBlock(file);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found.value(), kBlockAt);
}

TEST(LocateBlock, RefusesFilesWithoutOneWholeBlock) {
    const std::vector<std::uint8_t> none(5000, 0x41);
    auto result = pack::LocateBlock(none);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, pack::ExitCode::kNoBlock);
    EXPECT_NE(result.error().message.find("no package block"), std::string::npos);

    auto damaged = packtest::SyntheticTemplate();
    damaged[kBlockAt + pkg::kRebootOffset] = 'X';
    result = pack::LocateBlock(damaged);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().code, pack::ExitCode::kNoBlock);
    EXPECT_NE(result.error().message.find("\"REBOOT=\" missing at block offset 1815"), std::string::npos)
        << result.error().message;

    auto cutInImage = packtest::SyntheticTemplate();
    cutInImage.resize(kBlockAt + pkg::kImageAreaOffset + 100);
    result = pack::LocateBlock(cutInImage);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("truncated"), std::string::npos) << result.error().message;

    auto cutInHead = packtest::SyntheticTemplate();
    cutInHead.resize(kBlockAt + pkg::kBinSizeOffset);
    result = pack::LocateBlock(cutInHead);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("truncated"), std::string::npos) << result.error().message;

    auto twice = packtest::SyntheticTemplate();
    const auto copy = packtest::SyntheticTemplate();
    twice.insert(twice.end(), copy.begin(), copy.end());
    result = pack::LocateBlock(twice);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("more than one"), std::string::npos);
}

TEST(IsTemplate, AnyPackedFieldMakesItAPackage) {
    auto file = packtest::SyntheticTemplate();
    std::uint8_t* block = file.data() + kBlockAt;
    EXPECT_TRUE(pack::IsTemplate(pkg::PackageReader(block)));
    block[pkg::kHowManyBinOffset + 13] = '1';
    EXPECT_FALSE(pack::IsTemplate(pkg::PackageReader(block)));
    block[pkg::kHowManyBinOffset + 13] = '0';
    block[pkg::kImageAreaOffset + 19] = 'X';
    EXPECT_FALSE(pack::IsTemplate(pkg::PackageReader(block)));
    block[pkg::kImageAreaOffset + 19] = 'E';
    block[pkg::kTitleOffset] = 'a';
    EXPECT_FALSE(pack::IsTemplate(pkg::PackageReader(block)));
}

}  // namespace
