// The run log's lines, each pinned whole: support reads these logs, and the
// comparisons with the Windows program's log read their shared pieces.
#include "linux/run_log_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using nflash::Delivery;
using nflash::DriveReport;
using nflash::DriveResult;

constexpr char kVendor[] = "VELMORA ";
constexpr char kProduct[] = "DVDRW KTV-360R  ";

DriveReport Drive() {
    DriveReport r;
    r.drive.address = nflash::ScsiAddress{2, 0, 1, 0};
    r.drive.sgPath = "/dev/sg3";
    r.drive.srPath = "/dev/sr1";
    r.identity = nflash::Identity{kVendor, kProduct, "1.02", "NORVEK-VIRTUAL  "};
    r.decision.matched = true;
    r.decision.bank = 1;
    r.decision.from = "1.02";
    r.decision.to = "1.05";
    return r;
}

struct Command {
    std::uint8_t cdb[kCdbLength] = {0x3B, 0x05, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00};
    CommandRequest request{cdb, kDataOut, nullptr, 16384, 30};
    CommandResult result{CommandOutcome::Good, 0, 16384, 0.002113};
};

TEST(RunLogTextTest, ACommandLineSaysWhatBecameOfTheCommandAndHowTheKernelAnswered) {
    const Command c;
    const std::string head = "sg3 3b0501004000004000000000 out 16384";
    SgIoAnswer good;
    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, c.result, Delivery::Sent, &good),
              "command " + head + " -> good 16384 bytes 2.113 ms: Good");

    SgIoAnswer check;
    check.scsiStatus = kScsiCheckCondition;
    check.driverStatus = kDriverSense;
    check.sense[0] = 0x70;
    check.sense[2] = 0x04;
    check.sense[7] = 10;
    check.sense[12] = 0x44;
    check.senseLength = 18;
    const CommandResult refused{CommandOutcome::CheckCondition, 0x044400, 0, 0.0005};
    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, refused, Delivery::Sent, &check),
              "command " + head +
                  " -> check 0 bytes 0.500 ms: Check Condition: Hardware Error: Additional sense: Internal target "
                  "failure");

    SgIoAnswer gone;
    gone.error = ENODEV;
    const CommandResult failed{CommandOutcome::Failed, 0, 0, 0.0};
    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, failed, Delivery::Sent, &gone),
              "command " + head + " -> failed 0 bytes 0.000 ms: system call: No such device");
    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, c.result, Delivery::Sent, nullptr),
              "command " + head + " -> good 16384 bytes 2.113 ms");

    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, {}, Delivery::Planned, nullptr),
              "planned " + head + " (dry run: not sent)");
    EXPECT_EQ(nflash::CommandLogLine("sg3", c.request, {}, Delivery::Withheld, nullptr),
              "withheld " + head + " (cancelled: not sent)");
}

TEST(RunLogTextTest, AnIdentityLineSaysWhatTheDriveAnsweredOrWhySysfsSpeaksForIt) {
    DriveReport r = Drive();
    r.answered = true;
    r.chipId = std::array<std::uint8_t, 4>{0xBF, 0xD6, 0x00, 0x01};
    EXPECT_EQ(nflash::IdentityLogLine(r),
              "identity sg3 2:0:1:0 /dev/sg3 (/dev/sr1): \"VELMORA \" \"DVDRW KTV-360R  \" \"1.02\" "
              "vendor-specific \"NORVEK-VIRTUAL  \", chip bf d6 00 01; decision: from 1.02 to 1.05");

    r.answered = false;
    r.chipId.reset();
    r.problem = "no identity: the drive did not answer INQUIRY";
    r.decision.upToDate = true;
    EXPECT_EQ(nflash::IdentityLogLine(r),
              "identity sg3 2:0:1:0 /dev/sg3 (/dev/sr1): no answer (no identity: the drive did not answer INQUIRY), "
              "sysfs says VELMORA DVDRW KTV-360R 1.02, no chip identity; decision: up to date (1.02)");

    r.drive.sgPath.clear();
    EXPECT_EQ(nflash::LogLabel(r.drive), "sr1") << "a drive without an sg node goes by its block node";
}

TEST(RunLogTextTest, ADrivesFlashIsLoggedByItsBankImageCommitAndResult) {
    DriveReport r = Drive();
    r.imageSha256 = "ab12";
    EXPECT_EQ(nflash::FlashLogLine(r, 1048576, true),
              "flash sg3 bank 2 image 1048576 bytes sha256 ab12, commit with boot code (a0)");
    EXPECT_EQ(nflash::FlashLogLine(r, 524288, false), "flash sg3 bank 2 image 524288 bytes sha256 ab12, commit (80)");

    EXPECT_EQ(nflash::RescanLogLine(r.drive, ""), "rescan 2:0:1:0");
    EXPECT_EQ(nflash::RescanLogLine(r.drive, "cannot write /sys/x/rescan: Permission denied"),
              "rescan 2:0:1:0: cannot write /sys/x/rescan: Permission denied");

    r.result = DriveResult::Flashed;
    r.after = nflash::Identity{kVendor, kProduct, "1.05", ""};
    EXPECT_EQ(nflash::ResultLogLine(r), "result sg3 flashed, after: \"VELMORA \" \"DVDRW KTV-360R  \" \"1.05\"");
    r.result = DriveResult::RevisionMismatch;
    r.after->revision = "1.02";
    r.error = "flashed, but the drive reports 1.02";
    EXPECT_EQ(nflash::ResultLogLine(r), "result sg3 revision-mismatch, after: \"VELMORA \" \"DVDRW KTV-360R  \" "
                                        "\"1.02\": flashed, but the drive reports 1.02");
    r.result = DriveResult::Failed;
    r.after.reset();
    r.error = "the drive refused the commit";
    EXPECT_EQ(nflash::ResultLogLine(r), "result sg3 failed: the drive refused the commit");
}

TEST(RunLogTextTest, TheRunsOwnLinesFrameTheDrives) {
    EXPECT_EQ(nflash::StartLogLine("norvek-flash list u.exe"),
              std::string("norvek-flash ") + NORVEK_VERSION + ": norvek-flash list u.exe");

    nflash::FileReport f;
    f.path = "/tmp/u.exe";
    f.sha256 = "f1";
    f.title = "Flash Program";
    f.version = "v2.0.4";
    f.driveName = "VELMORA DVDRW KTV-360R";
    f.loaderSet = "generated test set";
    f.loaderSha256 = "10";
    f.peChecksum = 0x111001;
    f.banks = {{1, 0, 1048576, "1.05", "b1"}, {2, 1048576, 524288, "2.05", "b2"}};
    EXPECT_EQ(nflash::FileLogLines(f),
              (std::vector<std::string>{"file /tmp/u.exe sha256 f1",
                                        "package \"Flash Program\" version v2.0.4 for VELMORA DVDRW KTV-360R",
                                        "loaders generated test set sha256 10",
                                        "integrity PE checksum 0x00111001 matches; not signed",
                                        "bank 1 start 0 size 1048576 new revision 1.05 image sha256 b1",
                                        "bank 2 start 1048576 size 524288 new revision 2.05 image sha256 b2"}));

    EXPECT_EQ(nflash::PowerLogLine(PowerState{PowerSource::Battery, 40}), "power: on battery (40 %)");
    EXPECT_EQ(nflash::WarningLogLine("no inhibitor lock"), "warning: no inhibitor lock");
    EXPECT_EQ(nflash::ErrorLogLine("refused, nothing was sent"), "error refused, nothing was sent");
    EXPECT_EQ(nflash::ExitLogLine(nflash::ExitCode::RevisionMismatch), "exit 6");
}

}  // namespace
