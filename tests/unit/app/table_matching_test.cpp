// The window's side of matching: the decision for a row's identity written
// into the row's `matched`, `bank` and `upToDate`, and the test build's rule.
#include <gtest/gtest.h>

#include <cstring>

#include "src/app/table_matching.h"
#include "src/drive/command_codes.h"
#include "src/flash/embedded_loader_store.h"
#include "support/package_builder.h"

namespace {

const char* kVendor = "VELMORA ";
const char* kProduct = "DVDRW KTV-360R  ";

DriveEntry Drive(const char* vendor, const char* product, const char* revision) {
    DriveEntry e{};
    e.present = 1;
    std::memcpy(e.vendor, vendor, std::strlen(vendor));
    std::memcpy(e.product, product, std::strlen(product));
    std::memcpy(e.revision, revision, std::strlen(revision));
    return e;
}

Settings Banks(int howManyBin, bool n2oMessage) {
    Settings s;
    s.howManyBin = static_cast<std::uint16_t>(howManyBin);
    s.n2oMessage = n2oMessage;
    return s;
}

TEST(MatchEntry, WritesTheDecisionIntoTheRow) {
    testpkg::PackageBuilder b = testpkg::PackageBuilder::Demo();
    b.Slot(0, 0, "2.00", "2.50", kVendor, kProduct);  // bank 1 rejects 1.05
    b.Slot(1, 0, "1.00", "", kVendor, kProduct);      // bank 2 takes it
    b.Bank(1, 0, 1048576, "1.05").HowManyBin(2);
    DriveEntry e = Drive(kVendor, kProduct, "1.05");
    MatchEntry(e, b.Reader(), Banks(2, false));
    EXPECT_EQ(e.matched, 1);
    EXPECT_EQ(e.bank, 1);
    EXPECT_EQ(e.upToDate, 0);
    MatchEntry(e, b.Reader(), Banks(2, true));
    EXPECT_EQ(e.upToDate, 1);
}

TEST(MatchEntry, AnUnmatchedRowKeepsItsBankAndUpToDate) {
    const auto demo = testpkg::PackageBuilder::Demo();
    DriveEntry e = Drive("ORVANTE ", "DVD-ROM OV-5216 ", "1.01");
    e.matched = 1;
    e.bank = 3;
    e.upToDate = 1;
    MatchEntry(e, demo.Reader(), Banks(1, true));
    EXPECT_EQ(e.matched, 0);
    EXPECT_EQ(e.bank, 3);
    EXPECT_EQ(e.upToDate, 1);
}

TEST(MatchEntry, AbsentRowsAndTemplateImageAreasNeverMatch) {
    auto demo = testpkg::PackageBuilder::Demo();
    DriveEntry absent = Drive(kVendor, kProduct, "1.00");
    absent.present = 0;
    absent.matched = 1;
    MatchEntry(absent, demo.Reader(), Banks(1, false));
    EXPECT_EQ(absent.matched, 0);
    testpkg::PackageBuilder templ;  // image area still holds its marker
    templ.Slot(0, 0, "", "", "", "").HowManyBin(1);
    DriveEntry e = Drive(kVendor, kProduct, "1.00");
    MatchEntry(e, templ.Reader(), Banks(1, false));
    EXPECT_EQ(e.matched, 0);
}

TEST(TestBuildRule, ATestBuildNotesAndLeavesAloneEveryRowWithoutTheVirtualMarker) {
    if (!EmbeddedLoaderStoreIsTestSet()) GTEST_SKIP() << "SKIPPED: this build embeds a maker's loader set, not the test set";
    DriveEntry real = Drive(kVendor, kProduct, "1.02");
    EXPECT_TRUE(TestBuildLeavesAlone(real));
    EXPECT_EQ(TestBuildNote(real), "  (test build: virtual drives only)");
    DriveEntry virtualDrive = real;
    std::memcpy(virtualDrive.vendorSpecific, wire::kVirtualDriveMarker, wire::kVendorSpecificLength);
    EXPECT_FALSE(TestBuildLeavesAlone(virtualDrive));
    EXPECT_EQ(TestBuildNote(virtualDrive), "");
}

}  // namespace
