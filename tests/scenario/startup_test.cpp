// Start-up: caption, warnings, refusals, the drive list and what the window
// shows before the user presses anything.
#include "scenario_fixture.h"

namespace scenario {
namespace {

using fw::DialogButtons;
using fw::DialogKind;

const std::string kLineD = " 1-0-0-0 D:VELMORA DVDRW KTV-360R   1.00";

TEST_F(ScenarioTest, MatchedDriveIsListedSelectedAndShownThenTheNoticeWaitsForTheUser) {
    AddDrive();
    Launch({Answer::Yes});

    EXPECT_EQ(ListLines(), std::vector<std::string>{kLineD});
    EXPECT_EQ(window->cboDrives.ItemIndex(), 0);
    EXPECT_EQ(window->Caption(), "Flash Program for VELMORA DVDRW KTV-360R");
    EXPECT_EQ(window->lblUpdateMsg.Caption(), "It will be updated from");
    EXPECT_EQ(window->lblUpdateMsg.Font().color, fw::clBlack);
    EXPECT_EQ(window->lblOldFW.Caption(), "1.00");
    EXPECT_EQ(window->lblNewFW.Caption(), "1.05");
    EXPECT_TRUE(window->lblOldFW.Visible());
    EXPECT_TRUE(window->lblNewFW.Visible());
    EXPECT_TRUE(window->cmdUpdate.Enabled());
    EXPECT_EQ(window->lblMsg.Caption(), "");
    EXPECT_EQ(window->lblPercent.Caption(), "0 %");
    EXPECT_EQ(window->pbar.Position(), 0);

    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Warning, kNoticeText, DialogButtons::YesNo);
    // The separator and then the close command are gone from the system menu.
    EXPECT_EQ(loop->SystemMenu(window.get()),
              (std::vector<std::string>{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize"}));
    // Nothing more happens until the user acts: the program neither ends nor flashes.
    EXPECT_EQ(RunLoop(), StopReason::Idle);
    EXPECT_FALSE(Ended());
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
}

TEST_F(ScenarioTest, DeclinedNoticeEndsWithoutTouchingTheDriveOrTheMenu) {
    AddDrive();
    LaunchAndRun({Answer::No});

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Warning, kNoticeText, DialogButtons::YesNo);
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
    EXPECT_EQ(loop->SystemMenu(window.get()).size(), 7u);
}

TEST_F(ScenarioTest, NoDriveAtAllEndsWithTheNoMatchTextAndAnEmptyList) {
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    EXPECT_TRUE(ListLines().empty());
    // The change handler found no line and left the labels as the form made them.
    EXPECT_EQ(window->lblUpdateMsg.Caption(), "t will be updated from");
    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Error, NoMatchText(""), DialogButtons::Ok);
}

TEST_F(ScenarioTest, OnlyUnmatchedDrivesEndWithTheNoMatchTextListingThem) {
    AddDrive(Revision("1.04"));  // one past the package's range
    vdrive::DriveConfig other;
    other.vendor = "OTHERCO ";
    AddDrive(other);
    LaunchAndRun();

    const std::vector<std::string> lines{" 1-0-0-0 D:VELMORA DVDRW KTV-360R   1.04",
                                         " 1-0-1-0 E:OTHERCO DVDRW KTV-360R   1.00"};
    EXPECT_EQ(ListLines(), lines);
    EXPECT_EQ(window->cboDrives.ItemIndex(), -1);
    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Error, NoMatchText(lines[0] + "\n" + lines[1] + "\n"),
                 DialogButtons::Ok);
    EXPECT_TRUE(OnlyDiscovered(*drives[0]));
}

TEST_F(ScenarioTest, TemplateImageAreaMatchesNoDrive) {
    testpkg::PackageBuilder unfilled;  // the template, marker still in its image area
    unfilled.Title("Flash Program").DriveName(kDriveName).HowManyBin(1);
    unfilled.Slot(0, 0, "1.00", "1.03", "VELMORA ", "DVDRW KTV-360R  ");
    unfilled.Bank(0, 0, kImageSize, "1.05");
    package = unfilled;
    AddDrive();
    AddDrive();
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 1u);
    const std::string lineE = " 1-0-1-0 E:VELMORA DVDRW KTV-360R   1.00";
    ExpectDialog(Dialogs()[0], DialogKind::Error, NoMatchText(kLineD + "\n" + lineE + "\n"),
                 DialogButtons::Ok);
}

TEST_F(ScenarioTest, NoFirmwareEndsBeforeAnyDeviceIsOpened) {
    package.HowManyBin(0);
    AddDrive();
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Error, "No F/W in executable !", DialogButtons::Ok);
    EXPECT_EQ(window->mainManager, nullptr);
    EXPECT_TRUE(machine.DeviceOpens().empty());
    EXPECT_TRUE(drives[0]->Commands().empty());
}

// The program's own file with one byte flipped (a damaged download, a file
// changed after packing): the error names the checksum, and the program
// ends before it opens any device, in automatic mode too.
TEST_F(ScenarioTest, ADamagedOwnFileEndsBeforeAnyDeviceIsOpened) {
    package.Setting(pkg::kAutoModeOffset, "AUTOMODE=1").Setting(pkg::kWarningOffset, "WARNING=0");
    std::vector<std::uint8_t> file = testpe::PackedPe();
    const pkg::PeChecksumCheck packed = pkg::CheckPeChecksum(file);
    file[0x4000] ^= 0x10;
    GiveOwnFile(file);
    AddDrive();
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    ASSERT_EQ(Dialogs().size(), 1u);
    ExpectDialog(Dialogs()[0], DialogKind::Error,
                 "This updater's file is damaged or was changed after it was packed: its PE checksum is " +
                     pkg::ChecksumHex(packed.stored) + ", but its bytes sum to " +
                     pkg::ChecksumHex(pkg::CheckPeChecksum(file).computed) +
                     ".\n\nNo drive was changed. Please download the updater again.",
                 DialogButtons::Ok);
    EXPECT_EQ(window->mainManager, nullptr);
    EXPECT_TRUE(machine.DeviceOpens().empty());
    EXPECT_TRUE(machine.LibraryLoadNames().empty());
    EXPECT_TRUE(drives[0]->Commands().empty());
}

// A file the program cannot read, or no name for it at all, cannot be
// checked: the program refuses rather than flash a file it could not check.
TEST_F(ScenarioTest, AnOwnFileThatCannotBeReadEndsBeforeAnyDeviceIsOpened) {
    AddDrive();
    machine.SetModuleFileName((ownFile.parent_path() / "norvek-no-such-file.exe").string());
    LaunchAndRun();
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_NE(Dialogs()[0].text.find("cannot read its own file"), std::string::npos) << Dialogs()[0].text;
    EXPECT_TRUE(machine.DeviceOpens().empty());

    machine.SetModuleFileName("");
    LaunchAndRun();
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_NE(Dialogs()[0].text.find("cannot find its own file"), std::string::npos) << Dialogs()[0].text;
    EXPECT_TRUE(drives[0]->Commands().empty());
}

TEST_F(ScenarioTest, ManagerWithoutBuffersEndsWithTheInitialiseMessageBox) {
    AddDrive();
    machine.SetHeapAllocFails(true);
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    EXPECT_EQ(window->mainManager, nullptr);
    EXPECT_TRUE(Dialogs().empty());
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Device object initialize failed !");
    EXPECT_EQ(boxes[0].caption, "Error ...");
    EXPECT_EQ(boxes[0].type, 16u);
}

TEST_F(ScenarioTest, BrokenAspiManagerOnTheOlderFamilyIsReportedOnceBeforeTheNoMatchText) {
    machine.SetPlatform(sim::Platform::Older);
    sim::AspiManagerConfig aspi;
    aspi.installed = true;
    aspi.sendCommandMissing = true;
    machine.SetAspiManager(aspi);
    LaunchAndRun();

    EXPECT_TRUE(Ended());
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error FS 004");
    EXPECT_EQ(boxes[0].text, "GetProcAddress:\npfnSendASPI32Command not found.");
    EXPECT_EQ(boxes[0].type, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(boxes[0].hadOwner);
    ASSERT_EQ(Dialogs().size(), 1u);
    EXPECT_EQ(Dialogs()[0].text, NoMatchText(""));
}

TEST_F(ScenarioTest, AdministratorWarningOnlyOnNtWithAdminOne) {
    const std::string warning = "User must be administrator priority !";
    AddDrive();
    package.Setting(pkg::kAdminOffset, "ADMIN=1");
    Launch({Answer::Ok, Answer::Yes});
    ASSERT_EQ(Dialogs().size(), 2u);
    ExpectDialog(Dialogs()[0], DialogKind::Warning, warning, DialogButtons::Ok);
    // Only a warning: start-up goes on to the notice, answered by the script's Yes.
    EXPECT_EQ(Dialogs()[1].text, kNoticeText);
    EXPECT_FALSE(Ended());

    machine.SetPlatform(sim::Platform::Older);
    Launch();
    EXPECT_EQ(std::ranges::count(DialogTexts(), warning), 0);

    machine.SetPlatform(sim::Platform::Nt);
    package.Setting(pkg::kAdminOffset, "ADMIN=0");
    Launch();
    EXPECT_EQ(std::ranges::count(DialogTexts(), warning), 0);
}

TEST_F(ScenarioTest, TemplateTitleGivesTheProgramNameWithItsVersion) {
    const std::string version = package.Reader().Version();
    ASSERT_FALSE(version.empty());

    package.Title("APP_TITLE_HERE");
    LaunchAndRun();
    EXPECT_EQ(window->Caption(), "Norvek " + version);

    package.Title("APP_TITLE_HERE for the 360R");  // only the first 14 characters count
    LaunchAndRun();
    EXPECT_EQ(window->Caption(), "Norvek " + version);

    package.Title("APP_TITLE_HERX");
    LaunchAndRun();
    EXPECT_EQ(window->Caption(), "APP_TITLE_HERX");
}

}  // namespace
}  // namespace scenario
