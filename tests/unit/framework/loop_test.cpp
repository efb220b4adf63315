// The headless message loop: timer ticks on the simulated clock, and the
// limits that turn a hung scenario into a failure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "src/framework/framework.h"
#include "src/framework/headless/headless_loop.h"
#include "src/platform/win32.h"
#include "virtual_clock.h"

namespace {

using fw::headless::HeadlessLoop;
using fw::headless::StopReason;

struct LoopTest : testing::Test {
    VirtualClock clock;
    fw::TApplication app{std::make_unique<HeadlessLoop>()};
    HeadlessLoop& loop = static_cast<HeadlessLoop&>(app.Loop());
    fw::TForm form{"Form", {}, ""};
    fw::TTimer timer{&form, 100};
};

TEST_F(LoopTest, TimerTicksEveryHundredMillisecondsOfVirtualTime) {
    const DWORD start = GetTickCount();
    std::vector<DWORD> at;
    timer.OnTimer = [&](void* sender) {
        EXPECT_EQ(sender, &timer);
        at.push_back(GetTickCount() - start);
        if (at.size() == 5) app.Terminate();
    };
    timer.SetEnabled(true);
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::Terminated);
    EXPECT_EQ(at, (std::vector<DWORD>{100, 200, 300, 400, 500}));
    EXPECT_EQ(loop.TimerTicks(), 5u);
}

TEST_F(LoopTest, ClockJumpGivesOneTickPerIntervalPassed) {
    timer.SetEnabled(true);
    int ticks = 0;
    timer.OnTimer = [&](void*) { ++ticks; };
    Sleep(350);  // as a worker's long wait would move the shared clock
    app.ProcessMessages();
    EXPECT_EQ(ticks, 1);  // one dispatch, one tick
    app.ProcessMessages();
    app.ProcessMessages();
    app.ProcessMessages();
    EXPECT_EQ(ticks, 3);  // and no more than the 3 intervals that passed
}

TEST_F(LoopTest, SwitchedOffTimerNeverTicksAndAnIdleLoopStops) {
    int ticks = 0;
    timer.OnTimer = [&](void*) { ++ticks; };
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::Idle);
    EXPECT_EQ(ticks, 0);
}

TEST_F(LoopTest, TimerSwitchedOffByItsOwnTickStops) {
    int ticks = 0;
    timer.OnTimer = [&](void*) {
        if (++ticks == 3) timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::Idle);
    EXPECT_EQ(ticks, 3);
}

TEST_F(LoopTest, LoopThatNeverEndsStopsAtTheVirtualTimeLimit) {
    loop.limits.maxTickMs = 10'000;
    timer.SetEnabled(true);
    app.Run();
    EXPECT_EQ(loop.LastStop(), StopReason::VirtualTimeLimit);
    EXPECT_GE(loop.TimerTicks(), 100u);
    EXPECT_LE(loop.TimerTicks(), 101u);
    EXPECT_FALSE(app.Terminated());
}

TEST_F(LoopTest, RunStateIsRecordedInOrder) {
    loop.RunStateChanged(true);
    EXPECT_TRUE(loop.Running());
    loop.RunStateChanged(false);
    EXPECT_FALSE(loop.Running());
    EXPECT_EQ(loop.RunStates(), (std::vector<bool>{true, false}));
}

}  // namespace

namespace {

// A worker that only ends, so its termination is the one thing pending.
class EndingWorker : public fw::TThread {
protected:
    void Execute() override {}
};

TEST_F(LoopTest, DialogThatDispatchesDeliversTicksAndTerminationsWhileItIsUp) {
    loop.dialogsDispatch = true;
    int ticks = 0;
    timer.OnTimer = [&](void*) { ++ticks; };
    timer.SetEnabled(true);
    EndingWorker worker;
    bool ended = false;
    worker.OnTerminate = [&](fw::TThread*) { ended = true; };
    ASSERT_TRUE(worker.Start());
    // The user reads for three ticks and until the worker is done.
    loop.HoldDialog = [&](const fw::headless::DialogRecord&) { return ticks < 3 || !ended; };

    fw::MessageDlg("Please remove the disc.", fw::DialogKind::Warning, fw::DialogButtons::Ok);

    EXPECT_GE(ticks, 3);
    EXPECT_TRUE(ended);
    EXPECT_EQ(loop.TerminationsDelivered(), 1u);
}

TEST_F(LoopTest, DialogThatDoesNotDispatchIsAnsweredWithNothingElseRunning) {
    int ticks = 0;
    timer.OnTimer = [&](void*) { ++ticks; };
    timer.SetEnabled(true);
    Sleep(1000);
    fw::MessageDlg("Done.", fw::DialogKind::Information, fw::DialogButtons::Ok);
    EXPECT_EQ(ticks, 0);
}

TEST_F(LoopTest, DialogHeldWithNothingLeftToHappenStopsTheScenario) {
    loop.dialogsDispatch = true;
    loop.HoldDialog = [](const fw::headless::DialogRecord&) { return true; };
    EXPECT_THROW(fw::MessageDlg("Wait", fw::DialogKind::Warning, fw::DialogButtons::Ok),
                 fw::headless::ScenarioHung);
}

TEST_F(LoopTest, HandlerExceptionsAreShownAndTheLoopGoesOn) {
    fw::TBitBtn button(&form, "cmdUpdate", {}, {}, "&Update", fw::ButtonKind::Custom);
    button.OnClick = [](void*) { throw std::runtime_error("click failed"); };
    int ticks = 0;
    timer.OnTimer = [&](void*) {
        if (++ticks == 1) throw 42;  // not a std::exception: shown with no text
        app.Terminate();
    };
    timer.SetEnabled(true);

    button.Click();
    app.Run();

    EXPECT_EQ(loop.LastStop(), StopReason::Terminated);
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(loop.Dialogs().size(), 2u);
    EXPECT_EQ(loop.Dialogs()[0].kind, fw::DialogKind::Error);
    EXPECT_EQ(loop.Dialogs()[0].text, "click failed");
    EXPECT_EQ(loop.Dialogs()[1].kind, fw::DialogKind::Error);
    EXPECT_EQ(loop.Dialogs()[1].text, "");
}

}  // namespace

// A posted call runs from the loop, after the code that posted it, in order;
// one that throws is shown and the rest still run.
TEST_F(LoopTest, PostedCallsRunInOrderFromTheLoopAndTheirExceptionsAreShown) {
    std::vector<int> ran;
    loop.Post([&] { ran.push_back(1); });
    loop.Post([] { throw std::runtime_error("posted call broke"); });
    loop.Post([&] {
        ran.push_back(2);
        app.Terminate();
    });
    EXPECT_TRUE(ran.empty());
    app.Run();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    ASSERT_EQ(loop.Dialogs().size(), 1u);
    EXPECT_EQ(loop.Dialogs()[0].text, "posted call broke");
}

// The session's end is asked like any message: inside a dialog that
// dispatches too, and answered from the run state.
TEST_F(LoopTest, SessionEndQueryIsAnsweredFromTheRunStateAlsoInsideADialog) {
    loop.PostSessionEndQuery();
    loop.ProcessMessages();
    loop.RunStateChanged(true);
    loop.dialogsDispatch = true;
    loop.HoldDialog = [&](const fw::headless::DialogRecord&) {
        if (loop.SessionEndAnswers().size() == 1) loop.PostSessionEndQuery();
        return loop.SessionEndAnswers().size() < 2;
    };
    fw::MessageDlg("held", fw::DialogKind::Warning, fw::DialogButtons::Ok);
    EXPECT_EQ(loop.SessionEndAnswers(), (std::vector<bool>{true, false}));
}
