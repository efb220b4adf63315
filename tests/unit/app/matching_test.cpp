#include <gtest/gtest.h>

#include <cstring>

#include "src/app/matching.h"
#include "support/package_builder.h"

namespace {

DriveEntry Drive(const char* vendor, const char* product, const char* revision) {
    DriveEntry e{};
    e.present = 1;
    std::memcpy(e.vendor, vendor, std::strlen(vendor));
    std::memcpy(e.product, product, std::strlen(product));
    std::memcpy(e.revision, revision, std::strlen(revision));
    return e;
}

const char* kVendor = "VELMORA ";
const char* kProduct = "DVDRW KTV-360R  ";

// Bank 1 as the demo package has it: two filled slots, then unfilled ones.
testpkg::PackageBuilder TwoSlotPackage() {
    auto b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 1, "0.98", "0.98", kVendor, kProduct);
    return b;
}

bool Matches(const testpkg::PackageBuilder& b, DriveEntry e, int banks = 1, int n2o = 0) {
    MatchEntry(e, b.Reader(), static_cast<std::uint16_t>(banks), static_cast<std::uint8_t>(n2o));
    return e.matched == 1;
}

TEST(Matching, PackageSlotsAdmitOnlyTheirRangesInclusive) {
    const auto b = TwoSlotPackage();
    EXPECT_TRUE(Matches(b, Drive(kVendor, kProduct, "1.00")));  // lower end
    EXPECT_TRUE(Matches(b, Drive(kVendor, kProduct, "1.02")));
    EXPECT_TRUE(Matches(b, Drive(kVendor, kProduct, "1.03")));  // upper end
    EXPECT_TRUE(Matches(b, Drive(kVendor, kProduct, "0.98")));  // slot 2
    EXPECT_FALSE(Matches(b, Drive(kVendor, kProduct, "0.99")));  // between the slots
    EXPECT_FALSE(Matches(b, Drive(kVendor, kProduct, "1.04")));
    EXPECT_FALSE(Matches(b, Drive("OTHERCO ", kProduct, "1.01")));
    EXPECT_FALSE(Matches(b, Drive(kVendor, "DVDRW KTV-360    ", "1.01")));
}

TEST(Matching, EmptyFieldsAreWildcards) {
    testpkg::PackageBuilder b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "", "", "", "");
    EXPECT_TRUE(Matches(b, Drive("ANYBODY ", "SOME DRIVE      ", "ZZZZ")));
    b.Slot(0, 0, "", "1.10", kVendor, "");
    EXPECT_TRUE(Matches(b, Drive(kVendor, "OTHER PRODUCT   ", "0.01")));
    EXPECT_FALSE(Matches(b, Drive(kVendor, "OTHER PRODUCT   ", "1.11")));
    // An empty drive text matches only an empty constraint field.
    EXPECT_FALSE(Matches(b, Drive("", "", "")));
}

TEST(Matching, UnfilledFirstSlotAdmitsEveryDriveButOnlyWhenAllFourTestsHold) {
    testpkg::PackageBuilder b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "#FLSH11", "#", "#", "#");
    EXPECT_TRUE(Matches(b, Drive("ANYBODY ", "SOME DRIVE      ", "0001")));
    // "#FLS" with a vendor that does not begin with "#" is an ordinary slot.
    b.Slot(0, 0, "#FLSH11", "#", kVendor, "#");
    EXPECT_FALSE(Matches(b, Drive(kVendor, kProduct, "1.00")));
}

TEST(Matching, FirstAdmittingBankWinsAndUpToDateNeedsTheSetting) {
    testpkg::PackageBuilder b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "2.00", "2.50", kVendor, kProduct);  // bank 1 rejects 1.05
    b.Slot(1, 0, "1.00", "", kVendor, kProduct);      // bank 2 takes it
    b.Bank(1, 0, 1048576, "1.05").HowManyBin(2);
    DriveEntry e = Drive(kVendor, kProduct, "1.05");
    MatchEntry(e, b.Reader(), 2, 0);
    EXPECT_EQ(e.matched, 1);
    EXPECT_EQ(e.bank, 1);
    EXPECT_EQ(e.upToDate, 0);
    MatchEntry(e, b.Reader(), 2, 1);
    EXPECT_EQ(e.upToDate, 1);
    // With HOW_MANY_BIN 1 only bank 1 is searched.
    EXPECT_FALSE(Matches(b, Drive(kVendor, kProduct, "1.05"), 1));
    // A count above the four banks that exist reads only those four.
    EXPECT_TRUE(Matches(b, Drive(kVendor, kProduct, "1.05"), 9));
}

TEST(Matching, TemplateImageAreaAndAbsentRowsNeverMatch) {
    testpkg::PackageBuilder b;  // template: image area still holds its marker
    b.Slot(0, 0, "", "", "", "").HowManyBin(1);
    EXPECT_FALSE(Matches(b, Drive(kVendor, kProduct, "1.00")));
    auto demo = testpkg::PackageBuilder::Demo();
    DriveEntry absent = Drive(kVendor, kProduct, "1.00");
    absent.present = 0;
    absent.matched = 1;
    MatchEntry(absent, demo.Reader(), 1, 0);
    EXPECT_EQ(absent.matched, 0);
}

}  // namespace
