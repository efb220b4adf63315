// The windowing toolkit the updater window is written against.
//
// Every control keeps its own state (caption, enabled, visible, font, items,
// position) in plain members; a back end mirrors changes to the screen
// (win32/) or keeps nothing more (headless/). Dialogs, timers, message
// dispatch and thread termination go through the back end's EventLoop.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clBtnFace = 0xFF00000F;

struct TFont {
    std::string name = "MS Sans Serif";
    int height = -11;  // negative: character height in pixels at 96 dpi
    TColor color = clWindowText;
    bool bold = false;
};

struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class TForm;
class TControl;
class TTimer;
class TThread;

enum class DialogKind { Warning, Error, Information };
enum class DialogButtons { Ok, YesNo };

// What a back end provides. One instance per process, owned by the application.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Shows a modal dialog; true when "&Yes" was chosen (false for OK dialogs).
    virtual bool ShowDialog(DialogKind kind, const std::string& text, DialogButtons buttons) = 0;
    // The same with `footnote` under the text and apart from it, where the
    // user can select and copy it (a file's place); the text itself is
    // unchanged. A back end with no place for it shows the dialog without.
    virtual bool ShowDialogWithFootnote(DialogKind kind, const std::string& text, DialogButtons buttons,
                                        const std::string& /*footnote*/) {
        return ShowDialog(kind, text, buttons);
    }
    // A platform message box; returns the button id.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               unsigned flags) = 0;
    // Runs until the application is asked to terminate.
    virtual void Run() = 0;
    // Dispatches what is pending for the calling thread; nothing on a worker thread.
    virtual void ProcessMessages() = 0;
    // Queues a finished thread's termination for delivery on the UI thread.
    virtual void PostTermination(TThread* thread) = 0;
    // Queues `call` (UI thread only) to run from the message loop once what
    // is running now has returned, as a posted message does. An exception it
    // throws is shown like a handler's and goes no further.
    virtual void Post(std::function<void()> call) = 0;
    // A thread is about to start (UI thread); its termination will follow.
    // False: the platform cannot create it (the start fails).
    virtual bool ThreadStarting(TThread* /*thread*/) { return true; }
    // The thread announced by ThreadStarting did not start after all; no
    // termination will follow.
    virtual void ThreadNotStarted(TThread* /*thread*/) {}
    virtual void TimerChanged(TTimer* timer) = 0;
    virtual void ControlChanged(TControl* control) = 0;
    virtual void ControlCreated(TControl* control) = 0;
    virtual void ControlDestroyed(TControl* control) = 0;
    virtual void FormCreated(TForm* form) = 0;
    virtual void FormChanged(TForm* form) = 0;
    virtual void FormDestroyed(TForm* form) = 0;
    // Removes the system-menu item at `position`; false when the form has no system menu.
    virtual bool RemoveSystemMenuItem(TForm* form, int position) = 0;
    virtual void RunStateChanged(bool running) = 0;
    virtual void ProgressChanged(int position, int max, bool failed) = 0;
};

class TApplication {
public:
    explicit TApplication(std::unique_ptr<EventLoop> loop);
    ~TApplication();

    std::int32_t Tag = 0;
    TForm* MainForm = nullptr;

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    void ProcessMessages() { loop_->ProcessMessages(); }
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
        return loop_->ShowMessageBox(text, caption, flags);
    }
    void Run();
    EventLoop& Loop() { return *loop_; }
    // The standard display of an exception that reached the message loop:
    // its message in an error dialog (empty for anything else than a
    // std::exception). The program goes on.
    void ShowException(std::exception_ptr exception);

private:
    std::unique_ptr<EventLoop> loop_;
    bool terminated_ = false;
};

// The process's application object; set while a TApplication lives.
extern TApplication* Application;

bool MessageDlg(const std::string& text, DialogKind kind, DialogButtons buttons);
// With a footnote (EventLoop::ShowDialogWithFootnote); an empty one is none.
bool MessageDlg(const std::string& text, DialogKind kind, DialogButtons buttons, const std::string& footnote);

class TControl {
public:
    TControl(TForm* owner, const char* name, TRect bounds, TFont font);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const TFont& Font() const { return font_; }
    void SetFontColor(TColor color);
    TRect Bounds() const { return bounds_; }
    TForm* Owner() const { return owner_; }

    // Back-end data (a window handle on win32).
    void* backEnd = nullptr;

protected:
    void Changed();

private:
    TForm* owner_;
    std::string name_;
    TRect bounds_;
    TFont font_;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
};

class TLabel : public TControl {
public:
    TLabel(TForm* owner, const char* name, TRect bounds, TFont font, const std::string& caption);
};

enum class BevelShape { Frame };

class TBevel : public TControl {
public:
    TBevel(TForm* owner, const char* name, TRect bounds);
};

class TComboBox : public TControl {
public:
    TComboBox(TForm* owner, const char* name, TRect bounds, TFont font, int itemHeight);

    const std::vector<std::string>& Items() const { return items_; }
    void Clear();
    void Add(const std::string& line);
    int ItemIndex() const { return itemIndex_; }
    // Selecting from code does not raise OnChange.
    void SetItemIndex(int index);
    // A user's choice: selects and raises OnChange.
    void UserSelect(int index);
    int ItemHeight() const { return itemHeight_; }

    std::function<void(void* sender)> OnChange;

private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int itemHeight_;
};

class TProgressBar : public TControl {
public:
    TProgressBar(TForm* owner, const char* name, TRect bounds);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Step() const { return step_; }
    int Position() const { return position_; }
    void SetMin(int min);
    void SetMax(int max);
    void SetStep(int step) { step_ = step; }
    void SetPosition(int position);
    void StepIt();

private:
    int min_ = 0;
    int max_ = 100;
    int step_ = 10;
    int position_ = 0;
};

enum class ButtonKind { Custom, Close };

class TBitBtn : public TControl {
public:
    TBitBtn(TForm* owner, const char* name, TRect bounds, TFont font, const std::string& caption,
            ButtonKind kind);

    ButtonKind Kind() const { return kind_; }
    // A user's click: raises OnClick when enabled.
    void Click();

    std::function<void(void* sender)> OnClick;

private:
    ButtonKind kind_;
};

class TTimer {
public:
    TTimer(TForm* owner, unsigned intervalMs);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    TForm* Owner() const { return owner_; }
    void Tick();

    std::function<void(void* sender)> OnTimer;
    void* backEnd = nullptr;

private:
    TForm* owner_;
    unsigned interval_;
    bool enabled_ = false;
};

class TForm {
public:
    TForm(const char* name, TRect bounds, const std::string& caption);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TRect Bounds() const { return bounds_; }
    const std::string& Name() const { return name_; }
    const std::vector<TControl*>& Controls() const { return controls_; }

    // The system menu: true when the item existed and was removed.
    bool RemoveSystemMenuItem(int position);

    // Runs OnDestroy; the owner calls it before destroying the form.
    void Destroy();
    std::function<void(void* sender)> OnDestroy;

    void* backEnd = nullptr;

private:
    friend class TControl;
    std::string name_;
    TRect bounds_;
    std::string caption_;
    std::vector<TControl*> controls_;
    bool destroyed_ = false;
};

// A worker thread: created suspended, started with Start(), runs Execute()
// once; when FreeOnTerminate is set the object frees itself after OnTerminate
// has been delivered on the UI thread.
class TThread {
public:
    TThread();  // always created suspended
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    bool FreeOnTerminate = false;
    std::function<void(TThread* sender)> OnTerminate;

    // Starts Execute on a new thread. False when the platform could not
    // create the thread: nothing runs, no termination follows, and the
    // caller still owns the object, FreeOnTerminate or not.
    [[nodiscard]] bool Start();
    // Called by the back end on the UI thread after Execute has returned.
    void DeliverTermination();
    // What escaped Execute, if anything; the thread still terminated normally.
    std::exception_ptr FatalException() const;

protected:
    virtual void Execute() = 0;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    void Body();
};

// Builds the back end this binary was compiled with.
std::unique_ptr<EventLoop> MakeEventLoop();

}  // namespace fw
