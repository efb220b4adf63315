#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "drive_commands.h"
#include "machine_fixture.h"
#include "sim/vdrive/drive.h"

namespace {

// Entry points come back as FARPROC; the generic pointer type marks the cast as meant.
template <typename F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class AspiTest : public MachineTest {
protected:
    // One adapter with a CD-ROM at target 1 completing as given, and a disk
    // at target 0.
    void Install(sim::AspiCompletion completion, BYTE status = SS_COMP,
                 bool checkConditionCompletes = false) {
        sim::AspiManagerConfig config;
        config.installed = true;
        config.supportStatus = status;
        sim::AspiAdapter adapter;
        adapter.devices[{0, 0}] = sim::AspiDevice{0x00, nullptr, sim::AspiCompletion::Synchronous};
        adapter.devices[{1, 0}] =
            sim::AspiDevice{DTYPE_CDROM, drive, completion, checkConditionCompletes};
        config.adapters.push_back(adapter);
        m.SetAspiManager(config);
    }

    void Load() {
        module = LoadLibraryA("WNASPI32");
        ASSERT_NE(module, nullptr);
        send = Entry<SendASPI32CommandFn>(module, "SendASPI32Command");
        ASSERT_NE(send, nullptr);
    }

    SRB_ExecSCSICmd Exec(const std::array<std::uint8_t, 12>& cdb, BYTE flags, HANDLE event) {
        SRB_ExecSCSICmd srb;
        std::memset(&srb, 0, sizeof srb);
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_Target = 1;
        srb.SRB_Flags = flags | (event ? SRB_EVENT_NOTIFY : 0);
        srb.SRB_PostProc = event;
        srb.SRB_SenseLen = ASPI_SENSE_LEN;
        srb.SRB_CDBLen = 12;
        srb.SRB_BufLen = flags == SRB_DIR_IN ? 96 : 0;
        srb.SRB_BufPointer = flags == SRB_DIR_IN ? data.data() : nullptr;
        std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
        return srb;
    }

    std::shared_ptr<vdrive::Drive> drive = std::make_shared<vdrive::Drive>();
    std::vector<BYTE> data = std::vector<BYTE>(96, 0);
    HMODULE module = nullptr;
    SendASPI32CommandFn send = nullptr;
};

}  // namespace

TEST_F(AspiTest, LibraryLoadsByNameOrSystemPathAndIsReferenceCounted) {
    EXPECT_EQ(LoadLibraryA("WNASPI32"), nullptr) << "no manager installed";
    char system[64];
    ASSERT_EQ(GetSystemDirectoryA(system, sizeof system), 19u);
    EXPECT_STREQ(system, "C:\\WINDOWS\\system32");
    EXPECT_EQ(GetSystemDirectoryA(system, 19), 20u) << "too small: size needed with the zero byte";

    Install(sim::AspiCompletion::Synchronous);
    HMODULE first = LoadLibraryA("C:\\WINDOWS\\system32\\WNASPI32.DLL");
    HMODULE second = LoadLibraryA("wnaspi32");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(LoadLibraryA("C:\\Program Files\\Norvek\\WNASPI32.DLL"), nullptr) << "only the system copy";
    EXPECT_EQ(m.AspiReferences(), 2);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_FALSE(FreeLibrary(second)) << "released more often than loaded";
    EXPECT_EQ(m.AspiReferences(), 0);
    EXPECT_EQ(m.AspiLoads(), 2);
}

TEST_F(AspiTest, SupportInfoAndMissingEntryPoints) {
    Install(sim::AspiCompletion::Synchronous, SS_ILLEGAL_MODE);
    Load();
    auto info = Entry<GetASPI32SupportInfoFn>(module, "GetASPI32SupportInfo");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info(), 0xE201u);
    FreeLibrary(module);
    info();
    EXPECT_EQ(m.AspiCallsWhileUnloaded(), 1) << "a call after release is caught";

    sim::AspiManagerConfig config;
    config.installed = true;
    config.sendCommandMissing = true;
    m.SetAspiManager(config);
    module = LoadLibraryA("WNASPI32");
    EXPECT_NE(GetProcAddress(module, "GetASPI32SupportInfo"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "SendASPI32Command"), nullptr);
    FreeLibrary(module);
}

TEST_F(AspiTest, ScanRequestsAnswerAndAreLoggedAsReceived) {
    Install(sim::AspiCompletion::Synchronous);
    Load();
    SRB_HAInquiry inquiry{};
    EXPECT_EQ(send(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.SRB_Status, SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 1);
    inquiry = {};
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(send(&inquiry), SS_INVALID_HA);

    SRB_RescanPort rescan{};
    rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
    EXPECT_EQ(send(&rescan), SS_COMP);

    SRB_GDEVBlock slot{};
    slot.SRB_Cmd = SC_GET_DEV_TYPE;
    slot.SRB_Target = 1;
    EXPECT_EQ(send(&slot), SS_COMP);
    EXPECT_EQ(slot.SRB_DeviceType, DTYPE_CDROM);
    slot = {};
    slot.SRB_Cmd = SC_GET_DEV_TYPE;
    slot.SRB_Target = 2;
    EXPECT_EQ(send(&slot), SS_NO_DEVICE);

    const auto log = m.AspiLog();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].bytes, std::vector<std::uint8_t>(60, 0)) << "copied before the answer";
    EXPECT_EQ(log[2].bytes.size(), 8u);
    EXPECT_EQ(log[3].bytes.size(), 12u);
    EXPECT_EQ(log[3].bytes[8], 1) << "target byte";
    FreeLibrary(module);
}

TEST_F(AspiTest, FailingAdapterInquiryAndNoManager) {
    sim::AspiManagerConfig config;
    config.installed = true;
    config.adapters.resize(2);
    config.adapters[1].inquiryFails = true;
    m.SetAspiManager(config);
    Load();
    SRB_HAInquiry inquiry{};
    EXPECT_EQ(send(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 2);
    inquiry = {};
    inquiry.SRB_HaId = 1;
    EXPECT_NE(send(&inquiry), SS_COMP);
    EXPECT_NE(inquiry.SRB_Status, SS_COMP);
    FreeLibrary(module);
}

TEST_F(AspiTest, CheckConditionEndsInErrorWithSenseUpToSenseLen) {
    Install(sim::AspiCompletion::Synchronous);
    Load();
    SRB_ExecSCSICmd srb = Exec(kUnknownCommand, 0, nullptr);
    srb.SRB_SenseLen = 8;
    EXPECT_EQ(send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SenseArea[0] & 0x7F, 0x70);
    EXPECT_EQ(srb.SenseArea[2] & 0x0F, kSenseIllegalRequest);
    EXPECT_EQ(srb.SenseArea[8], 0) << "no more than SRB_SenseLen bytes";

    SRB_ExecSCSICmd good = Exec(kInquiry, SRB_DIR_IN, nullptr);
    EXPECT_EQ(send(&good), SS_COMP);
    EXPECT_EQ(data[0] & 0x1F, DTYPE_CDROM);
    FreeLibrary(module);
}

TEST_F(AspiTest, CheckConditionCanEndInCompletedStatusWithTheSenseFilled) {
    Install(sim::AspiCompletion::Synchronous, SS_COMP, true);
    Load();
    SRB_ExecSCSICmd srb = Exec(kUnknownCommand, 0, nullptr);
    EXPECT_EQ(send(&srb), SS_COMP);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SenseArea[2] & 0x0F, kSenseIllegalRequest);

    SRB_ExecSCSICmd good = Exec(kInquiry, SRB_DIR_IN, nullptr);
    EXPECT_EQ(send(&good), SS_COMP);
    EXPECT_EQ(good.SRB_TargStat, 0x00);
    EXPECT_EQ(good.SenseArea[2], 0) << "a good command still carries no sense";
    FreeLibrary(module);
}

TEST_F(AspiTest, PendingRequestSignalsItsEventOnCompletion) {
    m.SetClockMode(sim::ClockMode::Virtual);
    for (auto mode : {sim::AspiCompletion::Background, sim::AspiCompletion::Immediate}) {
        Install(mode);
        Load();
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN, event);
        EXPECT_EQ(send(&srb), SS_PENDING);
        EXPECT_EQ(WaitForSingleObject(event, 6000), WAIT_OBJECT_0);
        EXPECT_EQ(srb.SRB_Status, SS_COMP);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "manual reset stays signalled";
        EXPECT_TRUE(CloseHandle(event));
        FreeLibrary(module);
    }
    EXPECT_EQ(m.AspiPending(), 0);
}

TEST_F(AspiTest, SlowDriveFinishesWithinTheWaitOrTimesOutAndFinishesLater) {
    m.SetClockMode(sim::ClockMode::Virtual);
    vdrive::DriveConfig slow;
    slow.commandSeconds = 3.0;
    drive = std::make_shared<vdrive::Drive>(slow);
    Install(sim::AspiCompletion::Background);
    Load();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN, event);
    double before = m.NowSeconds();
    ASSERT_EQ(send(&srb), SS_PENDING);
    EXPECT_EQ(WaitForSingleObject(event, 6000), WAIT_OBJECT_0);
    EXPECT_NEAR(m.NowSeconds() - before, 3.0, 0.01) << "the clock moved to the completion";

    CloseHandle(event);
    event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    srb = Exec(kInquiry, SRB_DIR_IN, event);
    before = m.NowSeconds();
    ASSERT_EQ(send(&srb), SS_PENDING);
    EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_TIMEOUT);
    EXPECT_NEAR(m.NowSeconds() - before, 1.0, 0.01);
    EXPECT_EQ(std::atomic_ref<BYTE>(srb.SRB_Status).load(), SS_PENDING);
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0) << "finishes once its time has come";
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    CloseHandle(event);
    FreeLibrary(module);
}

TEST_F(AspiTest, UnansweredCommandEndsInError) {
    vdrive::DriveConfig config;
    config.faults.push_back({vdrive::CommandKind::Inquiry, 1, 1, vdrive::FaultEffect::NotDelivered});
    drive = std::make_shared<vdrive::Drive>(config);
    Install(sim::AspiCompletion::Synchronous);
    Load();
    SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN, nullptr);
    EXPECT_EQ(send(&srb), SS_ERR);
    EXPECT_EQ(srb.SenseArea[2], 0) << "no sense without an answer";
    FreeLibrary(module);
}

TEST_F(AspiTest, PollingWithoutEventEndsOnTheVirtualClock) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Install(sim::AspiCompletion::Background);
    Load();
    SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN, nullptr);
    EXPECT_EQ(send(&srb), SS_PENDING);
    while (std::atomic_ref<BYTE>(srb.SRB_Status).load() == SS_PENDING) Sleep(0);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    FreeLibrary(module);
}

TEST_F(AspiTest, RequestThatNeverCompletesTimesOutOnTheVirtualClockAndStaysOwned) {
    m.SetClockMode(sim::ClockMode::Virtual);
    Install(sim::AspiCompletion::Never);
    Load();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SRB_ExecSCSICmd srb = Exec(kInquiry, SRB_DIR_IN, event);
    EXPECT_EQ(send(&srb), SS_PENDING);
    const double before = m.NowSeconds();
    EXPECT_EQ(WaitForSingleObject(event, 108000u * 1000u), WAIT_TIMEOUT);
    EXPECT_NEAR(m.NowSeconds() - before, 108000.0, 0.001) << "30 hours passed, virtually";
    EXPECT_EQ(m.AspiPending(), 1);

    EXPECT_EQ(send(&srb), 0xE0u) << "a pending block sent again is refused";
    EXPECT_EQ(m.AspiBlocksReusedWhilePending(), 1);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING);
    EXPECT_TRUE(drive->Commands().empty()) << "the drive never saw it";

    m.ReleasePendingAspi();
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
    FreeLibrary(module);
}

TEST_F(AspiTest, EventsWaitAndCloseOnTheVirtualClock) {
    m.SetClockMode(sim::ClockMode::Virtual);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const DWORD tick = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 6000), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - tick, 6000u);
    EXPECT_LT(GetTickCount() - tick, 6010u) << "milliseconds, not seconds";
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(event));
    ASSERT_EQ(m.ClosedHandles().size(), 1u);
    EXPECT_EQ(m.ClosedHandles()[0].kind, sim::HandleKind::Event);

    m.SetCreateEventFails(true);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr);
}

// Windows gives a closed handle's value to the next new handle, so a manager
// that sets a finished request's event late sets whatever event holds that
// value by then: here the caller's next one, while its request is pending.
TEST_F(AspiTest, ALateSignalLandsOnTheEventThatTookTheClosedHandlesValue) {
    sim::AspiManagerConfig config;
    config.installed = true;
    sim::AspiAdapter adapter;
    adapter.devices[{1, 0}] = {.drive = drive, .completion = sim::AspiCompletion::Immediate, .signalsLate = true};
    adapter.devices[{2, 0}] = {.drive = std::make_shared<vdrive::Drive>(), .completion = sim::AspiCompletion::Never};
    config.adapters.push_back(adapter);
    m.SetAspiManager(config);
    Load();

    HANDLE first = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SRB_ExecSCSICmd done = Exec({0x00}, 0, first);
    EXPECT_EQ(send(&done), SS_PENDING);
    EXPECT_EQ(done.SRB_Status, SS_COMP) << "the status is final before the call returns";
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0) << "a waiter is never left without the signal";
    ASSERT_TRUE(ResetEvent(first));

    SRB_ExecSCSICmd again = Exec({0x00}, 0, first);
    EXPECT_EQ(send(&again), SS_PENDING);
    CloseHandle(first);
    HANDLE second = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(second, first) << "the value is given again";
    SRB_ExecSCSICmd pending = Exec({0x00}, 0, second);
    pending.SRB_Target = 2;
    EXPECT_EQ(send(&pending), SS_PENDING);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0) << "set by the earlier request's late signal";
    EXPECT_EQ(pending.SRB_Status, SS_PENDING);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT) << "an auto-reset event takes one signal";

    m.ReleasePendingAspi();
    CloseHandle(second);
    FreeLibrary(module);
}
