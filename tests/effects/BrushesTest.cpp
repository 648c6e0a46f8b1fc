// Point and colour helpers, gradient lines, shaded ellipses, sphere rows, stars and the texture patterns.
#include <gtest/gtest.h>

#include <climits>

#include "FxBrushes.h"
#include "FxTestUtil.h"
#include "FxTextures.h"

using namespace kalvora;
using namespace fxtest;

namespace {
const Bgr kWhite{255, 255, 255};
}

TEST(Helpers, PointsAndColours) {
  EXPECT_EQ(RotatePoint(QPoint(10, 10), QPoint(20, 10), M_PI / 2), QPoint(10, 20));
  EXPECT_EQ(RotatePoint(QPoint(0, 0), QPoint(0, 10), M_PI), QPoint(0, -10));
  EXPECT_EQ(ScalePoint(QPoint(10, 10), QPoint(30, 10), 0.5), QPoint(20, 10));
  EXPECT_EQ(MixColors(0x0000FF, 0x00FF01), 0x007F80u);
  // p = 36: Trunc(200 * 36 / 100) + Trunc(100 * 64 / 100) = 72 + 64.
  EXPECT_EQ(BlendColors(0x0000C8, 0x000064, 36), 136u);
  EXPECT_EQ(BlendColors(0x0000C8, 0x000064, -36), 136u);
  EXPECT_EQ(BlendColors(0x0000C8, 0x000064, 1000), 200u);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(ClampInt(5, 6, 9), 6);
}

TEST(Gradient, LengthZeroWritesTheStartColour) {
  Bitmap24 b(5, 3, kWhite);
  DrawGradientRow(b, 1, 2, 2, 0x102030, 0xFFFFFF, false);
  EXPECT_EQ(b.pixel(2, 1), BgrFromColor(0x102030));
  EXPECT_EQ(b.pixel(1, 1), kWhite);
}

TEST(Gradient, StepsFromTheFirstPixelAndStopsAtTheEndColour) {
  Bitmap24 b(6, 1, kWhite);
  DrawGradientRow(b, 0, 4, 0, 0x000000, 0x000064, false);  // red 0 -> 100 over n = 4
  std::vector<int> reds;
  for (int x = 0; x < 5; ++x) reds.push_back(b.pixel(x, 0).r);
  // The first pixel is already one step on; the last would be 125 and is held at 100.
  EXPECT_EQ(reds, (std::vector<int>{25, 50, 75, 100, 100}));
  Bitmap24 c(1, 6, kWhite);
  DrawGradientColumn(c, 0, 0, 4, 0x640000, 0x000000, false);  // blue 100 -> 0
  EXPECT_EQ(c.pixel(0, 4).b, 0);
  EXPECT_EQ(c.pixel(0, 0).b, 75);
  // Off the bitmap: skipped.
  DrawGradientRow(b, 5, 0, 3, 0, 0, true);
  DrawGradientRow(b, 0, INT_MIN, INT_MAX, 0, 0xFFFFFF, true);
  DrawGradientColumn(c, -1, 0, 3, 0, 0, true);
}

TEST(Gradient, SmoothPixelAveragesItsNeighbours) {
  Bitmap24 b = greys({0, 0, 0});
  Bitmap24 g(3, 3, Bgr{0, 0, 0});
  g.setPixel(1, 0, Bgr{40, 40, 40}), g.setPixel(0, 1, Bgr{80, 80, 80}), g.setPixel(2, 1, Bgr{4, 4, 4});
  g.setPixel(1, 2, Bgr{0, 0, 0});
  SmoothPixel(g, 1, 1);
  EXPECT_EQ(g.pixel(1, 1).g, (40 + 80 + 4 + 0) >> 2);
  SmoothPixel(g, 0, 1);  // border: unchanged
  EXPECT_EQ(g.pixel(0, 1).g, 80);
}

TEST(ShadedEllipse, LargeRadiiComputeIn64Bits) {
  // 2 A^2 B is about 2e14 here: 32 bits would wrap and draw garbage or run away.
  Bitmap24 b(40, 40, kWhite);
  FillShadedEllipse(b, 20, 20, 50000, 40000, 0x0000FF, 0x0000FF);
  // Every row of the picture lies well inside the ellipse: all red.
  EXPECT_TRUE(uniform(b, Bgr{0, 0, 255}));
  Bitmap24 s(40, 40, kWhite);
  FillShadedEllipse(s, 20, 20, 10, 5, 0x00FF00, 0x00FF00);
  EXPECT_EQ(s.pixel(20, 20), (Bgr{0, 255, 0}));
  EXPECT_EQ(s.pixel(20, 15), (Bgr{0, 255, 0}));
  EXPECT_EQ(s.pixel(20, 10), kWhite);
  EXPECT_EQ(s.pixel(2, 20), kWhite);
  FillShadedEllipse(s, 20, 20, -3, -3, 0, 0);
  FillShadedEllipse(s, INT_MAX, INT_MIN, 5, 5, 0, 0);
}

TEST(Spheres, RowsDrawAndEqualHalfSidesDoNothing) {
  for (const char* tool : {"multisphere", "dropletsphere", "wavesphere", "risingwavesphere"}) {
    Bitmap24 b(120, 60, kWhite);
    EXPECT_TRUE(DrawSphereRow(b, tool, 10, 20, 110, 40, 0x0000FF, 0x00FF00)) << tool;
    EXPECT_FALSE(uniform(b, kWhite)) << tool;
    Bitmap24 sq(60, 60, kWhite);
    EXPECT_FALSE(DrawSphereRow(sq, tool, 10, 10, 50, 50, 0x0000FF, 0x00FF00)) << tool;
    EXPECT_TRUE(uniform(sq, kWhite)) << tool;
  }
  Bitmap24 b(60, 60, kWhite);
  EXPECT_TRUE(DrawSphereRow(b, "intersphere", 50, 50, 10, 10, 0x0000FF, 0x0000FF));
  EXPECT_EQ(b.pixel(30, 30), (Bgr{0, 0, 255}));
  EXPECT_FALSE(DrawSphereRow(b, "nosphere", 0, 0, 10, 10, 0, 0));
}

TEST(Stars, VerticesByPointCount) {
  const QPoint c(100, 100), p(100, 50);
  auto v = StarVertices(c, p, 5, false);  // pentagram: every second corner (144 degrees)
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[1], RotatePoint(c, p, 4 * M_PI / 5));
  v = StarVertices(c, p, 5, true);  // pentagon
  EXPECT_EQ(v[1], RotatePoint(c, p, 2 * M_PI / 5));
  EXPECT_EQ(StarVertices(c, p, 6, false)[1], StarVertices(c, p, 6, true)[1]);  // hexagon either way
  EXPECT_EQ(StarVertices(c, p, 40, false).size(), 13u);
  EXPECT_TRUE(StarVertices(c, p, 0, false).empty());
  EXPECT_TRUE(StarVertices(c, p, -4, true).empty());
}

TEST(Textures, ShadesAndRingKernel) {
  // P = (100, 50, 0): g = 50 + 510 = 560, Q = (165, 152, 140); 36 % of P and 64 % of Q.
  EXPECT_EQ(LightShade(0x003264), TColor(36 + 105) | (TColor(18 + 97) << 8) | (TColor(0 + 89) << 16));
  // D = (82, 41, 0): Trunc(100 * .52) + Trunc(82 * .48) = 52 + 39, 26 + 19.
  EXPECT_EQ(DarkShade(0x003264), TColor(91) | (TColor(45) << 8));
  int sum = 0;
  for (auto w : RingKernel()) sum += w;
  EXPECT_EQ(sum, 16);
  EXPECT_EQ(RingKernel()[12], 0);
  Bitmap24 flat(7, 5, Bgr{9, 99, 199});
  RingFilter(flat);
  EXPECT_TRUE(uniform(flat, Bgr{9, 99, 199}));
  // A single bright pixel spreads to the ring two pixels away, not to its neighbours.
  Bitmap24 dot(9, 9, Bgr{0, 0, 0});
  dot.setPixel(4, 4, Bgr{160, 160, 160});
  RingFilter(dot);
  EXPECT_EQ(dot.pixel(6, 4).g, 10);
  EXPECT_EQ(dot.pixel(5, 4).g, 0);
  EXPECT_EQ(dot.pixel(4, 4).g, 0);
}

TEST(Textures, ZeroDragDrawsNothingAndSmallRectCellsAreThree) {
  Bitmap24 b(40, 30, kWhite);
  TFxCanvas c(b);
  FxRandom r(3);
  EXPECT_TRUE(DrawTexture(c, "texlines", QPoint(5, 5), QPoint(5, 5), r));
  EXPECT_TRUE(uniform(b, kWhite));
  EXPECT_FALSE(DrawTexture(c, "texnothing", QPoint(0, 0), QPoint(5, 5), r));
  c.Pen.Color = 0x0000FF, c.Brush.Color = 0x00FF00, c.Brush.Style = bsClear;
  for (const char* t : {"texlines", "texrects", "texovals", "texpoly", "texcurves"}) {
    Bitmap24 d(40, 30, kWhite);
    TFxCanvas dc(d);
    dc.Pen = c.Pen, dc.Brush = c.Brush;
    EXPECT_TRUE(DrawTexture(dc, t, QPoint(2, 2), QPoint(4, 4), r)) << t;
    EXPECT_FALSE(uniform(d, kWhite)) << t;
    EXPECT_EQ(dc.Pen.Color, 0x0000FFu);
    EXPECT_EQ(dc.Brush.Style, bsClear);
  }
  Bitmap24 far(20, 20, kWhite);
  TFxCanvas fc(far);
  DrawTexture(fc, "texrects", QPoint(INT_MIN / 2, 0), QPoint(INT_MAX / 2, 3), r);
}

TEST(Interference, UniformCornersFillTheBoxAndOutsideDrawsNothing) {
  Bitmap24 b = noise(30, 20, 4);
  for (QPoint p : {QPoint(3, 4), QPoint(20, 4), QPoint(3, 15), QPoint(20, 15)}) b.setPixel(p.x(), p.y(), Bgr{7, 8, 9});
  EXPECT_TRUE(InterferenceRect(b, 20, 15, 3, 4));
  for (int y = 4; y <= 15; ++y)
    for (int x = 3; x <= 20; ++x) ASSERT_EQ(b.pixel(x, y), (Bgr{7, 8, 9})) << x << "," << y;
  Bitmap24 c = noise(30, 20, 4);
  const Bitmap24 before = c;
  EXPECT_FALSE(InterferenceRect(c, 5, 5, 30, 10));
  EXPECT_EQ(c, before);
}

TEST(Interference, RectMixesCornersInFixedPoint) {
  // Top corners 0 and 200, bottom corners 0 and 200, one row: S = TL, E = BL, so the row is TL.
  Bitmap24 b(5, 2, Bgr{0, 0, 0});
  b.setPixel(4, 0, Bgr{200, 200, 200});
  b.setPixel(4, 1, Bgr{200, 200, 200});
  EXPECT_TRUE(InterferenceRect(b, 0, 0, 4, 1));
  // Row 1: v = one, S = TR = 200, E = BR = 200: all 200.
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.pixel(x, 1).g, 200) << x;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.pixel(x, 0).g, 0) << x;
}

TEST(Interference, ColumnRunsFromColumnZeroToTheCorner) {
  Bitmap24 b(10, 4, Bgr{0, 0, 0});
  b.setPixel(0, 1, Bgr{0, 0, 100});
  b.setPixel(8, 2, Bgr{0, 0, 200});
  InterferenceColumn(b, 4, 1, 8, 2);
  EXPECT_EQ(b.pixel(4, 1).r, 125);  // one step of 25 past 100
  EXPECT_EQ(b.pixel(8, 1).r, 200);
  InterferenceColumn(b, -100, -100, 100, 100);
}
