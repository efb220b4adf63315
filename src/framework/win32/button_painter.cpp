// The bitmap button is drawn by hand, the way such buttons always were: the
// common button cannot put a picture beside its text on every system.
#include "src/framework/win32/button_painter.h"

#include "src/framework/win32/dpi.h"
#include "src/framework/win32/glyphs.h"
#include "src/framework/win32/handles.h"

namespace fw::win32 {

namespace {
constexpr int kGlyphGap = 4;  // design pixels between glyph and caption

SIZE CaptionSize(HDC dc, const std::string& caption) {
    RECT area{0, 0, 0, 0};
    DrawTextA(dc, caption.c_str(), -1, &area, DT_SINGLELINE | DT_CALCRECT);
    return {area.right - area.left, area.bottom - area.top};
}
}  // namespace

void PaintButton(const DRAWITEMSTRUCT& item, const TBitBtn& button, HFONT font, int dpi) {
    HDC dc = item.hDC;
    RECT face = item.rcItem;
    const bool pushed = item.itemState & ODS_SELECTED;
    const bool enabled = !(item.itemState & ODS_DISABLED);
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    SelectedObject selectedFont(dc, font);
    const SIZE text = CaptionSize(dc, button.Caption());
    const int glyph = Scale(kGlyphSize, dpi);
    const int gap = Scale(kGlyphGap, dpi);
    const int shift = pushed ? 1 : 0;
    // Glyph and caption are centred together, as one group.
    int x = (face.left + face.right - (glyph + gap + text.cx)) / 2 + shift;
    const int middle = (face.top + face.bottom) / 2 + shift;
    DrawGlyph(dc, button.Kind(), x, middle - glyph / 2, glyph, enabled);
    x += glyph + gap;

    RECT caption{x, middle - text.cy / 2, x + text.cx, middle - text.cy / 2 + text.cy};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextA(dc, button.Caption().c_str(), -1, &caption, DT_SINGLELINE | prefix);

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = face;
        InflateRect(&focus, -Scale(4, dpi), -Scale(4, dpi));
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace fw::win32
