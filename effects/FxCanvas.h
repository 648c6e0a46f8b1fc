#pragma once
// TFxCanvas: the drawing surface of the drawing tools, a small layer of our own over QPainter.
//
// It draws on 24-bit pixels in the Bitmap24 layout (a Bitmap24, or a QImage of Format_BGR888,
// which has the same rows) with the class library's canvas rules:
//   - no antialiasing: every pixel is either set or left alone;
//   - figures given by a box (Rectangle, Ellipse, RoundRect, Chord, Arc, Pie) cover the columns
//     Left .. Right - 1 and the rows Top .. Bottom - 1 (right and bottom edges exclusive); the box
//     corners may come in any order; a thick pen spreads half its width on either side;
//   - LineTo draws from the pen position up to, but not including, the end point;
//   - a figure is filled with the brush (unless bsClear) and outlined with the pen (unless
//     psClear); each pixel is combined once with the pen mode (one of the 16 binary raster
//     operations), so drawing a figure twice with pmNotXor or pmXor restores the pixels;
//   - bitmap copies use the copy mode, a ternary raster operation code (SRCCOPY, SRCINVERT, ...),
//     with the brush colour as pattern; key-colour (transparent) blits and the flood fill are our
//     own code;
//   - nothing is ever written outside the surface: everything is clipped.
// QPainter only rasterises the shapes, into a coverage mask; the pixels are combined here.
#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

#include "Bitmap24.h"

namespace kalvora {

enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TBrushStyle { bsSolid, bsClear };
enum TFillStyle { fsSurface, fsBorder };

// Ternary raster operations (copy modes).
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t SRCERASE = 0x00440328;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t NOTSRCERASE = 0x001100A6;
constexpr std::uint32_t MERGECOPY = 0x00C000CA;
constexpr std::uint32_t MERGEPAINT = 0x00BB0226;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t PATINVERT = 0x005A0049;
constexpr std::uint32_t DSTINVERT = 0x00550009;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;

struct TFxPen {
  TColor Color = 0x000000;
  int Width = 1;  // 0 draws as 1
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
};

struct TFxBrush {
  TColor Color = 0xFFFFFF;
  TBrushStyle Style = bsSolid;
};

// A view of 24-bit pixels (blue, green, red) that the canvas draws on. Not owned.
struct FxSurface {
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0;
  long long stride = 0;
  bool isEmpty() const { return !bits || width <= 0 || height <= 0; }
  std::uint8_t* pixel(int x, int y) const { return bits + y * stride + 3LL * x; }
  static FxSurface of(Bitmap24& b);
  // The image is converted to Format_BGR888 first when it has another format.
  static FxSurface of(QImage& image);
};

// Pen mode as a function of pen byte p and destination byte d.
std::uint8_t ApplyPenMode(TPenMode mode, std::uint8_t p, std::uint8_t d);
// Ternary raster operation on bytes: pattern p, source s, destination d.
std::uint8_t ApplyRop3(std::uint32_t rop, std::uint8_t p, std::uint8_t s, std::uint8_t d);

class TFxCanvas {
 public:
  TFxCanvas() = default;
  explicit TFxCanvas(Bitmap24& target) { setTarget(target); }
  explicit TFxCanvas(QImage& target) { setTarget(target); }

  void setTarget(Bitmap24& target) { surface_ = FxSurface::of(target); }
  void setTarget(QImage& target) { surface_ = FxSurface::of(target); }
  void setTarget(FxSurface s) { surface_ = s; }
  const FxSurface& surface() const { return surface_; }
  int width() const { return surface_.width; }
  int height() const { return surface_.height; }

  TFxPen Pen;
  TFxBrush Brush;
  std::uint32_t CopyMode = SRCCOPY;
  QPoint PenPos;

  // Colour of a pixel; 0xFFFFFFFF (no colour) outside the surface.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);

  void MoveTo(int x, int y) { PenPos = QPoint(x, y); }
  void LineTo(int x, int y);
  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  // The ellipse of the box from the radial through (x1, y1) counter-clockwise to that through
  // (x2, y2); Chord closes it with a straight line, Pie with the two radii. Equal radials: the
  // whole ellipse.
  void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
  void Polygon(const std::vector<QPoint>& points);
  void Polyline(const std::vector<QPoint>& points);
  // Cubic Bezier segments: points 0..3, then three more per further segment.
  void PolyBezier(const std::vector<QPoint>& points);
  // The box with the brush only (no pen), right and bottom exclusive; nothing if inverted.
  void FillRect(int left, int top, int right, int bottom);
  // fsSurface: the 4-connected area of `color` around (x, y); fsBorder: the area around (x, y)
  // bounded by `color`. Filled with the brush colour (nothing with bsClear).
  void FloodFill(int x, int y, TColor color, TFillStyle style);

  // Copies srcRect of `source` (clipped to it) to dstRect with the copy mode, stretched (nearest
  // pixel) when the sizes differ. The source may be this canvas's own surface.
  void CopyRect(const QRect& dstRect, const FxSurface& source, const QRect& srcRect);
  // The whole bitmap at (x, y) with the copy mode.
  void Draw(int x, int y, const Bitmap24& bitmap);
  // The whole bitmap at (x, y), skipping pixels of the key colour (copy mode ignored).
  void DrawTransparent(int x, int y, const Bitmap24& bitmap, TColor keyColor);
  // srcRect of the bitmap stretched to dstRect, skipping pixels of the key colour.
  void BrushCopy(const QRect& dstRect, const Bitmap24& bitmap, const QRect& srcRect, TColor keyColor);
  // The whole bitmap stretched over dstRect with the copy mode.
  void StretchDraw(const QRect& dstRect, const Bitmap24& bitmap);

 private:
  template <class Paint>
  void rasterise(QRect bounds, bool fill, bool outline, Paint paint);
  void figure(int kind, int left, int top, int right, int bottom, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0,
              int cw = 0, int ch = 0);

  FxSurface surface_;
};

// Copies of bitmap parts (corners included); parts outside the bitmap read as `outside`.
Bitmap24 CopyPart(const Bitmap24& source, int left, int top, int width, int height, Bgr outside = Bgr{255, 255, 255});

}  // namespace kalvora
