// The worker's body: its outcome in the manager, and a failure that travels
// as ErrCodeException once retrying is enabled.
#include "flash_rig.h"
#include "src/flash/parser.h"

namespace {

using namespace flashtest;

class ParserTest : public FlashTest {};

TEST_F(ParserTest, RefusedImageFailsWithoutTheRetryPathAndSendsNothing) {
    Rig rig = MakeRig();
    const auto image = MakeImage(16384, 1);
    FlashJob job{rig.manager.get(), image.data(), 100, 0};
    Parser worker(job);
    EXPECT_FALSE(worker.RunJob());  // retry not yet enabled: no exception
    worker.WorkerRun();
    EXPECT_EQ(rig.manager->errorCode, kFlashFailed);
    EXPECT_TRUE(rig.drive->Commands().empty());
}

TEST_F(ParserTest, FailureAfterRetryIsEnabledTravelsAsErrCodeException) {
    vdrive::DriveConfig config;
    config.readBackFaults.push_back({0, 0});
    Rig rig = MakeRig(config);
    const auto image = MakeImage(16384, 1);
    FlashJob job{rig.manager.get(), image.data(), 16384, 0};
    Parser worker(job);
    try {
        worker.RunJob();
        ADD_FAILURE() << "no exception";
    } catch (const ErrCodeException& e) {
        EXPECT_EQ(e.code, kFlashFailed);
    }
}

}  // namespace
