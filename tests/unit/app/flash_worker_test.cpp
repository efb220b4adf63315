// The thread a drive is flashed on: its life through the framework, its
// outcome, and many workers flashing many drives at once.
#include <atomic>
#include <cstring>

#include "src/app/flash_worker.h"
#include "src/framework/headless/headless_loop.h"
#include "unit/flash/flash_rig.h"

namespace {

using namespace flashtest;
using fw::headless::HeadlessLoop;
using fw::headless::StopReason;

constexpr std::int32_t kImageSize = 1048576;

// Tells the test when the framework has freed the worker.
class ObservedWorker : public FlashWorker {
public:
    ObservedWorker(const FlashJob& job, std::function<void(fw::TThread*)> onDone,
                   std::atomic<int>* freed)
        : FlashWorker(job, std::move(onDone)), freed_(freed) {}
    ~ObservedWorker() override { ++*freed_; }

private:
    std::atomic<int>* freed_;
};

class FlashWorkerTest : public FlashTest {
protected:
    fw::TApplication app{std::make_unique<HeadlessLoop>()};
    HeadlessLoop& loop = static_cast<HeadlessLoop&>(app.Loop());
    std::atomic<int> freed = 0;
    void RunOneWorker(bool healthy);
};

// One worker through the headless loop: created suspended, started, its
// termination delivered once on this thread, then freed.
void FlashWorkerTest::RunOneWorker(bool healthy) {
    vdrive::DriveConfig config;
    if (!healthy) config.readBackFaults.push_back({0, 0});
    Rig rig = MakeRig(config);
    const auto image = MakeImage(kImageSize, 3);
    rig.manager->errorCode = 77;  // every run starts by clearing it

    FlashJob job{rig.manager.get(), image.data(), kImageSize, 1};
    int deliveries = 0;
    std::uint8_t seenCode = 99;
    auto* worker = new ObservedWorker(
        job,
        [&](fw::TThread*) {
            ++deliveries;
            seenCode = rig.manager->errorCode;
            EXPECT_EQ(freed, 0);  // freed only after the handler
            app.Terminate();
        },
        &freed);
    EXPECT_TRUE(worker->FreeOnTerminate);
    EXPECT_EQ(worker->parser.manager, rig.manager.get());
    job.image = nullptr;  // the creator may reuse its record at once
    job.manager = nullptr;
    ASSERT_TRUE(worker->Start());
    app.Run();

    EXPECT_EQ(loop.LastStop(), StopReason::Terminated);
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(seenCode, healthy ? 0 : kFlashFailed);
    EXPECT_EQ(rig.drive->CommitCount(), healthy ? 1 : 0);
    if (healthy) {
        EXPECT_EQ(rig.drive->FlashContents(), image);
    }
}

TEST_F(FlashWorkerTest, SuccessfulWorkerReportsZeroOnceAndFreesItself) { RunOneWorker(true); }

TEST_F(FlashWorkerTest, FailedWorkerReportsFortyTwoOnceAndFreesItself) { RunOneWorker(false); }

TEST_F(FlashWorkerTest, SixteenWorkersFlashSixteenDrivesEachWithItsOwnImage) {
    constexpr int kDrives = 16;
    std::vector<vdrive::DriveConfig> configs(kDrives);
    for (int i = 0; i < kDrives; ++i) configs[i].revision = "1.0" + std::to_string(i % 10);
    std::vector<Rig> rigs = MakeRigs(configs);
    ASSERT_EQ(rigs.size(), std::size_t(kDrives));

    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i < kDrives; ++i) images.push_back(MakeImage(kImageSize, 100 + i));

    int remaining = kDrives;
    for (int i = 0; i < kDrives; ++i) {
        rigs[i].manager->errorCode = 77;
        FlashJob job{rigs[i].manager.get(), images[i].data(), kImageSize, 0};
        auto* worker = new ObservedWorker(
            job,
            [&](fw::TThread*) {
                if (--remaining == 0) app.Terminate();
            },
            &freed);
        ASSERT_TRUE(worker->Start());
    }
    app.Run();

    EXPECT_EQ(loop.LastStop(), StopReason::Terminated);
    EXPECT_EQ(remaining, 0);
    EXPECT_EQ(freed, kDrives);
    for (int i = 0; i < kDrives; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rigs[i].manager->errorCode, 0);
        EXPECT_EQ(rigs[i].drive->CommitCount(), 1);
        EXPECT_TRUE(rigs[i].drive->FlashContents() == images[i]);
    }
}

}  // namespace
