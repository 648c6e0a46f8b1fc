// px bitmaps: view perspectives, conversion, resampling, lists.
#include <gtest/gtest.h>

#include "PxBitmap.h"

using namespace px;

TEST(PxBitmap, CreateChecksDepthAndLimits) {
  Bitmap b;
  EXPECT_EQ(CreateBitmap(b, 10, 10, 16), kInvalidBits);
  EXPECT_EQ(CreateBitmap(b, 0, 10, 24), kInvalidSize);
  EXPECT_EQ(CreateBitmap(b, 100000, 100000, 24), kInvalidSize);
  ASSERT_EQ(CreateBitmap(b, 3, 2, 1), kOk);
  EXPECT_EQ(b.stride, 4);
  EXPECT_EQ(b.palette.size(), 2u);
  ASSERT_EQ(CreateBitmap(b, 5, 2, 24), kOk);
  EXPECT_EQ(b.stride, 16);
  EXPECT_TRUE(b.allocated());
}

TEST(PxBitmap, PerspectivesMapPointsBothWaysAndNormalise) {
  Bitmap b;
  ASSERT_EQ(CreateBitmap(b, 5, 3, 24), kOk);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) SetPixel(b, x, y, uint32_t(y * 16 + x));
  for (int vp = 0; vp <= 8; ++vp) {
    SCOPED_TRACE(vp);
    Bitmap v = b;
    v.viewPerspective = vp;
    const bool turned = vp == 4 || vp == 5 || vp == 7 || vp == 8;
    EXPECT_EQ(IsTurnedPerspective(vp), turned);
    EXPECT_EQ(v.viewWidth(), turned ? 3 : 5);
    // Every shown point maps to a distinct stored point and back.
    std::vector<int> hit(15, 0);
    for (int y = 0; y < v.viewHeight(); ++y)
      for (int x = 0; x < v.viewWidth(); ++x) {
        int sx = x, sy = y;
        ViewToBitmapPoint(v, sx, sy);
        ASSERT_TRUE(sx >= 0 && sx < 5 && sy >= 0 && sy < 3);
        ++hit[size_t(sy * 5 + sx)];
        int bx = sx, by = sy;
        BitmapToViewPoint(v, bx, by);
        EXPECT_EQ(bx, x);
        EXPECT_EQ(by, y);
      }
    for (int h : hit) EXPECT_EQ(h, 1);
    // Normalising keeps what is shown.
    Bitmap n;
    ASSERT_EQ(CopyBitmap(v, n), kOk);
    ASSERT_EQ(NormalizeViewPerspective(n), kOk);
    EXPECT_EQ(n.viewPerspective, 0);
    EXPECT_EQ(n.width, v.viewWidth());
    for (int y = 0; y < n.height; ++y)
      for (int x = 0; x < n.width; ++x) {
        int sx = x, sy = y;
        ViewToBitmapPoint(v, sx, sy);
        EXPECT_EQ(GetPixel(n, x, y), GetPixel(b, sx, sy));
      }
  }
  // Turned 90 degrees clockwise: the shown top-left pixel is the stored bottom-left one.
  Bitmap r = b;
  r.viewPerspective = 5;
  int x = 0, y = 0;
  ViewToBitmapPoint(r, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 2);
  int l = 0, t = 0, rr = 2, bb = 1;
  ViewToBitmapRect(r, l, t, rr, bb);
  EXPECT_EQ(l, 0);
  EXPECT_EQ(rr, 1);
  EXPECT_EQ(t, 1);
  EXPECT_EQ(bb, 3);
}

TEST(PxBitmap, CopiesShareUntilDetached) {
  Bitmap a;
  ASSERT_EQ(CreateBitmap(a, 4, 4, 24), kOk);
  Bitmap shared = a;
  SetPixel(shared, 1, 1, 0x123456);
  EXPECT_EQ(GetPixel(a, 1, 1), 0x123456u);
  Bitmap own;
  ASSERT_EQ(CopyBitmap(a, own), kOk);
  SetPixel(own, 1, 1, 0);
  EXPECT_EQ(GetPixel(a, 1, 1), 0x123456u);
  ASSERT_EQ(DetachBitmap(shared), kOk);
  SetPixel(shared, 2, 2, 0xFF);
  EXPECT_EQ(GetPixel(a, 2, 2), 0u);
}

TEST(PxBitmap, ConvertBetweenDepths) {
  Bitmap p;
  std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF};
  ASSERT_EQ(CreateBitmap(p, 4, 1, 8, &pal), kOk);
  for (int x = 0; x < 4; ++x) SetIndex(p, x, 0, x);
  Bitmap c;
  ASSERT_EQ(ConvertBitmap(p, c, 24), kOk);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(c, x, 0), pal[size_t(x)]);
  Bitmap small;
  ASSERT_EQ(ConvertBitmap(p, small, 4), kOk);  // indexes fit: palette kept
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(small, x, 0), pal[size_t(x)]);
  Bitmap mono;
  ASSERT_EQ(ConvertBitmap(c, mono, 1), kOk);
  EXPECT_EQ(GetIndex(mono, 0, 0), 0);
  EXPECT_EQ(GetIndex(mono, 3, 0), 1);
}

TEST(PxBitmap, ResizeAveragesAndKeepsFacts) {
  Bitmap b;
  ASSERT_EQ(CreateBitmap(b, 100, 50, 24), kOk);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) SetPixel(b, x, y, (x & 1) ? 0xFFFFFFu : 0u);
  b.viewPerspective = 3;
  for (int flags : {0, 1, 2}) {
    Bitmap r;
    ASSERT_EQ(ResizeBitmap(b, r, 25, 10, flags), kOk);
    EXPECT_EQ(r.width, 25);
    EXPECT_EQ(r.height, 10);
    EXPECT_EQ(r.viewPerspective, 3);
    if (flags == 2) {
      uint32_t v = GetPixel(r, 5, 5) & 255;
      EXPECT_NEAR(int(v), 128, 2);  // black and white columns average to grey
    }
  }
}

TEST(PxBitmap, ListIndexesAreChecked) {
  BitmapList l;
  Bitmap b;
  ASSERT_EQ(CreateBitmap(b, 2, 2, 8), kOk);
  EXPECT_EQ(l.insert(1, b), kInvalidParam);
  EXPECT_EQ(l.append(b), kOk);
  EXPECT_EQ(l.insert(0, b), kOk);
  EXPECT_EQ(l.count(), 2);
  EXPECT_EQ(l.remove(2), kInvalidParam);
  EXPECT_EQ(l.get(-1, b), kInvalidParam);
  EXPECT_EQ(l.remove(0), kOk);
  EXPECT_EQ(l.count(), 1);
}
