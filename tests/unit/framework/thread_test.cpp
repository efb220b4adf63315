// Worker threads: suspended start, termination on the UI thread, self-freeing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "src/framework/framework.h"
#include "src/framework/headless/headless_loop.h"
#include "virtual_clock.h"

namespace {

using fw::headless::HeadlessLoop;
using fw::headless::StopReason;

class Worker : public fw::TThread {
public:
    explicit Worker(std::function<void()> body, bool* deleted = nullptr)
        : body_(std::move(body)), deleted_(deleted) {}
    ~Worker() override {
        if (deleted_) *deleted_ = true;
    }
    std::thread::id ranOn;

protected:
    void Execute() override {
        ranOn = std::this_thread::get_id();
        if (body_) body_();
    }

private:
    std::function<void()> body_;
    bool* deleted_;
};

struct ThreadTest : testing::Test {
    fw::TApplication app{std::make_unique<HeadlessLoop>()};
    HeadlessLoop& loop = static_cast<HeadlessLoop&>(app.Loop());
    const std::thread::id ui = std::this_thread::get_id();
};

TEST_F(ThreadTest, TerminationArrivesOnceOnTheUiThreadAfterExecute) {
    std::atomic<bool> executed = false;
    Worker worker([&] { executed = true; });
    int deliveries = 0;
    worker.OnTerminate = [&](fw::TThread* sender) {
        EXPECT_EQ(sender, &worker);
        EXPECT_EQ(std::this_thread::get_id(), ui);
        EXPECT_TRUE(executed);
        ++deliveries;
        app.Terminate();
    };
    EXPECT_FALSE(executed);  // created suspended
    ASSERT_TRUE(worker.Start());
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::Terminated);
    EXPECT_EQ(deliveries, 1);
    EXPECT_NE(worker.ranOn, ui);
    EXPECT_EQ(loop.TerminationsDelivered(), 1u);
}

TEST_F(ThreadTest, FreeOnTerminateDeletesAfterTheHandler) {
    bool deleted = false;
    auto* worker = new Worker(nullptr, &deleted);
    worker->FreeOnTerminate = true;
    worker->OnTerminate = [&](fw::TThread*) {
        EXPECT_FALSE(deleted);
        app.Terminate();
    };
    ASSERT_TRUE(worker->Start());
    app.Run();
    EXPECT_TRUE(deleted);
}

TEST_F(ThreadTest, ExceptionInExecuteStillTerminates) {
    Worker worker([] { throw std::runtime_error("drive gone"); });
    bool delivered = false;
    worker.OnTerminate = [&](fw::TThread*) {
        delivered = true;
        app.Terminate();
    };
    ASSERT_TRUE(worker.Start());
    app.Run();
    ASSERT_TRUE(delivered);
    ASSERT_TRUE(worker.FatalException());
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), std::runtime_error);
}

TEST_F(ThreadTest, WorkerPumpingMessagesNeverReceivesAnotherWorkersEnd) {
    std::atomic<bool> firstEnded = false;
    Worker first([&] { firstEnded = true; });
    std::thread::id firstDeliveredOn;
    first.OnTerminate = [&](fw::TThread*) { firstDeliveredOn = std::this_thread::get_id(); };
    Worker pumping([&] {
        while (!firstEnded) std::this_thread::yield();
        for (int i = 0; i < 1000; ++i) app.ProcessMessages();
    });
    int ended = 0;
    pumping.OnTerminate = [&](fw::TThread*) {
        if (++ended == 1) app.Terminate();
    };
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(pumping.Start());
    app.Run();
    // The first worker's end may still be queued when the loop stops.
    app.ProcessMessages();
    EXPECT_EQ(firstDeliveredOn, ui);
}

TEST_F(ThreadTest, LoopLeavesTheClockToRunningWorkers) {
    VirtualClock clock;
    fw::TForm form("Form", {}, "");
    fw::TTimer timer(&form, 100);
    timer.SetEnabled(true);
    // The worker takes real time but moves no simulated time: the bar must
    // not race ahead of it.
    Worker worker([] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
    worker.OnTerminate = [&](fw::TThread*) { app.Terminate(); };
    ASSERT_TRUE(worker.Start());
    app.Run();
    EXPECT_EQ(loop.TimerTicks(), 0u);
}

TEST_F(ThreadTest, StartingTwiceIsRefused) {
    Worker worker(nullptr);
    worker.OnTerminate = [&](fw::TThread*) { app.Terminate(); };
    ASSERT_TRUE(worker.Start());
    EXPECT_THROW((void)worker.Start(), std::logic_error);
    app.Run();
}

}  // namespace

namespace {

TEST_F(ThreadTest, ThreadThePlatformCannotCreateSendsNoTerminationAndLeavesTheLoopIdle) {
    loop.RefuseThreadStarts(1);
    bool deleted = false;
    auto* refused = new Worker(nullptr, &deleted);
    refused->FreeOnTerminate = true;
    bool delivered = false;
    refused->OnTerminate = [&](fw::TThread*) { delivered = true; };
    EXPECT_FALSE(refused->Start());
    // Still the caller's: nothing runs that could free it.
    EXPECT_FALSE(deleted);
    delete refused;

    // The refusal left no thread counted as running, so the loop does not
    // wait for a termination that will never come.
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::Idle);
    EXPECT_FALSE(delivered);
}

TEST_F(ThreadTest, TerminationHandlerThatThrowsIsShownAndTheThreadIsStillFreed) {
    bool deleted = false;
    auto* worker = new Worker(nullptr, &deleted);
    worker->FreeOnTerminate = true;
    worker->OnTerminate = [](fw::TThread*) { throw std::runtime_error("handler failed"); };
    ASSERT_TRUE(worker->Start());
    app.Run();

    EXPECT_TRUE(deleted);
    ASSERT_EQ(loop.Dialogs().size(), 1u);
    EXPECT_EQ(loop.Dialogs()[0].kind, fw::DialogKind::Error);
    EXPECT_EQ(loop.Dialogs()[0].text, "handler failed");
}

}  // namespace
