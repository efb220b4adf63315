// The small pictures on the bitmap buttons, drawn in code at any DPI.
#pragma once

#include "src/framework/framework.h"
#include "src/platform/win32.h"

namespace fw::win32 {

constexpr int kGlyphSize = 18;  // design pixels, square

// Draws the glyph of a button kind with its top-left corner at (x, y);
// `size` is the scaled edge length.
void DrawGlyph(HDC dc, ButtonKind kind, int x, int y, int size, bool enabled);

}  // namespace fw::win32
