#include "package_inspector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>

#include "block_writer.h"
#include "manifest.h"
#include "pack_test_files.h"

namespace {

// Garbage in a third of the head's bytes, unterminated texts included:
// inspecting, printing and writing a manifest must stay within the block and
// end in a defined outcome.
TEST(Inspect, DamagedFieldsNeverReadOutsideTheBlock) {
    std::mt19937 random(12345);
    std::vector<std::uint8_t> block(pkg::EmbeddedBlock(), pkg::EmbeddedBlock() + pkg::kBlockSize);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> damaged(block.begin(), block.begin() + pkg::kImageAreaOffset);
        for (std::size_t i = 0; i < damaged.size(); ++i) {
            if (random() % 3 == 0) damaged[i] = static_cast<std::uint8_t>(random());
        }
        // Heap copy sized exactly to the block, so a read past it is caught.
        std::vector<std::uint8_t> whole(damaged);
        whole.insert(whole.end(), block.begin() + pkg::kImageAreaOffset, block.end());
        const pkg::PackageReader reader(whole.data());
        const pack::Inspection in = pack::Inspect(reader);
        std::ostringstream out;
        pack::PrintInspection(in, reader, out);
        EXPECT_FALSE(out.str().empty());
        EXPECT_LE(in.banksInUse, pkg::kBankCount);
        const auto model = pack::ToModel(in, reader);
        if (model) {
            const auto back = pack::ParseManifest(pack::ManifestText(model.value(), {"a", "b", "c", "d"}), "/x");
            EXPECT_TRUE(back) << back.error().message;
        } else {
            EXPECT_EQ(model.error().code, pack::ExitCode::kRefused);
        }
    }
}

TEST(WriteBlock, AModelWithoutBanksGivesBackTheTemplate) {
    std::vector<std::uint8_t> block(pkg::EmbeddedBlock(), pkg::EmbeddedBlock() + pkg::kBlockSize);
    pack::PackageModel model;
    model.title = "Packed";
    model.banks.push_back({0, packtest::Image(16384, 3), "1.05", {{false, "1.00", "", "", ""}}});
    pack::WriteBlock(model, block.data());
    EXPECT_FALSE(pack::ReadBackMismatch(model, pkg::PackageReader(block.data())));

    pack::PackageModel templ;
    templ.title = "APP_TITLE_HERE";
    pack::WriteBlock(templ, block.data());
    EXPECT_EQ(std::memcmp(block.data(), pkg::EmbeddedBlock(), pkg::kBlockSize), 0);
}

TEST(ReadBack, AnImageThatBeginsWithTheMarkerIsCaught) {
    std::vector<std::uint8_t> block(pkg::EmbeddedBlock(), pkg::EmbeddedBlock() + pkg::kBlockSize);
    pack::PackageModel model;
    model.title = "T";
    std::vector<std::uint8_t> image(16384, 0);
    std::memcpy(image.data(), "BANK_START_FROM_HER", 19);
    model.banks.push_back({0, image, "1.05", {}});
    pack::WriteBlock(model, block.data());
    const auto mismatch = pack::ReadBackMismatch(model, pkg::PackageReader(block.data()));
    ASSERT_TRUE(mismatch);
    EXPECT_NE(mismatch->find("no firmware"), std::string::npos) << *mismatch;
}

}  // namespace
