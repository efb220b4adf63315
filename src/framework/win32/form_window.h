// The form's top-level window: frame, child controls, message routing.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "src/framework/framework.h"
#include "src/framework/win32/child_control.h"
#include "src/framework/win32/handles.h"

namespace fw::win32 {

class FormWindow {
public:
    // `sessionMayEnd` answers the system's question before logoff/shutdown;
    // while it says no (a run), AutoPlay is cancelled too.
    FormWindow(TForm& form, std::function<bool()> sessionMayEnd);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Handle() const { return window_.get(); }
    TForm& Form() const { return form_; }

    void Add(TControl& control);
    void Remove(TControl& control);
    void Mirror(TControl& control);
    void MirrorCaption();
    void Show();
    bool RemoveSystemMenuItem(int position);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(HWND child, WORD code);
    LRESULT OnLabelColour(HDC dc, HWND child);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void PaintBevels();
    void Rescale(int dpi);
    SIZE ClientSize() const;

    TForm& form_;
    std::function<bool()> sessionMayEnd_;
    UniqueWindow window_;
    int dpi_;
    int nextId_ = 100;
    std::map<const TControl*, std::unique_ptr<ChildControl>> children_;
};

}  // namespace fw::win32
