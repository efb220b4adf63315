#include "src/package/settings.h"

#include <gtest/gtest.h>

#include "support/package_builder.h"

namespace {

TEST(ReadSettings, FillsEveryProcessWideValue) {
    testpkg::PackageBuilder b;
    // Written in layout order: "REBOOT=10" and "AUTOMODE=21" fill their
    // fields, and their NULs spill into the next field, which is written after.
    b.Setting(pkg::kChkDiscOffset, "CHKDISC=1").Setting(pkg::kN2oMessageOffset, "N2OMESSAGE=1");
    b.Setting(pkg::kBootCodeOffset, "BOOTCODE=0").Setting(pkg::kRebootOffset, "REBOOT=10");
    b.Setting(pkg::kAutoModeOffset, "AUTOMODE=21").Setting(pkg::kCloseApOffset, "CLOSEAP=3");
    b.Setting(pkg::kWarningOffset, "WARNING=0").Setting(pkg::kNbWarningOffset, "NBWARNING=1");
    b.Setting(pkg::kAdminOffset, "ADMIN=1").HowManyBin(2);
    ReadSettings(b.Reader());
    const Settings& s = CurrentSettings();
    EXPECT_TRUE(s.chkDisc);
    EXPECT_TRUE(s.n2oMessage);
    EXPECT_FALSE(s.bootCode);
    EXPECT_TRUE(s.closeAp);  // 3
    EXPECT_FALSE(s.warning);
    EXPECT_FALSE(s.reboot);  // "REBOOT=10" reads as 0
    EXPECT_TRUE(s.autoMode);  // "AUTOMODE=21" reads as 1 (its 2 is overwritten)
    EXPECT_TRUE(s.nbWarning);
    EXPECT_TRUE(s.admin);
    EXPECT_EQ(s.howManyBin, 2);

    ReadSettings(pkg::PackageReader(pkg::EmbeddedBlock()));
    EXPECT_EQ(CurrentSettings().howManyBin, 0);
    EXPECT_TRUE(CurrentSettings().bootCode);
    EXPECT_FALSE(CurrentSettings().admin);
}

TEST(ReadSettings, TwoCountsAsOnOnlyForTheSwitchesThatTestNonZero) {
    testpkg::PackageBuilder b;
    b.Setting(pkg::kChkDiscOffset, "CHKDISC=2").Setting(pkg::kN2oMessageOffset, "N2OMESSAGE=2");
    b.Setting(pkg::kWarningOffset, "WARNING=2").Setting(pkg::kNbWarningOffset, "NBWARNING=2");
    b.Setting(pkg::kBootCodeOffset, "BOOTCODE=2").Setting(pkg::kRebootOffset, "REBOOT=2");
    b.Setting(pkg::kAutoModeOffset, "AUTOMODE=2").Setting(pkg::kCloseApOffset, "CLOSEAP=2");
    ReadSettings(b.Reader());
    const Settings& s = CurrentSettings();
    EXPECT_FALSE(s.chkDisc);
    EXPECT_FALSE(s.n2oMessage);
    EXPECT_FALSE(s.warning);
    EXPECT_FALSE(s.nbWarning);
    EXPECT_TRUE(s.bootCode);
    EXPECT_TRUE(s.reboot);
    EXPECT_TRUE(s.autoMode);
    EXPECT_TRUE(s.closeAp);
}

TEST(ReadSettings, BanksInUseNeverExceedTheFourBanks) {
    testpkg::PackageBuilder b;
    for (int n : {0, 1, 4}) {
        ReadSettings(b.HowManyBin(n).Reader());
        EXPECT_EQ(pkg::BanksInUse(CurrentSettings().howManyBin), n);
    }
    ReadSettings(b.HowManyBin(9).Reader());
    EXPECT_EQ(CurrentSettings().howManyBin, 9);
    EXPECT_EQ(pkg::BanksInUse(CurrentSettings().howManyBin), 4);
}

}  // namespace
