// Transfers, resamplers, kernels and the kernel resampler.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "Bitmap32.h"
#include "Kernels.h"
#include "RasterSystem.h"
#include "Resamplers.h"
#include "Transfer.h"

using namespace kalvora::raster;

namespace {

const char* const kResamplers[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler", "TKernelResampler"};

void FillRandom(TBitmap32& b, unsigned seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, rng() | 0xFF000000u);
}

std::vector<std::unique_ptr<TCustomKernel>> AllKernels() {
  std::vector<std::unique_ptr<TCustomKernel>> v;
  const auto& list = KernelList();
  for (int i = 0; i < list.Count(); ++i) v.emplace_back(list[i].create());
  return v;
}

}  // namespace

TEST(Transfer, EqualSizesNeverScale) {
  for (const char* name : kResamplers) {
    TBitmap32 src, dst;
    src.SetSize(7, 5);
    FillRandom(src, 3);
    src.SetResamplerClassName(name);
    dst.SetSize(7, 5);
    src.DrawTo(&dst, TRect{0, 0, 7, 5});
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(dst.Pixel(x, y), src.Pixel(x, y)) << name;
    // offset and clipped by the destination
    dst.Clear(0);
    src.DrawTo(&dst, 3, -2);
    EXPECT_EQ(dst.Pixel(3, 0), src.Pixel(0, 2));
    EXPECT_EQ(dst.Pixel(6, 2), src.Pixel(3, 4));
    EXPECT_EQ(dst.Pixel(2, 0), 0u);
  }
}

TEST(Transfer, OnePixelSourceFillsTheDestination) {
  for (const char* name : kResamplers) {
    TBitmap32 src, dst;
    src.SetSize(1, 1);
    src.Clear(0xFF336699u);
    src.SetResamplerClassName(name);
    dst.SetSize(10, 10);
    src.DrawTo(&dst, TRect{0, 0, 10, 10});
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) ASSERT_EQ(dst.Pixel(x, y), 0xFF336699u) << name;
  }
}

TEST(Transfer, NearestColumnMapStaysInsideTheSourceRectangle) {
  TBitmap32 src;
  src.SetSize(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) src.SetPixel(x, y, 0xFF000000u | static_cast<TColor32>(x << 8 | y));
  for (int sw = 1; sw <= 13; sw += 3)
    for (int dw = 1; dw <= 29; dw += 4) {
      const TRect srcRect{5, 7, 5 + sw, 7 + sw + 1};
      TBitmap32 dst;
      dst.SetSize(dw + 2, dw + 2);
      StretchTransfer(&dst, TRect{1, 1, 1 + dw, 1 + dw}, dst.BoundsRect(), &src, srcRect, src.Resampler(),
                      TDrawMode::dmOpaque, {});
      for (int y = 0; y < dw; ++y)
        for (int x = 0; x < dw; ++x) {
          const TColor32 c = dst.Pixel(1 + x, 1 + y);
          const int sx = static_cast<int>((c >> 8) & 0xFF), sy = static_cast<int>(c & 0xFF);
          const int wantX = dw < 2 ? (srcRect.Left + srcRect.Right - 1) / 2 : srcRect.Left + x * sw / dw;
          const int wantY = dw < 2 ? (srcRect.Top + srcRect.Bottom - 1) / 2 : srcRect.Top + y * (sw + 1) / dw;
          ASSERT_EQ(sx, wantX) << sw << " " << dw;
          ASSERT_EQ(sy, wantY) << sw << " " << dw;
        }
    }
}

TEST(Transfer, DrawModesAndBadInput) {
  TBitmap32 src, dst;
  src.SetSize(4, 4);
  src.Clear(0x80FFFFFFu);
  dst.SetSize(8, 8);
  dst.Clear(0xFF000000u);
  int reports = 0;
  dst.OnAreaChanged = [&reports](TBitmap32*, const TRect&, std::uint32_t) { ++reports; };
  src.SetDrawMode(TDrawMode::dmBlend);
  src.SetMasterAlpha(0);
  src.DrawTo(&dst, TRect{0, 0, 8, 8});
  EXPECT_EQ(dst.Pixel(3, 3), 0xFF000000u);  // nothing drawn ...
  // (a master alpha of 0 stops before the report as well)
  src.SetMasterAlpha(255);
  src.DrawTo(&dst, TRect{0, 0, 4, 4});
  EXPECT_EQ(dst.Pixel(1, 1), BlendReg(0x80FFFFFFu, 0xFF000000u));
  EXPECT_GE(reports, 1);
  // transparent: pixels of the outer colour are left alone
  src.SetDrawMode(TDrawMode::dmTransparent);
  src.SetOuterColor(0x80FFFFFFu);
  src.SetPixel(0, 0, 0xFF00FF00u);
  dst.Clear(0xFF000000u);
  src.DrawTo(&dst, TRect{0, 0, 8, 8});
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(dst.Pixel(5, 5), 0xFF000000u);
  // custom without callback is opaque; with one, the callback decides
  src.SetDrawMode(TDrawMode::dmCustom);
  src.DrawTo(&dst, TRect{0, 0, 4, 4});
  EXPECT_EQ(dst.Pixel(1, 1), 0x80FFFFFFu);
  src.OnPixelCombine = [](TColor32, TColor32& b, TColor32) { b = 0xFF123456u; };
  src.DrawTo(&dst, TRect{0, 0, 8, 8});
  EXPECT_EQ(dst.Pixel(7, 7), 0xFF123456u);
  // empty source rectangle: nothing, no error; one reaching outside the source: an error
  src.SetDrawMode(TDrawMode::dmOpaque);
  dst.Clear(0);
  StretchTransfer(&dst, TRect{0, 0, 8, 8}, dst.ClipRect(), &src, TRect{2, 2, 2, 4}, nullptr, TDrawMode::dmOpaque, {});
  EXPECT_EQ(dst.Pixel(0, 0), 0u);
  EXPECT_THROW(StretchTransfer(&dst, TRect{0, 0, 8, 8}, dst.ClipRect(), &src, TRect{-1, 0, 4, 4}, nullptr,
                               TDrawMode::dmOpaque, {}),
               ESrcInvalidException);
  EXPECT_THROW(StretchNearest(&dst, TRect{0, 0, 8, 8}, dst.ClipRect(), &src, TRect{0, 0, 5, 4}, TDrawMode::dmOpaque, {}),
               ERasterException);
  EXPECT_THROW(src.DrawTo(nullptr, TRect{0, 0, 3, 3}), EBitmapException);
  EXPECT_THROW(StretchTransfer(&dst, TRect{0, 0, 3, 3}, dst.ClipRect(), nullptr, TRect{0, 0, 1, 1}, nullptr,
                               TDrawMode::dmOpaque, {}),
               EBitmapException);
  // a destination rectangle wholly outside, or a clip outside, draws nothing
  src.DrawTo(&dst, TRect{100, 100, 120, 130});
  dst.SetClipRect({50, 50, 60, 60});
  src.DrawTo(&dst, TRect{0, 0, 16, 16});
  EXPECT_EQ(dst.Pixel(0, 0), 0u);
  TBitmap32 empty;
  src.DrawTo(&empty, TRect{0, 0, 3, 3});
  empty.DrawTo(&dst, TRect{0, 0, 3, 3});
}

TEST(Transfer, ThinBitmapsThroughEveryResampler) {
  const int sizes[][2] = {{1, 7}, {7, 1}, {1, 1}, {2, 9}, {9, 2}};
  const TRect dests[] = {{0, 0, 20, 20}, {0, 0, 1, 20}, {0, 0, 20, 1}, {0, 0, 3, 3}, {-5, -5, 2, 40}, {0, 0, 1, 1}};
  for (const char* name : kResamplers)
    for (const auto& s : sizes)
      for (const TRect& d : dests) {
        TBitmap32 src, dst;
        src.SetSize(s[0], s[1]);
        src.Clear(0xFF808080u);
        src.SetResamplerClassName(name);
        dst.SetSize(20, 20);
        src.DrawTo(&dst, d);
        ASSERT_EQ(dst.Pixel(0, 0), 0xFF808080u) << name << " " << s[0] << "x" << s[1];
        // and thin destinations from a larger source
        TBitmap32 big;
        big.SetSize(30, 30);
        big.Clear(0xFF808080u);
        big.SetResamplerClassName(name);
        TBitmap32 thin;
        thin.SetSize(s[0], s[1]);
        big.DrawTo(&thin, thin.BoundsRect());
        ASSERT_EQ(thin.Pixel(s[0] - 1, s[1] - 1), 0xFF808080u) << name;
        // samples at and beyond the edges
        auto* r = src.Resampler();
        r->PrepareSampling();
        for (float p : {-2.0f, -0.5f, 0.0f, 0.49f, 6.5f, 8.0f, 1e12f}) {
          (void)r->GetSampleFloat(p, p);
          (void)r->GetSampleFixed(Fixed(p), Fixed(-p));
          (void)r->GetSampleInt(static_cast<int>(p > 1e6f ? 1e6f : p), 0);
        }
        r->FinalizeSampling();
      }
}

TEST(Transfer, ResampleSumsAreExact) {
  // one row 0, 100, 200, 40 halved with the linear kernel:
  // weights (32, 96, 96, 32) at (0, 0, 1, 2) and (32, 96, 96, 32) at (1, 2, 3, 3)
  TBitmap32 src, dst;
  src.SetSize(4, 1);
  const int values[] = {0, 100, 200, 40};
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, Gray32(static_cast<std::uint8_t>(values[x]), 255));
  dst.SetSize(2, 1);
  TLinearKernel kernel;
  Resample(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), &kernel, TDrawMode::dmOpaque, {});
  EXPECT_EQ(dst.Pixel(0, 0), Gray32(62, 255));   // 16000 / 256 = 62.5, truncated
  EXPECT_EQ(dst.Pixel(1, 0), Gray32(107, 255));  // 27520 / 256 = 107.5
  const TMappingTable t = BuildMappingTable(0, 2, 0, 2, 0, 4, &kernel);
  ASSERT_EQ(t.size(), 2u);
  ASSERT_EQ(t[0].size(), 4u);
  EXPECT_EQ(t[0][0].Pos, 0);
  EXPECT_EQ(t[0][0].Weight, 32);
  EXPECT_EQ(t[0][1].Weight, 96);
  EXPECT_EQ(t[1][3].Pos, 3);
}

TEST(Kernels, WeightsSumTo256AndAreSymmetric) {
  for (auto& kernel : AllKernels()) {
    const std::string name = kernel->ClassName();
    // symmetric with the default parameters
    for (float x = 0.0f; x <= 3.0f; x += 0.125f) EXPECT_NEAR(kernel->Filter(x), kernel->Filter(-x), 1e-6) << name << " " << x;
    // mapping tables: every cluster sums to 256 and stays inside the source
    for (int dst : {1, 2, 3, 7, 16, 40, 100})
      for (int src : {2, 3, 5, 16, 41}) {
        const TMappingTable t = BuildMappingTable(0, dst, 0, dst, 3, 3 + src, kernel.get());
        ASSERT_EQ(static_cast<int>(t.size()), dst);
        for (const TCluster& c : t) {
          int sum = 0;
          for (const TPointRec& p : c) {
            sum += p.Weight;
            ASSERT_GE(p.Pos, 3);
            ASSERT_LT(p.Pos, 3 + src);
          }
          ASSERT_EQ(sum, 256) << name << " " << src << "->" << dst;
        }
      }
  }
  TCubicKernel cubic;
  EXPECT_FLOAT_EQ(cubic.Filter(0), 1.0f);
  EXPECT_FLOAT_EQ(cubic.Filter(0.5f), 0.5625f);
  EXPECT_FLOAT_EQ(cubic.Filter(1.0f), 0.0f);
  EXPECT_FLOAT_EQ(cubic.Filter(1.5f), -0.0625f);
  TBoxKernel box;
  EXPECT_EQ(box.Filter(0.5f), 1.0f);
  EXPECT_EQ(box.Filter(0.51f), 0.0f);
  TLinearKernel lin;
  EXPECT_EQ(lin.Filter(-0.25f), 0.75f);
  EXPECT_EQ(lin.Filter(1.0f), 0.0f);
}

TEST(Kernels, ConstantPictureStaysConstantWithEveryKernel) {
  const auto& list = KernelList();
  for (int i = 0; i < list.Count(); ++i) {
    TBitmap32 src;
    src.SetSize(13, 9);
    src.Clear(0xC8649632u);
    auto* r = new TKernelResampler(&src);
    r->SetKernelClassName(list[i].name);
    EXPECT_EQ(r->KernelClassName(), list[i].name);
    for (const TRect& d : {TRect{0, 0, 31, 17}, TRect{0, 0, 5, 4}, TRect{0, 0, 13, 30}}) {
      TBitmap32 dst;
      dst.SetSize(d.Right, d.Bottom);
      src.DrawTo(&dst, d);
      for (int y = 0; y < d.Bottom; ++y)
        for (int x = 0; x < d.Right; ++x) ASSERT_EQ(dst.Pixel(x, y), 0xC8649632u) << list[i].name;
    }
    for (TKernelMode mode : {TKernelMode::kmDynamic, TKernelMode::kmTableNearest, TKernelMode::kmTableLinear}) {
      r->SetKernelMode(mode);
      r->SetPixelAccessMode(TPixelAccessMode::pamWrap);
      r->PrepareSampling();
      std::mt19937 rng(5);
      for (int k = 0; k < 200; ++k) {
        const float x = static_cast<float>(rng() % 1300) / 100.0f - 1.0f, y = static_cast<float>(rng() % 900) / 100.0f;
        ASSERT_EQ(r->GetSampleFloat(x, y), 0xC8649632u) << list[i].name << " " << x << "," << y;
      }
      r->FinalizeSampling();
    }
  }
}

TEST(Kernels, KernelResamplerDetails) {
  TBitmap32 b;
  b.SetSize(6, 6);
  FillRandom(b, 11);
  b.SetOuterColor(0x11223344u);
  auto* r = new TKernelResampler(&b);
  EXPECT_EQ(r->KernelClassName(), "TBoxKernel");
  r->SetTableSize(1);
  EXPECT_EQ(r->TableSize(), 2);
  for (TKernelMode mode : {TKernelMode::kmDynamic, TKernelMode::kmTableNearest, TKernelMode::kmTableLinear}) {
    r->SetKernelMode(mode);
    r->PrepareSampling();
    if (mode != TKernelMode::kmDynamic) {
      ASSERT_NE(r->WeightTable(), nullptr);
      EXPECT_EQ(r->WeightTable()->Height(), 3);  // fractions 0, 1 and 2
      for (int row = 0; row < 3; ++row) {
        int sum = 0;
        for (int c = 0; c < r->WeightTable()->Width(); ++c) sum += r->WeightTable()->Value(c, row);
        EXPECT_EQ(sum, 256);
      }
    }
    // on a pixel centre the box kernel returns the pixel
    EXPECT_EQ(r->GetSampleFloat(2.0f, 3.0f), b.Pixel(2, 3));
    EXPECT_EQ(r->GetSampleInt(5, 0), b.Pixel(5, 0));
    // left of the clip rectangle: the outer colour
    EXPECT_EQ(r->GetSampleFloat(-1.5f, 2.0f), 0x11223344u);
    EXPECT_EQ(r->GetSampleFloat(2.0f, 7.5f), 0x11223344u);
    r->FinalizeSampling();
  }
  r->SetKernelClassName("TNoKernel");
  EXPECT_EQ(r->KernelClassName(), "TBoxKernel");
  r->SetKernelClassName("TCubicKernel");
  auto* cubic = dynamic_cast<TCubicKernel*>(r->Kernel());
  ASSERT_NE(cubic, nullptr);
  EXPECT_FLOAT_EQ(cubic->Coeff(), -0.5f);
  // sampling without preparing first prepares itself: the same sample as after PrepareSampling
  r->SetKernelClassName("TLanczosKernel");
  const TColor32 unprepared = r->GetSampleFloat(2.5f, 2.5f);
  r->PrepareSampling();
  EXPECT_EQ(unprepared, r->GetSampleFloat(2.5f, 2.5f));
  r->FinalizeSampling();
}

TEST(Kernels, RangeCheckClampsOvershoot) {
  // a hard black/white edge magnified with Lanczos overshoots; the clamped channels stay 0..255
  TBitmap32 src;
  src.SetSize(8, 1);
  for (int x = 0; x < 8; ++x) src.SetPixel(x, 0, x < 4 ? 0xFF000000u : 0xFFFFFFFFu);
  auto* r = new TKernelResampler(&src);
  r->SetKernelClassName("TLanczosKernel");
  TBitmap32 dst;
  dst.SetSize(64, 1);
  src.DrawTo(&dst, dst.BoundsRect());
  for (int x = 0; x < 64; ++x) {
    const int v = BlueComponent(dst.Pixel(x, 0));
    if (x < 24) {
      EXPECT_LT(v, 40) << x;  // no wrap from below 0 to near 255
    }
    if (x >= 40) {
      EXPECT_GT(v, 215) << x;  // no wrap from above 255 to near 0
    }
  }
}

TEST(Kernels, ParameterSetters) {
  TGaussianKernel g;
  int changes = 0;
  TNotifiablePersistent observer;
  observer.OnChange = [&changes](TNotifiablePersistent*) { ++changes; };
  g.Observer = &observer;
  g.SetSigma(0);  // rejected: the window would divide by it
  EXPECT_FLOAT_EQ(g.Sigma(), 1.33f);
  g.SetSigma(2.0f);
  EXPECT_FLOAT_EQ(g.Sigma(), 2.0f);
  g.SetSigma(2.0f);
  EXPECT_EQ(changes, 1);
  g.SetWidth(-1.0f);
  g.SetWidth(std::nanf(""));
  EXPECT_FLOAT_EQ(g.Width(), 3.0f);
  TSinshKernel s;
  s.SetCoeff(0);
  EXPECT_FLOAT_EQ(s.Coeff(), 0.5f);
  s.SetCoeff(0.25f);
  s.SetCoeff(1.0f);
  EXPECT_FLOAT_EQ(s.Coeff(), 1.0f);
  EXPECT_TRUE(std::isfinite(s.Filter(0.3f)));
  EXPECT_EQ(s.Filter(0.0f), 1.0f);
  ASSERT_EQ(KernelList().Count(), 13);
  EXPECT_EQ(KernelList()[6].name, "TLanczosKernel");
  EXPECT_EQ(KernelList()[12].name, "THermiteKernel");
}

TEST(Transfer, DraftAndBlockAverageRound) {
  TBitmap32 src, dst;
  src.SetSize(9, 9);
  src.Clear(0xFFFFFFFFu);
  src.SetResamplerClassName("TDraftResampler");
  dst.SetSize(3, 3);
  src.DrawTo(&dst, dst.BoundsRect());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.Pixel(x, y), 0xFFFFFFFFu);  // a white block stays 255
  const TColor32 block[4] = {0xFF000000u, 0xFF000001u, 0xFF000001u, 0xFF000001u};
  EXPECT_EQ(BlockAverage(2, 2, block, 2), 0xFF000001u);  // 0.75 rounds to 1
  // a draft reduction averages whole blocks
  src.SetSize(4, 2);
  for (int x = 0; x < 4; ++x) {
    src.SetPixel(x, 0, Gray32(static_cast<std::uint8_t>(x * 60)));
    src.SetPixel(x, 1, Gray32(static_cast<std::uint8_t>(x * 60)));
  }
  dst.SetSize(2, 1);
  src.DrawTo(&dst, dst.BoundsRect());
  EXPECT_EQ(dst.Pixel(0, 0), Gray32(30));
  EXPECT_EQ(dst.Pixel(1, 0), Gray32(150));
}

TEST(Transfer, LinearMagnificationBlendsNeighbours) {
  TBitmap32 src, dst;
  src.SetSize(2, 2);
  src.Clear(0xFF000000u);
  src.SetPixel(1, 0, 0xFFFFFFFFu);
  src.SetPixel(1, 1, 0xFFFFFFFFu);
  src.SetResamplerClassName("TLinearResampler");
  dst.SetSize(4, 4);
  src.DrawTo(&dst, dst.BoundsRect());
  // columns at source positions -0.25, 0.25, 0.75, 1.25, clamped to 0 .. 1
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(dst.Pixel(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(dst.Pixel(1, 0), CombineReg(0xFF000000u, 0xFFFFFFFFu, 192));
  EXPECT_EQ(dst.Pixel(2, 2), CombineReg(0xFF000000u, 0xFFFFFFFFu, 64));
}

TEST(Transfer, WideBilinearRowsEqualTheOnePixelForm) {
  TBitmap32 src;
  src.SetSize(23, 17);
  std::mt19937 rng(21);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 23; ++x) src.SetPixel(x, y, rng());
  for (const TRect& d : {TRect{0, 0, 61, 40}, TRect{-7, 3, 50, 90}, TRect{0, 0, 24, 18}}) {
    TBitmap32 a, b;
    a.SetSize(60, 80);
    b.SetSize(60, 80);
    SetRoutineLevel(TRoutineLevel::Mmx);
    StretchHorzStretchVertLinear(&a, d, a.BoundsRect(), &src, src.BoundsRect(), TDrawMode::dmOpaque, {});
    SetRoutineLevel(TRoutineLevel::Sse2);
    StretchHorzStretchVertLinear(&b, d, b.BoundsRect(), &src, src.BoundsRect(), TDrawMode::dmOpaque, {});
    SetRoutineLevel(DetectedRoutineLevel());
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 60; ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
  }
}

TEST(Transfer, MeasuringAndPainterTargets) {
  TBitmap32 src, dst;
  src.SetSize(4, 4);
  src.Clear(0x40FF0000u);
  dst.SetSize(8, 8);
  dst.Clear(0xFF000000u);
  std::vector<TRect> measured;
  dst.BeginMeasuring([&measured](TBitmap32*, const TRect& r, std::uint32_t) { measured.push_back(r); });
  src.DrawTo(&dst, TRect{1, 1, 7, 7});
  dst.EndMeasuring();
  ASSERT_EQ(measured.size(), 1u);
  EXPECT_EQ(measured[0], (TRect{1, 1, 7, 7}));
  EXPECT_EQ(dst.Pixel(3, 3), 0xFF000000u);
  // onto a painter the colour bytes go as they are, alpha ignored as on a screen
  QImage target(6, 6, QImage::Format_RGB32);
  target.fill(Qt::black);
  {
    QPainter p(&target);
    src.DrawTo(p, 1, 1);
  }
  EXPECT_EQ(target.pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(target.pixel(0, 0), 0xFF000000u);
}
