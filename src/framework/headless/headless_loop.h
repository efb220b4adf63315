// The event loop of the host build: no screen, everything observable.
//
// Dialogs are answered from a script and recorded; timer ticks follow the
// seam's tick count (the simulated machine's virtual or real clock); worker
// terminations are queued and delivered on the UI thread by Run() or
// ProcessMessages(). Run() gives up with a reason instead of hanging, so a
// scenario that never ends fails its test.
//
// A platform modal loop (a message box, a dialog) dispatches the thread's
// other messages while it is up: worker terminations and timer ticks reach
// their handlers in the middle of whatever showed the dialog. With
// `dialogsDispatch` set, ShowDialog does the same, for as long as `HoldDialog`
// says the user has not answered yet; off, a dialog is answered at once and
// nothing else runs meanwhile (the simpler world most tests are written for).
//
// Platform message boxes are forwarded to the seam's MessageBoxA: the
// simulated machine is their one record, next to the boxes the drive layer
// shows directly, and its answer is returned.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "src/framework/framework.h"

namespace fw::headless {

enum class Answer { Yes, No, Ok };

struct DialogRecord {
    DialogKind kind;
    std::string text;
    DialogButtons buttons;
    Answer answer;
    bool scripted;  // false: nobody scripted it, the default answer was taken
    bool misfit;    // the scripted answer did not fit the buttons (a broken script)
    std::string footnote{};  // shown apart from the text; empty: none
};

struct ProgressState {
    int position = 0;
    int max = 0;
    bool failed = false;
};

enum class StopReason {
    None,              // Run() has not returned yet
    Terminated,        // the application asked to end: the only success
    Idle,              // nothing left that could ever happen (no timer, no worker)
    VirtualTimeLimit,  // the tick count passed limits.maxTickMs since Run() started
    WallTimeLimit,     // real time passed limits.maxWall (a worker that never ends)
};

struct Limits {
    std::uint32_t maxTickMs = 2 * 60 * 60 * 1000;
    std::chrono::milliseconds maxWall{120'000};
    // A modal loop that keeps asking (a disc that never leaves) would never
    // return to Run(); past this many dialogs ShowDialog throws ScenarioHung.
    std::size_t maxDialogs = 500;
};

struct ScenarioHung : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class HeadlessLoop : public EventLoop {
public:
    HeadlessLoop();
    ~HeadlessLoop() override;

    // ---- dialog script and record ----
    void Script(std::initializer_list<Answer> answers);
    std::size_t UnusedAnswers() const { return script_.size(); }
    const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
    // Called while a dialog is up, before its answer is taken: the place to
    // act as the user would (take the disc out) or to script the answer.
    std::function<void(const DialogRecord&)> OnDialog;
    // Dialogs dispatch terminations and timer ticks while they are up.
    bool dialogsDispatch = false;
    // With dialogsDispatch: the dialog stays up while this answers true,
    // dispatching meanwhile (bounded by limits.maxWall).
    std::function<bool(const DialogRecord&)> HoldDialog;
    // The platform refuses to create the next `n` worker threads (out of
    // resources), as CreateThread may.
    void RefuseThreadStarts(int n) { refusedStarts_ = n; }

    // ---- the session's end, as the platform asks for it ----
    // Queues the question the system asks every window before a log-off,
    // restart or shutdown (WM_QUERYENDSESSION); delivered on the UI thread
    // like any message, also from inside a dialog that dispatches. The
    // answer is the window's: the session may end unless a run holds the
    // guard (RunStateChanged). Answers in order, true: may end.
    void PostSessionEndQuery();
    const std::vector<bool>& SessionEndAnswers() const { return sessionEndAnswers_; }

    // ---- the message loop ----
    Limits limits;
    StopReason LastStop() const { return stop_; }
    unsigned TimerTicks() const { return ticks_; }
    unsigned TerminationsDelivered() const { return delivered_; }
    // Workers started whose termination has not been posted yet.
    int RunningThreads() const {
        std::lock_guard lock(mutex_);
        return runningThreads_;
    }

    // ---- what the window asked of the platform ----
    // Forms made while this is false have no system menu (as a tool window).
    void SetFormsHaveSystemMenu(bool present) { formsHaveMenu_ = present; }
    // The form's system menu items; empty when it has none.
    std::vector<std::string> SystemMenu(const TForm* form) const;
    bool Running() const { return !runStates_.empty() && runStates_.back(); }
    const std::vector<bool>& RunStates() const { return runStates_; }
    ProgressState Progress() const { return progress_; }

    // ---- EventLoop ----
    bool ShowDialog(DialogKind kind, const std::string& text, DialogButtons buttons) override;
    bool ShowDialogWithFootnote(DialogKind kind, const std::string& text, DialogButtons buttons,
                                const std::string& footnote) override;
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;
    void Run() override;
    void ProcessMessages() override;
    void PostTermination(TThread* thread) override;
    void Post(std::function<void()> call) override;
    bool ThreadStarting(TThread* thread) override;
    void ThreadNotStarted(TThread* thread) override;
    void TimerChanged(TTimer* timer) override;
    void ControlChanged(TControl*) override {}
    void ControlCreated(TControl*) override {}
    void ControlDestroyed(TControl*) override {}
    void FormCreated(TForm* form) override;
    void FormChanged(TForm*) override {}
    void FormDestroyed(TForm* form) override;
    bool RemoveSystemMenuItem(TForm* form, int position) override;
    void RunStateChanged(bool running) override { runStates_.push_back(running); }
    void ProgressChanged(int position, int max, bool failed) override {
        progress_ = {position, max, failed};
    }

private:
    struct TimerSlot {
        TTimer* timer;
        std::uint32_t due;
    };

    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
    bool DeliverTerminations();
    bool DeliverPosted();
    bool FireDueTimers();
    bool WaitForSomething();
    StopReason LimitReached(std::uint32_t startTick,
                            std::chrono::steady_clock::time_point wallStart) const;
    Answer TakeAnswer(DialogButtons buttons, bool& scripted, bool& misfit);
    bool Show(DialogRecord record);
    void DispatchWhileUp(const DialogRecord& record);

    std::thread::id uiThread_;

    mutable std::mutex mutex_;  // guards the two below, shared with workers
    std::condition_variable wake_;
    std::deque<TThread*> terminations_;
    int runningThreads_ = 0;

    // UI thread only: posted calls and session-end queries, in order.
    std::deque<std::function<void()>> posted_;
    std::vector<bool> sessionEndAnswers_;

    std::vector<TimerSlot> timers_;
    std::deque<Answer> script_;
    std::vector<DialogRecord> dialogs_;
    std::map<const TForm*, std::vector<std::string>> menus_;
    bool formsHaveMenu_ = true;
    std::vector<bool> runStates_;
    ProgressState progress_;
    StopReason stop_ = StopReason::None;
    unsigned ticks_ = 0;
    unsigned delivered_ = 0;
    int refusedStarts_ = 0;
};

// The loop of the running application, when it is the headless one.
HeadlessLoop* ActiveLoop();

}  // namespace fw::headless
