#pragma once
// Texture and interference patterns of the drawing tools: small figures scattered over a cell
// grid (lines, rectangles, ellipses, polygons, curves) with light and dark shades, the ring
// filter that blurs them, and two gradients that fill a box from colours found in the picture.
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>

#include "Bitmap24.h"
#include "FxCanvas.h"
#include "Random.h"

namespace kalvora {

// Shades of the pen colour P: BlendColors(P, lighter, 36) and BlendColors(P, P x 0.82, 52).
TColor LightShade(TColor p);
TColor DarkShade(TColor p);

// The 5 x 5 ring kernel (1 on the border, 0 inside) and its divisor.
const std::array<std::int16_t, 25>& RingKernel();
// Every pixel := ClampByte(sum of kernel x source) div divisor, edge pixels repeated.
void RingFilter(Bitmap24& bitmap);

// The texture of that name ("texlines", "texrects", "texovals", "texpoly", "texcurves") over the
// whole canvas, its cell grid and figure size set by the drag p1 -> p2. Pen (and brush) colours
// are restored afterwards. False for another name.
bool DrawTexture(TFxCanvas& canvas, const QString& tool, QPoint p1, QPoint p2, FxRandom& random);

// Interference rectangle: the box (ordered) is filled with a 20-bit fixed-point mix of its four
// corner colours. False, and nothing drawn, when the box does not lie wholly inside the bitmap.
bool InterferenceRect(Bitmap24& bitmap, int x1, int y1, int x2, int y2);
// Interference column: each row of the box gets a smoothed gradient from the colour at column 0
// of the top row to the colour at the bottom-right corner.
void InterferenceColumn(Bitmap24& bitmap, int x1, int y1, int x2, int y2);

}  // namespace kalvora
