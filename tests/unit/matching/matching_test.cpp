// Matching from an identity: the package's rule table read against a drive,
// with the word sort both editions compare by.
#include <gtest/gtest.h>

#include <string>

#include "src/matching/matching.h"
#include "src/matching/test_loader_rule.h"
#include "src/platform/word_sort.h"
#include "support/package_builder.h"

namespace {

using matching::Decide;
using matching::Decision;
using matching::Identity;

const std::string kVendor = "VELMORA ";
const std::string kProduct = "DVDRW KTV-360R  ";

Identity Drive(const std::string& vendor, const std::string& product, const std::string& revision) {
    return Identity{vendor, product, revision, ""};
}

Identity Ours(const std::string& revision) { return Drive(kVendor, kProduct, revision); }

Settings Banks(int howManyBin, bool n2oMessage = false) {
    Settings s;
    s.howManyBin = static_cast<std::uint16_t>(howManyBin);
    s.n2oMessage = n2oMessage;
    return s;
}

Decision DecideFor(const testpkg::PackageBuilder& b, const Identity& drive, Settings settings = Banks(1)) {
    return Decide(drive, b.Reader(), settings, wordsort::Collate);
}

// Bank 1 as the demo package has it: two filled slots, then unfilled ones.
testpkg::PackageBuilder TwoSlotPackage() {
    auto b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 1, "0.98", "0.98", kVendor, kProduct);
    return b;
}

// Four banks, each for its own revision range of the same drive.
testpkg::PackageBuilder FourBankPackage() {
    auto b = testpkg::PackageBuilder::Demo();
    const char* ranges[4][2] = {{"1.00", "1.03"}, {"2.00", "2.03"}, {"3.00", "3.03"}, {"4.00", "4.03"}};
    const char* next[4] = {"1.05", "2.05", "3.05", "4.05"};
    for (int bank = 0; bank < 4; ++bank) {
        b.Slot(bank, 0, ranges[bank][0], ranges[bank][1], kVendor, kProduct);
        b.Bank(bank, 0, 16384, next[bank]);
    }
    return b.HowManyBin(4);
}

TEST(Decide, EachBankTakesItsOwnRangeAndSaysWhatTheDriveBecomes) {
    const auto b = FourBankPackage();
    const char* revisions[4] = {"1.02", "2.00", "3.03", "4.01"};
    const char* next[4] = {"1.05", "2.05", "3.05", "4.05"};
    for (int bank = 0; bank < 4; ++bank) {
        const Decision d = DecideFor(b, Ours(revisions[bank]), Banks(4));
        EXPECT_TRUE(d.matched) << revisions[bank];
        EXPECT_EQ(d.bank, bank);
        EXPECT_EQ(d.from, revisions[bank]);
        EXPECT_EQ(d.to, next[bank]);
        EXPECT_EQ(d.Text(), std::string("from ") + revisions[bank] + " to " + next[bank]);
    }
    // Only the banks in use are searched, and never more than the four.
    EXPECT_FALSE(DecideFor(b, Ours("4.01"), Banks(3)).matched);
    EXPECT_EQ(DecideFor(b, Ours("4.01"), Banks(9)).bank, 3);
    EXPECT_FALSE(DecideFor(b, Ours("1.02"), Banks(0)).matched);
}

TEST(Decide, TheFirstBankThatAdmitsTheDriveWins) {
    auto b = FourBankPackage();
    b.Slot(2, 1, "", "", kVendor, kProduct);  // bank 3 now admits every revision
    EXPECT_EQ(DecideFor(b, Ours("2.01"), Banks(4)).bank, 1);
    EXPECT_EQ(DecideFor(b, Ours("0.50"), Banks(4)).bank, 2);
}

TEST(Decide, PackageSlotsAdmitOnlyTheirRangesInclusive) {
    const auto b = TwoSlotPackage();
    for (const char* revision : {"1.00", "1.02", "1.03", "0.98"}) {
        EXPECT_TRUE(DecideFor(b, Ours(revision)).matched) << revision;
    }
    for (const char* revision : {"0.99", "1.04", "0.97"}) {
        EXPECT_FALSE(DecideFor(b, Ours(revision)).matched) << revision;
    }
}

TEST(Decide, AnotherMakersDriveIsNotAllowed) {
    const auto b = TwoSlotPackage();
    const Decision other = DecideFor(b, Drive("ORVANTE ", "DVD-ROM OV-5216 ", "1.01"));
    EXPECT_FALSE(other.matched);
    EXPECT_EQ(other.from, "1.01");
    EXPECT_EQ(other.to, "");
    EXPECT_EQ(other.Text(), "not allowed");
    EXPECT_FALSE(DecideFor(b, Drive(kVendor, "DVDRW KTV-360    ", "1.01")).matched);
    // The package keeps the drive's blanks, and case counts.
    EXPECT_FALSE(DecideFor(b, Drive("VELMORA", "DVDRW KTV-360R", "1.01")).matched);
    EXPECT_FALSE(DecideFor(b, Drive("velmora ", kProduct, "1.01")).matched);
}

TEST(Decide, UpToDateAtOrPastTheNewRevisionOnlyWithN2oMessage) {
    auto b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "1.00", "", kVendor, kProduct);
    const Decision at = DecideFor(b, Ours("1.05"), Banks(1, true));
    EXPECT_TRUE(at.upToDate);
    EXPECT_EQ(at.Text(), "up to date (1.05)");
    EXPECT_TRUE(DecideFor(b, Ours("1.07"), Banks(1, true)).upToDate);
    EXPECT_FALSE(DecideFor(b, Ours("1.04"), Banks(1, true)).upToDate);
    const Decision off = DecideFor(b, Ours("1.05"), Banks(1, false));
    EXPECT_TRUE(off.matched);
    EXPECT_FALSE(off.upToDate);
    EXPECT_EQ(off.Text(), "from 1.05 to 1.05");
}

TEST(Decide, EmptyFieldsAreWildcardsAndAnUnfilledFirstSlotAdmitsEveryDrive) {
    testpkg::PackageBuilder b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "", "", "", "");
    EXPECT_TRUE(DecideFor(b, Drive("ANYBODY ", "SOME DRIVE      ", "ZZZZ")).matched);
    b.Slot(0, 0, "", "1.10", kVendor, "");
    EXPECT_TRUE(DecideFor(b, Drive(kVendor, "OTHER PRODUCT   ", "0.01")).matched);
    EXPECT_FALSE(DecideFor(b, Drive(kVendor, "OTHER PRODUCT   ", "1.11")).matched);
    // An empty drive text matches only an empty constraint field.
    EXPECT_FALSE(DecideFor(b, Drive("", "", "")).matched);
    b.Slot(0, 0, "#FLSH11", "#", "#", "#");
    EXPECT_TRUE(DecideFor(b, Drive("ANYBODY ", "SOME DRIVE      ", "0001")).matched);
    // "#FLS" with a vendor that does not begin with "#" is an ordinary slot.
    b.Slot(0, 0, "#FLSH11", "#", kVendor, "#");
    EXPECT_FALSE(DecideFor(b, Ours("1.00")).matched);
}

TEST(Decide, ATemplateImageAreaAdmitsNoDrive) {
    testpkg::PackageBuilder b;  // the image area still holds its marker
    b.Slot(0, 0, "", "", "", "").HowManyBin(1);
    EXPECT_FALSE(DecideFor(b, Ours("1.00")).matched);
}

TEST(Decide, ReadsEachFieldOnlyUpToItsWidthAndItsFirstNul) {
    const auto b = TwoSlotPackage();
    const Decision longer = DecideFor(b, Drive(kVendor + "XX", kProduct + "YY", "1.02ZZ"));
    EXPECT_TRUE(longer.matched);
    EXPECT_EQ(longer.from, "1.02");
    // A drive that pads its identity with NULs instead of blanks reads as
    // the shorter texts, as "%.8s" reads them.
    auto unpadded = testpkg::PackageBuilder::Demo();
    unpadded.Slot(0, 0, "1.00", "1.03", "VELMORA", "DVDRW KTV-360R");
    const Decision nulPadded =
        DecideFor(unpadded, Drive(std::string("VELMORA\0", 8), std::string("DVDRW KTV-360R\0\0", 16), "1.02"));
    EXPECT_TRUE(nulPadded.matched);
    EXPECT_FALSE(DecideFor(unpadded, Ours("1.02")).matched);
}

// A collation that finds every text equal: only the collation it is given
// can make matching admit another maker's drive.
int EverythingEqual(std::string_view, std::string_view) { return 0; }

TEST(Decide, ComparesOnlyWithTheCollationItIsGiven) {
    const auto b = TwoSlotPackage();
    const Identity other = Drive("ORVANTE ", "DVD-ROM OV-5216 ", "9.99");
    EXPECT_FALSE(DecideFor(b, other).matched);
    const Decision d = Decide(other, b.Reader(), Banks(1, true), EverythingEqual);
    EXPECT_TRUE(d.matched);
    EXPECT_TRUE(d.upToDate);
}

TEST(IsPackageDrive, NamesOnlyTheVendorAndProductOfFilledSlotsOfBanksInUse) {
    auto b = FourBankPackage();
    EXPECT_TRUE(matching::IsPackageDrive(Ours("0.01"), b.Reader(), Banks(4), wordsort::Collate));
    EXPECT_FALSE(matching::IsPackageDrive(Drive("ORVANTE ", kProduct, "1.00"), b.Reader(), Banks(4),
                                          wordsort::Collate));
    EXPECT_FALSE(matching::IsPackageDrive(Ours("1.00"), b.Reader(), Banks(0), wordsort::Collate));
    // A bank left wholly unfilled admits every drive but names none.
    b.Slot(0, 0, "#FLSH11", "#", "#", "#");
    EXPECT_TRUE(DecideFor(b, Ours("1.00")).matched);
    EXPECT_FALSE(matching::IsPackageDrive(Ours("1.00"), b.Reader(), Banks(1), wordsort::Collate));
    // A slot that leaves the product open names no drive either.
    b.Slot(0, 0, "", "", kVendor, "");
    EXPECT_FALSE(matching::IsPackageDrive(Ours("1.00"), b.Reader(), Banks(1), wordsort::Collate));
}

TEST(TestLoaderRule, TestLoadersFlashOnlyDrivesThatCarryTheVirtualMarker) {
    Identity drive = Ours("1.02");
    drive.vendorSpecific = "NORVEK-VIRTUAL  ";
    EXPECT_TRUE(matching::IsVirtualDrive(drive));
    EXPECT_FALSE(matching::TestLoadersForbid(drive, true));
    for (const char* bytes : {"NORVEK-VIRTUAL", "NORVEK-VIRTUAL !", "norvek-virtual  ", ""}) {
        drive.vendorSpecific = bytes;
        EXPECT_FALSE(matching::IsVirtualDrive(drive)) << bytes;
        EXPECT_TRUE(matching::TestLoadersForbid(drive, true)) << bytes;
        EXPECT_FALSE(matching::TestLoadersForbid(drive, false)) << bytes;
    }
}

TEST(IdentityText, DropsTheBlanksAtEachEndOfEachField) {
    EXPECT_EQ(Ours("1.02").Text(), "VELMORA DVDRW KTV-360R 1.02");
    EXPECT_EQ(Drive("", "  DRIVE ", "").Text(), "DRIVE");
    EXPECT_EQ(Identity{}.Text(), "(no identity)");
    EXPECT_TRUE(Identity{}.Empty());
}

}  // namespace
