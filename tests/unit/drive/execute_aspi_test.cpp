// Execute through the ASPI manager: the request block, completion by event
// or by polling, the outcome rules, and requests the manager never finishes.
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "drive_fixture.h"
#include "src/drive/transport/abandoned_requests.h"
#include "src/drive/drive_commands.h"

namespace {

// The records are byte-packed: their fields are read as values, never bound by reference.
template <typename T>
T Copy(T value) {
    return value;
}

using vdrive::CommandKind;
using vdrive::FaultEffect;

class AspiExecuteTest : public DriveTest {
protected:
    void Start(vdrive::DriveConfig config = {},
               sim::AspiCompletion completion = sim::AspiCompletion::Background) {
        StartOn(std::move(config), {.completion = completion});
    }

    void StartOn(vdrive::DriveConfig config, sim::AspiDevice slot) {
        drive = NewDrive(std::move(config));
        InstallAspi({{drive}}, slot);
        SetApplicationTag(kPreferAspiTag);
        manager = std::make_unique<DriveManager>(false);
        ASSERT_EQ(manager->useAspi, 1);
        SelectOnly(*manager, 0, true);
    }

    static vdrive::DriveConfig Failing(CommandKind kind, FaultEffect effect, int count = 0) {
        return DriveTest::Failing(kind, effect, count, {0x03, 0x11, 0x05});
    }

    std::vector<SRB_ExecSCSICmd> ExecRequests() const {
        std::vector<SRB_ExecSCSICmd> requests;
        for (const auto& record : m.AspiLog()) {
            if (record.command != SC_EXEC_SCSI_CMD) continue;
            SRB_ExecSCSICmd srb;
            std::memcpy(&srb, record.bytes.data(), sizeof srb);
            requests.push_back(srb);
        }
        return requests;
    }

};

}  // namespace

TEST_F(AspiExecuteTest, RequestBlockNamesAddressBufferDirectionAndEvent) {
    Start();
    manager->lun = 0;
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    WriteBuffer(*manager, 0, 0x4000, 0);  // refused by a drive without loader; the block is what counts
    ASSERT_EQ(TestUnitReady(*manager), 1);

    const auto requests = ExecRequests();
    ASSERT_EQ(requests.size(), 3u);
    const SRB_ExecSCSICmd& in = requests[0];
    EXPECT_EQ(Copy(in.SRB_Cmd), SC_EXEC_SCSI_CMD);
    EXPECT_EQ(Copy(in.SRB_Status), SS_PENDING);
    EXPECT_EQ(Copy(in.SRB_HaId), 0);
    EXPECT_EQ(Copy(in.SRB_Target), 0);
    EXPECT_EQ(Copy(in.SRB_Lun), 0);
    EXPECT_EQ(Copy(in.SRB_Flags), SRB_DIR_IN | SRB_EVENT_NOTIFY);
    EXPECT_EQ(Copy(in.SRB_BufLen), 96u);
    EXPECT_EQ(Copy(in.SRB_BufPointer), manager->readBuffer);
    EXPECT_EQ(Copy(in.SRB_SenseLen), 14);
    EXPECT_EQ(Copy(in.SRB_CDBLen), 12);
    EXPECT_NE(Copy(in.SRB_PostProc), nullptr);
    EXPECT_EQ(std::memcmp(in.CDBByte, Cdb({0x12, 0, 0, 0, 0x60}).data(), 12), 0);
    for (int i = 12; i < 16; ++i) EXPECT_EQ(in.CDBByte[i], 0);

    EXPECT_EQ(Copy(requests[1].SRB_Flags), SRB_DIR_OUT | SRB_EVENT_NOTIFY);
    EXPECT_EQ(Copy(requests[1].SRB_BufPointer), manager->writeBuffer);
    EXPECT_EQ(Copy(requests[1].SRB_BufLen), 0x4000u);
    EXPECT_EQ(Copy(requests[2].SRB_Flags), SRB_EVENT_NOTIFY);
    EXPECT_EQ(Copy(requests[2].SRB_BufPointer), nullptr);
    EXPECT_EQ(Copy(requests[2].SRB_BufLen), 0u);

    EXPECT_EQ(Copy(requests[1].SRB_PostProc), Copy(in.SRB_PostProc)) << "one event for every command";
    EXPECT_EQ(Copy(requests[2].SRB_PostProc), Copy(in.SRB_PostProc));
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Event), 1);
    manager.reset();
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Event), 0) << "closed with its transport";
}

TEST_F(AspiExecuteTest, WithoutAnEventTheStatusIsPolled) {
    Start();
    m.SetCreateEventFails(true);
    ASSERT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1);
    const SRB_ExecSCSICmd sent = ExecRequests().back();
    EXPECT_EQ(Copy(sent.SRB_Flags), SRB_DIR_IN);
    EXPECT_EQ(Copy(sent.SRB_PostProc), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(manager->readBuffer) + 16, 16), "DVDRW KTV-360R  ");
}

TEST_F(AspiExecuteTest, EveryCompletionModeEndsGood) {
    for (auto mode : {sim::AspiCompletion::Synchronous, sim::AspiCompletion::Immediate,
                      sim::AspiCompletion::Background}) {
        Restart();
        Start({}, mode);
        EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 1) << static_cast<int>(mode);
        EXPECT_EQ(manager->lastStatus, kStatusGood);
    }
}

TEST_F(AspiExecuteTest, GoodCommandReportsTheRequestedLength) {
    Start();
    ASSERT_EQ(GetEventStatus(*manager, 1, 0x10, 64, 0), 1);  // the drive sends 8 of them
    EXPECT_EQ(manager->lastTransferLength, 64u);
}

TEST_F(AspiExecuteTest, CheckConditionKeepsItsSenseAndIsNeverRetried) {
    Start(Failing(CommandKind::ReadBack, FaultEffect::CheckCondition));
    manager->EnableRetry();
    EXPECT_EQ(ReadBuffer(*manager, 0, 0x4000), 0);
    EXPECT_EQ(ExecRequests().size(), 1u);
    EXPECT_EQ(manager->lastStatus, kStatusCheckCondition);
    EXPECT_EQ(manager->senseKey, 0x03);
    EXPECT_EQ(manager->asc, 0x11);
    EXPECT_EQ(manager->ascq, 0x05);
    EXPECT_EQ(manager->lastTransferLength, 0u);
}

// Sense data decides, whatever the status: a manager that reports a CHECK
// CONDITION as SS_COMP with the sense filled must not have a refused commit
// counted as a good one.
TEST_F(AspiExecuteTest, CompletedStatusWithSenseIsACheckConditionAndNeverRetried) {
    StartOn(Failing(CommandKind::Commit, FaultEffect::CheckCondition),
            {.checkConditionCompletes = true});
    manager->EnableRetry();
    EXPECT_EQ(WriteBuffer(*manager, 0, 0, 0x80), 0);
    EXPECT_EQ(Copy(manager->aspi.RequestBlock()->SRB_Status), SS_COMP) << "as the manager reported it";
    EXPECT_EQ(manager->lastStatus, kStatusCheckCondition);
    EXPECT_EQ(manager->senseKey, 0x03);
    EXPECT_EQ(manager->asc, 0x11);
    EXPECT_EQ(manager->ascq, 0x05);
    EXPECT_EQ(manager->lastTransferLength, 0u);
    EXPECT_EQ(ExecRequests().size(), 1u);
    EXPECT_EQ(drive->CommitCount(), 0);
}

TEST_F(AspiExecuteTest, PlainFailureIsRetriedOnceOnlyWithRetryEnabled) {
    Start(Failing(CommandKind::Inquiry, FaultEffect::NotDelivered));
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(ExecRequests().size(), 1u);
    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(ExecRequests().size(), 3u);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(m.AspiBlocksReusedWhilePending(), 0);
}

TEST_F(AspiExecuteTest, BusyWithoutSenseIsAFailure) {
    Start(Failing(CommandKind::Commit, FaultEffect::Busy));
    EXPECT_EQ(WriteBuffer(*manager, 0, 0, 0xA0), 0);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
}

// CONDITION MET is a success status: the manager completes the request.
TEST_F(AspiExecuteTest, ConditionMetWithoutSenseIsGood) {
    Start(Failing(CommandKind::TestUnitReady, FaultEffect::ConditionMet));
    EXPECT_EQ(TestUnitReady(*manager), 1);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
}

TEST_F(AspiExecuteTest, CompletedButTooSlowFailsAndIsNotRetried) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig slow;
    slow.commandSeconds = 5.0;
    Start(slow, sim::AspiCompletion::Synchronous);
    manager->SetTimeout(2);
    manager->EnableRetry();
    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->lastTooSlow, 1);
    EXPECT_EQ(ExecRequests().size(), 1u);
}

TEST_F(AspiExecuteTest, RequestNeverFinishedIsAbandonedAndTheManagerStops) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Start({}, sim::AspiCompletion::Never);
    manager->SetTimeout(3);
    manager->EnableRetry();
    const double before = m.NowSeconds();
    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_NEAR(m.NowSeconds() - before, 3.0, 0.01) << "waited the command's time-out";
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->aspi.HoldsAbandonedRequest(), true);
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Event), 1) << "the manager may still signal it";

    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->lastCdb[0], 0x12);
    EXPECT_EQ(ExecRequests().size(), 1u) << "nothing more was sent";
    EXPECT_EQ(m.AspiBlocksReusedWhilePending(), 0);

    m.ReleasePendingAspi();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0) << "finished late, still never reused";
    EXPECT_EQ(ExecRequests().size(), 1u);
}

// The ASPI manager completes the held request after its DriveManager has been
// deleted (the end of a run): everything it writes must still be owned, so
// under AddressSanitizer this is a heap-use-after-free when the block or the
// buffers went with the manager.
TEST_F(AspiExecuteTest, RequestCompletedAfterItsManagerIsGoneWritesIntoMemoryStillOwned) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Start({}, sim::AspiCompletion::Never);
    manager->SetTimeout(1);
    const std::uint32_t keptBefore = KeptAspiRequestCount();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    ASSERT_EQ(manager->aspi.HoldsAbandonedRequest(), true);
    const SRB_ExecSCSICmd* block = manager->aspi.RequestBlock();
    const std::uint8_t* reply = manager->readBuffer;
    manager.reset();
    EXPECT_EQ(KeptAspiRequestCount(), keptBefore + 1);
    EXPECT_EQ(m.HeapBlocksOutstanding(), 2u) << "both buffers kept";
    EXPECT_EQ(m.AspiReferences(), 1) << "the library stays loaded";

    m.ReleasePendingAspi();
    EXPECT_EQ(Copy(block->SRB_Status), SS_COMP);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply) + 8, 8), "VELMORA ");
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Event), 1) << "its event was there to be signalled";
}

TEST_F(AspiExecuteTest, PollWithoutEventEndsAtTheTimeOut) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Start({}, sim::AspiCompletion::Never);
    m.SetCreateEventFails(true);
    manager->SetTimeout(2);
    const double before = m.NowSeconds();
    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_GE(m.NowSeconds() - before, 2.0);
    EXPECT_LT(m.NowSeconds() - before, 2.1);
    EXPECT_EQ(manager->aspi.HoldsAbandonedRequest(), true);
    m.ReleasePendingAspi();
}

// The wake-up arrives before the final status: the transport must look at
// the status again soon, not sleep out the rest of its time-out on an event
// nobody will set again.
TEST_F(AspiExecuteTest, SignalBeforeTheStatusStoreEndsTheWaitWithinASlice) {
    m.SetClockMode(sim::ClockMode::Virtual);
    StartOn({}, {.completion = sim::AspiCompletion::Background, .signalsBeforeStatus = true});
    const double before = m.NowSeconds();
    EXPECT_EQ(TestUnitReady(*manager), 1);
    EXPECT_LT(m.NowSeconds() - before, 0.5);
    EXPECT_EQ(manager->aspi.HoldsAbandonedRequest(), false);
}

// A manager that refuses the request by its return code never writes the
// status: that is a failure at once, and the block is still the caller's.
TEST_F(AspiExecuteTest, RefusalByReturnCodeFailsAtOnceAndKeepsTheTransport) {
    m.SetClockMode(sim::ClockMode::Virtual);
    StartOn({}, {.completion = sim::AspiCompletion::Background, .refusesWith = SS_ASPI_IS_BUSY});
    manager->EnableRetry();
    const double before = m.NowSeconds();
    EXPECT_EQ(TestUnitReady(*manager), 0);
    EXPECT_LT(m.NowSeconds() - before, 0.5);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
    EXPECT_EQ(manager->aspi.HoldsAbandonedRequest(), false);
    EXPECT_EQ(ExecRequests().size(), 2u) << "a plain failure, retried once";
}

TEST_F(AspiExecuteTest, HugeTimeOutDoesNotWrapTheWaitLimit) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Start({}, sim::AspiCompletion::Never);
    // x 1000 wraps 32 bits to under a second; the wait must stay ~49 days.
    // The manager answers after an hour, which a wrapped limit never sees.
    manager->SetTimeout(4294968);
    const double before = m.NowSeconds();
    std::atomic<bool> ended = false;
    std::thread managerThread([&] {
        while (!ended && m.NowSeconds() - before < 3600.0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m.ReleasePendingAspi();
    });
    EXPECT_EQ(TestUnitReady(*manager), 1);
    ended = true;
    managerThread.join();
    EXPECT_GT(m.NowSeconds() - before, 3600.0);
}

TEST_F(AspiExecuteTest, NoAddressWithRetryIsRefusedWithoutRetryItIsSent) {
    Start();
    ASSERT_EQ(TestUnitReady(*manager), 1);
    manager->CloseDrive();
    manager->EnableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    EXPECT_EQ(ExecRequests().size(), 1u);
    EXPECT_EQ(manager->lastStatus, kStatusGood);
    EXPECT_EQ(manager->lastCdb[0], 0x00);

    manager->DisableRetry();
    EXPECT_EQ(Inquiry(*manager, 0, 0, 0, 96, 0), 0);
    const auto requests = ExecRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Copy(requests.back().SRB_HaId), 0xFF);
    EXPECT_EQ(Copy(requests.back().SRB_Target), 0xFF);
    EXPECT_EQ(manager->lastStatus, kStatusFailed);
}

TEST_F(AspiExecuteTest, MissingEntryPointsFailCommandsWithoutCallingThrough) {
    m.SetPlatform(sim::Platform::Older);  // ASPI is the only transport, and none is installed
    DriveManager manager(false);
    ASSERT_EQ(manager.useAspi, 1);
    ASSERT_EQ(manager.aspi.SendCommand(), nullptr);
    manager.SetAddress(INVALID_HANDLE_VALUE, 0, 0, 0, 0);
    EXPECT_EQ(TestUnitReady(manager), 0);
    EXPECT_EQ(manager.lastStatus, kStatusFailed);
    EXPECT_EQ(manager.lastCdb[0], 0x00);
    EXPECT_TRUE(m.AspiLog().empty());
    EXPECT_EQ(m.AspiCallsWhileUnloaded(), 0);
}

// A manager sets a finished request's event a moment after it has written
// the status. Read as final at once, the request is over for the caller, and
// that late signal then lands on whatever event holds the handle value: with
// one event per command, the next event made anywhere in the program,
// here another drive's command that has to wait. It must neither end that
// wait early nor be mistaken for a time-out.
TEST_F(AspiExecuteTest, ALateSignalForOneDriveDoesNotEndAnotherDrivesWait) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig slowConfig;
    slowConfig.commandSeconds = 0.5;
    sim::AspiAdapter adapter;
    adapter.devices[{0, 0}] = {.drive = NewDrive(),
                               .completion = sim::AspiCompletion::Immediate,
                               .signalsLate = true};
    adapter.devices[{1, 0}] = {.drive = NewDrive(slowConfig)};
    sim::AspiManagerConfig config;
    config.installed = true;
    config.adapters.push_back(adapter);
    m.SetAspiManager(config);
    SetApplicationTag(kPreferAspiTag);

    DriveManager prompt(false);
    DriveManager slow(false);
    SelectOnly(prompt, 0, true);
    SelectOnly(slow, 0, true, 1);

    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(TestUnitReady(prompt), 1) << "round " << round;
        ASSERT_EQ(TestUnitReady(slow), 1) << "round " << round;
        EXPECT_FALSE(slow.aspi.HoldsAbandonedRequest());
        EXPECT_NEAR(slow.lastElapsed, 0.5, 0.01) << "the whole answer was waited for";
    }
    EXPECT_EQ(m.OpenHandles(sim::HandleKind::Event), 2) << "one event per transport";
}
