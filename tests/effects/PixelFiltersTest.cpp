#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>

#include "FxPaintFX.h"
#include "FxTestUtil.h"

using namespace kalvora;
using namespace fxtest;

namespace {
Bgr g(int v) { return Bgr{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)}; }

std::vector<int> greyRow(const Bitmap24& b, int y) {
  std::vector<int> v;
  for (int x = 0; x < b.width(); ++x) v.push_back(b.pixel(x, y).g);
  return v;
}
}  // namespace

// ---- Noise -------------------------------------------------------------------------------------------

TEST(Noise, ColorNoiseDrawsBlueGreenRedPerPixel) {
  TFxPaintFX fx;
  FxRandom mine(1234), check(1234);
  fx.setRandom(&mine);
  Bitmap24 b = make(3, {{0, 128, 255}, {10, 20, 30}, {255, 255, 0}});
  const Bitmap24 before = b;
  fx.AddColorNoise(&b, 200);
  for (int x = 0; x < 3; ++x)
    for (int k = 0; k < 3; ++k) {
      int want = before.scanLine(0)[3 * x + k] + check.random(200) - 100;
      EXPECT_EQ(b.scanLine(0)[3 * x + k], TFxPaintFX::IntToByte(want)) << x << " " << k;
    }
}

TEST(Noise, MonoNoiseOneDrawPerPixelKeepsGreyGrey) {
  TFxPaintFX fx;
  FxRandom mine(99), check(99);
  fx.setRandom(&mine);
  Bitmap24 b = greys({0, 5, 128, 250, 255});
  fx.AddMonoNoise(&b, 150);
  const int in[] = {0, 5, 128, 250, 255};
  for (int x = 0; x < 5; ++x) {
    const Bgr p = b.pixel(x, 0);
    EXPECT_EQ(p.b, p.g);
    EXPECT_EQ(p.g, p.r);
    EXPECT_EQ(p.g, TFxPaintFX::IntToByte(in[x] + check.random(150) - 75));
  }
}

TEST(Noise, AmountZeroOrOneChangesNothing) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(9, 4, 5);
  for (int a : {0, 1}) {
    Bitmap24 b = base;
    fx.AddColorNoise(&b, a);
    EXPECT_EQ(b, base);
    fx.AddMonoNoise(&b, a);
    EXPECT_EQ(b, base);
  }
}

TEST(Noise, SharedGeneratorIsSeedable) {
  TFxPaintFX fx;
  Bitmap24 a = noise(8, 8, 1), b = a;
  FxRandom::shared().setSeed(77);
  fx.AddColorNoise(&a, 60);
  FxRandom::shared().setSeed(77);
  fx.AddColorNoise(&b, 60);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, noise(8, 8, 1));  // and there was noise to repeat
}

// ---- Blur --------------------------------------------------------------------------------------------

// In place: each pixel already sees the blurred pixels to its left.
TEST(Blur, SplitBlurExactInPlace) {
  TFxPaintFX fx;
  Bitmap24 b = greys({0, 100, 200});
  fx.SplitBlur(&b, 1);
  EXPECT_EQ(greyRow(b, 0), (std::vector<int>{50, 125, 125}));
}

TEST(Blur, SplitBlurTwoRows) {
  // 2 x 2, distance 1: row 0 pairs with row 1; row 1 pairs with row 1 (H - y) and the blurred row 0.
  TFxPaintFX fx;
  Bitmap24 b = make(2, {g(0), g(40), g(80), g(120)});
  fx.SplitBlur(&b, 1);
  // (0,0): upper row 0, lower row 1, left 0, right 1: (0 + 80 + 40 + 120) / 4 = 60
  // (1,0): left 0 (now 60), right W - x = 1: (60 + 80 + 40 + 120) / 4 = 75
  // (0,1): upper row 0 (y - 1), lower row H - y = 1: (60 + 80 + 75 + 120) / 4 = 83
  // (1,1): left 0 (now 83): (60 + 83 + 75 + 120) / 4 = 84
  EXPECT_EQ(greyRow(b, 0), (std::vector<int>{60, 75}));
  EXPECT_EQ(greyRow(b, 1), (std::vector<int>{83, 84}));
}

TEST(Blur, GaussianIsRepeatedSplitBlurOfThree) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(20, 13, 9);
  for (int amount : {0, 2}) {
    Bitmap24 a = base, b = base;
    fx.GaussianBlur(&a, amount);
    for (int i = 0; i <= amount; ++i) fx.SplitBlur(&b, 3);
    EXPECT_EQ(a, b) << amount;
  }
  Bitmap24 c = base;
  fx.GaussianBlur(&c, -1);
  EXPECT_EQ(c, base);
  fx.SplitBlur(&c, 0);
  EXPECT_EQ(c, base);
}

// Distances as large as the picture or larger stay inside it (small pictures included).
TEST(Blur, LargeDistancesOnSmallPictures) {
  TFxPaintFX fx;
  for (auto [w, h] : {std::pair{1, 1}, {1, 3}, {3, 1}, {2, 2}, {3, 3}, {4, 2}}) {
    for (int a : {1, 2, 3, 4, 30, INT_MAX}) {
      Bitmap24 u(w, h, Bgr{9, 99, 199});
      fx.SplitBlur(&u, a);
      EXPECT_TRUE(uniform(u, Bgr{9, 99, 199})) << w << "x" << h << " " << a;
      Bitmap24 n = noise(w, h, 3);
      fx.GaussianBlur(&n, 3);
      EXPECT_EQ(n.width(), w);
    }
  }
}

// ---- Seamless and mosaic ----------------------------------------------------------------------------

TEST(Seamless, ExactWithTiesToEven) {
  TFxPaintFX fx;
  Bitmap24 b(4, 4);
  const int rows[4][4] = {{0, 10, 20, 30}, {40, 50, 60, 70}, {80, 90, 101, 110}, {120, 130, 140, 150}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) b.setPixel(x, y, g(rows[y][x]));
  fx.MakeSeamless(&b, 2);
  EXPECT_EQ(greyRow(b, 0), (std::vector<int>{120, 130, 130, 120}));
  EXPECT_EQ(greyRow(b, 1), (std::vector<int>{100, 110, 110, 100}));  // 120.5 -> 120 before the column step
  EXPECT_EQ(greyRow(b, 2), (std::vector<int>{80, 90, 90, 80}));      // 90.5 -> 90
  EXPECT_EQ(greyRow(b, 3), (std::vector<int>{120, 130, 130, 120}));
}

TEST(Seamless, EdgesMatchForEveryAmount) {
  TFxPaintFX fx;
  for (int a : {1, 2, 3, 5, 15, 100, -3}) {
    const Bitmap24 base = noise(17, 9, std::uint32_t(a + 50));
    Bitmap24 b = base;
    fx.MakeSeamless(&b, a);
    // Row 0 is the old last row, apart from the columns the column step blends.
    const int wb = a > 0 ? 17 / a : 0;
    for (int x = 0; x < 17 - std::max(wb, 1); ++x) EXPECT_EQ(b.pixel(x, 0), base.pixel(x, 8)) << a;
    for (int y = 0; y < 9; ++y) EXPECT_EQ(b.pixel(16, y), b.pixel(0, y)) << a;
  }
}

TEST(Seamless, AmountZeroDoesNothing) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(5, 5, 1);
  Bitmap24 b = base;
  fx.MakeSeamless(&b, 0);
  EXPECT_EQ(b, base);
  Bitmap24 one(1, 1, g(7));
  fx.MakeSeamless(&one, 1);
  EXPECT_EQ(one.pixel(0, 0), g(7));
}

TEST(Mosaic, ThreeByThreeWithTwo) {
  TFxPaintFX fx;
  Bitmap24 b(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) b.setPixel(x, y, g(10 * (3 * y + x)));
  fx.Mosaic(&b, 2);
  EXPECT_EQ(greyRow(b, 0), (std::vector<int>{0, 0, 20}));
  EXPECT_EQ(greyRow(b, 1), (std::vector<int>{0, 0, 20}));
  EXPECT_EQ(greyRow(b, 2), (std::vector<int>{60, 60, 80}));
}

TEST(Mosaic, SizeOneOrLessAndHugeSizes) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(6, 5, 2);
  for (int s : {1, 0, -4, INT_MIN}) {
    Bitmap24 b = base;
    fx.Mosaic(&b, s);
    EXPECT_EQ(b, base) << s;
  }
  Bitmap24 b = base;
  fx.Mosaic(&b, INT_MAX);
  EXPECT_TRUE(uniform(b, base.pixel(0, 0)));
}

// ---- Swirl and fish-eye --------------------------------------------------------------------------------

TEST(Warp, UniformStaysUniformAndSizeKept) {
  TFxPaintFX fx;
  for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}, {2, 2}, {7, 5}, {40, 30}}) {
    for (int a : {1, 10, 50, -7, INT_MAX, INT_MIN}) {
      Bitmap24 t(w, h, Bgr{30, 60, 90});
      fx.Twist(&t, &t, a);
      EXPECT_TRUE(uniform(t, Bgr{30, 60, 90})) << "Twist " << w << "x" << h << " " << a;
    }
    for (float a : {0.01f, 0.5f, 1.0f, 1e-7f, 1e30f}) {
      Bitmap24 f(w, h, Bgr{30, 60, 90});
      fx.FishEye(&f, &f, a);
      EXPECT_TRUE(uniform(f, Bgr{30, 60, 90})) << "FishEye " << w << "x" << h << " " << a;
    }
  }
}

TEST(Warp, InvalidAmountsDoNothing) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(9, 7, 4);
  Bitmap24 b = base;
  fx.Twist(&b, &b, 0);
  EXPECT_EQ(b, base);
  for (float a : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
    fx.FishEye(&b, &b, a);
    EXPECT_EQ(b, base) << a;
  }
}

TEST(Warp, CentreStaysAndDestinationTakesSourceSize) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(9, 7, 6);  // centre (4, 3)
  Bitmap24 dest(2, 2);
  Bitmap24 src = base;
  fx.Twist(&src, &dest, 10);
  EXPECT_EQ(src, base);  // a separate source is only read
  ASSERT_EQ(dest.width(), 9);
  ASSERT_EQ(dest.height(), 7);
  EXPECT_EQ(dest.pixel(4, 3), base.pixel(4, 3));
  Bitmap24 f(8, 6);
  Bitmap24 src2 = noise(8, 6, 8);  // centre (4, 3) exactly
  fx.FishEye(&src2, &f, 0.5f);
  EXPECT_EQ(f.pixel(4, 3), src2.pixel(4, 3));
}

// Near the centre the swirl turns by a quarter: the pixel right of the centre comes from below it
// (theta = 0 - 1/Amount + pi/2, so with a huge Amount the sample lies straight below).
TEST(Warp, TwistQuarterTurnNearCentre) {
  TFxPaintFX fx;
  Bitmap24 src(5, 5);
  src.setPixel(2, 3, Bgr{1, 2, 3});
  Bitmap24 dest;
  fx.Twist(&src, &dest, INT_MAX);
  EXPECT_EQ(dest.pixel(3, 2), (Bgr{1, 2, 3}));
}

// The rim of the lens (r1 = rmax exactly) and points far outside stay defined.
TEST(Warp, FishEyeRimAndFarPoints) {
  TFxPaintFX fx;
  // Whatever the rim pixel takes, it is the same every time, and the centre (r1 = 0) samples
  // itself exactly.
  const Bitmap24 base = noise(10, 10, 12);  // rmax = 5 with 0.5; pixel (0, 5) lies exactly on it
  Bitmap24 b = base, again = base;
  fx.FishEye(&b, &b, 0.5f);
  fx.FishEye(&again, &again, 0.5f);
  EXPECT_EQ(b, again);
  EXPECT_EQ(b.pixel(5, 5), base.pixel(5, 5));
  EXPECT_NE(b, base);
  const Bitmap24 far = noise(64, 48, 13);  // rmax = 0.64: every pixel but the centre lies beyond
  Bitmap24 c = far, c2 = far;
  fx.FishEye(&c, &c, 0.01f);
  fx.FishEye(&c2, &c2, 0.01f);
  EXPECT_EQ(c.width(), 64);
  EXPECT_EQ(c, c2);
  EXPECT_EQ(c.pixel(32, 24), far.pixel(32, 24));
}

// ---- Relief and channels ---------------------------------------------------------------------------------

TEST(Emboss, ExactAndEdgesKept) {
  TFxPaintFX fx;
  Bitmap24 b = make(5, {g(100), g(1), g(2), g(3), g(4),  //
                        g(9), g(9), g(9), g(50), g(255)});
  fx.Emboss(&b);
  // (x, 0) := (own + 255 - (x + 3, 1)) shr 1 for x = 0, 1
  EXPECT_EQ(greyRow(b, 0), (std::vector<int>{152, 0, 2, 3, 4}));
  EXPECT_EQ(greyRow(b, 1), (std::vector<int>{9, 9, 9, 50, 255}));
  for (auto [w, h] : {std::pair{3, 5}, {1, 1}, {8, 1}}) {
    const Bitmap24 base = noise(w, h, 3);
    Bitmap24 n = base;
    fx.Emboss(&n);
    EXPECT_EQ(n, base);
  }
}

TEST(ChannelFilters, Table) {
  using F = void (TFxPaintFX::*)(Bitmap24*, int, int);
  struct Case {
    const char* name;
    F f;
    Bgr in, out;
  } cases[] = {
      {"FilterRed 0", &TFxPaintFX::FilterRed, {10, 20, 0}, {0, 0, 0}},
      {"FilterRed 1", &TFxPaintFX::FilterRed, {10, 20, 1}, {0, 0, 0}},  // not above Lower 1
      {"FilterRed 2", &TFxPaintFX::FilterRed, {10, 20, 2}, {0, 0, 255}},
      {"FilterRed 127", &TFxPaintFX::FilterRed, {255, 255, 127}, {0, 0, 255}},
      {"FilterRed 128", &TFxPaintFX::FilterRed, {10, 20, 128}, {0, 0, 0}},
      {"FilterGreen", &TFxPaintFX::FilterGreen, {200, 50, 200}, {0, 255, 0}},
      {"FilterBlue", &TFxPaintFX::FilterBlue, {50, 200, 200}, {255, 0, 0}},
      {"FilterBlue out", &TFxPaintFX::FilterBlue, {250, 200, 200}, {0, 0, 0}},
      {"FilterXRed", &TFxPaintFX::FilterXRed, {10, 20, 30}, {10, 20, 255}},
      {"FilterXRed out", &TFxPaintFX::FilterXRed, {10, 20, 255}, {10, 20, 0}},
      {"FilterXGreen", &TFxPaintFX::FilterXGreen, {10, 20, 30}, {10, 255, 30}},
      {"FilterXBlue", &TFxPaintFX::FilterXBlue, {200, 20, 30}, {0, 20, 30}},
  };
  TFxPaintFX fx;
  for (const Case& c : cases) {
    Bitmap24 b(2, 1, c.in);
    (fx.*c.f)(&b, 1, 128);
    EXPECT_EQ(b.pixel(0, 0), c.out) << c.name;
    EXPECT_EQ(b.pixel(1, 0), c.out) << c.name;
  }
}

// ---- Plasma, tiles, solarize, posterize -------------------------------------------------------------------

TEST(Plasma, MapPicksDisplacementAndMinimaApply) {
  TFxPaintFX fx;
  Bitmap24 src(2, 8);
  for (int y = 0; y < 8; ++y) src.setPixel(0, y, g(10 * y)), src.setPixel(1, y, g(10 * y));
  Bitmap24 map(2, 8, Bgr{0, 77, 77});  // blue 0: dx = Round(-A sin 0) = 0, dy = Round(A cos 0) = A
  Bitmap24 dest(2, 8, g(255));
  fx.Plasma(&src, &map, 1, 1, &dest);  // scale 1 -> 10, amplitude 1 -> 5
  for (int y = 0; y < 8; ++y) EXPECT_EQ(dest.pixel(1, y), g(y < 3 ? 10 * (y + 5) : 255)) << y;
}

TEST(Plasma, BadInputs) {
  TFxPaintFX fx;
  // Every call below finds no target inside the picture, so the destination keeps the source
  // it started as: a blue of 0 moves by (Round(-A sin 0), Round(A cos 0)) = (0, A), 50 rows
  // down; a NaN scale gives NaN offsets; an amplitude of 1e300 moves every pixel far out
  // (sin(k / 10) is 0 only for k = 0, and cos(0) x 1e300 is out too).
  Bitmap24 src = noise(6, 6, 1), smallMap(2, 2), dest = src;
  fx.Plasma(&src, &smallMap, 10, 50, &dest);  // only the covered part is looked at
  EXPECT_EQ(dest, src);
  Bitmap24 empty;
  fx.Plasma(&src, &empty, 10, 5, &dest);
  fx.Plasma(&src, nullptr, 10, 5, &dest);
  EXPECT_EQ(dest, src);
  fx.Plasma(&src, &src, NAN, 5, &dest);
  EXPECT_EQ(dest, src);
  fx.Plasma(&src, &src, 10, 1e300, &dest);
  EXPECT_EQ(dest, src);
  Bitmap24 u(5, 5, g(3));
  fx.Plasma(&u, &u, 30, 40, &u);
  EXPECT_TRUE(uniform(u, g(3)));
}

TEST(Tiles, TileRepeatsNearestNeighbourReduction) {
  TFxPaintFX fx;
  const Bitmap24 base = noise(4, 4, 21);
  Bitmap24 b = base;
  fx.TexturizeTile(&b, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.pixel(x, y), base.pixel(2 * (x % 2) + 1, 2 * (y % 2) + 1));
  // Overlap: a step of Round(4/3) = 1, so the last tile at each pixel starts there: its first pixel.
  b = base;
  fx.TexturizeOverlap(&b, 2);
  EXPECT_TRUE(uniform(b, base.pixel(1, 1)));
}

TEST(Tiles, TileOfNoPixelsDoesNothing) {
  TFxPaintFX fx;
  for (auto [w, h, a] : {std::tuple{1, 5, 3}, {5, 1, 3}, {6, 6, 0}, {6, 6, -2}}) {
    const Bitmap24 base = noise(w, h, 2);
    Bitmap24 b = base;
    fx.TexturizeTile(&b, a);
    EXPECT_EQ(b, base);
    fx.TexturizeOverlap(&b, a);
    EXPECT_EQ(b, base);
  }
  Bitmap24 odd = noise(7, 5, 3);
  fx.TexturizeOverlap(&odd, INT_MAX);  // size = min(3, 2, ..) = 2
  EXPECT_EQ(odd.width(), 7);
}

TEST(Solarize, Table) {
  struct Case {
    int threshold;
    Bgr in, out;
  } cases[] = {
      {255, {255, 255, 255}, {255, 255, 255}}, {0, {0, 0, 2}, {0, 0, 2}},     {0, {0, 1, 2}, {255, 254, 253}},
      {100, {100, 100, 102}, {100, 100, 102}}, {100, {100, 100, 103}, {155, 155, 152}}, {-1, {0, 0, 0}, {255, 255, 255}},
  };
  TFxPaintFX fx;
  for (const Case& c : cases) {
    Bitmap24 b(1, 1, c.in);
    fx.Solarize(&b, &b, c.threshold);
    EXPECT_EQ(b.pixel(0, 0), c.out) << c.threshold;
  }
  Bitmap24 src(2, 1, g(200)), dest;
  fx.Solarize(&src, &dest, 10);
  EXPECT_EQ(dest, Bitmap24(2, 1, g(55)));
  EXPECT_EQ(src, Bitmap24(2, 1, g(200)));
}

TEST(Posterize, TableWithClampAndTiesToEven) {
  struct Case {
    int level, in, out;
  } cases[] = {
      {1, 0, 0},     {1, 137, 137}, {1, 255, 255}, {100, 149, 100}, {100, 150, 200}, {100, 255, 255},
      {2, 255, 255},  // Round(127.5) = 128, 256 clamps (no wrap to 0)
      {2, 1, 0},     {2, 3, 4},     {2, 5, 4},     {200, 100, 0},   {200, 101, 200}, {-100, 149, 100},
      {1000, 255, 0}, {INT_MIN, 255, 0},
  };
  TFxPaintFX fx;
  for (const Case& c : cases) {
    Bitmap24 b = greys({c.in});
    fx.Posterize(&b, &b, c.level);
    EXPECT_EQ(b.pixel(0, 0), g(c.out)) << c.level << " " << c.in;
  }
  const Bitmap24 base = noise(3, 3, 1);
  Bitmap24 b = base;
  fx.Posterize(&b, &b, 0);
  EXPECT_EQ(b, base);
}

// ---- Every filter: bad input and invariants ------------------------------------------------------------

namespace {
struct Filter {
  std::string name;
  std::function<void(TFxPaintFX&, Bitmap24*, int)> run;
  bool keepsUniform;
};

std::vector<Filter> allFilters() {
  return {
      {"Lightness", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Lightness(b, a); }, true},
      {"Saturation", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Saturation(b, a); }, true},
      {"Contrast", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Contrast(b, a); }, true},
      {"AdjustColors", [](TFxPaintFX& f, Bitmap24* b, int a) { f.AdjustColors(b, a, a, a); }, true},
      {"AddColorNoise", [](TFxPaintFX& f, Bitmap24* b, int a) { f.AddColorNoise(b, a); }, false},
      {"AddMonoNoise", [](TFxPaintFX& f, Bitmap24* b, int a) { f.AddMonoNoise(b, a); }, false},
      {"GaussianBlur", [](TFxPaintFX& f, Bitmap24* b, int a) { f.GaussianBlur(b, a > 5 ? 5 : a); }, true},
      {"SplitBlur", [](TFxPaintFX& f, Bitmap24* b, int a) { f.SplitBlur(b, a); }, true},
      {"MakeSeamless", [](TFxPaintFX& f, Bitmap24* b, int a) { f.MakeSeamless(b, a); }, true},
      {"Mosaic", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Mosaic(b, a); }, true},
      {"Twist", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Twist(b, b, a); }, true},
      {"FishEye", [](TFxPaintFX& f, Bitmap24* b, int a) { f.FishEye(b, b, float(a) / 100); }, true},
      {"Emboss", [](TFxPaintFX& f, Bitmap24* b, int) { f.Emboss(b); }, false},
      {"FilterRed", [](TFxPaintFX& f, Bitmap24* b, int a) { f.FilterRed(b, 1, a); }, true},
      {"FilterXBlue", [](TFxPaintFX& f, Bitmap24* b, int a) { f.FilterXBlue(b, a, 255); }, true},
      {"Plasma", [](TFxPaintFX& f, Bitmap24* b, int a) { Bitmap24 s = b ? *b : Bitmap24(); f.Plasma(&s, &s, a, a, b); }, true},
      {"TexturizeTile", [](TFxPaintFX& f, Bitmap24* b, int a) { f.TexturizeTile(b, a); }, true},
      {"TexturizeOverlap", [](TFxPaintFX& f, Bitmap24* b, int a) { f.TexturizeOverlap(b, a); }, true},
      {"Solarize", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Solarize(b, b, a); }, true},
      {"Posterize", [](TFxPaintFX& f, Bitmap24* b, int a) { f.Posterize(b, b, a); }, true},
  };
}
}  // namespace

TEST(AllFilters, NullAndEmptyBitmapsReturnAtOnce) {
  TFxPaintFX fx;
  for (const Filter& f : allFilters()) {
    f.run(fx, nullptr, 5);
    Bitmap24 empty;
    f.run(fx, &empty, 5);
    EXPECT_TRUE(empty.isEmpty()) << f.name;
  }
  Bitmap24 src(3, 3);
  fx.Twist(&src, nullptr, 5);
  fx.FishEye(nullptr, &src, 0.5f);
  fx.Solarize(&src, nullptr, 5);
  fx.Posterize(nullptr, &src, 5);
  fx.Plasma(nullptr, &src, 10, 10, &src);
  EXPECT_EQ(src, Bitmap24(3, 3));
}

// Every size, amount and edge: no read or write outside the bitmap (the sanitizer build watches),
// the size never changes, and uniform pictures stay uniform where the filter only moves pixels.
TEST(AllFilters, SizesAmountsAndUniformity) {
  TFxPaintFX fx;
  FxRandom r(5);
  fx.setRandom(&r);
  const int amounts[] = {INT_MIN, -300, -5, -1, 0, 1, 2, 3, 4, 5, 17, 100, 255, 256, 100000, INT_MAX};
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 2}, {2, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 3}, {4, 4}, {13, 7}};
  for (const Filter& f : allFilters()) {
    for (auto [w, h] : sizes) {
      for (int a : amounts) {
        if (f.name == "GaussianBlur" && a > 5) continue;
        Bitmap24 b = noise(w, h, std::uint32_t(w * 31 + h));
        f.run(fx, &b, a);
        ASSERT_EQ(b.width(), w) << f.name;
        ASSERT_EQ(b.height(), h) << f.name;
        if (!f.keepsUniform) continue;
        Bitmap24 u(w, h, Bgr{70, 140, 210});
        f.run(fx, &u, a);
        const Bgr first = u.pixel(0, 0);
        EXPECT_TRUE(uniform(u, first)) << f.name << " " << w << "x" << h << " amount " << a;
      }
    }
  }
}
