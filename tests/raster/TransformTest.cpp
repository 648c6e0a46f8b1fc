// Vector maps, nested samplers, rasterizers, the remap transformation and Transform.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Bitmap32.h"
#include "Kernels.h"
#include "NestedSamplers.h"
#include "RasterSystem.h"
#include "Rasterizers.h"
#include "Resamplers.h"
#include "Transforms.h"
#include "VectorMaps.h"

using namespace kalvora::raster;

namespace {

void FillCoded(TBitmap32& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, 0xFF000000u | static_cast<TColor32>((x & 0xFFF) << 12 | (y & 0xFFF)));
}

// A sampler that answers one colour, or a coded colour of its coordinates.
class TestSampler : public TCustomSampler {
 public:
  TColor32 color = 0;
  bool coded = false;
  int throwAtRow = -1;
  TBitmap32* touch = nullptr;
  int prepared = 0, finalized = 0;
  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override {
    if (y == throwAtRow) {
      if (touch != nullptr) touch->BeginUpdate();
      throw std::runtime_error("sampler failed");
    }
    return coded ? static_cast<TColor32>(x * 1000 + y) : color;
  }
  TColor32 GetSampleFixed(TFixed x, TFixed y) override { return GetSampleInt(x >> 16, y >> 16); }
  void PrepareSampling() override { ++prepared; }
  void FinalizeSampling() override { ++finalized; }
};

std::unique_ptr<TRemapTransformation> Remap(const TBitmap32& src, const TBitmap32& dst) {
  auto t = std::make_unique<TRemapTransformation>();
  t->VectorMap()->SetSize(src.Width(), src.Height());
  t->SetSrcRect(FloatRect(src.BoundsRect()));
  t->SetMappingRect(FloatRect(dst.BoundsRect()));
  return t;
}

}  // namespace

TEST(VectorMap, SizesAndReads) {
  TVectorMap m;
  m.SetSize(0, 5);
  EXPECT_TRUE(m.Empty());
  m.SetSize(3, 2);
  EXPECT_FALSE(m.Empty());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(m.GetFixedVector(x, y), TFixedVector{});
  m.SetFixedVector(2, 0, {Fixed(4), Fixed(-2)});
  m.SetFixedVector(2, 1, {Fixed(8), 0});
  EXPECT_FALSE(m.SetSize(3, 2));  // same size: nothing changes
  EXPECT_EQ(m.GetFixedVector(2, 0).X, Fixed(4));
  EXPECT_EQ(m.GetFixedVectorS(-1, 0), TFixedVector{});
  EXPECT_EQ(m.GetFixedVectorS(3, 0), TFixedVector{});
  // last column: interpolates only with itself across
  EXPECT_EQ(m.GetFixedVectorX(Fixed(2) + 0x8000, 0).X, Fixed(4));
  // half way down the last column: between rows
  EXPECT_EQ(m.GetFixedVectorX(Fixed(2), 0x8000).X, Fixed(6));
  EXPECT_EQ(m.GetFixedVectorX(Fixed(3), 0), TFixedVector{});
  EXPECT_EQ(m.GetFixedVectorX(-1, 0), TFixedVector{});
  // beyond the last column the outside neighbour counts as zero
  EXPECT_EQ(m.GetFixedVectorXS(Fixed(2) + 0x8000, 0).X, Fixed(2));
  EXPECT_EQ(m.GetFixedVectorXS(Fixed(-50), Fixed(70)), TFixedVector{});
  EXPECT_FLOAT_EQ(m.GetFloatVectorX(2.0f, 0.5f).X, 6.0f);
  EXPECT_EQ(CombineVectors({0, Fixed(2)}, {Fixed(4), 0}, 0x4000), (TFixedVector{Fixed(1), 0x18000}));
  m.Clear();
  EXPECT_EQ(m.GetFixedVector(2, 1), TFixedVector{});
}

TEST(VectorMap, TrimmedBoundsCoverEveryNonZeroVector) {
  TVectorMap m;
  m.SetSize(10, 8);
  EXPECT_EQ(m.GetTrimmedBounds(), TRect{});
  m.SetFixedVector(3, 2, {1, 0});
  EXPECT_EQ(m.GetTrimmedBounds(), (TRect{3, 2, 4, 3}));
  m.SetFixedVector(7, 5, {0, -1});
  m.SetFixedVector(1, 4, {5, 5});
  EXPECT_EQ(m.GetTrimmedBounds(), (TRect{1, 2, 8, 6}));
  m.SetFixedVector(9, 7, {1, 1});
  m.SetFixedVector(0, 0, {1, 1});
  EXPECT_EQ(m.GetTrimmedBounds(), (TRect{0, 0, 10, 8}));
}

TEST(NestedSamplers, SuperSamplerAverages) {
  TestSampler inner;
  inner.color = 0xFFFFFFFFu;
  TSuperSampler s(&inner);
  EXPECT_EQ(s.SamplingX(), 4);
  for (int n = 1; n <= 8; ++n) {  // a white picture stays white at every grid
    s.SetSamplingX(n);
    s.SetSamplingY(n);
    EXPECT_EQ(s.GetSampleInt(3, 3), 0xFFFFFFFFu) << n;
  }
  // 1 x 1 is the sample at the point itself
  TBitmap32 b;
  b.SetSize(4, 4);
  FillCoded(b);
  s.SetSampler(b.Resampler());
  s.SetSamplingX(1);
  s.SetSamplingY(1);
  EXPECT_EQ(s.GetSampleInt(2, 1), b.Pixel(2, 1));
  // 2 x 2 over a checker of 0 and 1 in blue: 4 sub-samples at +-1/4 average with rounding
  TBitmap32 c;
  c.SetSize(2, 2);
  c.SetPixel(0, 0, 0x00000000u);
  c.SetPixel(1, 0, 0x00000001u);
  c.SetPixel(0, 1, 0x00000001u);
  c.SetPixel(1, 1, 0x00000001u);
  auto* lin = new TLinearResampler(&c);
  (void)lin;
  s.SetSampler(c.Resampler());
  s.SetSamplingX(2);
  s.SetSamplingY(2);
  EXPECT_EQ(s.GetSampleFixed(0x8000, 0x8000) & 0xFF, 1u);  // 0.75 of a level rounds up
  s.SetSamplingX(0);
  EXPECT_EQ(s.GetSampleInt(0, 0), 0u);
  // a missing wrapped sampler is an error, not a crash
  TSuperSampler none(nullptr);
  EXPECT_THROW(none.PrepareSampling(), ENestedException);
  EXPECT_THROW(none.GetSampleInt(0, 0), ENestedException);
  try {
    none.HasBounds();
  } catch (const ENestedException& e) {
    EXPECT_STREQ(e.what(), "Nested sampler is nil");
  }
  TTransformer noTransform(&inner, nullptr);
  EXPECT_THROW(noTransform.GetSampleInt(0, 0), ENestedException);
}

TEST(NestedSamplers, TransformerOverTheIdentity) {
  TBitmap32 src, dst;
  src.SetSize(9, 7);
  FillCoded(src);
  src.SetOuterColor(0x11111111u);
  dst.SetSize(9, 7);
  auto t = Remap(src, dst);
  TNearestTransformer nt(src.Resampler(), t.get());
  nt.PrepareSampling();
  EXPECT_TRUE(t->TransformValid());
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(nt.GetSampleInt(x, y), src.Pixel(x, y));
      EXPECT_EQ(nt.GetSampleFixed(Fixed(x) + 0x100, Fixed(y) + 0x100), src.Pixel(x, y));
      EXPECT_EQ(nt.GetSampleFloat(static_cast<float>(x), static_cast<float>(y)), src.Pixel(x, y));
    }
  // a negative source point floors and reads the outer colour
  EXPECT_EQ(nt.GetSampleFixed(-0x8000, Fixed(2)), 0x11111111u);
  static_cast<TBitmap32Resampler*>(src.Resampler())->SetPixelAccessMode(TPixelAccessMode::pamWrap);
  EXPECT_EQ(nt.GetSampleFixed(-0x8000, Fixed(2)), src.Pixel(0, 2));  // clamped
  nt.FinalizeSampling();
  TTransformer tr(src.Resampler(), t.get());
  tr.PrepareSampling();
  EXPECT_EQ(tr.GetSampleInt(4, 3), src.Pixel(4, 3));
  EXPECT_FALSE(tr.HasBounds());  // the remap has no transformed bounds
}

TEST(Rasterizer, RunsNotificationsAndFailures) {
  TBitmap32 dst;
  dst.SetSize(6, 5);
  dst.Clear(0xFF000000u);
  std::vector<TRect> reports;
  dst.OnAreaChanged = [&reports](TBitmap32*, const TRect& r, std::uint32_t) { reports.push_back(r); };
  TRegularRasterizer r;
  TCombineInfo info;
  r.Rasterize(&dst, dst.BoundsRect(), info);  // no sampler: nothing
  EXPECT_TRUE(reports.empty());
  TestSampler s;
  s.coded = true;
  r.SetSampler(&s);
  r.Rasterize(&dst, TRect{2, 1, 20, 20}, info);  // partly outside
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (TRect{2, 0, 6, 5}));  // the final report covers one row more
  EXPECT_EQ(dst.Pixel(5, 4), 5004u);
  EXPECT_EQ(dst.Pixel(1, 1), 0xFF000000u);
  EXPECT_EQ(s.prepared, 1);
  EXPECT_EQ(s.finalized, 1);
  reports.clear();
  r.UpdateRowCount = 1;
  r.Rasterize(&dst, dst.BoundsRect(), info);
  EXPECT_EQ(reports.size(), 6u);  // one per row and the final one
  // a failing sampler: update count restored, sampler finalised, written rows stay
  s.throwAtRow = 3;
  s.touch = &dst;
  dst.Clear(0xFF000000u);
  EXPECT_THROW(r.Rasterize(&dst, dst.BoundsRect(), info), std::runtime_error);
  EXPECT_EQ(dst.UpdateCount(), 0);
  EXPECT_EQ(s.finalized, 3);
  EXPECT_EQ(dst.Pixel(0, 2), 2u);
  EXPECT_EQ(dst.Pixel(0, 3), 0xFF000000u);
  // transparent and custom-without-callback modes from the source bitmap
  s.throwAtRow = -1;
  s.coded = false;
  s.color = 0x12345678u;
  TBitmap32 src;
  src.SetDrawMode(TDrawMode::dmTransparent);
  src.SetOuterColor(0x12345678u);
  dst.Clear(0xFF000000u);
  r.Rasterize(&dst, dst.BoundsRect(), &src);
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u);
  src.SetDrawMode(TDrawMode::dmCustom);
  r.Rasterize(&dst, dst.BoundsRect(), &src);
  EXPECT_EQ(dst.Pixel(0, 0), 0x12345678u);
  // blend and merge with master alpha go through the Ex routines
  src.SetDrawMode(TDrawMode::dmBlend);
  src.SetCombineMode(TCombineMode::cmMerge);
  src.SetMasterAlpha(200);
  s.color = 0x80FF0000u;
  dst.Clear(0xFF0000FFu);
  r.Rasterize(&dst, dst.BoundsRect(), &src);
  EXPECT_EQ(dst.Pixel(3, 3), MergeRegEx(0x80FF0000u, 0xFF0000FFu, 200));
}

TEST(Remap, ZeroMapIsTheIdentityOnTheIntegerPath) {
  const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {37, 23}, {640, 480}};
  for (const auto& s : sizes) {
    TBitmap32 src, dst;
    src.SetSize(s[0], s[1]);
    FillCoded(src);
    dst.SetSize(s[0], s[1]);
    auto t = Remap(src, dst);
    Transform(&dst, &src, t.get());
    for (int y = 0; y < s[1]; ++y)
      for (int x = 0; x < s[0]; ++x) ASSERT_EQ(dst.Pixel(x, y), src.Pixel(x, y)) << s[0] << "x" << s[1] << " " << x << "," << y;
  }
}

TEST(Remap, ConstantVectorShiftsByOnePixel) {
  for (int w : {5, 64, 333}) {
    TBitmap32 src, dst;
    src.SetSize(w, 17);
    FillCoded(src);
    src.SetOuterColor(0x00ABCDEFu);
    dst.SetSize(w, 17);
    auto t = Remap(src, dst);
    TVectorMap* m = t->VectorMap();
    for (int y = 0; y < m->Height(); ++y)
      for (int x = 0; x < m->Width(); ++x) m->SetFixedVector(x, y, {FixedOne, 0});
    Transform(&dst, &src, t.get());
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(dst.Pixel(x, y), x + 1 < w ? src.Pixel(x + 1, y) : 0x00ABCDEFu) << w << " " << x << "," << y;
    // Scale (0, 0) ignores the vectors
    t->Scale(0, 0);
    Transform(&dst, &src, t.get());
    for (int x = 0; x < w; ++x) ASSERT_EQ(dst.Pixel(x, 3), src.Pixel(x, 3));
  }
}

TEST(Remap, FixedAndFloatPathsAreCloseToTheIdentity) {
  TBitmap32 src, dst;
  src.SetSize(50, 40);
  dst.SetSize(50, 40);
  auto t = Remap(src, dst);
  t->PrepareTransform();
  for (int y = 0; y < 40; y += 3)
    for (int x = 0; x < 50; x += 7) {
      const TFixedPoint f = t->ReverseTransform(TFixedPoint{Fixed(x) + 0x4000, Fixed(y)});
      EXPECT_NEAR(f.X, Fixed(x) + 0x4000, 64);
      EXPECT_NEAR(f.Y, Fixed(y), 64);
      const TFloatPoint g = t->ReverseTransform(TFloatPoint{x + 0.25f, y + 0.5f});
      EXPECT_NEAR(g.X, x + 0.25f, 1e-3);
      EXPECT_NEAR(g.Y, y + 0.5f, 1e-3);
    }
  // a vector of (1, 0) moves the sample by SrcRect width / MappingRect width
  t->SetMappingRect(FloatRect(0, 0, 25, 40));
  t->VectorMap()->SetFixedVector(10, 10, {FixedOne, 0});
  const TFloatPoint p = t->ReverseTransform(TFloatPoint{10.0f, 10.0f});
  EXPECT_NEAR(p.X, 22.0f, 0.02f);
  EXPECT_FALSE(t->HasTransformedBounds());
  EXPECT_EQ(t->GetTransformedBounds(), (TRect{-2147483647, -2147483647, 2147483647, 2147483647}));
}

TEST(Remap, BadInput) {
  TBitmap32 src, dst;
  src.SetSize(8, 8);
  dst.SetSize(8, 8);
  TRemapTransformation t;
  t.SetMappingRect(FloatRect(dst.BoundsRect()));
  t.SetSrcRect(FloatRect(3, 3, 3, 9));  // accepted here ...
  EXPECT_THROW(
      {
        try {
          Transform(&dst, &src, &t);  // ... raised at the first sampling
        } catch (const ERasterException& e) {
          EXPECT_STREQ(e.what(), "SrcRect is empty!");
          throw;
        }
      },
      ERasterException);
  EXPECT_FALSE(t.TransformValid());
  t.SetSrcRect(FloatRect(src.BoundsRect()));
  t.SetMappingRect(FloatRect(0, 0, 0, 0));
  EXPECT_THROW(Transform(&dst, &src, &t), ERasterException);
  // a map much smaller than the destination is read through its clipped form: a 2 x 2 map over
  // 8 x 8 has one cell, grid scale 1/8 and source scale 8, so (1, 1) with the vector (3, 3) reads
  // ((1 + 3) / 8) x 8 = 4, 4; every point outside the map sees the zero vector and itself
  FillCoded(src);
  dst.Clear(0x11223344u);
  t.SetMappingRect(FloatRect(dst.BoundsRect()));
  t.VectorMap()->SetSize(2, 2);
  t.VectorMap()->SetFixedVector(1, 1, {Fixed(3), Fixed(3)});
  Transform(&dst, &src, &t);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(dst.Pixel(x, y), x == 1 && y == 1 ? src.Pixel(4, 4) : src.Pixel(x, y)) << x << "," << y;
  t.SetVectorMap(nullptr);
  EXPECT_NE(t.VectorMap(), nullptr);
  EXPECT_THROW(Transform(nullptr, &src, &t), EBitmapException);
  EXPECT_THROW(Transform(&dst, nullptr, &t), EBitmapException);
  TTransformation base;
  TFloat x, y;
  try {
    base.ReverseTransformFloat(1, 1, x, y);
    FAIL();
  } catch (const ETransformNotImplemented& e) {
    EXPECT_STREQ(e.what(), "Reverse transformation is not implemented in TTransformation.");
  }
  EXPECT_THROW(base.TransformFloat(1, 1, x, y), ETransformNotImplemented);
  // rendering into an empty or a measured destination
  TBitmap32 empty;
  Transform(&empty, &src, &t);
  EXPECT_TRUE(empty.Empty());
  std::vector<TRect> measured;
  dst.Clear(0x11223344u);
  dst.BeginMeasuring([&measured](TBitmap32*, const TRect& r, std::uint32_t) { measured.push_back(r); });
  Transform(&dst, &src, &t);
  dst.EndMeasuring();
  ASSERT_EQ(measured.size(), 1u);
  EXPECT_EQ(measured[0], dst.BoundsRect());  // the area it would have drawn ...
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.Pixel(x, y), 0x11223344u);  // ... and not a pixel drawn
}

TEST(Remap, ThinPicturesThroughEveryResampler) {
  // A flat 0xFF404040 picture one pixel wide or high (or both), drawn through a remap whose map
  // has the picture's size: zero everywhere, half a pixel right and down at (0, 0). The map's
  // grid scales cancel, so every other point maps to itself. Each output pixel is worked out
  // from the resamplers' edge rules (outer colour 0):
  // - nearest rounds halves down (FixedRound), so the shifted (0, 0) still reads pixel (0, 0);
  // - linear and draft read bilinearly and give the outer colour anywhere past the last column
  //   or row unless exactly on it: the shifted (0, 0) lies past it;
  // - the box kernel cut to the picture reads pixel (0, 0) at half a pixel past it.
  // The 3 x 3 super sampler adds sub-samples at -1/3, 0 and +1/3 of a pixel; the vector of
  // (0, 0) fades out over its cell, reaching only sub-samples with both offsets >= 0 in pixel
  // (0, 0) and the -1/3 ones of its neighbours. Counted per pixel, the sub-samples that read
  // the picture rather than the outer colour:
  // - nearest and kernel: all 9, but in pixel (0, 0) the ones shifted by more than half a
  //   pixel across the thin side miss: (1/3, 0) and (1/3, 1/3) for a column (shifted by 1/2
  //   and 1/3 to 5/6 and 2/3), the mirror pair for a row, and for 1 x 1 also (0, 1/3);
  // - linear and draft: only the sub-samples exactly on the thin column (or row) hit it, 3 of
  //   9; the last pixel along the long side loses its +1/3 row (2), pixel 1 its -1/3 row to
  //   the vector (2), pixel (0, 0) all.
  // A pixel with k hits of 9 is (k x channel + 4) div 9 per channel: the average rounds.
  struct Case {
    const char* resampler;
    int w, h;
    std::vector<int> plainHits;  // 1: the picture's colour, 0: the outer colour
    std::vector<int> superHits;  // of 9 sub-samples
  };
  const std::vector<int> flat9(9, 1);
  const Case cases[] = {
      {"TNearestResampler", 1, 9, flat9, {7, 9, 9, 9, 9, 9, 9, 9, 9}},
      {"TNearestResampler", 9, 1, flat9, {7, 9, 9, 9, 9, 9, 9, 9, 9}},
      {"TNearestResampler", 1, 1, {1}, {6}},
      {"TLinearResampler", 1, 9, {0, 1, 1, 1, 1, 1, 1, 1, 1}, {0, 2, 3, 3, 3, 3, 3, 3, 2}},
      {"TLinearResampler", 9, 1, {0, 1, 1, 1, 1, 1, 1, 1, 1}, {0, 2, 3, 3, 3, 3, 3, 3, 2}},
      {"TLinearResampler", 1, 1, {0}, {0}},
      {"TDraftResampler", 1, 9, {0, 1, 1, 1, 1, 1, 1, 1, 1}, {0, 2, 3, 3, 3, 3, 3, 3, 2}},
      {"TDraftResampler", 9, 1, {0, 1, 1, 1, 1, 1, 1, 1, 1}, {0, 2, 3, 3, 3, 3, 3, 3, 2}},
      {"TDraftResampler", 1, 1, {0}, {0}},
      {"TKernelResampler", 1, 9, flat9, {7, 9, 9, 9, 9, 9, 9, 9, 9}},
      {"TKernelResampler", 9, 1, flat9, {7, 9, 9, 9, 9, 9, 9, 9, 9}},
      {"TKernelResampler", 1, 1, {1}, {6}},
  };
  auto ofHits = [](int k, int of) {
    const auto part = [k, of](std::uint32_t c) { return (static_cast<std::uint32_t>(k) * c + of / 2) / of; };
    const TColor32 v = part(0x40);
    return part(0xFF) << 24 | v << 16 | v << 8 | v;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.resampler) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
    TBitmap32 src, dst;
    src.SetSize(c.w, c.h);
    src.Clear(0xFF404040u);
    src.SetResamplerClassName(c.resampler);
    ASSERT_EQ(src.OuterColor(), 0u);
    dst.SetSize(c.w, c.h);
    dst.Clear(0x11223344u);  // every pixel must be written
    auto t = Remap(src, dst);
    t->VectorMap()->SetFixedVector(0, 0, {0x8000, 0x8000});
    Transform(&dst, &src, t.get());
    for (int i = 0; i < c.w * c.h; ++i)
      EXPECT_EQ(dst.Pixel(i % c.w, i / c.w), c.plainHits[std::size_t(i)] ? 0xFF404040u : 0u) << "plain, pixel " << i;
    dst.Clear(0x11223344u);
    TSuperSampler ss(nullptr);
    TTransformer tr(src.Resampler(), t.get());
    ss.SetSampler(&tr);
    ss.SetSamplingX(3);
    ss.SetSamplingY(3);
    TRegularRasterizer r;
    r.SetSampler(&ss);
    r.Rasterize(&dst, dst.BoundsRect(), &src);
    for (int i = 0; i < c.w * c.h; ++i)
      EXPECT_EQ(dst.Pixel(i % c.w, i / c.w), ofHits(c.superHits[std::size_t(i)], 9)) << "3 x 3, pixel " << i;
  }
}

TEST(Remap, SetBorderTransparent) {
  TBitmap32 b;
  b.SetSize(6, 5);
  b.Clear(0xFF102030u);
  int changes = 0;
  b.OnChange = [&changes](TNotifiablePersistent*) { ++changes; };
  SetBorderTransparent(&b, TRect{2, 0, 3, 5});  // a rectangle one pixel wide: one column
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(b.Pixel(2, y), 0x00102030u);
    EXPECT_EQ(b.Pixel(1, y), 0xFF102030u);
    EXPECT_EQ(b.Pixel(3, y), 0xFF102030u);
  }
  EXPECT_EQ(changes, 1);
  b.SetClipRect({0, 0, 2, 2});
  SetBorderTransparent(&b, TRect{4, 3, 6, 5});  // outside the clip rectangle: nothing
  EXPECT_EQ(b.Pixel(4, 3), 0xFF102030u);
  EXPECT_EQ(changes, 1);
  b.ResetClipRect();
  SetBorderTransparent(&b, TRect{-10, -10, 100, 100});
  EXPECT_EQ(b.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(b.Pixel(5, 4) >> 24, 0u);
  EXPECT_EQ(b.Pixel(3, 2) >> 24, 255u);
}

TEST(Remap, WideRowPathsMatchTheSampleOfEachPixel) {
  // Random vectors (some far outside), a map smaller than the destination, a clipped source and
  // a merge with master alpha: the band and row paths give exactly the per-pixel samples.
  std::mt19937 rng(9);
  for (int round = 0; round < 6; ++round) {
    TBitmap32 src, dst, expect;
    src.SetSize(50 + round * 7, 40);
    FillCoded(src);
    src.SetOuterColor(0x7F00FF00u);
    if (round % 2) src.SetClipRect({3, 2, 40, 33});
    if (round >= 3) {
      src.SetDrawMode(TDrawMode::dmBlend);
      src.SetCombineMode(TCombineMode::cmMerge);
      src.SetMasterAlpha(round == 5 ? 255 : 180);
      for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) src.SetPixel(x, y, (src.Pixel(x, y) & 0xFFFFFF) | (rng() & 0xFF000000u));
    }
    dst.SetSize(70, 45);
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 70; ++x) dst.SetPixel(x, y, rng());
    expect.Assign(&dst);
    TRemapTransformation t;
    t.VectorMap()->SetSize(src.Width() - 5, src.Height() - 3);
    for (int y = 0; y < t.VectorMap()->Height(); ++y)
      for (int x = 0; x < t.VectorMap()->Width(); ++x)
        t.VectorMap()->SetFixedVector(
            x, y,
            round == 4 ? TFixedVector{static_cast<TFixed>(rng()), static_cast<TFixed>(rng())}  // any 32-bit value
                       : TFixedVector{static_cast<TFixed>(rng() % 0x100000) - 0x80000,
                                      static_cast<TFixed>(rng() % 0x100000) - 0x80000});
    t.VectorMap()->SetFixedVector(0, 0, {Fixed(5000), Fixed(-5000)});
    t.SetSrcRect(FloatRect(src.BoundsRect()));
    t.SetMappingRect(FloatRect(0, 0, 70, 45));
    t.Scale(round == 2 ? 2.5f : 1.0f, 1.0f);
    Transform(&dst, &src, &t);
    TNearestTransformer one(src.Resampler(), &t);
    one.PrepareSampling();
    const TBlendMemEx blend = BLEND_MEM_EX[static_cast<int>(src.CombineMode())];
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 70; ++x) {
        const TColor32 c = one.GetSampleInt(x, y);
        TColor32& d = *expect.PixelPtr(x, y);
        if (src.DrawMode() == TDrawMode::dmBlend)
          blend(c, d, src.MasterAlpha());
        else
          d = c;
        ASSERT_EQ(dst.Pixel(x, y), d) << round << " " << x << "," << y;
      }
  }
}

TEST(Remap, BandsReportRowsAsTheRowPathDoes) {
  TBitmap32 src, dst;
  src.SetSize(30, 37);
  FillCoded(src);
  dst.SetSize(30, 37);
  auto t = Remap(src, dst);
  std::vector<TRect> reports;
  dst.OnAreaChanged = [&reports](TBitmap32*, const TRect& r, std::uint32_t) { reports.push_back(r); };
  TRegularRasterizer r;
  r.UpdateRowCount = 1;
  Transform(&dst, &src, t.get(), &r);
  ASSERT_EQ(reports.size(), 37u + 1u + 1u);  // each row, the rasterizer's end, Transform's own
  // each report lags one row behind the row just written, as the row path does
  for (int j = 0; j < 37; ++j) EXPECT_EQ(reports[static_cast<std::size_t>(j)], (TRect{0, j - 1, 30, j}));
  EXPECT_EQ(r.Sampler(), nullptr);  // the transformer is gone again
}

TEST(Remap, WideAndPlainRowFormsGiveTheSameBits) {
  // The row read at the detected level (the wide form where the processor has it) against the
  // plain form, on random maps: runs of every length and start, points far outside, clipped and
  // empty clip rectangles, scaled vectors and maps smaller than the destination.
  struct Restore {
    ~Restore() { SetRoutineLevel(DetectedRoutineLevel()); }
  } restore;
  std::mt19937 rng(25);
  for (int round = 0; round < 8; ++round) {
    TBitmap32 src;
    src.SetSize(40 + round * 13, 30 + round * 5);
    FillCoded(src);
    src.SetOuterColor(0x12345678u);
    if (round % 3 == 1) src.SetClipRect({5, 3, src.Width() - 7, src.Height() - 4});
    if (round == 6) src.SetClipRect({-10, -10, -1, -1});  // outside: nothing is inside
    TRemapTransformation t;
    t.VectorMap()->SetSize(src.Width() - round, src.Height() - round / 2);
    for (int y = 0; y < t.VectorMap()->Height(); ++y)
      for (int x = 0; x < t.VectorMap()->Width(); ++x) {
        const TFixed range = round == 5 ? 0 : (round % 2 ? 0x200000 : 0x60000);
        if (round == 0) {  // half pixels: the rounding of exact halves
          t.VectorMap()->SetFixedVector(x, y, {static_cast<TFixed>(rng() % 9) * 0x8000 - 0x20000,
                                               static_cast<TFixed>(rng() % 9) * 0x8000 - 0x20000});
          continue;
        }
        t.VectorMap()->SetFixedVector(
            x, y,
            range == 0 ? TFixedVector{static_cast<TFixed>(rng()), static_cast<TFixed>(rng())}
                       : TFixedVector{static_cast<TFixed>(rng() % static_cast<std::uint32_t>(2 * range)) - range,
                                      static_cast<TFixed>(rng() % static_cast<std::uint32_t>(2 * range)) - range});
      }
    t.SetSrcRect(FloatRect(0, 0, static_cast<float>(t.VectorMap()->Width() - 1),
                           static_cast<float>(t.VectorMap()->Height() - 1)));
    t.SetMappingRect(FloatRect(0, 0, static_cast<float>(t.VectorMap()->Width() + round - 1),
                               static_cast<float>(t.VectorMap()->Height() - 1)));
    t.Scale(round == 4 ? 1.75f : 1.0f, round == 7 ? -0.5f : 1.0f);
    t.PrepareTransform();
    const int width = src.Width() + 2 * round + 9;
    for (int y = -2; y < src.Height() + 2; ++y)
      for (int start : {-11, 0, 3}) {
        const int count = width - start - static_cast<int>(rng() % 9);
        std::vector<TColor32> wide(static_cast<std::size_t>(count)), plain(static_cast<std::size_t>(count));
        SetRoutineLevel(DetectedRoutineLevel());
        t.ReverseTransformRowReadS(start, y, count, src, wide.data());
        SetRoutineLevel(TRoutineLevel::Plain);
        t.ReverseTransformRowReadS(start, y, count, src, plain.data());
        ASSERT_EQ(wide, plain) << round << " row " << y << " from " << start;
        // and each point is the clipped read of its own reverse transform
        for (int i = 0; i < count; i += 7) {
          std::int32_t sx = 0, sy = 0;
          t.ReverseTransformInt(start + i, y, sx, sy);
          ASSERT_EQ(plain[static_cast<std::size_t>(i)], src.PixelS(sx, sy)) << round << " " << start + i << "," << y;
        }
      }
  }
}

TEST(Remap, WholePictureIsTheSameAtEveryLevel) {
  struct Restore {
    ~Restore() { SetRoutineLevel(DetectedRoutineLevel()); }
  } restore;
  TBitmap32 src;
  src.SetSize(203, 97);
  FillCoded(src);
  src.SetDrawMode(TDrawMode::dmBlend);
  src.SetCombineMode(TCombineMode::cmMerge);
  auto t = Remap(src, src);
  std::mt19937 rng(7);
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      t->VectorMap()->SetFixedVector(x, y, {static_cast<TFixed>(rng() % 0x140000) - 0xA0000,
                                            static_cast<TFixed>(rng() % 0x140000) - 0xA0000});
  std::vector<std::vector<TColor32>> results;
  for (TRoutineLevel level : {TRoutineLevel::Plain, TRoutineLevel::Mmx, TRoutineLevel::Sse2}) {
    SetRoutineLevel(level);
    TBitmap32 dst;
    dst.SetSize(src.Width(), src.Height());
    dst.Clear(0xFF203040u);
    Transform(&dst, &src, t.get());
    results.emplace_back(dst.Bits(), dst.Bits() + static_cast<std::ptrdiff_t>(dst.Width()) * dst.Height());
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
}
