#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>

#include "Bitmap24.h"
#include "Bitmap24Qt.h"
#include "Random.h"

using namespace kalvora;

TEST(Bitmap24, EmptyAndNegativeSizes) {
  for (auto [w, h] : {std::pair{0, 0}, {0, 5}, {5, 0}, {-3, 4}, {4, -3}}) {
    Bitmap24 b(w, h);
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.height(), 0);
    EXPECT_EQ(b.byteCount(), 0u);
    EXPECT_TRUE(WrapAsQImage(b).isNull());
  }
}

TEST(Bitmap24, StrideIsPaddedToFourBytes) {
  struct { int w, stride; } rows[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {199, 600}};
  for (auto r : rows) {
    Bitmap24 b(r.w, 2);
    EXPECT_EQ(b.stride(), r.stride) << r.w;
    EXPECT_EQ(b.byteCount(), std::size_t(r.stride) * 2);
    EXPECT_EQ(b.scanLine(1) - b.scanLine(0), r.stride);
  }
}

TEST(Bitmap24, PixelsAreBlueGreenRedAndPaddingStaysZero) {
  Bitmap24 b(3, 2, Bgr{1, 2, 3});
  for (int y = 0; y < 2; ++y) {
    const std::uint8_t* row = b.scanLine(y);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(row[3 * x], 1);
      EXPECT_EQ(row[3 * x + 1], 2);
      EXPECT_EQ(row[3 * x + 2], 3);
    }
    EXPECT_EQ(row[9], 0);
    EXPECT_EQ(row[11], 0);
  }
  b.setPixel(2, 1, Bgr{10, 20, 30});
  EXPECT_EQ(b.scanLine(1)[6], 10);
  EXPECT_EQ(b.scanLine(1)[8], 30);
  EXPECT_EQ(b.pixel(2, 1), (Bgr{10, 20, 30}));
  // Outside: ignored on write, black on read.
  b.setPixel(3, 0, Bgr{9, 9, 9});
  b.setPixel(-1, 0, Bgr{9, 9, 9});
  EXPECT_EQ(b.pixel(3, 0), Bgr{});
  EXPECT_EQ(b.pixel(0, -1), Bgr{});
}

TEST(Bitmap24, SetSizeClearsToBlackAndEqualityComparesPixels) {
  Bitmap24 a(4, 3, Bgr{5, 6, 7});
  Bitmap24 b(4, 3, Bgr{5, 6, 7});
  EXPECT_EQ(a, b);
  b.setPixel(3, 2, Bgr{5, 6, 8});
  EXPECT_NE(a, b);
  a.setSize(2, 2);
  EXPECT_EQ(a, Bitmap24(2, 2));
  EXPECT_NE(a, Bitmap24(2, 3));
  a.setSize(0, 7);
  EXPECT_TRUE(a.isEmpty());
  a.fill(Bgr{1, 1, 1});  // no rows, nothing to do
}

TEST(Bitmap24, TooLargeThrowsBadAlloc) {
  EXPECT_THROW(Bitmap24(1 << 30, 1 << 30), std::bad_alloc);
  EXPECT_THROW(Bitmap24(0x7FFFFFFF, 1), std::bad_alloc);
}

TEST(Bitmap24, ColourConversionsKeepTheClassLibraryOrder) {
  EXPECT_EQ(BgrFromColor(0x00112233), (Bgr{0x11, 0x22, 0x33}));
  EXPECT_EQ(ColorFromBgr(Bgr{0x11, 0x22, 0x33}), 0x00112233u);
}

TEST(Bitmap24Qt, WrapSharesTheBytes) {
  Bitmap24 b(5, 3, Bgr{0, 0, 255});
  QImage img = WrapAsQImage(b);
  ASSERT_EQ(img.format(), QImage::Format_BGR888);
  EXPECT_EQ(img.constBits(), b.bits());
  EXPECT_EQ(img.bytesPerLine(), b.stride());
  EXPECT_EQ(img.pixelColor(4, 2), QColor(255, 0, 0));
  img.setPixelColor(1, 1, QColor(10, 20, 30));
  EXPECT_EQ(b.pixel(1, 1), (Bgr{30, 20, 10}));
  {
    QPainter p(&img);
    p.fillRect(0, 0, 1, 1, QColor(1, 2, 3));
  }
  EXPECT_EQ(b.pixel(0, 0), (Bgr{3, 2, 1}));
}

TEST(Bitmap24Qt, DeepCopyAndBack) {
  Bitmap24 b(7, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) b.setPixel(x, y, Bgr{std::uint8_t(x * 30), std::uint8_t(y * 60), std::uint8_t(x + y)});
  QImage copy = ToQImage(b);
  EXPECT_NE(copy.constBits(), b.bits());
  EXPECT_EQ(copy.pixelColor(6, 3), QColor(9, 180, 180));
  EXPECT_EQ(FromQImage(copy), b);
}

// Pictures of other depths arrive as 24 bits with the same colours; alpha is dropped.
TEST(Bitmap24Qt, FromOtherFormats) {
  QImage argb(3, 2, QImage::Format_ARGB32);
  argb.fill(QColor(200, 100, 50, 0));
  EXPECT_EQ(FromQImage(argb).pixel(2, 1), (Bgr{50, 100, 200}));

  QImage rgb32(3, 2, QImage::Format_RGB32);
  rgb32.fill(QColor(1, 2, 3));
  EXPECT_EQ(FromQImage(rgb32), Bitmap24(3, 2, Bgr{3, 2, 1}));

  QImage mono(9, 2, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.fill(0);
  mono.setPixel(8, 1, 1);
  Bitmap24 m = FromQImage(mono);
  EXPECT_EQ(m.pixel(0, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(m.pixel(8, 1), (Bgr{255, 255, 255}));

  QImage indexed(2, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(10, 20, 30), qRgb(40, 50, 60)});
  indexed.fill(1);
  EXPECT_EQ(FromQImage(indexed), Bitmap24(2, 2, Bgr{60, 50, 40}));

  QImage rgb16(2, 1, QImage::Format_RGB16);
  rgb16.fill(QColor(255, 0, 255));
  EXPECT_EQ(FromQImage(rgb16), Bitmap24(2, 1, Bgr{255, 0, 255}));

  EXPECT_TRUE(FromQImage(QImage()).isEmpty());
}

TEST(Bitmap24Qt, FromBgr888WithOddStride) {
  QImage img(5, 3, QImage::Format_BGR888);
  img.fill(QColor(9, 8, 7));
  Bitmap24 b = FromQImage(img);
  EXPECT_EQ(b, Bitmap24(5, 3, Bgr{7, 8, 9}));
  // Padding bytes of our copy are zero whatever Qt left there.
  EXPECT_EQ(b.scanLine(2)[15], 0);
}

TEST(FxRandom, RuntimeSequenceAndRange) {
  FxRandom r(0);
  // seed 0 -> 1 -> 134775814: Random(100) = (seed * 100) >> 32.
  EXPECT_EQ(r.random(100), 0);
  EXPECT_EQ(r.seed(), 1u);
  EXPECT_EQ(r.random(100), int((134775814ull * 100) >> 32));
  EXPECT_EQ(r.random(0), 0);
  EXPECT_EQ(r.random(-5), 0);
  FxRandom a(42), b(42);
  for (int i = 0; i < 1000; ++i) {
    int v = a.random(7);
    EXPECT_EQ(v, b.random(7));
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 7);
  }
  double f = a.randomFloat();
  EXPECT_GE(f, 0.0);
  EXPECT_LT(f, 1.0);
}
