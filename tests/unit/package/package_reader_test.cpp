#include "src/package/package_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/package_builder.h"

namespace {

using testpkg::PackageBuilder;

// Raw bytes written over a field, without the builder's NUL padding, so a
// damaged field can be made.
void Poke(PackageBuilder& b, std::size_t offset, const std::string& bytes) {
    std::memcpy(const_cast<std::uint8_t*>(b.Data()) + offset, bytes.data(), bytes.size());
}

TEST(TemplateBlock, ReadsAsAnUnpackedTemplate) {
    const pkg::PackageReader r(pkg::EmbeddedBlock());
    EXPECT_EQ(r.Title(), "APP_TITLE_HERE");
    EXPECT_EQ(r.Version(), "v2.0.4");
    EXPECT_EQ(r.DriveName(), "");
    EXPECT_EQ(r.HowManyBin(), 0);
    EXPECT_EQ(r.SettingAt(pkg::kBootCodeOffset), 1);
    EXPECT_EQ(r.SettingAt(pkg::kRebootOffset), 1);
    EXPECT_EQ(r.SettingAt(pkg::kWarningOffset), 1);
    EXPECT_EQ(r.SettingAt(pkg::kN2oMessageOffset), 0);
    EXPECT_FALSE(r.AdminRequested());
    EXPECT_TRUE(r.ImageAreaEmpty());
    for (int bank = 0; bank < pkg::kBankCount; ++bank) {
        EXPECT_EQ(r.BinStart(bank), 0);
        EXPECT_EQ(r.BinSize(bank), 0);
        EXPECT_EQ(r.NewRevision(bank), "N/A ");
        for (int slot = 0; slot < pkg::kSlotCount; ++slot) {
            EXPECT_TRUE(pkg::PackageReader::IsUnfilledSlot(r.Constraint(bank, slot))) << bank << slot;
        }
    }
}

TEST(TemplateBlock, KeyTextsSitAtTheirOffsets) {
    const char* b = reinterpret_cast<const char*>(pkg::EmbeddedBlock());
    EXPECT_STREQ(b + pkg::kConstraintsMarkerOffset, "FW_CONSTRAINTS=");
    EXPECT_STREQ(b + pkg::kHowManyBinOffset, "HOW_MANY_BIN=0");
    EXPECT_STREQ(b + pkg::kBinStartOffset + 3 * pkg::kBinStartStride, "BIN_START4=0000000000");
    EXPECT_STREQ(b + pkg::kBinSizeOffset + pkg::kBinSizeStride, "BIN_SIZE2=0000000000");
    EXPECT_STREQ(b + pkg::kNewFwOffset + 2 * pkg::kNewFwStride, "NEW_FW3=N/A ");
    EXPECT_STREQ(b + pkg::kConstraintsOffset + 2 * pkg::kBankStride + 4 * pkg::kSlotStride, "#FLSH35");
    EXPECT_EQ(std::string(b + pkg::kImageAreaOffset, 20), "BANK_START_FROM_HERE");
    EXPECT_EQ(b[0], '[');
    EXPECT_EQ(b[19], ']');
    EXPECT_EQ(std::string(b + pkg::kDateOffset).size(), 10u);
    EXPECT_EQ(b[pkg::kDateOffset + 4], '/');
}

TEST(Settings, OnlyTheLastCharacterCounts) {
    PackageBuilder b;
    b.Setting(pkg::kChkDiscOffset, "CHKDISC=10").Setting(pkg::kAutoModeOffset, "AUTOMODE=21");
    b.Setting(pkg::kRebootOffset, "REBOOT=x").Setting(pkg::kWarningOffset, "WARNING=7");
    b.Setting(pkg::kCloseApOffset, "garbage9");
    const pkg::PackageReader r = b.Reader();
    EXPECT_EQ(r.SettingAt(pkg::kChkDiscOffset), 0);
    EXPECT_EQ(r.SettingAt(pkg::kAutoModeOffset), 1);
    EXPECT_EQ(r.SettingAt(pkg::kRebootOffset), 0);
    EXPECT_EQ(r.SettingAt(pkg::kWarningOffset), 7);
    EXPECT_EQ(r.SettingAt(pkg::kCloseApOffset), 9);  // the key is never compared
}

TEST(Settings, EmptyOrUnterminatedTextsStayInTheirField) {
    PackageBuilder b;
    b.Setting(pkg::kRebootOffset, "");
    // BOOTCODE's 18 bytes with no NUL: the last byte of the field counts,
    // not the REBOOT text behind it.
    Poke(b, pkg::kBootCodeOffset, "BOOTCODE=000000003");
    Poke(b, pkg::kBootCodeOffset + 17, "5");
    const pkg::PackageReader r = b.Reader();
    EXPECT_EQ(r.SettingAt(pkg::kRebootOffset), 0);
    EXPECT_EQ(r.SettingAt(pkg::kBootCodeOffset), 5);
}

TEST(Settings, HowManyBinReadsItsLastDigit) {
    PackageBuilder b;
    EXPECT_EQ(b.HowManyBin(3).Reader().HowManyBin(), 3);
    EXPECT_EQ(b.HowManyBin(12).Reader().HowManyBin(), 2);
    EXPECT_EQ(b.HowManyBin(9).Reader().HowManyBin(), 9);
    b.Setting(pkg::kHowManyBinOffset, "HOW_MANY_BIN=-");
    EXPECT_EQ(b.Reader().HowManyBin(), 0);
}

TEST(Settings, AdminIsTheCharacterAfterTheKey) {
    PackageBuilder b;
    EXPECT_TRUE(b.Setting(pkg::kAdminOffset, "ADMIN=1").Reader().AdminRequested());
    EXPECT_FALSE(b.Setting(pkg::kAdminOffset, "ADMIN=0").Reader().AdminRequested());
    EXPECT_FALSE(b.Setting(pkg::kAdminOffset, "ADMIN=2").Reader().AdminRequested());
    // The length is not consulted: "ADMIN=12" still requests it.
    Poke(b, pkg::kAdminOffset, "ADMIN=12");
    EXPECT_TRUE(b.Reader().AdminRequested());
}

TEST(Texts, TitleVersionAndDriveNameAreBoundedByTheirFields) {
    PackageBuilder b;
    b.Title("Flash Program for VELMORA DVDRW KTV-360R").DriveName("VELMORA DVDRW KTV-360R");
    EXPECT_EQ(b.Reader().Title(), "Flash Program for VELMORA DVDRW KTV-360R");
    EXPECT_EQ(b.Reader().DriveName(), "VELMORA DVDRW KTV-360R");

    b.Title("APP_TITLE_HERE and more");
    EXPECT_EQ(b.Reader().Title().substr(0, 14), "APP_TITLE_HERE");

    Poke(b, pkg::kTitleOffset, std::string(pkg::kTitleWidth, 'T'));
    Poke(b, pkg::kDriveNameOffset, std::string(pkg::kDriveNameWidth, 'D'));
    Poke(b, pkg::kVersionOffset, std::string(13, 'V'));
    EXPECT_EQ(b.Reader().Title(), std::string(64, 'T'));
    EXPECT_EQ(b.Reader().DriveName(), std::string(65, 'D'));
    EXPECT_EQ(b.Reader().Version(), std::string(13, 'V'));
}

TEST(Constraints, FieldsAreCutAtTheirUsedWidth) {
    PackageBuilder b;
    b.Slot(1, 2, "1.00XYZ", "1.0", "VELMORA 12", "DVDRW KTV-360R  AB");
    const pkg::ConstraintTexts k = b.Reader().Constraint(1, 2);
    EXPECT_EQ(k.minRevision, "1.00");
    EXPECT_EQ(k.maxRevision, "1.0");
    EXPECT_EQ(k.vendor, "VELMORA ");
    EXPECT_EQ(k.product, "DVDRW KTV-360R  ");
    EXPECT_EQ(b.Reader().Constraint(1, 1).minRevision, "#FLS");
    EXPECT_EQ(b.Reader().Constraint(4, 0).minRevision, "");
    EXPECT_EQ(b.Reader().Constraint(0, 8).vendor, "");
}

TEST(Constraints, UnfilledSlotNeedsAllFourTests) {
    using R = pkg::PackageReader;
    EXPECT_TRUE(R::IsUnfilledSlot({"#FLS", "#", "#", "#"}));
    EXPECT_TRUE(R::IsUnfilledSlot({"#FLS", "#9", "#x", "#y"}));
    EXPECT_FALSE(R::IsUnfilledSlot({"#FLS", "#", "VELM", "#"}));
    EXPECT_FALSE(R::IsUnfilledSlot({"#FLS", "1.03", "#", "#"}));
    EXPECT_FALSE(R::IsUnfilledSlot({"#FLS", "#", "#", "DVDR"}));
    EXPECT_FALSE(R::IsUnfilledSlot({"#FL", "#", "#", "#"}));
    EXPECT_FALSE(R::IsUnfilledSlot({"", "", "", ""}));

    PackageBuilder b;
    b.Slot(0, 0, "#FLSH11", "#", "VELMORA ", "#");
    EXPECT_FALSE(R::IsUnfilledSlot(b.Reader().Constraint(0, 0)));
}

TEST(Banks, StartAndSizeParseLikeStrtol) {
    PackageBuilder b;
    b.Bank(0, 16384, 1048576, "1.05");
    EXPECT_EQ(b.Reader().BinStart(0), 16384);
    EXPECT_EQ(b.Reader().BinSize(0), 1048576);
    b.Text(pkg::kBinStartValue, 11, "  -42xyz");
    b.Text(pkg::kBinSizeValue, 11, "abc");
    EXPECT_EQ(b.Reader().BinStart(0), -42);
    EXPECT_EQ(b.Reader().BinSize(0), 0);
    b.Text(pkg::kBinSizeValue + pkg::kBinSizeStride, 11, "9999999999");
    EXPECT_EQ(b.Reader().BinSize(1), 2147483647);
    b.Text(pkg::kBinStartValue + pkg::kBinStartStride, 11, "-9999999999");
    EXPECT_EQ(b.Reader().BinStart(1), -2147483647 - 1);
}

TEST(Banks, ARangeReachesAtMostTheImageAreasLastByte) {
    constexpr std::int64_t kArea = pkg::kImageAreaSize;
    EXPECT_TRUE(pkg::RangeInImageArea(0, kArea));
    EXPECT_TRUE(pkg::RangeInImageArea(kArea, 0));
    EXPECT_TRUE(pkg::RangeInImageArea(16384, kArea - 16384));
    EXPECT_FALSE(pkg::RangeInImageArea(16384, kArea - 16383));
    EXPECT_FALSE(pkg::RangeInImageArea(-1, 16384));
    EXPECT_FALSE(pkg::RangeInImageArea(0, -16384));
    // The largest values the reader gives never wrap round.
    EXPECT_FALSE(pkg::RangeInImageArea(2147483647, 2147483647));
}

TEST(Banks, UnterminatedValueDoesNotRunIntoTheNextKey) {
    PackageBuilder b;
    // Eleven digits and no NUL: the next bank's "BIN_START2=" would add
    // nothing numeric, but its own digits must not be read either.
    Poke(b, pkg::kBinStartValue, "00000000012");
    Poke(b, pkg::kBinStartValue + 11, "7");
    EXPECT_EQ(b.Reader().BinStart(0), 12);
    Poke(b, pkg::kNewFwValue, "1.05ABCD");
    Poke(b, pkg::kNewFwValue + 8, "NEW");
    EXPECT_EQ(b.Reader().NewRevision(0), "1.05ABCD");
    EXPECT_EQ(b.Reader().NewRevision4(0), "1.05");
}

TEST(Banks, NewRevisionWholeAndCut) {
    PackageBuilder b;
    b.Bank(0, 0, 1048576, "1.05");
    EXPECT_EQ(b.Reader().NewRevision(0), "1.05");
    EXPECT_EQ(b.Reader().NewRevision(1), "N/A ");
    EXPECT_EQ(b.Reader().NewRevision4(1), "N/A ");
    b.Text(pkg::kNewFwValue + 2 * pkg::kNewFwStride, 8, "1.0");
    EXPECT_EQ(b.Reader().NewRevision4(2), "1.0");
}

TEST(ImageArea, EmptyTestComparesNineteenBytes) {
    PackageBuilder b;
    EXPECT_TRUE(b.Reader().ImageAreaEmpty());
    Poke(b, pkg::kImageAreaOffset + 19, "X");
    EXPECT_TRUE(b.Reader().ImageAreaEmpty());
    Poke(b, pkg::kImageAreaOffset + 18, "X");
    EXPECT_FALSE(b.Reader().ImageAreaEmpty());
    Poke(b, pkg::kImageAreaOffset, "bANK_START_FROM_HER");
    EXPECT_FALSE(b.Reader().ImageAreaEmpty());
}

TEST(ActivePackage, DefaultsToTheEmbeddedBlockAndCanBeRedirected) {
    EXPECT_EQ(pkg::ActivePackage().Block(), pkg::EmbeddedBlock());
    PackageBuilder b = PackageBuilder::Demo();
    pkg::SetActivePackageForTesting(b.Data());
    EXPECT_EQ(pkg::ActivePackage().Title(), "Flash Program for VELMORA DVDRW KTV-360R");
    pkg::SetActivePackageForTesting(nullptr);
    EXPECT_EQ(pkg::ActivePackage().Block(), pkg::EmbeddedBlock());
}

}  // namespace
