// Paints an owner-drawn bitmap button: face, glyph, caption, focus.
#pragma once

#include "src/framework/framework.h"
#include "src/platform/win32.h"

namespace fw::win32 {

void PaintButton(const DRAWITEMSTRUCT& item, const TBitBtn& button, HFONT font, int dpi);

}  // namespace fw::win32
