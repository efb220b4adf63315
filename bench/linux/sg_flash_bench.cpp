// The cost of flashing through the SG_IO transport: one drive's 1 MiB
// verified transfer (session, transport, the sg_io_hdr round trip) into a
// drive that only holds the bytes, against the floor of copying and
// comparing the same bytes; and sixteen virtual drives in parallel against
// one when every command takes its drive 1 ms.
//
//   sg_flash_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "src/flash/embedded_loader_store.h"
#include "src/drive/command_codes.h"
#include "src/drive/session/drive_session.h"
#include "src/drive/transport/sg_io/sg_io_transport.h"
#include "src/flash/chip_loader.h"
#include "src/flash/flash_procedure.h"
#include "bench/copy_compare_floor.h"
#include "bench/parallel_drives.h"
#include "support/test_image.h"
#include "tests/linux/support/vdrive_sg_system.h"

namespace {

constexpr std::int32_t kImageSize = 1048576;
constexpr int kMaxDrives = 16;

// Drives behind sg nodes, each with its own transport and session, the
// loader already accepted so the transfer alone can be timed.
struct Bay {
    DriveSession& Session(int i) { return *sessions[i]; }
    sgsim::VdriveSgSystem system;
    std::vector<std::unique_ptr<SgIoTransport>> transports;
    std::vector<std::unique_ptr<DriveSession>> sessions;
    std::vector<std::vector<std::uint8_t>> images;
    double commandSeconds;

    Bay(int count, double latency) : commandSeconds(latency) {
        system.SetRealTime(true);
        transports.resize(static_cast<std::size_t>(count));
        sessions.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            images.push_back(testimage::MakeImage(kImageSize, static_cast<std::uint32_t>(i)));
            FreshDrive(i);
        }
    }

    static std::string Node(int i) { return "/bench/sg" + std::to_string(i); }

    // The virtual drive logs every byte it is sent; a fresh drive per run
    // keeps that log from growing through the whole benchmark.
    void FreshDrive(int i) {
        vdrive::DriveConfig config;
        config.commandSeconds = commandSeconds;
        sessions[i].reset();
        transports[i].reset();
        system.AddNode(Node(i), std::make_shared<vdrive::Drive>(config), i);
        transports[i] = std::make_unique<SgIoTransport>(OpenSgDevice(system, Node(i), OpenMode::Exclusive).file);
        sessions[i] = std::make_unique<DriveSession>(transports[i].get());
        sessions[i]->SetTimeout(108000);
        IdentifyChipAndUploadLoader(*sessions[i], EmbeddedLoaderStore());
        sessions[i]->EnableRetry();
    }
};

// A drive reduced to its download buffer: WRITE BUFFER copies the data in,
// READ BUFFER copies it out, everything else is good. What a real drive does
// with the bytes, without the virtual drive's bookkeeping (it keeps every
// byte it is sent for the tests), so that the transport is what is timed.
class BufferDrive final : public SgSystem {
public:
    int Open(const char*, int) override { return 3; }
    void Close(int) override {}
    int SgIo(int, sg_io_hdr_t& h) override {
        const std::uint8_t* cdb = h.cmdp;
        const std::uint32_t offset = static_cast<std::uint32_t>(cdb[3]) << 16 | cdb[4] << 8 | cdb[5];
        auto* data = static_cast<std::uint8_t*>(h.dxferp);
        if (cdb[0] == wire::kOpWriteBuffer && h.dxfer_len > 0) std::memcpy(&buffer_[offset], data, h.dxfer_len);
        if (cdb[0] == wire::kOpReadBuffer) std::memcpy(data, &buffer_[offset], h.dxfer_len);
        h.status = h.host_status = h.driver_status = h.sb_len_wr = 0;
        h.resid = 0;
        return 0;
    }

private:
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(wire::kDownloadBufferSize);
};

void BM_SgTransferOneMegabyte(benchmark::State& state) {
    BufferDrive drive;
    SgIoTransport transport(OpenSgDevice(drive, "/bench/sg0", OpenMode::Exclusive).file);
    DriveSession session(&transport);
    session.SetTimeout(108000);
    session.EnableRetry();
    const std::vector<std::uint8_t> image = testimage::MakeImage(kImageSize, 0);
    std::uint8_t ok = 1;
    for (auto _ : state) ok &= WriteAndVerifyImage(session, image.data(), kImageSize);
    if (!ok) state.SkipWithError("transfer failed");
    state.SetBytesProcessed(state.iterations() * kImageSize);
}
BENCHMARK(BM_SgTransferOneMegabyte)->Unit(benchmark::kMillisecond);

void BM_CopyAndCompareFloor(benchmark::State& state) {
    MeasureCopyAndCompareFloor(state, testimage::MakeImage(kImageSize, 0));
}
BENCHMARK(BM_CopyAndCompareFloor)->Unit(benchmark::kMillisecond);

double g_oneDriveSeconds = 0.0;

// N drives, one thread each as in a run; wall time per run of all N.
template <bool kWholeProcedure>
void BM_SgParallelDrives(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Bay bay(count, 0.001);
    MeasureParallelDrives<kWholeProcedure>(state, bay, count, kImageSize, g_oneDriveSeconds);
}
BENCHMARK(BM_SgParallelDrives<false>)
    ->Name("BM_SgParallelTransfer")
    ->Arg(1)
    ->Arg(kMaxDrives)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_SgParallelDrives<true>)
    ->Name("BM_SgParallelFlashFirmware")
    ->Arg(1)
    ->Arg(kMaxDrives)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
