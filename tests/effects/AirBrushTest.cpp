#include <gtest/gtest.h>

#include "AirBrush.h"
#include "Bitmap24Qt.h"
#include "FxTestUtil.h"

using namespace kalvora;
using namespace fxtest;

TEST(AirBrush, Defaults) {
  TAirBrush a;
  EXPECT_EQ(a.Size(), 40);
  EXPECT_EQ(a.Color(), 0u);
  EXPECT_EQ(a.Intensity(), 10);
  EXPECT_EQ(a.Shape(), absRound);
  EXPECT_EQ(a.Interval(), 100);
  EXPECT_TRUE(a.BrushBitmap().isEmpty());
}

TEST(AirBrush, NewBrushSpraysNothing) {
  TAirBrush a;
  Bitmap24 canvas(50, 50, Bgr{200, 200, 200});
  const Bitmap24 before = canvas;
  a.Spray(canvas, 25, 25);
  EXPECT_EQ(canvas, before);
}

TEST(AirBrush, OutOfRangeValuesAreIgnored) {
  TAirBrush a;
  for (int s : {5, 9, 201, 300, -1}) a.setSize(s);
  EXPECT_EQ(a.Size(), 40);
  EXPECT_TRUE(a.BrushBitmap().isEmpty());
  a.setSize(40);  // the current value: no rebuild
  EXPECT_TRUE(a.BrushBitmap().isEmpty());
  for (int i : {0, 101, -5}) a.setIntensity(i);
  EXPECT_EQ(a.Intensity(), 10);
  a.setSize(10);
  EXPECT_EQ(a.BrushBitmap().width(), 10);
  a.setSize(200);
  EXPECT_EQ(a.BrushBitmap().height(), 200);
}

TEST(AirBrush, FullIntensityPaintsTheShapeExactly) {
  TAirBrush a;
  a.setIntensity(100);
  a.setShape(absSquare);
  a.setColor(0x0000FF);  // red
  a.setSize(10);
  Bitmap24 canvas(30, 30, Bgr{200, 200, 200});
  a.Spray(canvas, 15, 15);  // square from (10, 10) to (19, 19)
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
      EXPECT_EQ(canvas.pixel(x, y), inside ? (Bgr{0, 0, 255}) : (Bgr{200, 200, 200})) << x << "," << y;
    }
}

TEST(AirBrush, TenPercentBlackDarkensByATenth) {
  TAirBrush a;
  a.setShape(absSquare);  // black, 10 %
  Bitmap24 canvas(60, 60, Bgr{200, 100, 55});
  a.Spray(canvas, 30, 30);
  // Round(0.9 * c): 180, 90, 49.5 -> 50 (ties to even)
  EXPECT_EQ(canvas.pixel(30, 30), (Bgr{180, 90, 50}));
  EXPECT_EQ(canvas.pixel(10, 10), (Bgr{180, 90, 50}));
  EXPECT_EQ(canvas.pixel(9, 9), (Bgr{200, 100, 55}));
}

TEST(AirBrush, WhiteSpraysNothing) {
  TAirBrush a;
  a.setColor(0xFFFFFF);
  a.setIntensity(100);
  Bitmap24 canvas(50, 50, Bgr{1, 2, 3});
  a.Spray(canvas, 25, 25);
  EXPECT_TRUE(uniform(canvas, Bgr{1, 2, 3}));
}

TEST(AirBrush, ShapesStayInsideTheirSquare) {
  for (TAirBrushShape s : {absRound, absSquare, absLeftSlash, absRightSlash, absHorizontal, absVertical, absSpray}) {
    TAirBrush a;
    a.setIntensity(100);
    a.setShape(s);
    a.setSize(21);
    const Bitmap24& brush = a.BrushBitmap();
    ASSERT_EQ(brush.width(), 21);
    int painted = 0;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 21; ++x) painted += brush.pixel(x, y) == Bgr{0, 0, 0};
    EXPECT_GT(painted, 0) << s;
    EXPECT_LT(painted, 21 * 21 + 1) << s;
    if (s == absSpray) {
      // Dotted: only pixels on the grid of three.
      for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) {
          if (brush.pixel(x, y) == Bgr{0, 0, 0}) {
            EXPECT_TRUE(x % 3 == 0 && y % 3 == 0);
          }
        }
    }
  }
}

TEST(AirBrush, SprayAtTheEdgesChangesOnlyTheCanvas) {
  TAirBrush a;
  a.setIntensity(100);
  a.setShape(absSquare);
  a.setSize(20);
  for (auto [x, y] : {std::pair{0, 0}, {-5, 3}, {49, 49}, {60, 60}, {-1000000, 5}, {2147483647, -2147483647 - 1}}) {
    Bitmap24 canvas(50, 50, Bgr{9, 9, 9});
    a.Spray(canvas, x, y);
    EXPECT_EQ(canvas.width(), 50);
  }
  Bitmap24 small(3, 1, Bgr{9, 9, 9});
  a.Spray(small, 1, 0);
  EXPECT_TRUE(uniform(small, Bgr{0, 0, 0}));
}

TEST(AirBrush, SprayOnQImages) {
  TAirBrush a;
  a.setIntensity(100);
  a.setShape(absSquare);
  a.setColor(0x00FF00);
  a.setSize(10);
  QImage bgr(20, 20, QImage::Format_BGR888);
  bgr.fill(Qt::white);
  a.Spray(bgr, 10, 10);
  EXPECT_EQ(bgr.pixelColor(10, 10), QColor(0, 255, 0));
  QImage argb(20, 20, QImage::Format_ARGB32);
  argb.fill(Qt::white);
  a.Spray(argb, 10, 10);
  EXPECT_EQ(argb.format(), QImage::Format_ARGB32);
  EXPECT_EQ(argb.pixelColor(12, 12), QColor(0, 255, 0));
  EXPECT_EQ(argb.pixelColor(2, 2), QColor(255, 255, 255));
}

TEST(AirBrush, ReadyLimitsByInterval) {
  TAirBrush a;
  std::uint32_t now = 1000;
  a.setClock([&] { return now; });
  EXPECT_FALSE(a.Ready());
  now += 100;
  EXPECT_FALSE(a.Ready());  // not more than 100 ms
  now += 1;
  EXPECT_TRUE(a.Ready());
  EXPECT_FALSE(a.Ready());  // a second call at once
  now = 0xFFFFFFF0u;
  EXPECT_TRUE(a.Ready());
  now = 0x00000080u;  // the counter wrapped: 144 ms later
  EXPECT_TRUE(a.Ready());
}
