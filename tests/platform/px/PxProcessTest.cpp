#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "PxProcess.h"

using namespace px;

namespace {

// A 24-bit picture whose pixel (x, y) is (x, y, x + y) so every pixel is told apart.
Bitmap Ramp(int w, int h, int bits = 24) {
  Bitmap b;
  EXPECT_EQ(CreateBitmap(b, w, h, bits), kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(b, x, y, uint32_t((x & 255) << 16 | (y & 255) << 8 | ((x + y) & 255)));
  return b;
}

// A smooth mid-grey picture (no clipping under filters).
Bitmap Smooth(int w, int h) {
  Bitmap b;
  EXPECT_EQ(CreateBitmap(b, w, h, 24), kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int v = 128 + int(40 * std::sin(x * 0.7) * std::cos(y * 0.4));
      SetPixel(b, x, y, uint32_t(v << 16 | (255 - v) << 8 | (v / 2 + 60)));
    }
  return b;
}

double Mean(const Bitmap& b, int shift) {
  double s = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) s += (GetPixel(b, x, y) >> shift) & 255;
  return s / (double(b.width) * b.height);
}

Bitmap Indexed(int w, int h, int bits) {
  Bitmap b;
  EXPECT_EQ(CreateBitmap(b, w, h, bits), kOk);
  const int n = 1 << bits;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetIndex(b, x, y, (x * 3 + y * 5) % n);
  return b;
}

}  // namespace

TEST(PxProcess, FlipAndReverseMovePixelsOnEveryDepth) {
  for (int bits : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bits);
    Bitmap src = bits <= 8 ? Indexed(7, 5, bits) : Ramp(7, 5, bits);
    Bitmap f;
    ASSERT_EQ(CopyBitmap(src, f), kOk);
    ASSERT_EQ(FlipBitmap(f), kOk);
    Bitmap r;
    ASSERT_EQ(CopyBitmap(src, r), kOk);
    ASSERT_EQ(ReverseBitmap(r), kOk);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(GetPixel(f, x, y), GetPixel(src, x, 4 - y));
        EXPECT_EQ(GetPixel(r, x, y), GetPixel(src, 6 - x, y));
      }
  }
}

TEST(PxProcess, QuarterTurnsAreExact) {
  for (int bits : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bits);
    const Bitmap src = bits <= 8 ? Indexed(5, 3, bits) : Ramp(5, 3, bits);
    struct Case { int angle; int w, h; };
    for (Case c : {Case{9000, 3, 5}, Case{18000, 5, 3}, Case{27000, 3, 5}, Case{-9000, 3, 5}}) {
      Bitmap b;
      ASSERT_EQ(CopyBitmap(src, b), kOk);
      ASSERT_EQ(RotateBitmap(b, c.angle, 1, 0xFFFFFF), kOk);
      ASSERT_EQ(b.width, c.w);
      ASSERT_EQ(b.height, c.h);
      for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
          int sx, sy;
          if (c.angle == 9000) sx = y, sy = 2 - x;           // clockwise
          else if (c.angle == 18000) sx = 4 - x, sy = 2 - y;
          else sx = 4 - y, sy = x;                            // anticlockwise
          ASSERT_EQ(GetPixel(b, x, y), GetPixel(src, sx, sy)) << c.angle << " " << x << "," << y;
        }
    }
  }
}

TEST(PxProcess, FreeAngleRotationGrowsAndFillsCorners) {
  Bitmap b;
  ASSERT_EQ(CreateBitmap(b, 40, 20, 24), kOk);
  FillBitmap(b, 0x000000);
  ASSERT_EQ(RotateBitmap(b, 4500, 1, 0x00FF00), kOk);
  EXPECT_NEAR(b.width, 43, 1);  // 40 cos45 + 20 sin45 = 42.4
  EXPECT_NEAR(b.height, 43, 1);
  EXPECT_EQ(GetPixel(b, 0, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(b, b.width / 2, b.height / 2), 0u);
  // Without flag 1 the size stays.
  Bitmap k;
  ASSERT_EQ(CreateBitmap(k, 40, 20, 8), kOk);
  ASSERT_EQ(RotateBitmap(k, 1000, 0, 0xFFFFFF), kOk);
  EXPECT_EQ(k.width, 40);
  EXPECT_EQ(k.height, 20);
  EXPECT_EQ(k.bits, 24);
}

TEST(PxProcess, SizeGivesExactSizesForEachFlag) {
  for (int flags : {0, 2, 4}) {
    for (int bits : {8, 24, 32}) {
      SCOPED_TRACE(testing::Message() << flags << "/" << bits);
      Bitmap b = bits == 8 ? Indexed(50, 30, 8) : Ramp(50, 30, bits);
      ASSERT_EQ(SizeBitmap(b, 17, 71, flags), kOk);
      EXPECT_EQ(b.width, 17);
      EXPECT_EQ(b.height, 71);
      EXPECT_EQ(b.bits, flags == 0 || bits != 8 ? bits : 24);
      // A plain colour stays that colour with every method.
      Bitmap u;
      ASSERT_EQ(CreateBitmap(u, 33, 21, 24), kOk);
      FillBitmap(u, 0x336699);
      ASSERT_EQ(SizeBitmap(u, 10, 50, flags), kOk);
      for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(GetPixel(u, x, y), 0x336699u);
    }
  }
  // Area average of 2x2 blocks.
  Bitmap c;
  ASSERT_EQ(CreateBitmap(c, 2, 2, 24), kOk);
  SetPixel(c, 0, 0, 0x000000);
  SetPixel(c, 1, 0, 0x646464);
  SetPixel(c, 0, 1, 0xC8C8C8);
  SetPixel(c, 1, 1, 0x646464);
  ASSERT_EQ(SizeBitmap(c, 1, 1, 2), kOk);
  EXPECT_EQ(GetPixel(c, 0, 0), 0x646464u);
}

TEST(PxProcess, BadSizesAreRefused) {
  Bitmap b = Ramp(4, 4);
  EXPECT_EQ(SizeBitmap(b, 0, 5, 2), kInvalidSize);
  EXPECT_EQ(SizeBitmap(b, -3, 5, 2), kInvalidSize);
  EXPECT_EQ(SizeBitmap(b, 100000, 100000, 2), kInvalidSize);
  EXPECT_EQ(b.width, 4);
  Bitmap empty;
  EXPECT_EQ(SizeBitmap(empty, 5, 5, 2), kInvalidBitmap);
  EXPECT_EQ(RotateBitmap(empty, 9000, 1, 0), kInvalidBitmap);
  EXPECT_EQ(FlipBitmap(empty), kInvalidBitmap);
  EXPECT_EQ(SharpenBitmap(b, 1001), kInvalidParam);
  EXPECT_EQ(SharpenBitmap(b, -1), kInvalidParam);
  EXPECT_EQ(GaussianFilterBitmap(b, 201), kInvalidParam);
  EXPECT_EQ(GrayScaleBitmap(b, 7), kInvalidBits);
}

TEST(PxProcess, SharpenKeepsTheMeanAndRaisesContrast) {
  Bitmap b = Smooth(60, 40);
  const Bitmap orig = [&] { Bitmap c; CopyBitmap(b, c); return c; }();
  ASSERT_EQ(SharpenBitmap(b, 850), kOk);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(Mean(b, shift), Mean(orig, shift), 1.0);
  double d0 = 0, d1 = 0;
  for (int x = 1; x < 60; ++x) {
    d0 += std::abs(int((GetPixel(orig, x, 10) >> 16) & 255) - int((GetPixel(orig, x - 1, 10) >> 16) & 255));
    d1 += std::abs(int((GetPixel(b, x, 10) >> 16) & 255) - int((GetPixel(b, x - 1, 10) >> 16) & 255));
  }
  EXPECT_GT(d1, d0 * 1.2);
  Bitmap z = Smooth(10, 10);
  ASSERT_EQ(SharpenBitmap(z, 0), kOk);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(GetPixel(z, x, 3), GetPixel(Smooth(10, 10), x, 3));
}

TEST(PxProcess, GaussianSmoothsAndKeepsFlatAreas) {
  for (int radius : {5, 20, 80, 200}) {
    SCOPED_TRACE(radius);
    Bitmap b = Smooth(90, 70);
    const double m = Mean(b, 16);
    ASSERT_EQ(GaussianFilterBitmap(b, radius), kOk);
    EXPECT_NEAR(Mean(b, 16), m, 2.5);
    double d = 0, d0 = 0;
    Bitmap o = Smooth(90, 70);
    for (int x = 1; x < 90; ++x) {
      d += std::abs(int((GetPixel(b, x, 30) >> 16) & 255) - int((GetPixel(b, x - 1, 30) >> 16) & 255));
      d0 += std::abs(int((GetPixel(o, x, 30) >> 16) & 255) - int((GetPixel(o, x - 1, 30) >> 16) & 255));
    }
    EXPECT_LT(d, d0 * (radius < 10 ? 0.95 : 0.8));
    Bitmap u;
    ASSERT_EQ(CreateBitmap(u, 30, 30, 32), kOk);
    FillBitmap(u, 0x405060);
    ASSERT_EQ(GaussianFilterBitmap(u, radius), kOk);
    EXPECT_EQ(GetPixel(u, 15, 15) & 0xFFFFFF, 0x405060u);
    EXPECT_EQ(GetPixel(u, 0, 29) & 0xFFFFFF, 0x405060u);
  }
}

namespace {
// The small Gaussian written out plainly: 14-bit weights, the rows then the columns, each pass
// rounded to 8 bits, edges repeated. The filter must give exactly these bytes.
Bitmap PlainGaussian(const Bitmap& in, double sigma) {
  const int r = std::max(1, int(std::ceil(3 * sigma)));
  std::vector<double> k(size_t(2 * r + 1));
  double sum = 0;
  for (int i = -r; i <= r; ++i) sum += k[size_t(i + r)] = std::exp(-(i * i) / (2 * sigma * sigma));
  std::vector<int> w(k.size());
  int acc = 0;
  for (size_t i = 0; i < k.size(); ++i) acc += w[i] = int(std::lround(k[i] / sum * 16384));
  w[size_t(r)] += 16384 - acc;
  const int ch = in.bits / 8, W = in.width, H = in.height;
  Bitmap rows, out;
  EXPECT_EQ(CopyBitmap(in, rows), kOk);
  EXPECT_EQ(CopyBitmap(in, out), kOk);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W * ch; ++x) {
      int a = 8192;
      for (int i = -r; i <= r; ++i) a += in.scanLine(y)[std::clamp(x / ch + i, 0, W - 1) * ch + x % ch] * w[size_t(i + r)];
      rows.scanLine(y)[x] = uint8_t(std::min(255, a >> 14));
    }
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W * ch; ++x) {
      int a = 8192;
      for (int i = -r; i <= r; ++i) a += rows.scanLine(std::clamp(y + i, 0, H - 1))[x] * w[size_t(i + r)];
      out.scanLine(y)[x] = uint8_t(std::min(255, a >> 14));
    }
  return out;
}
}  // namespace

TEST(PxProcess, SmallGaussianGivesExactlyThePlainFilter) {
  struct Case {
    int w, h, bits, radius;
  } cases[] = {{1, 1, 24, 20},  {2, 40, 24, 30}, {40, 2, 32, 30}, {97, 61, 24, 5},   {97, 61, 24, 20},
               {97, 61, 32, 13}, {700, 9, 24, 20}, {1201, 700, 24, 20}, {613, 1100, 32, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bits << " radius " << c.radius);
    Bitmap b = Ramp(c.w, c.h, c.bits);
    for (int y = 0; y < c.h; ++y)  // some texture, and values at both ends of the range
      for (int x = 0; x < c.w; ++x)
        if ((x * 13 + y * 7) % 11 < 3) SetPixel(b, x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    const Bitmap expect = PlainGaussian(b, c.radius / 10.0);
    Bitmap original;
    ASSERT_EQ(CopyBitmap(b, original), kOk);
    const Bitmap shared = b;  // a bitmap sharing the pixels keeps the old ones
    ASSERT_EQ(GaussianFilterBitmap(b, c.radius), kOk);
    for (int y = 0; y < c.h; ++y) {
      ASSERT_EQ(0, std::memcmp(b.scanLine(y), expect.scanLine(y), size_t(b.stride))) << "row " << y;
      ASSERT_EQ(0, std::memcmp(shared.scanLine(y), original.scanLine(y), size_t(b.stride))) << "row " << y;
    }
  }
}

TEST(PxProcess, GrayScaleGivesEqualChannels) {
  Bitmap b = Ramp(20, 10);
  ASSERT_EQ(GrayScaleBitmap(b, 24), kOk);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      uint32_t c = GetPixel(b, x, y);
      ASSERT_EQ((c >> 16) & 255, (c >> 8) & 255);
      ASSERT_EQ((c >> 8) & 255, c & 255);
    }
  Bitmap e = Ramp(20, 10);
  ASSERT_EQ(GrayScaleBitmap(e, 8), kOk);
  EXPECT_EQ(e.bits, 8);
  EXPECT_EQ(GetPixel(e, 10, 5), GetPixel(b, 10, 5));
  Bitmap p = Indexed(9, 9, 4);
  ASSERT_EQ(GrayScaleBitmap(p, 8), kOk);
  EXPECT_EQ(p.bits, 8);
}

TEST(PxProcess, RedEyeChangesOnlyRedPixelsInsideTheRegion) {
  Bitmap b;
  ASSERT_EQ(CreateBitmap(b, 20, 20, 24), kOk);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) SetPixel(b, x, y, (x + y) % 2 ? 0xE01010 : 0x808080);
  Bitmap before;
  CopyBitmap(b, before);
  QRegion rgn(5, 5, 6, 6);
  ASSERT_EQ(RemoveRedeyeBitmap(b, 0x000000, 60, 50, &rgn), kOk);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      bool red = (x + y) % 2;
      bool inside = rgn.contains(QPoint(x, y));
      if (red && inside) EXPECT_NE(GetPixel(b, x, y), GetPixel(before, x, y));
      else EXPECT_EQ(GetPixel(b, x, y), GetPixel(before, x, y)) << x << "," << y;
    }
}

TEST(PxProcess, FillInRegionAndEmptyRegion) {
  for (int bits : {4, 8, 24, 32}) {
    Bitmap b;
    ASSERT_EQ(CreateBitmap(b, 10, 8, bits), kOk);
    QRegion rgn = QRegion(0, 6, 2, 2) + QRegion(8, 0, 2, 1);
    ASSERT_EQ(FillBitmap(b, 0xFFFFFF, &rgn), kOk);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(GetPixel(b, x, y) & 0xFFFFFF, rgn.contains(QPoint(x, y)) ? 0xFFFFFFu : 0u) << bits;
    QRegion none;
    ASSERT_EQ(FillBitmap(b, 0x123456, &none), kOk);
    EXPECT_EQ(GetPixel(b, 4, 4) & 0xFFFFFF, 0u);
  }
}

TEST(PxProcess, CombineCopiesAndClips) {
  Bitmap dst;
  ASSERT_EQ(CreateBitmap(dst, 10, 10, 24), kOk);
  Bitmap src = Ramp(6, 6);
  ASSERT_EQ(CombineBitmap(dst, 7, -2, 6, 6, src, 1, 0, 800), kOk);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      bool in = x >= 7 && y < 4;
      uint32_t want = in ? GetPixel(src, x - 7 + 1, y + 2) : 0u;
      EXPECT_EQ(GetPixel(dst, x, y), want) << x << "," << y;
    }
  EXPECT_EQ(CombineBitmap(dst, 0, 0, 5, 5, src, 0, 0, 801), kNotSupported);
  EXPECT_EQ(CombineBitmap(dst, 0, 0, -5, 5, src, 0, 0, 800), kInvalidParam);
  // Different depths go through colours.
  Bitmap pal = Indexed(4, 4, 8);
  ASSERT_EQ(CombineBitmap(dst, 0, 0, 4, 4, pal, 0, 0, 800), kOk);
  EXPECT_EQ(GetPixel(dst, 2, 3), GetPixel(pal, 2, 3));
  Bitmap part;
  ASSERT_EQ(CopyBitmapRect(src, part, -1, 2, 3, 10), kOk);
  EXPECT_EQ(part.width, 2);
  EXPECT_EQ(part.height, 4);
  EXPECT_EQ(GetPixel(part, 1, 1), GetPixel(src, 1, 3));
}

TEST(PxProcess, BalanceColorsIsAColourMatrix) {
  Bitmap b = Ramp(8, 8);
  const double red[3] = {0, 0, 1}, green[3] = {0, 1, 0}, blue[3] = {1, 0, 0};
  ASSERT_EQ(BalanceColors(b, red, green, blue), kOk);
  Bitmap o = Ramp(8, 8);
  for (int x = 0; x < 8; ++x) {
    uint32_t c = GetPixel(o, x, 5), d = GetPixel(b, x, 5);
    EXPECT_EQ((d >> 16) & 255, c & 255);
    EXPECT_EQ(d & 255, (c >> 16) & 255);
  }
  Bitmap p = Indexed(4, 4, 8);
  const double half[3] = {0.5, 0, 0}, zero[3] = {0, 0, 0};
  ASSERT_EQ(BalanceColors(p, half, zero, zero), kOk);
  EXPECT_EQ(p.bits, 8);
  EXPECT_EQ(GetPixel(p, 0, 0) & 0x00FFFF, 0u);
}
