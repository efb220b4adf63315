// CHKDISC: before a drive is flashed, its disc must be out and its tray in.
#include "scenario_fixture.h"

namespace scenario {
namespace {

using fw::DialogButtons;
using fw::DialogKind;

constexpr std::uint8_t kLoadTray = 0x03;   // START STOP UNIT byte 4: LoEj and Start
constexpr std::uint8_t kEjectTray = 0x02;  // LoEj alone

const std::string kLockedText =
    "Disc detected in drive. Unable to eject the disc , maybe locked by other program\n\n"
    "Please remove the disc manually.";

class DiscTrayTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        package.Setting(pkg::kChkDiscOffset, "CHKDISC=1");
    }

    // The status line each dialog came up over.
    void RecordStatus() {
        onDialog = [this](const DialogRecord&) { statusAtDialog.push_back(window->lblMsg.Caption()); };
    }

    static int TrayCommands(const vdrive::Drive& drive, std::uint8_t byte4) {
        const auto blocks = drive.CommandBlocks();
        return static_cast<int>(std::ranges::count_if(
            blocks, [byte4](const auto& cdb) { return cdb[0] == kStartStopOp && cdb[4] == byte4; }));
    }

    // The check left the drive empty with its tray in, after `ejects` and
    // `loads` tray commands, and the image then went in.
    void ExpectEmptyClosedAndFlashed(const vdrive::Drive& drive, int ejects, int loads) const {
        EXPECT_FALSE(drive.DiscPresent());
        EXPECT_FALSE(drive.TrayOpen());
        EXPECT_EQ(TrayCommands(drive, kEjectTray), ejects);
        EXPECT_EQ(TrayCommands(drive, kLoadTray), loads);
        ExpectFlashed(drive);
    }

    std::vector<std::string> statusAtDialog;
};

TEST_F(DiscTrayTest, DiscThatEjectsIsRemovedThenTheDriveIsFlashed) {
    auto drive = AddDrive();  // a disc in, lifted off once the tray comes out
    Launch();
    RecordStatus();
    UpdateAndRun();

    ASSERT_EQ(Dialogs().size(), 3u);
    ExpectDialog(Dialogs()[1], DialogKind::Warning, "Please remove the disc.", DialogButtons::Ok);
    EXPECT_EQ(Dialogs()[2].text, kSuccessText);
    EXPECT_EQ(statusAtDialog[0], "Tray Out ...");
    ExpectEmptyClosedAndFlashed(*drive, 1, 1);
}

TEST_F(DiscTrayTest, LockedDiscIsAskedForUntilTheUserTakesItOut) {
    vdrive::DriveConfig locked;
    locked.ejectLocked = true;
    auto drive = AddDrive(locked);
    Launch();
    int warnings = 0;
    onDialog = [&](const DialogRecord& d) {
        // The user ignores the first warning and takes the disc out after the second.
        if (d.text == kLockedText && ++warnings == 2) drive->SetDiscPresent(false);
    };
    UpdateAndRun();

    EXPECT_EQ(DialogTexts(),
              (std::vector<std::string>{kNoticeText, kLockedText, kLockedText, kSuccessText}));
    ExpectDialog(Dialogs()[1], DialogKind::Warning, kLockedText, DialogButtons::Ok);
    ExpectEmptyClosedAndFlashed(*drive, 2, 2);
}

TEST_F(DiscTrayTest, EmptyDriveWithOpenTrayIsLoadedWithoutAQuestion) {
    vdrive::DriveConfig open;
    open.discPresent = false;
    open.trayOpen = true;
    auto drive = AddDrive(open);
    Launch();
    UpdateAndRun();

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kNoticeText, kSuccessText}));
    ExpectEmptyClosedAndFlashed(*drive, 0, 1);
}

TEST_F(DiscTrayTest, EmptyDriveWithClosedTrayStartsAtOnce) {
    vdrive::DriveConfig empty;
    empty.discPresent = false;
    auto drive = AddDrive(empty);
    Launch();
    window->cmdUpdate.Click();
    // The check ran and found nothing to do; the worker was started after it.
    EXPECT_EQ(window->lblMsg.Caption(), "Check Disc & Tray Status...");
    EXPECT_TRUE(window->RunInProgress());
    RunLoop();

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kNoticeText, kSuccessText}));
    ExpectEmptyClosedAndFlashed(*drive, 0, 0);
}

// No disc can be asked out of a drive that cannot be reached: the check would
// repeat its warning for ever.
TEST_F(DiscTrayTest, DriveThatCannotBeOpenedFailsWithoutAskingForItsDisc) {
    AddDrive();
    Launch();
    machine.ConfigureCdrom('D', [](sim::CdromDevice& d) { d.openFails = true; });
    loop->limits.maxDialogs = 10;
    EXPECT_NO_THROW(UpdateAndRun());

    EXPECT_EQ(DialogTexts(), (std::vector<std::string>{kNoticeText, kFailureText}));
    EXPECT_TRUE(Ended());
    ExpectUntouched(*drives[0]);
}

}  // namespace
}  // namespace scenario
