// The main window as the platform sees it.
//
// The layout was designed at 96 dpi for a sizeable frame of 4 pixels and a
// 19-pixel caption, so the client area is the form's outer size less those;
// the frame of today's systems is added around it, so nothing is cut.
#include "src/framework/win32/form_window.h"

#include "src/framework/win32/button_painter.h"
#include "src/framework/win32/dpi.h"

namespace fw::win32 {

namespace {

constexpr char kFormClass[] = "NorvekForm";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr int kDesignFrame = 4;
constexpr int kDesignCaption = 19;

COLORREF ToColorRef(TColor color) {
    // The high byte marks a system colour whose index is in the low byte.
    if (color & 0xFF000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
    return color;
}

void RegisterFormClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hIcon = LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(1));
        if (!windowClass.hIcon) windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kFormClass;
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

// The shell's registered message; 0 where it cannot be registered.
UINT QueryCancelAutoPlayMessage() {
    static const UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
    return message;
}

}  // namespace

FormWindow::FormWindow(TForm& form, std::function<bool()> sessionMayEnd)
    : form_(form), sessionMayEnd_(std::move(sessionMayEnd)), dpi_(DpiOf(nullptr)) {
    RegisterFormClass(&FormWindow::Procedure);
    window_.reset(CreateWindowExA(0, kFormClass, form.Caption().c_str(), kFormStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), this));
    form.backEnd = this;
    Rescale(DpiOf(Handle()));
    // poScreenCenter: centred on the screen once, then where the user puts it.
    RECT frame{};
    GetWindowRect(Handle(), &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE FormWindow::ClientSize() const {
    const TRect b = form_.Bounds();
    return {Scale(b.width - 2 * kDesignFrame, dpi_),
            Scale(b.height - 2 * kDesignFrame - kDesignCaption, dpi_)};
}

void FormWindow::Rescale(int dpi) {
    dpi_ = dpi;
    const SIZE client = ClientSize();
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0);
    SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& [control, child] : children_) child->Place(dpi);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void FormWindow::Add(TControl& control) {
    children_[&control] = std::make_unique<ChildControl>(control, Handle(), nextId_++, dpi_);
    if (dynamic_cast<TBevel*>(&control)) InvalidateRect(Handle(), nullptr, TRUE);
}

void FormWindow::Remove(TControl& control) {
    control.backEnd = nullptr;
    children_.erase(&control);
}

void FormWindow::Mirror(TControl& control) {
    const auto child = children_.find(&control);
    if (child != children_.end()) child->second->Mirror();
    if (dynamic_cast<TBevel*>(&control)) InvalidateRect(Handle(), nullptr, TRUE);
}

void FormWindow::MirrorCaption() { SetWindowTextA(Handle(), form_.Caption().c_str()); }

void FormWindow::Show() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

bool FormWindow::RemoveSystemMenuItem(int position) {
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    return menu && RemoveMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // Messages sent during creation arrive before window_ holds the handle.
    if (!self || !self->Handle()) return DefWindowProcA(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam) OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnLabelColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_PAINT:
        PaintBevels();
        return 0;
    case WM_CLOSE:
        // The program ends only by its own choice (the Close button, the end
        // of a run); the title bar's close and Alt+F4 do nothing.
        return 0;
    case WM_QUERYENDSESSION:
        return sessionMayEnd_() ? TRUE : FALSE;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Rescale(HIWORD(wParam));
        return 0;
    }
    default:
        // AutoPlay asks the foreground window before it starts on a disc
        // just inserted; 1 cancels it, which a run wants for its drives.
        if (message != 0 && message == QueryCancelAutoPlayMessage()) return sessionMayEnd_() ? 0 : 1;
        return DefWindowProcA(Handle(), message, wParam, lParam);
    }
}

void FormWindow::OnCommand(HWND childWindow, WORD code) {
    ChildControl* child = ChildControl::From(childWindow);
    if (!child) return;
    TControl& control = child->Control();
    if (auto* combo = dynamic_cast<TComboBox*>(&control); combo && code == CBN_SELCHANGE) {
        combo->UserSelect(static_cast<int>(SendMessageA(childWindow, CB_GETCURSEL, 0, 0)));
    } else if (auto* button = dynamic_cast<TBitBtn*>(&control); button && code == BN_CLICKED) {
        button->Click();
    }
}

LRESULT FormWindow::OnLabelColour(HDC dc, HWND childWindow) {
    if (ChildControl* child = ChildControl::From(childWindow))
        SetTextColor(dc, ToColorRef(child->Control().Font().color));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void FormWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    ChildControl* child = ChildControl::From(item.hwndItem);
    if (!child) return;
    if (auto* button = dynamic_cast<TBitBtn*>(&child->Control()))
        PaintButton(item, *button, child->Font(), dpi_);
}

void FormWindow::PaintBevels() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    for (const auto& [control, child] : children_) {
        if (!dynamic_cast<const TBevel*>(control) || !control->Visible()) continue;
        RECT frame = child->Area(dpi_);
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    }
    EndPaint(Handle(), &paint);
}

}  // namespace fw::win32
