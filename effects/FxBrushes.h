#pragma once
// The pixel routines behind the drawing tools' brushes and shapes: point and colour helpers,
// the round brush's pixel changes, gradient lines, shaded ellipses and rows of spheres, the
// ripple lens, star vertices and masked patch drawing. They work on 24-bit bitmaps and on a
// TFxCanvas; the tools of TFxDrawTools (FxDrawTools.h) call them with the host's bitmaps.
//
// Every routine clips: pixels, rows and columns outside a bitmap are skipped.
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

#include "Bitmap24.h"
#include "FxCanvas.h"

namespace kalvora {

// P turned about Centre by Angle radians (a d.x of 0 counts as 0.001), rounded.
QPoint RotatePoint(QPoint centre, QPoint p, double angle);
// P's distance from Centre multiplied by Factor, direction kept, rounded.
QPoint ScalePoint(QPoint centre, QPoint p, double factor);
// Per channel (a + b) shr 1.
TColor MixColors(TColor a, TColor b);
// Percent made positive and limited to 100; per channel Trunc(a p / 100) + Trunc(b (100 - p) / 100).
TColor BlendColors(TColor a, TColor b, int percent);
inline int ClampInt(int v, int low, int high) { return v < low ? low : v > high ? high : v; }
inline std::uint8_t ClampByte(int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// The pixel change of round-brush kind 0 .. 13 over the whole patch (other kinds: nothing).
void RoundBrushPixels(Bitmap24& patch, int kind);

// Gradient along row Y from X1 to X2 (ends ordered), C1 towards C2: the running value grows by
// (c2 - c1) / n before each pixel is written, and never passes C2. Smooth: SmoothPixel just
// beyond both ends.
void DrawGradientRow(Bitmap24& bitmap, int y, int x1, int x2, TColor c1, TColor c2, bool smooth);
void DrawGradientColumn(Bitmap24& bitmap, int x, int y1, int y2, TColor c1, TColor c2, bool smooth);
// A pixel off the border becomes the per-channel (left + right + above + below) shr 2.
void SmoothPixel(Bitmap24& bitmap, int x, int y);
// DrawGradientRow for every row Y1 .. Y2.
void FillGradientRows(Bitmap24& bitmap, int y1, int y2, int x1, int x2, TColor c1, TColor c2, bool smooth);

// Filled ellipse of gradient rows (centre, radii A and B), integer midpoint scan in 64 bits.
void FillShadedEllipse(Bitmap24& bitmap, int cx, int cy, int a, int b, TColor c1, TColor c2);
// The sphere tool of that name ("intersphere", "multisphere", "dropletsphere", "wavesphere",
// "risingwavesphere") in the box (x1, y1)-(x2, y2). False, with nothing drawn, for another name
// or a row that cannot be laid out (equal half sides give no sphere count).
bool DrawSphereRow(Bitmap24& bitmap, const QString& tool, int x1, int y1, int x2, int y2, TColor c1, TColor c2);

// Ripple lens: the pixels of A moved along their radius by a sine; B keeps what no pixel reaches.
void RippleLens(const Bitmap24& a, Bitmap24& b, double amount);

// The patch drawn at (x, y) through an elliptic mask touching its four sides; white pixels of
// the patch are not drawn either.
void DrawMaskedPatch(TFxCanvas& canvas, int x, int y, const Bitmap24& patch);

// The most vertices a star or the symmetry stroke keeps.
constexpr int kMaxFigurePoints = 13;
// Vertices of a star about Centre whose first vertex is P: `starpoints` (limited to 13) points,
// each turned by 2 k pi / starpoints, k = 1 for polygons, else 2, 3, 4, 5 for 5, 7, 9, 11 points
// (1 for any other count). Empty for starpoints <= 0.
std::vector<QPoint> StarVertices(QPoint centre, QPoint p, int starpoints, bool polygon);

}  // namespace kalvora
