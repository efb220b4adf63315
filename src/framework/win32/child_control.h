// One control's native child window, kept equal to the control's state.
#pragma once

#include <string>
#include <vector>

#include "src/framework/framework.h"
#include "src/framework/win32/handles.h"

namespace fw::win32 {

class ChildControl {
public:
    // A bevel gets no window: the form draws its frame.
    ChildControl(TControl& control, HWND parent, int id, int dpi);
    ChildControl(const ChildControl&) = delete;
    ChildControl& operator=(const ChildControl&) = delete;

    TControl& Control() const { return control_; }
    HWND Window() const { return window_.get(); }
    HFONT Font() const { return font_.get(); }
    // The control's rectangle in the form's client area at this DPI.
    RECT Area(int dpi) const;

    // Position, size and font for this DPI.
    void Place(int dpi);
    // Copies caption, items, position, enabled and visible to the screen.
    void Mirror();

    static ChildControl* From(HWND window);

private:
    void MirrorCombo(const TComboBox& combo);
    void MirrorLabelSize();
    bool IsLabel() const;

    TControl& control_;
    UniqueWindow window_;
    UniqueFont font_;
    int dpi_;
    std::vector<std::string> shownItems_;
};

}  // namespace fw::win32
