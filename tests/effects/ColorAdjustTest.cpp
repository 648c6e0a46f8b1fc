#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FxPaintFX.h"
#include "FxTestUtil.h"

using namespace kalvora;
using namespace fxtest;

namespace {

// The three adjustments written out as stated, one byte at a time, for comparison.
int clampByte(long long v) { return v > 255 ? 255 : v < 0 ? 0 : int(v); }
void refLightness(Bitmap24& b, int a) {
  for (int y = 0; y < b.height(); ++y)
    for (int i = 0; i < b.width() * 3; ++i) {
      int c = b.scanLine(y)[i];
      b.scanLine(y)[i] = std::uint8_t(clampByte(c + ((255LL - c) * a) / 255));
    }
}
void refSaturation(Bitmap24& b, int a) {
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      std::uint8_t* p = b.scanLine(y) + 3 * x;
      int grey = (p[0] + p[1] + p[2]) / 3;
      for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(clampByte(grey + (1LL * a * (p[k] - grey)) / 255));
    }
}
void refContrast(Bitmap24& b, int a) {
  for (int y = 0; y < b.height(); ++y)
    for (int i = 0; i < b.width() * 3; ++i) {
      int c = b.scanLine(y)[i];
      long long d = (1LL * a * std::abs(127 - c)) / 255;
      b.scanLine(y)[i] = std::uint8_t(clampByte(c > 127 ? c + d : c - d));
    }
}

struct ByteCase {
  int amount, in, out;
};

void expectBytes(void (TFxPaintFX::*filter)(Bitmap24*, int), std::initializer_list<ByteCase> cases) {
  TFxPaintFX fx;
  for (const ByteCase& c : cases) {
    Bitmap24 b = greys({c.in});
    (fx.*filter)(&b, c.amount);
    EXPECT_EQ(b.pixel(0, 0), (Bgr{std::uint8_t(c.out), std::uint8_t(c.out), std::uint8_t(c.out)}))
        << "amount " << c.amount << " byte " << c.in;
  }
}

}  // namespace

TEST(ColorAdjust, IntToByteClamps) {
  EXPECT_EQ(TFxPaintFX::IntToByte(-1), 0);
  EXPECT_EQ(TFxPaintFX::IntToByte(0), 0);
  EXPECT_EQ(TFxPaintFX::IntToByte(255), 255);
  EXPECT_EQ(TFxPaintFX::IntToByte(256), 255);
  EXPECT_EQ(TFxPaintFX::IntToByte(-100000), 0);
}

TEST(ColorAdjust, LightnessBytes) {
  expectBytes(&TFxPaintFX::Lightness, {
                                          {0, 0, 0}, {0, 77, 77}, {0, 255, 255},
                                          {255, 0, 255}, {255, 128, 255}, {255, 255, 255},
                                          {-255, 127, 0}, {-255, 200, 145}, {-255, 0, 0}, {-255, 255, 255},
                                          {100, 0, 100}, {100, 200, 221},    // 200 + 55*100/255 = 200 + 21
                                          {-100, 200, 179}, {-100, 10, 0},   // 10 - 245*100/255 = 10 - 96 -> 0
                                          {1000, 5, 255}, {-1000, 250, 231},  // 250 - 5*1000/255 = 250 - 19
                                      });
}

TEST(ColorAdjust, ContrastBytes) {
  expectBytes(&TFxPaintFX::Contrast, {
                                         {0, 0, 0}, {0, 200, 200},
                                         {255, 0, 0}, {255, 255, 255}, {255, 128, 129}, {255, 127, 127},
                                         {255, 100, 73}, {255, 200, 255},
                                         {-255, 0, 127}, {-255, 255, 127}, {-255, 128, 127}, {-255, 127, 127},
                                         {100, 200, 228},  // d = 100*73/255 = 28
                                         {100, 27, 0},     // d = 100*100/255 = 39 -> 27 - 39 clamps to 0
                                     });
}

TEST(ColorAdjust, SaturationPixels) {
  struct Case {
    int amount;
    Bgr in, out;
  } cases[] = {
      {255, {0, 100, 200}, {0, 100, 200}},
      {0, {0, 100, 200}, {100, 100, 100}},
      {0, {10, 11, 13}, {11, 11, 11}},
      {500, {0, 100, 200}, {0, 100, 255}},
      {250, {0, 0, 255}, {2, 2, 251}},
      {350, {255, 255, 255}, {255, 255, 255}},
      {-255, {0, 100, 200}, {200, 100, 0}},
  };
  TFxPaintFX fx;
  for (const Case& c : cases) {
    Bitmap24 b(1, 1, c.in);
    fx.Saturation(&b, c.amount);
    EXPECT_EQ(b.pixel(0, 0), c.out) << c.amount;
  }
}

// Every pixel of the bitmap is treated, including the first and last row and column, and
// the row padding stays untouched.
TEST(ColorAdjust, WholeBitmapAndEdges) {
  TFxPaintFX fx;
  for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}, {5, 3}}) {
    Bitmap24 b(w, h, Bgr{10, 20, 30});
    fx.Lightness(&b, 255);
    EXPECT_TRUE(uniform(b, Bgr{255, 255, 255})) << w << "x" << h;
    for (int y = 0; y < h; ++y)
      for (int i = w * 3; i < b.stride(); ++i) EXPECT_EQ(b.scanLine(y)[i], 0);
  }
}

// The table-driven filters and the fused AdjustColors give exactly the bytes of the formulas.
TEST(ColorAdjust, MatchesFormulasOnNoise) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(37, 11, 7);
  for (int a : {-1000, -255, -128, -1, 0, 1, 50, 127, 254, 255, 256, 350, 500, 1000}) {
    Bitmap24 got = base, want = base;
    fx.Lightness(&got, a);
    refLightness(want, a);
    EXPECT_EQ(got, want) << "Lightness " << a;
    got = base, want = base;
    fx.Saturation(&got, a);
    refSaturation(want, a);
    EXPECT_EQ(got, want) << "Saturation " << a;
    got = base, want = base;
    fx.Contrast(&got, a);
    refContrast(want, a);
    EXPECT_EQ(got, want) << "Contrast " << a;
  }
}

TEST(ColorAdjust, FusedEqualsThreePasses) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(64, 16, 3);
  struct { int l, s, c; } cases[] = {{0, 255, 0}, {0, 350, 0}, {0, 250, 0}, {-255, 0, 255}, {255, 500, -255},
                                     {40, 300, 60}, {-70, 120, -30}, {13, 255, 77}, {0, 0, 0}, {200, -100, 100}};
  for (auto c : cases) {
    Bitmap24 fused = base, steps = base;
    fx.AdjustColors(&fused, c.l, c.s, c.c);
    refLightness(steps, c.l);
    refSaturation(steps, c.s);
    refContrast(steps, c.c);
    EXPECT_EQ(fused, steps) << c.l << " " << c.s << " " << c.c;
  }
}

TEST(ColorAdjust, NullAndEmptyBitmapsAreLeftAlone) {
  TFxPaintFX fx;
  Bitmap24 empty;
  fx.Lightness(nullptr, 10);
  fx.Saturation(nullptr, 10);
  fx.Contrast(nullptr, 10);
  fx.AdjustColors(nullptr, 1, 2, 3);
  fx.Lightness(&empty, 10);
  fx.Saturation(&empty, 10);
  fx.Contrast(&empty, 10);
  fx.AdjustColors(&empty, 1, 2, 3);
  EXPECT_TRUE(empty.isEmpty());
}

// Amounts far outside the bars' ranges saturate instead of overflowing.
TEST(ColorAdjust, ExtremeAmounts) {
  TFxPaintFX fx;
  Bitmap24 b = make(3, {{0, 100, 200}, {127, 128, 129}, {255, 0, 1}});
  Bitmap24 c = b;
  fx.Saturation(&c, 2147483647);
  EXPECT_EQ(c.pixel(0, 0), (Bgr{0, 100, 255}));
  c = b;
  fx.Contrast(&c, -2147483647 - 1);
  EXPECT_EQ(c.pixel(2, 0), (Bgr{0, 255, 255}));
  c = b;
  fx.Lightness(&c, 2147483647);
  EXPECT_TRUE(uniform(c, Bgr{255, 255, 255}));
}

// ---- Vector and plain paths --------------------------------------------------------------------------

#include "FxTables.h"

namespace {
// Runs f once with the vector lookups and once without, on copies of the same picture.
template <class F>
void expectPathsAgree(const Bitmap24& base, F f, const std::string& what) {
  Bitmap24 vec = base, plain = base;
  fx::SetVectorTables(true);
  f(vec);
  fx::SetVectorTables(false);
  f(plain);
  fx::SetVectorTables(true);
  EXPECT_EQ(vec, plain) << what;
}

// Every byte value in every channel and many greys: 256 x 256 pixels.
Bitmap24 allBytes() {
  Bitmap24 b(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) b.setPixel(x, y, Bgr{std::uint8_t(x), std::uint8_t(y), std::uint8_t((x * 7 + y * 13) & 255)});
  return b;
}
}  // namespace

TEST(VectorPaths, AdjustColorsMatchesFormulasOnEveryByte) {
  TFxPaintFX fx;
  const Bitmap24 base = allBytes();
  struct { int l, s, c; } cases[] = {{0, 350, 0},  {0, 250, 0},   {0, 0, 0},     {40, 300, 60}, {-70, 120, -30},
                                     {0, 500, 0},  {255, 510, 1}, {0, -255, 0},  {-1, -300, 7}, {0, 25500, 0},
                                     {0, 25501, 0}, {3, -25500, 0}, {0, 1, 0},   {0, 254, 0},   {0, 256, 0}};
  for (auto c : cases) {
    Bitmap24 steps = base;
    refLightness(steps, c.l);
    refSaturation(steps, c.s);
    refContrast(steps, c.c);
    for (bool vector : {true, false}) {
      fx::SetVectorTables(vector);
      Bitmap24 fused = base;
      fx.AdjustColors(&fused, c.l, c.s, c.c);
      EXPECT_EQ(fused, steps) << c.l << " " << c.s << " " << c.c << (vector ? " vector" : " plain");
    }
    fx::SetVectorTables(true);
  }
}

TEST(VectorPaths, TableFiltersAgreeWithPlainLoops) {
  TFxPaintFX fx;
  for (int w : {1, 63, 64, 65, 130, 200}) {
    const Bitmap24 base = noise(w, 3, std::uint32_t(w));
    for (int a : {-300, -1, 0, 1, 128, 255, 400}) {
      const std::string tag = std::to_string(w) + " " + std::to_string(a);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.Lightness(&b, a); }, "Lightness " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.Contrast(&b, a); }, "Contrast " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.Saturation(&b, a); }, "Saturation " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.Solarize(&b, &b, a); }, "Solarize " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.Posterize(&b, &b, a); }, "Posterize " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.FilterGreen(&b, a, 200); }, "FilterGreen " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) { fx.FilterXBlue(&b, 10, a); }, "FilterXBlue " + tag);
      expectPathsAgree(base, [&](Bitmap24& b) {
        FxRandom r(7);
        fx.setRandom(&r);
        fx.AddColorNoise(&b, a);
        fx.AddMonoNoise(&b, a);
        fx.setRandom(nullptr);
      }, "Noise " + tag);
    }
  }
}

TEST(VectorPaths, SolarizeIntoAnotherBitmap) {
  TFxPaintFX fx;
  const Bitmap24 src = noise(150, 4, 3);
  Bitmap24 vec, plain;
  fx::SetVectorTables(true);
  fx.Solarize(const_cast<Bitmap24*>(&src), &vec, 100);
  fx::SetVectorTables(false);
  fx.Solarize(const_cast<Bitmap24*>(&src), &plain, 100);
  fx::SetVectorTables(true);
  EXPECT_EQ(vec, plain);
  EXPECT_EQ(src, noise(150, 4, 3));
}

TEST(VectorPaths, RandomBlockIsTheSequence) {
  for (bool vector : {true, false}) {
    fx::SetVectorTables(vector);
    for (int n : {1, 7, 200, 2147483647, 0, -3}) {
      for (std::size_t count : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 33u, 100u, 1000u}) {
        FxRandom a(12345), b(12345);
        std::vector<int> block(count + 1, -99);
        a.randomBlock(n, block.data(), count);
        for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(block[i], b.random(n)) << n << " " << count << " " << i;
        EXPECT_EQ(block[count], -99);
        EXPECT_EQ(a.seed(), b.seed()) << n << " " << count;
      }
    }
  }
  fx::SetVectorTables(true);
}
