// The Windows back end: real windows, the platform's timers, dialogs and
// message queue.
#pragma once

#include <map>
#include <memory>

#include "src/framework/framework.h"
#include "src/framework/win32/form_window.h"
#include "src/framework/win32/handles.h"
#include "src/framework/win32/power_guard.h"
#include "src/framework/win32/taskbar_progress.h"

namespace fw::win32 {

class Win32Loop : public EventLoop {
public:
    Win32Loop();
    ~Win32Loop() override;

    bool ShowDialog(DialogKind kind, const std::string& text, DialogButtons buttons) override;
    bool ShowDialogWithFootnote(DialogKind kind, const std::string& text, DialogButtons buttons,
                                const std::string& footnote) override;
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;
    void Run() override;
    void ProcessMessages() override;
    void PostTermination(TThread* thread) override;
    void Post(std::function<void()> call) override;
    void TimerChanged(TTimer* timer) override;
    void ControlChanged(TControl* control) override;
    void ControlCreated(TControl* control) override;
    void ControlDestroyed(TControl* control) override;
    void FormCreated(TForm* form) override;
    void FormChanged(TForm* form) override;
    void FormDestroyed(TForm* form) override;
    bool RemoveSystemMenuItem(TForm* form, int position) override;
    void RunStateChanged(bool running) override;
    void ProgressChanged(int position, int max, bool failed) override;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    FormWindow* WindowOf(const TForm* form) const;
    FormWindow* MainWindow() const;
    HWND DialogOwner() const;
    void Dispatch(MSG& message);
    void OnTimer(UINT_PTR id);

    DWORD uiThread_;
    // Terminations and timer ticks go to a message-only window, which exists
    // before any form and before any worker can start.
    UniqueWindow messages_;
    std::map<const TForm*, std::unique_ptr<FormWindow>> forms_;
    std::map<const TTimer*, UINT_PTR> timerIds_;
    std::map<UINT_PTR, TTimer*> timers_;
    UINT_PTR nextTimerId_ = 1;
    PowerGuard power_;
    TaskbarProgress taskbar_;
    int progressPosition_ = 0;
    int progressMax_ = 0;
};

}  // namespace fw::win32
