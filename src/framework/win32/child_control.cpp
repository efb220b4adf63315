// Native windows for labels, the drop-down list, the progress bar and the
// owner-drawn bitmap buttons.
#include "src/framework/win32/child_control.h"

#include <algorithm>

#include <commctrl.h>

#include "src/framework/win32/dpi.h"

namespace fw::win32 {

namespace {

// How many list lines the drop-down shows before it scrolls.
constexpr int kDropDownLines = 8;

struct NativeKind {
    const char* windowClass;
    DWORD style;
};

NativeKind KindOf(const TControl& control) {
    if (dynamic_cast<const TComboBox*>(&control))
        return {"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST};
    if (dynamic_cast<const TProgressBar*>(&control)) return {PROGRESS_CLASSA, PBS_SMOOTH};
    if (dynamic_cast<const TBitBtn*>(&control)) return {"BUTTON", WS_TABSTOP | BS_OWNERDRAW};
    // Status texts such as "Check Disc & Tray Status..." must show their '&'.
    return {"STATIC", SS_LEFT | SS_NOPREFIX};
}

HFONT MakeFont(const TFont& font, int dpi) {
    // Where Courier New is missing the font mapper must still pick a
    // fixed-pitch face, or the drive list's columns no longer line up.
    const bool fixed = font.name.find("Courier") != std::string::npos;
    const DWORD pitch = fixed ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE;
    // Negative heights are character heights, positive ones cell heights;
    // both scale the same way.
    return CreateFontA(MulDiv(font.height, dpi, kDesignDpi), 0, 0, 0,
                       font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch,
                       font.name.c_str());
}

}  // namespace

ChildControl::ChildControl(TControl& control, HWND parent, int id, int dpi)
    : control_(control), dpi_(dpi) {
    if (!dynamic_cast<TBevel*>(&control)) {
        const NativeKind kind = KindOf(control);
        window_.reset(CreateWindowExA(0, kind.windowClass, control.Caption().c_str(),
                                      WS_CHILD | kind.style, 0, 0, 0, 0, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      GetModuleHandleA(nullptr), nullptr));
        if (window_) SetWindowLongPtrA(Window(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    control.backEnd = this;
    Place(dpi);
    Mirror();
}

ChildControl* ChildControl::From(HWND window) {
    return reinterpret_cast<ChildControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool ChildControl::IsLabel() const { return dynamic_cast<const TLabel*>(&control_) != nullptr; }

RECT ChildControl::Area(int dpi) const {
    const TRect b = control_.Bounds();
    return {Scale(b.left, dpi), Scale(b.top, dpi), Scale(b.left + b.width, dpi),
            Scale(b.top + b.height, dpi)};
}

void ChildControl::Place(int dpi) {
    dpi_ = dpi;
    if (!window_) return;
    font_.reset(MakeFont(control_.Font(), dpi));
    SendMessageA(Window(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    const RECT area = Area(dpi);
    int height = area.bottom - area.top;
    if (auto* combo = dynamic_cast<TComboBox*>(&control_)) {
        // A combo box's height includes its drop-down list.
        height += Scale(combo->ItemHeight() * kDropDownLines, dpi);
        SendMessageA(Window(), CB_SETITEMHEIGHT, 0, Scale(combo->ItemHeight(), dpi));
    }
    SetWindowPos(Window(), nullptr, area.left, area.top, area.right - area.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (IsLabel()) MirrorLabelSize();
    InvalidateRect(Window(), nullptr, TRUE);
}

void ChildControl::MirrorLabelSize() {
    // Labels size themselves to their text, so a longer status message is
    // never cut at the width the layout gave its placeholder.
    const std::string& text = control_.Caption();
    ScreenDc screen;
    SelectedObject selected(screen.Get(), font_.get());
    SIZE extent{0, 0};
    GetTextExtentPoint32A(screen.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    const RECT area = Area(dpi_);
    const int height = std::max<int>(area.bottom - area.top, extent.cy);
    SetWindowPos(Window(), nullptr, 0, 0, std::max<int>(extent.cx, 1), height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void ChildControl::MirrorCombo(const TComboBox& combo) {
    if (shownItems_ != combo.Items()) {
        SendMessageA(Window(), CB_RESETCONTENT, 0, 0);
        for (const auto& line : combo.Items())
            SendMessageA(Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        shownItems_ = combo.Items();
    }
    SendMessageA(Window(), CB_SETCURSEL, static_cast<WPARAM>(combo.ItemIndex()), 0);
}

void ChildControl::Mirror() {
    if (!window_) return;
    HWND window = Window();
    if (auto* combo = dynamic_cast<TComboBox*>(&control_)) {
        MirrorCombo(*combo);
    } else if (auto* bar = dynamic_cast<TProgressBar*>(&control_)) {
        SendMessageA(window, PBM_SETRANGE32, static_cast<WPARAM>(bar->Min()), bar->Max());
        SendMessageA(window, PBM_SETPOS, static_cast<WPARAM>(bar->Position()), 0);
    } else {
        char shown[256] = {};
        GetWindowTextA(window, shown, sizeof shown);
        if (control_.Caption() != shown) SetWindowTextA(window, control_.Caption().c_str());
        if (IsLabel()) MirrorLabelSize();
        // Colour and enabled look are painted from the control's state.
        InvalidateRect(window, nullptr, TRUE);
    }
    if (IsWindowEnabled(window) != static_cast<BOOL>(control_.Enabled()))
        EnableWindow(window, control_.Enabled());
    ShowWindow(window, control_.Visible() ? SW_SHOWNA : SW_HIDE);
}

}  // namespace fw::win32
