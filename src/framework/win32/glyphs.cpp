// Glyphs on an 18 x 18 grid: for Update a downward arrow into a chip, for
// Close an open door. Disabled glyphs are drawn flat in the system's grey.
#include "src/framework/win32/glyphs.h"

#include "src/framework/win32/handles.h"

namespace fw::win32 {

namespace {

class GlyphCanvas {
public:
    GlyphCanvas(HDC dc, int x, int y, int size, bool enabled)
        : dc_(dc), x_(x), y_(y), size_(size), enabled_(enabled) {}

    void Fill(int left, int top, int right, int bottom, COLORREF color) const {
        RECT area{X(left), Y(top), X(right), Y(bottom)};
        UniqueBrush brush(CreateSolidBrush(Tint(color)));
        FillRect(dc_, &area, brush.get());
    }

    void Polygon(const POINT* design, int count, COLORREF color) const {
        POINT points[8];
        for (int i = 0; i < count && i < 8; ++i) points[i] = {X(design[i].x), Y(design[i].y)};
        UniqueBrush brush(CreateSolidBrush(Tint(color)));
        UniquePen pen(CreatePen(PS_SOLID, 1, Tint(color)));
        SelectedObject selectedBrush(dc_, brush.get());
        SelectedObject selectedPen(dc_, pen.get());
        ::Polygon(dc_, points, count);
    }

private:
    int X(int design) const { return x_ + MulDiv(design, size_, kGlyphSize); }
    int Y(int design) const { return y_ + MulDiv(design, size_, kGlyphSize); }
    COLORREF Tint(COLORREF color) const { return enabled_ ? color : GetSysColor(COLOR_GRAYTEXT); }

    HDC dc_;
    int x_, y_, size_;
    bool enabled_;
};

constexpr COLORREF kChip = RGB(48, 48, 48);
constexpr COLORREF kPin = RGB(160, 160, 160);
constexpr COLORREF kArrow = RGB(0, 128, 0);
constexpr COLORREF kFrame = RGB(64, 64, 64);
constexpr COLORREF kDoor = RGB(160, 112, 32);
constexpr COLORREF kDark = RGB(0, 0, 0);

void DrawUpdate(const GlyphCanvas& canvas) {
    for (int pin = 4; pin <= 13; pin += 3) {
        canvas.Fill(pin, 10, pin + 1, 11, kPin);
        canvas.Fill(pin, 16, pin + 1, 18, kPin);
    }
    canvas.Fill(2, 11, 16, 16, kChip);
    canvas.Fill(7, 0, 11, 5, kArrow);
    const POINT head[] = {{3, 5}, {15, 5}, {9, 11}};
    canvas.Polygon(head, 3, kArrow);
}

void DrawClose(const GlyphCanvas& canvas) {
    canvas.Fill(3, 1, 15, 17, kFrame);
    canvas.Fill(4, 2, 14, 17, kDark);
    // The door swung open towards the viewer.
    const POINT door[] = {{4, 2}, {11, 4}, {11, 17}, {4, 17}};
    canvas.Polygon(door, 4, kDoor);
    canvas.Fill(9, 9, 10, 11, kDark);
}

}  // namespace

void DrawGlyph(HDC dc, ButtonKind kind, int x, int y, int size, bool enabled) {
    const GlyphCanvas canvas(dc, x, y, size, enabled);
    if (kind == ButtonKind::Close)
        DrawClose(canvas);
    else
        DrawUpdate(canvas);
}

}  // namespace fw::win32
