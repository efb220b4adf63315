// The platform's message loop, timers and the worker termination message.
#include "src/framework/win32/win32_loop.h"

#include <commctrl.h>

#include "src/framework/loop_access.h"
#include "src/framework/win32/dpi.h"

namespace fw::win32 {

namespace {

constexpr char kMessageClass[] = "NorvekMessages";
constexpr UINT kTermination = WM_APP + 1;  // lParam: the TThread*
constexpr UINT kPostedCall = WM_APP + 2;   // lParam: a std::function<void()>*, owned by the message

void InitCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

}  // namespace

Win32Loop::Win32Loop() : uiThread_(GetCurrentThreadId()) {
    EnableDpiAwareness();
    InitCommonControls();
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32Loop::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kMessageClass;
    RegisterClassExA(&windowClass);
    messages_.reset(CreateWindowExA(0, kMessageClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr));
    SetWindowLongPtrA(messages_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Loop::~Win32Loop() {
    for (const auto& [id, timer] : timers_) KillTimer(messages_.get(), id);
}

LRESULT CALLBACK Win32Loop::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Loop*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == kTermination) {
        reinterpret_cast<TThread*>(lParam)->DeliverTermination();
        return 0;
    }
    if (self && message == kPostedCall) {
        const std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
        detail::RaiseEvent(*call);
        return 0;
    }
    if (self && message == WM_TIMER) {
        self->OnTimer(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Win32Loop::PostTermination(TThread* thread) {
    // The queue holds ten thousand messages; a full one empties quickly.
    while (!PostMessageA(messages_.get(), kTermination, 0, reinterpret_cast<LPARAM>(thread)))
        Sleep(10);
}

void Win32Loop::Post(std::function<void()> call) {
    auto owned = std::make_unique<std::function<void()>>(std::move(call));
    if (PostMessageA(messages_.get(), kPostedCall, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

void Win32Loop::TimerChanged(TTimer* timer) {
    if (const auto known = timerIds_.find(timer); known != timerIds_.end()) {
        KillTimer(messages_.get(), known->second);
        timers_.erase(known->second);
        timerIds_.erase(known);
    }
    if (!timer->Enabled() || timer->Interval() == 0) return;
    const UINT_PTR id = nextTimerId_++;
    SetTimer(messages_.get(), id, timer->Interval(), nullptr);
    timerIds_[timer] = id;
    timers_[id] = timer;
}

void Win32Loop::OnTimer(UINT_PTR id) {
    if (const auto timer = timers_.find(id); timer != timers_.end()) timer->second->Tick();
}

void Win32Loop::Dispatch(MSG& message) {
    // The dialog manager gives the form Tab navigation and the buttons'
    // Alt+letter keys.
    if (FormWindow* main = MainWindow(); main && IsDialogMessageA(main->Handle(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void Win32Loop::Run() {
    if (FormWindow* main = MainWindow()) main->Show();
    MSG message;
    // Terminate() is only ever asked for from a handler on this thread, so
    // looking after each message is enough to notice it.
    while (!Application->Terminated() && GetMessageA(&message, nullptr, 0, 0) > 0)
        Dispatch(message);
}

void Win32Loop::ProcessMessages() {
    if (GetCurrentThreadId() != uiThread_) return;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(message);
    }
}

FormWindow* Win32Loop::WindowOf(const TForm* form) const {
    const auto window = forms_.find(form);
    return window == forms_.end() ? nullptr : window->second.get();
}

FormWindow* Win32Loop::MainWindow() const {
    if (Application && Application->MainForm)
        if (FormWindow* main = WindowOf(Application->MainForm)) return main;
    return forms_.empty() ? nullptr : forms_.begin()->second.get();
}

void Win32Loop::FormCreated(TForm* form) {
    forms_[form] = std::make_unique<FormWindow>(*form, [this] { return !power_.Held(); });
}

void Win32Loop::FormChanged(TForm* form) {
    if (FormWindow* window = WindowOf(form)) window->MirrorCaption();
}

void Win32Loop::FormDestroyed(TForm* form) {
    form->backEnd = nullptr;
    forms_.erase(form);
}

void Win32Loop::ControlCreated(TControl* control) {
    if (FormWindow* window = WindowOf(control->Owner())) window->Add(*control);
}

void Win32Loop::ControlChanged(TControl* control) {
    if (FormWindow* window = WindowOf(control->Owner())) window->Mirror(*control);
}

void Win32Loop::ControlDestroyed(TControl* control) {
    if (FormWindow* window = WindowOf(control->Owner())) window->Remove(*control);
}

bool Win32Loop::RemoveSystemMenuItem(TForm* form, int position) {
    FormWindow* window = WindowOf(form);
    return window && window->RemoveSystemMenuItem(position);
}

void Win32Loop::RunStateChanged(bool running) {
    if (running) {
        FormWindow* main = MainWindow();
        power_.Hold(main ? main->Handle() : nullptr);
    } else {
        power_.Release();
    }
}

void Win32Loop::ProgressChanged(int position, int max, bool failed) {
    progressPosition_ = position;
    progressMax_ = max;
    if (FormWindow* main = MainWindow()) taskbar_.Show(main->Handle(), position, max, failed);
}

}  // namespace fw::win32
