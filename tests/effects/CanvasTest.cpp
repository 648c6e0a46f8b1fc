// The drawing canvas: raster operations, figure geometry, flood fill, copies and clipping.
#include <gtest/gtest.h>

#include <climits>

#include "FxCanvas.h"
#include "FxTestUtil.h"

using namespace kalvora;
using namespace fxtest;

namespace {
const Bgr kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0};

QRect changed(const Bitmap24& a, const Bitmap24& b) {
  QRect box;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (!(a.pixel(x, y) == b.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}
}  // namespace

TEST(Canvas, PenModes) {
  const std::uint8_t p = 0xC5, d = 0x3A;
  EXPECT_EQ(ApplyPenMode(pmBlack, p, d), 0);
  EXPECT_EQ(ApplyPenMode(pmWhite, p, d), 255);
  EXPECT_EQ(ApplyPenMode(pmNop, p, d), d);
  EXPECT_EQ(ApplyPenMode(pmNot, p, d), std::uint8_t(~d));
  EXPECT_EQ(ApplyPenMode(pmCopy, p, d), p);
  EXPECT_EQ(ApplyPenMode(pmNotCopy, p, d), std::uint8_t(~p));
  EXPECT_EQ(ApplyPenMode(pmMaskNotPen, p, d), std::uint8_t(~p & d));
  EXPECT_EQ(ApplyPenMode(pmMerge, p, d), std::uint8_t(p | d));
  EXPECT_EQ(ApplyPenMode(pmXor, p, d), std::uint8_t(p ^ d));
  EXPECT_EQ(ApplyPenMode(pmNotXor, p, d), std::uint8_t(~(p ^ d)));
}

TEST(Canvas, CopyModes) {
  const std::uint8_t pat = 0xF0, s = 0xCC, d = 0xAA;
  EXPECT_EQ(ApplyRop3(SRCCOPY, pat, s, d), s);
  EXPECT_EQ(ApplyRop3(SRCINVERT, pat, s, d), s ^ d);
  EXPECT_EQ(ApplyRop3(SRCAND, pat, s, d), s & d);
  EXPECT_EQ(ApplyRop3(SRCPAINT, pat, s, d), s | d);
  EXPECT_EQ(ApplyRop3(NOTSRCCOPY, pat, s, d), std::uint8_t(~s));
  EXPECT_EQ(ApplyRop3(SRCERASE, pat, s, d), std::uint8_t(s & ~d));
  EXPECT_EQ(ApplyRop3(MERGEPAINT, pat, s, d), std::uint8_t(~s | d));
  EXPECT_EQ(ApplyRop3(DSTINVERT, pat, s, d), std::uint8_t(~d));
  EXPECT_EQ(ApplyRop3(PATCOPY, pat, s, d), pat);
  EXPECT_EQ(ApplyRop3(PATINVERT, pat, s, d), pat ^ d);
  EXPECT_EQ(ApplyRop3(BLACKNESS, pat, s, d), 0);
  EXPECT_EQ(ApplyRop3(WHITENESS, pat, s, d), 255);
}

TEST(Canvas, FiguresCoverTheirBoxRightAndBottomExclusive) {
  for (int kind = 0; kind < 6; ++kind)
    for (bool fill : {false, true}) {
      Bitmap24 b(60, 60, kWhite);
      const Bitmap24 blank = b;
      TFxCanvas c(b);
      c.Pen.Color = 0x0000FF;
      c.Brush.Style = fill ? bsSolid : bsClear;
      switch (kind) {
        case 0: c.Rectangle(40, 45, 10, 5); break;  // corners in any order
        case 1: c.Ellipse(10, 5, 40, 45); break;
        case 2: c.RoundRect(10, 5, 40, 45, 10, 10); break;
        case 3: c.Chord(10, 5, 40, 45, 40, 5, 10, 45); break;
        case 4: c.Pie(10, 5, 40, 45, 40, 25, 10, 25); break;
        case 5: c.Arc(10, 5, 40, 45, 40, 25, 40, 25); break;
      }
      const QRect box = changed(blank, b);
      SCOPED_TRACE(kind);
      EXPECT_FALSE(box.isEmpty());
      EXPECT_TRUE(QRect(10, 5, 30, 40).contains(box)) << box.x() << "," << box.y() << " " << box.width() << "x"
                                                      << box.height();
      if (kind == 0 || kind == 1 || kind == 5) {
        EXPECT_EQ(box, QRect(10, 5, 30, 40));
      }
    }
}

TEST(Canvas, RectangleOutlineAndFill) {
  Bitmap24 b(20, 20, kWhite);
  TFxCanvas c(b);
  c.Pen.Color = 0x0000FF, c.Brush.Color = 0x00FF00;
  c.Rectangle(2, 3, 8, 9);
  EXPECT_EQ(b.pixel(2, 3), kRed);
  EXPECT_EQ(b.pixel(7, 8), kRed);
  EXPECT_EQ(b.pixel(8, 8), kWhite);
  EXPECT_EQ(b.pixel(4, 5), kGreen);
  c.FillRect(10, 10, 12, 11);
  EXPECT_EQ(b.pixel(11, 10), (Bgr{0, 255, 0}));
  EXPECT_EQ(b.pixel(12, 10), kWhite);
  c.FillRect(15, 15, 14, 18);  // inverted: nothing
  EXPECT_EQ(b.pixel(14, 16), kWhite);
}

TEST(Canvas, LineLeavesOutTheEndPoint) {
  Bitmap24 b(20, 20, kWhite);
  TFxCanvas c(b);
  c.MoveTo(2, 2);
  c.LineTo(10, 2);
  EXPECT_EQ(b.pixel(2, 2), (Bgr{0, 0, 0}));
  EXPECT_EQ(b.pixel(9, 2), (Bgr{0, 0, 0}));
  EXPECT_EQ(b.pixel(10, 2), kWhite);
  EXPECT_EQ(c.PenPos, QPoint(10, 2));
}

TEST(Canvas, NotXorTwiceRestores) {
  Bitmap24 b = scene(64, 64);
  const Bitmap24 before = b;
  TFxCanvas c(b);
  c.Pen.Mode = pmNotXor, c.Pen.Width = 3, c.Brush.Color = 0x123456;
  for (int i = 0; i < 2; ++i) {
    c.Ellipse(5, 5, 50, 40);
    c.Rectangle(10, 10, 60, 60);
    c.Polygon({{1, 1}, {40, 5}, {20, 50}});
    c.MoveTo(0, 63), c.LineTo(63, 0);
    c.PolyBezier({{0, 0}, {60, 0}, {0, 60}, {60, 60}});
  }
  EXPECT_EQ(b, before);
}

TEST(Canvas, FloodFill) {
  Bitmap24 b(10, 10, kWhite);
  TFxCanvas c(b);
  c.Brush.Color = 0x00FF00;
  c.Pen.Color = 0x000000;
  c.Rectangle(2, 2, 8, 8);  // black frame, filled white inside
  c.Brush.Color = 0x0000FF;
  c.FloodFill(0, 0, 0xFFFFFF, fsSurface);
  EXPECT_EQ(b.pixel(9, 9), kRed);
  EXPECT_EQ(b.pixel(4, 4), (Bgr{0, 255, 0}));  // behind the frame
  c.Brush.Color = 0xFF0000;
  c.FloodFill(4, 4, 0x000000, fsBorder);  // up to the black frame
  EXPECT_EQ(b.pixel(4, 4), (Bgr{255, 0, 0}));
  EXPECT_EQ(b.pixel(9, 9), kRed);
  // The same colour as the area: terminates, changes nothing.
  c.Brush.Color = 0x0000FF;
  c.FloodFill(0, 0, 0x0000FF, fsSurface);
  c.FloodFill(-1, 3, 0, fsSurface);
  EXPECT_EQ(b.pixel(0, 0), kRed);
}

TEST(Canvas, CopiesWithModesKeysAndOverlap) {
  Bitmap24 b = greys({0, 10, 20, 30, 40, 50});
  TFxCanvas c(b);
  // Overlapping copy reads the old pixels.
  c.CopyRect(QRect(1, 0, 4, 1), c.surface(), QRect(0, 0, 4, 1));
  EXPECT_EQ(b, greys({0, 0, 10, 20, 30, 50}));
  Bitmap24 src = greys({255, 7, 255});
  c.DrawTransparent(3, 0, src, 0xFFFFFF);
  EXPECT_EQ(b, greys({0, 0, 10, 20, 7, 50}));
  c.CopyMode = SRCINVERT;
  c.Draw(0, 0, greys({255}));
  EXPECT_EQ(b.pixel(0, 0).g, 255);
  // Stretch 1 -> 3 pixels.
  c.CopyMode = SRCCOPY;
  c.StretchDraw(QRect(3, 0, 3, 1), greys({99}));
  EXPECT_EQ(b, greys({255, 0, 10, 99, 99, 99}));
}

TEST(Canvas, EverythingIsClipped) {
  Bitmap24 b(16, 16, kWhite);
  TFxCanvas c(b);
  c.Pen.Width = 5;
  c.MoveTo(INT_MIN / 2, INT_MIN / 2);
  c.LineTo(INT_MAX / 2, INT_MAX / 2);
  c.Pen.Width = 1;
  c.MoveTo(-100000, 5);
  c.LineTo(100000, 6);
  c.Ellipse(-1000000, -1000000, 1000000, 1000000);
  c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.Polygon({{-50000, 0}, {50000, 3}, {0, 90000}});
  c.FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c.CopyRect(QRect(-5, -5, 100, 100), c.surface(), QRect(-50, -50, 200, 3));
  c.SetPixel(-1, 0, 0);
  c.SetPixel(16, 0, 0);
  EXPECT_EQ(c.Pixel(16, 0), 0xFFFFFFFFu);
  TFxCanvas empty;
  empty.Rectangle(0, 0, 10, 10);
  empty.FloodFill(0, 0, 0, fsSurface);
  EXPECT_EQ(b.width(), 16);
}
