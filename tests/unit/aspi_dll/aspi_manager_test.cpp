// The test DLL's manager on the build host: what it logs for each request
// and how its threads finish them, with the simulated machine's events
// standing in for the system's.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "sim/aspi-dll/aspi_manager.h"
#include "sim/winsim/machine.h"
#include "support/exec_request_block.h"

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::uint8_t, 12> kInquiry{0x12, 0, 0, 0, 96, 0, 0, 0, 0, 0, 0, 0};

// The managers the tests made, with their logs: their completion threads
// run until the process ends, as in the DLL, so nothing here is destroyed
// (and the leak checker finds them still held).
struct Kept {
    std::unique_ptr<drivelog::RequestLog> log;
    std::unique_ptr<aspidll::AspiManager> manager;
};
auto* const g_kept = new std::vector<Kept>;

class AspiDll : public ::testing::Test {
protected:
    void SetUp() override {
        sim::machine().Reset();
        fs::remove(logPath);
    }
    void TearDown() override {
        sim::machine().Reset();
        fs::remove(logPath);
    }

    aspidll::AspiManager& Manager(const std::string& scenarioText) {
        std::istringstream in(scenarioText);
        auto log = std::make_unique<drivelog::RequestLog>(logPath.string());
        auto manager = std::make_unique<aspidll::AspiManager>(scenariofile::ParseScenario(in), *log);
        g_kept->push_back({std::move(log), std::move(manager)});
        return *g_kept->back().manager;
    }

    std::vector<std::string> Log() const {
        std::ifstream in(logPath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Waits (bounded) until the log has `count` lines.
    std::vector<std::string> LogOf(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Log().size() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Log();
    }

    SRB_ExecSCSICmd Exec(HANDLE event) { return ExecRequestBlock(kInquiry, SRB_DIR_IN, data, event); }

    // One file per test and process: ctest runs the cases side by side.
    const fs::path logPath = fs::path(::testing::TempDir()) /
                             ("aspi_dll_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                              "." + std::to_string(::getpid()) + ".log");
    std::vector<BYTE> data = std::vector<BYTE>(96, 0);
};

}  // namespace

TEST_F(AspiDll, RequestsAnsweredInTheCallAreLoggedAsAnswered) {
    auto& manager = Manager("adapters = 2\n[drive]\ntarget = 1\n[drive]\nadapter = 3\n");
    EXPECT_EQ(manager.SupportInfo(), 0x0102u);
    SRB_HAInquiry inquiry{};
    EXPECT_EQ(manager.Send(&inquiry), SS_COMP);
    SRB_GDEVBlock device{};
    device.SRB_Cmd = SC_GET_DEV_TYPE;
    device.SRB_Target = 1;
    EXPECT_EQ(manager.Send(&device), SS_COMP);
    SRB_RescanPort rescan{};
    rescan.SRB_Cmd = SC_RESCAN_SCSI_BUS;
    rescan.SRB_HaId = 2;
    EXPECT_EQ(manager.Send(&rescan), SS_INVALID_HA);
    SRB_Header unknown{};
    unknown.SRB_Cmd = 0x33;
    EXPECT_EQ(manager.Send(&unknown), 0xE0u);
    EXPECT_EQ(manager.Send(nullptr), SS_ERR);
    SRB_ExecSCSICmd past = Exec(nullptr);
    past.SRB_HaId = 3;  // the second drive's adapter, past the two the manager has
    EXPECT_EQ(manager.Send(&past), SS_INVALID_HA);

    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "support status=01 adapters=2",
                         "ha_inquiry ha=0 status=01 count=2",
                         "dev_type ha=0 target=1 lun=0 status=01 type=05",
                         "rescan ha=2 status=81",
                         "unknown cmd=33 ha=0 status=e0",
                         "send null",
                         "exec ha=3 target=0 lun=0 cdb=120000006000000000000000 dir=in len=96 status=81",
                     }));
}

TEST_F(AspiDll, ACommandFinishesOnItsDrivesThreadAndThenSetsTheEvent) {
    auto& manager = Manager("[drive]\nlatency_ms = 20\nfault = inquiry:2:1:check:05/24/00\n");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SRB_ExecSCSICmd srb = Exec(event);
    EXPECT_EQ(manager.Send(&srb), SS_PENDING);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(data[0] & 0x1F, DTYPE_CDROM);

    ResetEvent(event);
    srb = Exec(event);
    EXPECT_EQ(manager.Send(&srb), SS_PENDING);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(srb.SRB_Status, SS_ERR);
    EXPECT_EQ(srb.SenseArea[12], 0x24);
    const auto log = LogOf(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "exec ha=0 target=0 lun=0 cdb=120000006000000000000000 dir=in len=96 status=01 sense=-");
    EXPECT_EQ(log[1].rfind("exec ha=0 target=0 lun=0 cdb=120000006000000000000000 dir=in len=96 status=04 sense=70", 0),
              0u)
        << log[1];
    CloseHandle(event);
}

TEST_F(AspiDll, AHungRequestKeepsItsBlockAndARefusingManagerTouchesNone) {
    auto& manager = Manager("[drive]\nfault = inquiry:1:1:hang\n");
    SRB_ExecSCSICmd srb = Exec(nullptr);
    EXPECT_EQ(manager.Send(&srb), SS_PENDING);
    EXPECT_EQ(LogOf(1), std::vector<std::string>{"exec ha=0 target=0 lun=0 cdb=120000006000000000000000 hung"});
    EXPECT_EQ(manager.Send(&srb), 0xE0u);
    EXPECT_EQ(srb.SRB_Status, SS_PENDING) << "the block is still the manager's";
    EXPECT_EQ(Log().back(), "exec ha=0 target=0 lun=0 reused status=e0");

    fs::remove(logPath);
    auto& busy = Manager("refuse_with = 0xE5\n[drive]\n");
    SRB_ExecSCSICmd refused = Exec(nullptr);
    refused.SRB_Status = 0x5A;
    EXPECT_EQ(busy.Send(&refused), SS_ASPI_IS_BUSY);
    EXPECT_EQ(refused.SRB_Status, 0x5A);
    EXPECT_EQ(Log(), std::vector<std::string>{"exec ha=0 target=0 lun=0 refused=e5"});
}

TEST_F(AspiDll, WithAnEventDelayTheStatusIsFinalBeforeTheEventIsSet) {
    auto& manager = Manager("event_signal_delay_ms = 200\n[drive]\n");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SRB_ExecSCSICmd srb = Exec(event);
    EXPECT_EQ(manager.Send(&srb), SS_PENDING);
    EXPECT_EQ(srb.SRB_Status, SS_COMP) << "written inside the call";
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    CloseHandle(event);
}
