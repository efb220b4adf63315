// Which drives a run flashes and with which image: only matched drives in
// automatic mode, and the first bank that admits a drive.
#include "scenario_fixture.h"

namespace scenario {
namespace {

constexpr std::size_t kHalfArea = kImageSize / 2;

TEST_F(ScenarioTest, AutomaticModeFlashesOnlyTheMatchedDriveAmongOthers) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    vdrive::DriveConfig otherVendor;
    otherVendor.vendor = "OTHERCO ";
    otherVendor.product = "DVD-ROM XR-22   ";
    // This model, but newer than the package's rule admits (1.00 to 1.03):
    // bank 1's image would be a downgrade.
    AddDrive();
    AddDrive(otherVendor);
    AddDrive(Revision("1.04"));
    Launch({});
    RunLoop();

    EXPECT_EQ(DialogTexts(), std::vector<std::string>{kSuccessText});
    ExpectFlashed(*drives[0]);
    for (std::size_t i : {1u, 2u}) {
        ExpectUntouched(*drives[i]);
        EXPECT_EQ(CountOpcode(*drives[i], kStartStopOp), 0) << "drive " << i;
        EXPECT_TRUE(OnlyDiscovered(*drives[i])) << "drive " << i;
    }
}

// This host build carries the generated test loaders: a drive whose INQUIRY
// bytes 36-51 are not the virtual drives' marker is never matched, however
// the rules admit it. Automatic mode passes it by, its list line says why,
// and alone it ends with the no-match message that lists it.
TEST_F(ScenarioTest, ATestBuildNeverMatchesADriveWithoutTheVirtualMarker) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    vdrive::DriveConfig real;
    real.vendorSpecific = "                ";
    AddDrive(real);
    AddDrive();
    Launch({});
    RunLoop();

    const std::string realLine = " 1-0-0-0 D:VELMORA DVDRW KTV-360R   1.00  (test build: virtual drives only)";
    EXPECT_EQ(ListLines(), (std::vector<std::string>{realLine, " 1-0-1-0 E:VELMORA DVDRW KTV-360R   1.05"}));
    EXPECT_EQ(DialogTexts(), std::vector<std::string>{kSuccessText});
    ExpectFlashed(*drives[1]);
    ExpectUntouched(*drives[0]);
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));

    drives.clear();
    machine.RemoveLetter('D');
    machine.RemoveLetter('E');
    AddDrive(real);
    LaunchAndRun();
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].text, NoMatchText(realLine + "\n"));
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
}

TEST_F(ScenarioTest, FirstOfTwoAdmittingBanksGivesTheRevisionShownAndTheImageFlashed) {
    package.Bank(0, 0, kHalfArea, "1.05").FillImage(0, kHalfArea, 7);
    package.Slot(1, 0, "1.00", "1.03", "VELMORA ", "DVDRW KTV-360R  ");
    package.Bank(1, kHalfArea, kHalfArea, "1.07").FillImage(kHalfArea, kHalfArea, 11).HowManyBin(2);
    AddDrive();
    Launch();
    EXPECT_EQ(window->lblNewFW.Caption(), "1.05");
    UpdateAndRun();

    EXPECT_EQ(DialogTexts().back(), kSuccessText);
    const auto flash = drives[0]->FlashContents();
    ASSERT_GE(flash.size(), kHalfArea);
    const std::vector<std::uint8_t> first(package.Image(0), package.Image(0) + kHalfArea);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), flash.begin()))
        << "the flash does not begin with the first bank's image";
    EXPECT_EQ(drives[0]->CommitCount(), 1);
}

}  // namespace
}  // namespace scenario
