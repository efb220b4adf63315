// Readiness waits on the virtual clock, the medium and unit attention tests,
// and reading a drive's identity.
#include <cstring>
#include <string>

#include "drive_fixture.h"
#include "src/drive/drive_commands.h"

namespace {

class ReadinessTest : public DriveTest {
protected:
    void SetUp() override {
        DriveTest::SetUp();
        m.SetClockMode(sim::ClockMode::Virtual);
    }

    void Start(vdrive::DriveConfig config = {}) {
        drive = AddCdrom('D', 1, 0, std::move(config));
        manager = std::make_unique<DriveManager>(false);
        SelectOnly(*manager, 'D', false);
    }

    int Sent(std::uint8_t opcode) const {
        int n = 0;
        for (const auto& block : drive->CommandBlocks()) n += block[0] == opcode ? 1 : 0;
        return n;
    }

    static vdrive::DriveConfig NeverReady() {
        vdrive::DriveConfig config;
        config.neverReady = true;
        return config;
    }

};

}  // namespace

TEST_F(ReadinessTest, NeverReadyDriveGivesUpAtTheTimeOut) {
    for (int timeout : {30, 60, 120}) {
        SCOPED_TRACE(timeout);
        Restart();
        m.SetClockMode(sim::ClockMode::Virtual);
        Start(NeverReady());
        const double before = m.NowSeconds();
        EXPECT_EQ(WaitReady(*manager, timeout), 0);
        // One poll every 300 ms until the limit, then the final one.
        EXPECT_EQ(Sent(0x00), timeout * 10 / 3 + 2);
        EXPECT_NEAR(m.NowSeconds() - before, timeout, 0.31);
        EXPECT_EQ(SenseIs(*manager, 0x02, 0x04), 1) << "the final command's sense stays";
    }
}

TEST_F(ReadinessTest, WithoutCounterTheTickCountEndsTheWait) {
    m.SetClockMode(sim::ClockMode::NoCounter);
    Start(NeverReady());
    EXPECT_EQ(WaitReady(*manager, 30), 0);
    EXPECT_NEAR(Sent(0x00), 102, 1);
}

TEST_F(ReadinessTest, BecomingReadyEndsTheWaitWithSuccess) {
    vdrive::DriveConfig config;
    config.becomingReadySeconds = 10.0;
    Start(config);
    const double before = m.NowSeconds();
    EXPECT_EQ(WaitReady(*manager, 60), 1);
    EXPECT_NEAR(m.NowSeconds() - before, 10.0, 0.31);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
}

TEST_F(ReadinessTest, UnlimitedWaitPollsWithoutTheTimer) {
    for (int timeout : {0, -1}) {
        SCOPED_TRACE(timeout);
        Restart();
        m.SetClockMode(sim::ClockMode::Virtual);
        vdrive::DriveConfig config;
        config.becomingReadyPolls = 5;
        Start(config);
        EXPECT_EQ(WaitReady(*manager, timeout), 1);
        EXPECT_EQ(Sent(0x00), 5 + 1 + 1);
        EXPECT_EQ(manager->waitTimer.Elapsed(), 0.0);
    }
}

// Not ready with any qualifier of ASC 04h, and a unit attention of any
// kind, mean "wait"; the medium test looks at the ASC alone as well.
TEST_F(ReadinessTest, AnyBecomingReadyQualifierAndAnyUnitAttentionAreWaitedThrough) {
    using vdrive::CommandKind;
    vdrive::DriveConfig config;
    config.faults.push_back({.kind = CommandKind::TestUnitReady, .count = 2, .sense = {0x02, 0x04, 0x07}});
    config.faults.push_back({.kind = CommandKind::TestUnitReady, .nth = 3, .sense = {0x06, 0x28, 0x00}});
    Start(config);
    EXPECT_EQ(WaitReady(*manager, 60), 1);
    EXPECT_EQ(Sent(0x00), 3 + 1 + 1);

    vdrive::DriveConfig trayOpen;
    trayOpen.faults.push_back({.kind = CommandKind::TestUnitReady, .count = 0, .sense = {0x02, 0x3A, 0x02}});
    Restart();
    m.SetClockMode(sim::ClockMode::Virtual);
    Start(trayOpen);
    EXPECT_EQ(IsMediumAbsent(*manager), 1);
}

TEST_F(ReadinessTest, UnitAttentionIsWaitedThrough) {
    vdrive::DriveConfig config;
    config.unitAttention = true;
    Start(config);
    EXPECT_EQ(WaitReady(*manager, 60), 1);
    EXPECT_EQ(Sent(0x00), 3);
}

TEST_F(ReadinessTest, EmptyDriveEndsTheWaitAtOnceAndIsMediumAbsent) {
    vdrive::DriveConfig empty;
    empty.discPresent = false;
    Start(empty);
    EXPECT_EQ(WaitReady(*manager, 60), 1);
    EXPECT_EQ(Sent(0x00), 2);
    EXPECT_EQ(SenseIs(*manager, 0x02, 0x3A), 1);
    EXPECT_EQ(IsMediumAbsent(*manager), 1);

    drive->SetDiscPresent(true);
    EXPECT_EQ(IsMediumAbsent(*manager), 0);
}

TEST_F(ReadinessTest, DriveStillBecomingReadyIsNotTakenForEmpty) {
    Start(NeverReady());
    const double before = m.NowSeconds();
    EXPECT_EQ(IsMediumAbsent(*manager), 0);
    EXPECT_NEAR(m.NowSeconds() - before, 30.0, 0.31) << "after waiting 30 seconds";
}

TEST_F(ReadinessTest, ClearUnitAttentionStopsAtTheFirstOtherAnswerAndIsBounded) {
    struct Case {
        const char* name;
        vdrive::DriveConfig config;
        int sent;
    };
    vdrive::DriveConfig once, forever, empty;
    once.unitAttention = true;
    forever.unitAttentionForever = true;
    empty.discPresent = false;
    for (const Case& c : {Case{"ready", {}, 1}, Case{"one attention", once, 2},
                          Case{"no disc", empty, 1}, Case{"attention for ever", forever, 100}}) {
        SCOPED_TRACE(c.name);
        Restart();
        Start(c.config);
        ClearUnitAttention(*manager);
        EXPECT_EQ(Sent(0x00), c.sent);
    }
}

TEST_F(ReadinessTest, ReadIdentityCopiesTheRawFields) {
    vdrive::DriveConfig config;
    config.vendorSpecific = "0123456789ABCDEF";
    Start(config);
    std::strcpy(manager->revision, "XXXX");
    EXPECT_EQ(ReadIdentity(*manager), 1);
    EXPECT_STREQ(manager->vendor, "VELMORA ");
    EXPECT_STREQ(manager->product, "DVDRW KTV-360R  ");
    EXPECT_STREQ(manager->revision, "1.00");
    EXPECT_STREQ(manager->vendorSpecific, "0123456789ABCDEF");
}

TEST_F(ReadinessTest, IdentityWithoutVendorAndProductIsNoIdentity) {
    vdrive::DriveConfig nameless;
    nameless.vendor = std::string(8, '\0');
    nameless.product = std::string(16, '\0');
    nameless.revision = "2.10";
    Start(nameless);
    EXPECT_EQ(ReadIdentity(*manager), 0);
    EXPECT_STREQ(manager->vendor, "");
    EXPECT_STREQ(manager->revision, "2.10") << "stored all the same";

    // The name is bytes 8 to 31: its first byte alone, or its last, is one.
    vdrive::DriveConfig first = nameless;
    first.vendor = std::string("V") + std::string(7, '\0');
    vdrive::DriveConfig last = nameless;
    last.product = std::string(15, '\0') + "P";
    for (const vdrive::DriveConfig& config : {first, last}) {
        SCOPED_TRACE(config.vendor[0] == 'V' ? "first vendor byte" : "last product byte");
        Restart();
        m.SetClockMode(sim::ClockMode::Virtual);
        Start(config);
        EXPECT_EQ(ReadIdentity(*manager), 1);
    }
}

TEST_F(ReadinessTest, FailedInquiryLeavesTheIdentityEmpty) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::Inquiry, 1, 0, vdrive::FaultEffect::NotDelivered});
    Start(config);
    std::strcpy(manager->vendor, "STALE");
    EXPECT_EQ(ReadIdentity(*manager), 0);
    EXPECT_STREQ(manager->vendor, "");
}

TEST_F(ReadinessTest, RefreshWritesTheSelectedRowOrLeavesIt) {
    vdrive::DriveConfig config;
    config.revision = "1.05";
    Start(config);
    DriveEntry& row = manager->table.drives[0];
    std::strcpy(row.displayName, "OLD NAME THAT IS LONGER THAN 24");
    ASSERT_EQ(RefreshCurrentIdentity(*manager), 1);
    EXPECT_STREQ(row.displayName, "VELMORA DVDRW KTV-360R  ");
    EXPECT_STREQ(row.revision, "1.05");

    vdrive::DriveConfig silent;
    silent.faults.push_back({vdrive::CommandKind::Inquiry, 1, 0, vdrive::FaultEffect::NotDelivered});
    Restart();
    Start(silent);
    std::strcpy(manager->table.drives[0].revision, "0.99");
    EXPECT_EQ(RefreshCurrentIdentity(*manager), 0);
    EXPECT_EQ(Sent(0x12), 10);
    EXPECT_STREQ(manager->table.drives[0].revision, "0.99");

    manager->CloseDrive();
    EXPECT_EQ(RefreshCurrentIdentity(*manager), 0) << "no drive selected";
}
