// Pixel access and drawing: clipped reads, lines and fills with their area reports,
// sub-pixel blending weights and anti-aliased lines.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Bitmap32.h"
#include "RasterSystem.h"

using namespace kalvora::raster;

namespace {

struct Reports {
  std::vector<std::pair<TRect, std::uint32_t>> list;
  void Watch(TBitmap32& b) {
    b.OnAreaChanged = [this](TBitmap32*, const TRect& r, std::uint32_t info) { list.emplace_back(r, info); };
  }
};

int CountNot(const TBitmap32& b, TColor32 c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) != c;
  return n;
}

}  // namespace

TEST(Draw, PixelReads) {
  TBitmap32 b;
  b.SetSize(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) b.SetPixel(x, y, 0xFF000000u | static_cast<TColor32>(y * 16 + x));
  b.SetOuterColor(0x12345678u);
  EXPECT_EQ(b.PixelS(-1, 0), 0x12345678u);
  EXPECT_EQ(b.PixelS(4, 0), 0x12345678u);
  EXPECT_EQ(b.PixelS(3, 2), 0xFF000023u);
  b.SetWrapMode(TWrapMode::wmRepeat);
  EXPECT_EQ(b.PixelW(-1, 3), 0xFF000003u);
  b.SetWrapMode(TWrapMode::wmMirror);
  EXPECT_EQ(b.PixelW(-1, 3), 0xFF000020u);
  b.SetWrapMode(TWrapMode::wmClamp);
  EXPECT_EQ(b.PixelW(100, -100), 0xFF000003u);
  // at the last column the bilinear read takes that column without interpolation
  EXPECT_EQ(b.PixelXS(Fixed(3), Fixed(1)), 0xFF000013u);
  EXPECT_EQ(b.PixelXS(Fixed(-1), Fixed(1)), 0x12345678u);
  EXPECT_EQ(b.PixelXS(Fixed(4), Fixed(1)), 0x12345678u);
  // on a pixel centre the sub-pixel read is that pixel
  EXPECT_EQ(b.PixelX(Fixed(1), Fixed(1)), 0xFF000011u);
  EXPECT_EQ(b.PixelXW(Fixed(2), Fixed(0)), 0xFF000002u);
  b.SetClipRect({10, 10, 20, 20});  // empty clip: wrapped reads give the outer colour
  EXPECT_EQ(b.PixelW(0, 0), 0x12345678u);
  EXPECT_EQ(b.PixelXW(0, 0), 0x12345678u);
  TBitmap32 empty;
  EXPECT_EQ(empty.PixelXS(0, 0), 0u);
}

TEST(Draw, LinesClipAndReport) {
  TBitmap32 b;
  b.SetSize(10, 10);
  b.Clear(0xFF000000u);
  Reports r;
  r.Watch(b);
  b.HorzLineS(8, 3, -4, 0xFFFFFFFFu);  // swapped and clipped
  ASSERT_EQ(r.list.size(), 1u);
  EXPECT_EQ(r.list[0].first, (TRect{0, 3, 8, 4}));  // the clipped ends as they are
  EXPECT_EQ(r.list[0].second, AREAINFO_RECT);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(b.Pixel(x, 3), x <= 8 ? 0xFFFFFFFFu : 0xFF000000u);
  b.HorzLineS(0, 10, 5, 0xFFFFFFFFu);  // row outside: nothing, no report
  b.HorzLineS(0, -1, 5, 0xFFFFFFFFu);
  EXPECT_EQ(r.list.size(), 1u);
  b.VertLineS(2, -5, 20, 0xFF00FF00u);
  EXPECT_EQ(r.list.back().first, (TRect{2, 0, 3, 9}));
  EXPECT_EQ(b.Pixel(2, 9), 0xFF00FF00u);
  b.VertLineS(10, 0, 5, 0xFF00FF00u);
  EXPECT_EQ(r.list.size(), 2u);
}

TEST(Draw, FramesAndFills) {
  TBitmap32 b;
  b.SetSize(5, 5);
  b.Clear(0);
  b.FrameRectS(0, 0, 1, 1, 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(b, 0), 1);
  b.Clear(0);
  b.FrameRectS(0, 0, 3, 3, 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(b, 0), 8);
  EXPECT_EQ(b.Pixel(1, 1), 0u);
  b.Clear(0);
  b.FrameRectS(-2, -2, 100, 100, 0xFFFFFFFFu);  // only the part inside shows
  EXPECT_EQ(CountNot(b, 0), 0);
  b.FrameRectS(TRect{3, 3, 9, 9}, 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(3, 4), 0xFFFFFFFFu);
  EXPECT_EQ(b.Pixel(4, 4), 0u);

  Reports r;
  r.Watch(b);
  b.FillRectS(4, 4, 2, 2, 0xFF0000FFu);  // X2 <= X1: fills nothing, still reports
  EXPECT_EQ(r.list.size(), 1u);
  EXPECT_EQ(b.Pixel(3, 3), 0xFFFFFFFFu);
  r.list.clear();
  b.FillRectS(-3, 1, 2, 20, 0xFF0000FFu);
  ASSERT_EQ(r.list.size(), 2u);  // the fill and the clipped rectangle once more
  EXPECT_EQ(r.list[1].first, (TRect{0, 1, 2, 5}));
  EXPECT_EQ(b.Pixel(1, 4), 0xFF0000FFu);
  EXPECT_EQ(b.Pixel(2, 4), 0u);
  b.FillRectS(TRect{100, 100, 200, 200}, 0xFF0000FFu);  // outside: nothing drawn
  EXPECT_EQ(CountNot(b, 0), 3 + 8);  // the clipped frame and the fill
}

TEST(Draw, BlendSubPixelWeights) {
  for (TRoutineLevel level : {TRoutineLevel::Plain, TRoutineLevel::Mmx}) {
    SetRoutineLevel(level);
    TBitmap32 b;
    b.SetSize(4, 4);
    b.Clear(0xFF000000u);
    // gamma table: round(255 * (i / 255) ^ 0.7)
    for (int i = 0; i < 256; ++i)
      EXPECT_EQ(GammaTable[i], static_cast<int>(std::lrint(255.0 * std::pow(i / 255.0, 0.7))));
    // at a whole pixel the pixel gets weight 255 * 255 * 255 >> 16 = 253, the neighbours 0
    b.BlendSubPixel(1 << 8, 1 << 8, 0xFFFFFFFFu);
    EXPECT_EQ(b.Pixel(1, 1), CombineReg(0xFFFFFFFFu, 0xFF000000u, 253));
    EXPECT_EQ(b.Pixel(2, 1), 0xFF000000u);
    EXPECT_EQ(b.Pixel(1, 2), 0xFF000000u);
    // at a quarter step: weights (G[255 - f] * A * G[255 - g]) >> 16 and so on
    b.Clear(0xFF000000u);
    const int fx = 64, fy = 192;
    b.BlendSubPixel((1 << 8) + fx, (1 << 8) + fy, 0xFFFFFFFFu);
    const std::uint32_t g0x = GammaTable[255 - fx] * 255u, g1x = GammaTable[fx] * 255u;
    const std::uint32_t g0y = GammaTable[255 - fy], g1y = GammaTable[fy];
    EXPECT_EQ(b.Pixel(1, 1), CombineReg(0xFFFFFFFFu, 0xFF000000u, (g0x * g0y) >> 16));
    EXPECT_EQ(b.Pixel(2, 1), CombineReg(0xFFFFFFFFu, 0xFF000000u, (g1x * g0y) >> 16));
    EXPECT_EQ(b.Pixel(2, 2), CombineReg(0xFFFFFFFFu, 0xFF000000u, (g1x * g1y) >> 16));
    EXPECT_EQ(b.Pixel(1, 2), CombineReg(0xFFFFFFFFu, 0xFF000000u, (g0x * g1y) >> 16));
    // merge mode weights: products of two gamma entries >> 8 over the merged colour
    b.Clear(0x80000000u);
    b.SetCombineMode(TCombineMode::cmMerge);
    b.BlendSubPixel((1 << 8) + fx, (1 << 8) + fy, 0xC0FF0000u);
    const TColor32 t = MergeReg(0xC0FF0000u, 0x80000000u);
    EXPECT_EQ(b.Pixel(2, 2), CombineReg(t, 0x80000000u, (GammaTable[fx] * g1y) >> 8));
    // clipped: the block at the corner touches only the pixel inside
    b.Clear(0);
    b.SetCombineMode(TCombineMode::cmBlend);
    b.BlendSubPixelS(-128, -128, 0xFFFFFFFFu);
    EXPECT_NE(b.Pixel(0, 0), 0u);
    EXPECT_EQ(b.Pixel(1, 0), 0u);
    b.BlendSubPixelS(-300, 0, 0xFFFFFFFFu);
    b.BlendSubPixelS(4 << 8, 0, 0xFFFFFFFFu);
    b.BlendSubPixelS(INT32_MIN, INT32_MAX, 0xFFFFFFFFu);
    EXPECT_EQ(CountNot(b, 0), 1);
  }
  SetRoutineLevel(DetectedRoutineLevel());
}

TEST(Draw, AntiAliasedLines) {
  TBitmap32 b;
  b.SetSize(20, 20);
  b.Clear(0xFF000000u);
  Reports r;
  r.Watch(b);
  // wholly outside: nothing drawn, nothing reported
  b.LineAAS(Fixed(-10), Fixed(-5), Fixed(-2), Fixed(-8), 0xFFFFFFFFu);
  // shorter than 1/256 pixel near the edge: nothing drawn, nothing reported
  b.LineAAS(Fixed(19), Fixed(5), Fixed(19) + 100, Fixed(5), 0xFFFFFFFFu);
  EXPECT_TRUE(r.list.empty());
  // well inside it goes the unclipped way, which reports but draws nothing either
  b.LineAAS(Fixed(5), Fixed(5), Fixed(5) + 100, Fixed(5), 0xFFFFFFFFu);
  EXPECT_EQ(r.list.size(), 1u);
  EXPECT_EQ(CountNot(b, 0xFF000000u), 0);
  r.list.clear();
  // a horizontal line inside reports the rounded rectangle of its end points as a line
  b.LineAAS(Fixed(2), Fixed(5), Fixed(12), Fixed(5), 0xFFFFFFFFu);
  ASSERT_EQ(r.list.size(), 1u);
  EXPECT_EQ(r.list[0].first, (TRect{2, 5, 12, 5}));
  EXPECT_EQ(r.list[0].second, AREAINFO_LINE + 2);
  for (int x = 2; x < 12; ++x) EXPECT_NE(b.Pixel(x, 5), 0xFF000000u) << x;
  EXPECT_EQ(b.Pixel(14, 5), 0xFF000000u);
  EXPECT_EQ(b.Pixel(5, 8), 0xFF000000u);
  // a line crossing the whole bitmap is clipped and never writes outside
  b.Clear(0xFF000000u);
  b.LineAAS(Fixed(-50), Fixed(-40), Fixed(70), Fixed(60), 0xFFFFFFFFu);
  EXPECT_GT(CountNot(b, 0xFF000000u), 15);
  b.LineAAS(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFFFFu);
  b.LineAAS(INT32_MAX, 0, INT32_MIN, 0, 0xFFFFFFFFu);
  // the pen
  b.SetPenColor(0xFFFF0000u);
  b.MoveToF(1.0f, 18.0f);
  b.LineToFS(18.0f, 18.0f);
  EXPECT_EQ(b.PenPosX, Fixed(18));
  EXPECT_EQ(RedComponent(b.Pixel(10, 18)) > 0, true);
  // measuring: only the report
  b.Clear(0xFF000000u);
  std::vector<TRect> measured;
  b.BeginMeasuring([&measured](TBitmap32*, const TRect& a, std::uint32_t) { measured.push_back(a); });
  b.LineAAS(Fixed(2), Fixed(2), Fixed(10), Fixed(10), 0xFFFFFFFFu);
  b.HorzLineS(0, 1, 5, 0xFFFFFFFFu);
  b.VertLineS(0, 1, 5, 0xFFFFFFFFu);
  b.FillRectS(TRect{0, 0, 3, 3}, 0xFFFFFFFFu);
  b.EndMeasuring();
  EXPECT_EQ(measured.size(), 4u);
  EXPECT_EQ(CountNot(b, 0xFF000000u), 0);
}

TEST(Draw, SampleSubPixelInterpolates) {
  TBitmap32 b;
  b.SetSize(2, 2);
  b.SetPixel(0, 0, 0xFF000000u);
  b.SetPixel(1, 0, 0xFFFFFFFFu);
  b.SetPixel(0, 1, 0xFF000000u);
  b.SetPixel(1, 1, 0xFFFFFFFFu);
  const TColor32 mid = b.SampleSubPixel(128, 0);
  // weight of the left pixel is G[127]
  EXPECT_EQ(mid, CombineReg(CombineReg(0xFF000000u, 0xFFFFFFFFu, GammaTable[127]),
                            CombineReg(0xFF000000u, 0xFFFFFFFFu, GammaTable[127]), 255));
  EXPECT_EQ(b.SampleSubPixelS(256, 128), 0xFFFFFFFFu);  // last column: no interpolation
  EXPECT_EQ(b.SampleSubPixelS(257, 0), 0u);
}

TEST(Draw, EmptyBitmapsTakeEveryClippedOperation) {
  for (const auto& size : {std::pair{0, 0}, std::pair{1500000000, 0}, std::pair{0, 7}}) {
    TBitmap32 b;
    b.SetSize(size.first, size.second);
    b.BlendSubPixelS(-100, -100, 0xFFFFFFFFu);
    b.LineAAS(-Fixed(3), -Fixed(3), Fixed(3), Fixed(3), 0xFFFFFFFFu);
    b.FillRectS(-5, -5, 5, 5, 0xFFFFFFFFu);
    b.FrameRectS(-5, -5, 5, 5, 0xFFFFFFFFu);
    b.HorzLineS(-5, 0, 5, 0xFFFFFFFFu);
    b.VertLineS(0, -5, 5, 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelS(0, 0), b.OuterColor());
    EXPECT_EQ(b.PixelXS(0, 0), b.OuterColor());
    EXPECT_EQ(b.PixelW(3, 3), b.OuterColor());
    b.Clear(0xFFFFFFFFu);
    b.ResetAlpha();
    EXPECT_TRUE(b.Empty());
  }
}
