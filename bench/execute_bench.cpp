// What Execute costs per command on each transport, against a virtual drive
// that answers at once. Two floors stand beside it: the drive called directly
// (its own work), and the same request handed straight to the simulated
// platform (the drive plus the platform's locking and request logs). Execute's
// own cost is its time less the platform floor.
//
//   execute_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>

#include "sim/vdrive/drive.h"
#include "sim/winsim/machine.h"
#include "src/drive/transport_preference.h"
#include "src/drive/drive_commands.h"
#include "src/drive/drive_manager.h"

namespace {

constexpr std::array<std::uint8_t, 12> kTestUnitReady{};
constexpr std::array<std::uint8_t, 12> kInquiry{0x12, 0, 0, 0, 0x60, 0};
constexpr std::uint32_t kInquiryLength = 96;

// One drive on the real clock, reached by a manager through one transport.
struct Setup {
    std::shared_ptr<vdrive::Drive> drive = std::make_shared<vdrive::Drive>();
    std::unique_ptr<DriveManager> manager;

    explicit Setup(bool viaAspi) {
        auto& machine = sim::machine();
        machine.Reset();
        machine.SetClockMode(sim::ClockMode::Real);
        if (viaAspi) {
            sim::AspiManagerConfig config;
            config.installed = true;
            config.adapters.resize(1);
            config.adapters[0].devices[{0, 0}] =
                sim::AspiDevice{DTYPE_CDROM, drive, sim::AspiCompletion::Synchronous};
            machine.SetAspiManager(config);
            SetApplicationTag(kPreferAspiTag);
        } else {
            sim::CdromDevice device;
            device.drive = drive;
            machine.AddCdrom('D', device);
            SetApplicationTag(0);
        }
        manager = std::make_unique<DriveManager>(false);
        DriveEntry& row = manager->table.drives[0];
        row.present = 1;
        row.viaAspi = viaAspi ? 1 : 0;
        row.adapter = viaAspi ? 0 : 1;
        row.rootPath[0] = 'D';
        row.rootPath[1] = ':';
        row.rootPath[2] = '\\';
        manager->table.driveCount = 1;
        manager->SelectDrive(0);
    }

    ~Setup() {
        manager.reset();
        sim::machine().Reset();
        SetApplicationTag(0);
    }
};

void DriveDirect(benchmark::State& state, const std::array<std::uint8_t, 12>& cdb,
                 vdrive::Direction direction, std::uint32_t length) {
    vdrive::Drive drive;
    std::array<std::uint8_t, 65536> buffer{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(drive.Execute(cdb.data(), direction, buffer.data(), length));
    }
}

void ThroughExecute(benchmark::State& state, bool viaAspi, const std::array<std::uint8_t, 12>& cdb,
                    std::uint8_t direction, std::uint32_t length) {
    Setup setup(viaAspi);
    for (auto _ : state) {
        if (!setup.manager->Execute(cdb.data(), direction, length)) state.SkipWithError("command failed");
    }
}

// The request Execute would build, sent the way Execute sends it, without
// the filling, timing and judging around it.
void PlatformPassThrough(benchmark::State& state, const std::array<std::uint8_t, 12>& cdb,
                         std::uint8_t direction, std::uint32_t length) {
    Setup setup(false);
    DriveManager& m = *setup.manager;
    PassThroughRequest request{};
    request.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    request.sptd.CdbLength = 12;
    request.sptd.SenseInfoLength = 24;
    request.sptd.DataIn = direction;
    request.sptd.DataTransferLength = length;
    request.sptd.TimeOutValue = m.timeoutSeconds;
    request.sptd.DataBuffer = length ? m.readBuffer : nullptr;
    request.sptd.SenseInfoOffset = kPassThroughSenseOffset;
    std::memcpy(request.sptd.Cdb, cdb.data(), cdb.size());
    for (auto _ : state) {
        DWORD returned = 0;
        benchmark::DoNotOptimize(DeviceIoControl(m.deviceHandle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &request,
                                                 sizeof request, &request, sizeof request, &returned,
                                                 nullptr));
    }
}

void PlatformAspi(benchmark::State& state, const std::array<std::uint8_t, 12>& cdb, std::uint8_t direction,
                  std::uint32_t length) {
    Setup setup(true);
    DriveManager& m = *setup.manager;
    SRB_ExecSCSICmd srb{};
    for (auto _ : state) {
        srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
        srb.SRB_Status = SS_PENDING;
        srb.SRB_Flags = (direction == kDataIn ? SRB_DIR_IN : 0) | SRB_EVENT_NOTIFY;
        srb.SRB_BufLen = length;
        srb.SRB_BufPointer = length ? m.readBuffer : nullptr;
        srb.SRB_SenseLen = ASPI_SENSE_LEN;
        srb.SRB_CDBLen = 12;
        std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        srb.SRB_PostProc = event;
        m.aspi.SendCommand()(&srb);
        CloseHandle(event);
    }
}

void BM_Floor_TestUnitReady(benchmark::State& s) { DriveDirect(s, kTestUnitReady, vdrive::Direction::None, 0); }
void BM_Platform_PassThrough_TestUnitReady(benchmark::State& s) { PlatformPassThrough(s, kTestUnitReady, kNoData, 0); }
void BM_Platform_Aspi_TestUnitReady(benchmark::State& s) { PlatformAspi(s, kTestUnitReady, kNoData, 0); }
void BM_PassThrough_TestUnitReady(benchmark::State& s) { ThroughExecute(s, false, kTestUnitReady, kNoData, 0); }
void BM_Aspi_TestUnitReady(benchmark::State& s) { ThroughExecute(s, true, kTestUnitReady, kNoData, 0); }
void BM_Floor_Inquiry(benchmark::State& s) { DriveDirect(s, kInquiry, vdrive::Direction::In, kInquiryLength); }
void BM_Platform_PassThrough_Inquiry(benchmark::State& s) { PlatformPassThrough(s, kInquiry, kDataIn, kInquiryLength); }
void BM_Platform_Aspi_Inquiry(benchmark::State& s) { PlatformAspi(s, kInquiry, kDataIn, kInquiryLength); }
void BM_PassThrough_Inquiry(benchmark::State& s) { ThroughExecute(s, false, kInquiry, kDataIn, kInquiryLength); }
void BM_Aspi_Inquiry(benchmark::State& s) { ThroughExecute(s, true, kInquiry, kDataIn, kInquiryLength); }

// A fixed count keeps the simulated machine's request logs to a bounded size.
constexpr benchmark::IterationCount kCommands = 200000;

BENCHMARK(BM_Floor_TestUnitReady)->Iterations(kCommands);
BENCHMARK(BM_Platform_PassThrough_TestUnitReady)->Iterations(kCommands);
BENCHMARK(BM_PassThrough_TestUnitReady)->Iterations(kCommands);
BENCHMARK(BM_Platform_Aspi_TestUnitReady)->Iterations(kCommands);
BENCHMARK(BM_Aspi_TestUnitReady)->Iterations(kCommands);
BENCHMARK(BM_Floor_Inquiry)->Iterations(kCommands);
BENCHMARK(BM_Platform_PassThrough_Inquiry)->Iterations(kCommands);
BENCHMARK(BM_PassThrough_Inquiry)->Iterations(kCommands);
BENCHMARK(BM_Platform_Aspi_Inquiry)->Iterations(kCommands);
BENCHMARK(BM_Aspi_Inquiry)->Iterations(kCommands);

}  // namespace

BENCHMARK_MAIN();
