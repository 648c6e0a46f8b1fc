// The further filters of TFxPaintFX: marble, rotation, waves, squeezes, fractals, ripples, blend, masks.
#include <gtest/gtest.h>

#include <QPoint>

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
using Marble = void (TFxPaintFX::*)(Bitmap24*, Bitmap24*, int, double);

// The marble family written out from its table: for each source pixel, a = (y mod Scale) / T,
// b = (x mod Scale) / T, an offset pair from P(a) and Q(b), and the target
// (Round(|x + ox|), Round(|y + oy|)) takes the pixel when it lies inside. The destination
// starts as a copy of the source; in place, later pixels read what earlier ones wrote.
struct MarbleRule {
  const char* name;
  Marble f;
  double (*p)(double a, double t);
  double (*q)(double b, double t);
  void (*offsets)(double p, double q, double& ox, double& oy);
  bool fromBottomRight;
};

void plus(double p, double q, double& ox, double& oy) { ox = q + p, oy = p + q; }

const MarbleRule kMarbles[] = {
    {"Marble", &TFxPaintFX::Marble, [](double a, double t) { return std::cos(a) * t; },
     [](double b, double t) { return -std::sin(b) * t; }, plus, false},
    {"Marble2", &TFxPaintFX::Marble2, [](double a, double t) { return std::cos(a) * t; },
     [](double b, double t) { return -std::sin(b) * t; },
     [](double p, double q, double& ox, double& oy) { ox = q - p, oy = p - q; }, false},
    {"Marble3", &TFxPaintFX::Marble3, [](double a, double t) { return std::cos(a) * t; },
     [](double b, double t) { return -std::sin(b) * t; },
     [](double p, double q, double& ox, double& oy) { ox = -q + p, oy = -p + q; }, false},
    {"Marble4", &TFxPaintFX::Marble4, [](double a, double t) { return std::sin(a) * t; },
     [](double b, double t) { return -std::cos(b) * t; }, plus, false},
    {"Marble5", &TFxPaintFX::Marble5, [](double a, double t) { return std::cos(a) * t; },
     [](double b, double t) { return -std::sin(b) * t; }, plus, true},
    {"Marble6", &TFxPaintFX::Marble6, [](double a, double t) { return std::cos(a) * t; },
     [](double b, double t) { return -std::tan(b) / t; }, plus, false},
    {"Marble7", &TFxPaintFX::Marble7, [](double a, double t) { return std::sin(a) * t; },
     [](double b, double t) { return -std::tan(b) / (t * t); }, plus, false},
    {"Marble8", &TFxPaintFX::Marble8, [](double a, double t) { return std::cos(1.5 * a) * std::sin(a) * t; },
     [](double b, double t) { return std::cos(b) * (-std::sin(2 * b) * t); }, plus, false},
};

Bitmap24 MarbleByTable(const MarbleRule& r, const Bitmap24& source, int scale, double t, bool inPlace) {
  Bitmap24 out = source;
  const Bitmap24& from = inPlace ? out : source;
  const int w = source.width(), h = source.height();
  auto visit = [&](int x, int y) {
    double ox, oy;
    r.offsets(r.p((y % scale) / t, t), r.q((x % scale) / t, t), ox, oy);
    const double nx = std::nearbyint(std::fabs(x + ox)), ny = std::nearbyint(std::fabs(y + oy));
    if (nx < w && ny < h) out.setPixel(int(nx), int(ny), from.pixel(x, y));  // false for NaN
  };
  for (int i = 0; i < h; ++i)
    for (int j = 0; j < w; ++j) {
      const int y = r.fromBottomRight ? h - 1 - i : i, x = r.fromBottomRight ? w - 1 - j : j;
      visit(x, y);
    }
  return out;
}
}  // namespace

TEST(Marble, ScaleOneMovesEveryPixelByTheTurbulence) {
  TFxPaintFX fx;
  const Bitmap24 src = noise(9, 7, 1);
  struct Case {
    Marble f;
    std::function<QPoint(int, int)> target;
  };
  const int T = 2;
  const Case cases[] = {
      {&TFxPaintFX::Marble, [](int x, int y) { return QPoint(x + T, y + T); }},
      {&TFxPaintFX::Marble2, [](int x, int y) { return QPoint(std::abs(x - T), y + T); }},
      {&TFxPaintFX::Marble3, [](int x, int y) { return QPoint(x + T, std::abs(y - T)); }},
      // P = sin(0) T = 0, Q = -cos(0) T = -T: both offsets -T; of two pixels meeting, the later wins.
      {&TFxPaintFX::Marble4, [](int x, int y) { return QPoint(std::abs(x - T), std::abs(y - T)); }},
      {&TFxPaintFX::Marble5, [](int x, int y) { return QPoint(x + T, y + T); }},
      // P = cos(0) sin(0) T = 0, Q = cos(0) (-sin(0) T) = 0: nothing moves.
      {&TFxPaintFX::Marble8, [](int x, int y) { return QPoint(x, y); }},
  };
  for (const Case& c : cases) {
    // Separate source and destination: the destination starts as a copy, then takes the moves.
    Bitmap24 dest;
    (fx.*c.f)(const_cast<Bitmap24*>(&src), &dest, 1, T);
    Bitmap24 want = src;
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x) {
        const QPoint t = c.target(x, y);
        if (t.x() < src.width() && t.y() < src.height()) want.setPixel(t.x(), t.y(), src.pixel(x, y));
      }
    EXPECT_EQ(dest, want);
  }
}

TEST(Marble, Marble5InPlaceShiftsCleanlyFromTheBottomRight) {
  // Rows from the bottom and columns from the right: a pixel is read before anything is written
  // over it, so in place the picture moves by (T, T) whole, as the host runs it.
  TFxPaintFX fx;
  const Bitmap24 src = noise(9, 7, 1);
  Bitmap24 b = src;
  fx.Marble5(&b, &b, 1, 2);
  Bitmap24 want = src;
  for (int y = 0; y + 2 < 7; ++y)
    for (int x = 0; x + 2 < 9; ++x) want.setPixel(x + 2, y + 2, src.pixel(x, y));
  EXPECT_EQ(b, want);
}

TEST(Marble, Marble8WorkedByHand) {
  // Scale 3, T 1 on 3 x 3: a = y, b = x; P(a) = cos(1.5 a) sin(a), Q(b) = cos(b) (-sin(2 b)):
  // P = 0, 0.0595, -0.9002 for rows 0..2 and Q = 0, -0.4913, -0.3149 for columns 0..2; both
  // offsets are P + Q. Targets (Round |x + P + Q|, Round |y + P + Q|):
  //   row 0: (0,0) (1,0) (2,0)   [x 1: |1 - 0.4913| = 0.509 -> 1, |0 - 0.4913| -> 0]
  //   row 1: (0,1) (1,1) (2,1)
  //   row 2: (1,1) (0,1) (1,1)   [x 0: |-0.9002| -> 1, |2 - 0.9002| = 1.10 -> 1]
  // so (0,1) ends with source (1,2), (1,1) with source (2,2) (the later one); row 2 keeps the copy.
  TFxPaintFX fx;
  const Bitmap24 src = noise(3, 3, 12);
  Bitmap24 dest;
  fx.Marble8(const_cast<Bitmap24*>(&src), &dest, 3, 1.0);
  const Bitmap24 want = make(3, {src.pixel(0, 0), src.pixel(1, 0), src.pixel(2, 0),  //
                                 src.pixel(1, 2), src.pixel(2, 2), src.pixel(2, 1),  //
                                 src.pixel(0, 2), src.pixel(1, 2), src.pixel(2, 2)});
  EXPECT_EQ(dest, want);
}

TEST(Marble, EveryVariantFollowsItsOffsetTable) {
  TFxPaintFX fx;
  const Bitmap24 src = noise(19, 13, 21);
  for (const MarbleRule& r : kMarbles)
    for (auto [scale, t] : {std::pair{1, 2.0}, {4, 2.0}, {5, 0.7}, {7, 3.3}, {13, 1.5}, {-6, 2.5}, {40, 9.0}})
      for (bool inPlace : {false, true}) {
        SCOPED_TRACE(std::string(r.name) + " scale " + std::to_string(scale) + " T " + std::to_string(t) +
                     (inPlace ? " in place" : ""));
        Bitmap24 b = src, dest;
        (fx.*r.f)(&b, inPlace ? &b : &dest, scale, t);
        EXPECT_EQ(inPlace ? b : dest, MarbleByTable(r, src, scale, t, inPlace));
      }
}

TEST(Marble, ZeroScaleAndWildTurbulenceAreHarmless) {
  TFxPaintFX fx;
  const Marble all[] = {&TFxPaintFX::Marble,  &TFxPaintFX::Marble2, &TFxPaintFX::Marble3, &TFxPaintFX::Marble4,
                        &TFxPaintFX::Marble5, &TFxPaintFX::Marble6, &TFxPaintFX::Marble7, &TFxPaintFX::Marble8};
  for (Marble m : all)
    for (double t : {0.0, 1e-300, 1.0, 400.0, -3.0, 1e300})
      for (int scale : {0, 1, 7, -5, INT_MIN, 400}) {
        Bitmap24 b = noise(23, 17, 5);
        const Bitmap24 before = b;
        (fx.*m)(&b, &b, scale, t);
        EXPECT_EQ(b.width(), 23);
        if (scale == 0) {
          EXPECT_EQ(b, before);
        } else {
          const MarbleRule& r = *std::find_if(std::begin(kMarbles), std::end(kMarbles),
                                              [m](const MarbleRule& k) { return k.f == m; });
          EXPECT_EQ(b, MarbleByTable(r, before, scale, t, true)) << r.name << " " << t << " " << scale;
        }
      }
}

TEST(Marble, TangentVariantsDropTargetsBeyondRange) {
  // Near tan's poles the offsets are huge: those pixels go nowhere, nothing overflows.
  TFxPaintFX fx;
  Bitmap24 b = noise(64, 64, 9);
  const Bitmap24 before = b;
  fx.Marble6(&b, &b, 400, 1.0);
  const Bitmap24 after6 = MarbleByTable(kMarbles[5], before, 400, 1.0, true);
  EXPECT_EQ(b, after6);
  fx.Marble7(&b, &b, 400, 0.001);
  EXPECT_EQ(b.width(), 64);
  EXPECT_EQ(b, MarbleByTable(kMarbles[6], after6, 400, 0.001, true));
}

TEST(FurtherFilters, EmptyFilterAndZeroAmountsChangeNothing) {
  TFxPaintFX fx;
  const Bitmap24 src = noise(20, 15, 3);
  Bitmap24 b = src;
  fx.EmptyFilter();
  fx.RippleTooth(&b, 0);
  fx.HeightMap(&b, 0);
  fx.SmoothRotate(&b, &b, 10, 7, 0);
  fx.Wave(&b, 0, 0, 0);  // would divide by zero
  fx.Wave(&b, 5, 0, 0);  // needs a height above 3 x Amount
  fx.SqueezeHor(&b, &b, 7, 0);
  fx.SplitRound(&b, &b, 14, 0);
  EXPECT_EQ(b, src);
  Bitmap24 copy;
  fx.SplitRound(&b, &copy, 14, 0);
  EXPECT_EQ(copy, src);
}

TEST(FurtherFilters, SqueezeClampsToHalfTheWidth) {
  TFxPaintFX fx;
  for (int style = 7; style <= 13; ++style)
    for (int amount : {1, 5, 10, 11, 1000, INT_MAX, -1000}) {
      Bitmap24 b = noise(21, 9, 4);
      fx.SqueezeHor(&b, &b, style, amount);
      EXPECT_EQ(b.width(), 21);
    }
  for (int style : {14, 15, 3})
    for (int amount : {1, 10, 11, 1000, INT_MAX, -1000}) {
      Bitmap24 b = noise(21, 9, 4);
      fx.SplitRound(&b, &b, style, amount);
      EXPECT_EQ(b.width(), 21);
    }
  // Style 7 with amount 3: each row is drawn into columns 3 .. width - 4, the edges stay.
  Bitmap24 row = greys({0, 10, 20, 30, 40, 50, 60, 70, 80, 90});
  fx.SqueezeHor(&row, &row, 7, 3);
  std::vector<int> got;
  for (int x = 0; x < 10; ++x) got.push_back(row.pixel(x, 0).g);
  // 10 pixels into 4 columns (nearest): source columns 0, 2, 5, 7.
  EXPECT_EQ(got, (std::vector<int>{0, 10, 20, 0, 20, 50, 70, 70, 80, 90}));
}

TEST(FurtherFilters, SmoothRotateHalfTurnMirrorsAboutTheCentre) {
  TFxPaintFX fx;
  const Bitmap24 src = noise(8, 6, 2);
  Bitmap24 dest;
  fx.SmoothRotate(const_cast<Bitmap24*>(&src), &dest, 4, 3, 180);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dest.pixel(x, y), src.pixel(7 - x, 5 - y)) << x << "," << y;
}

TEST(FurtherFilters, MandelbrotColoursTheSetBlack) {
  TFxPaintFX fx;
  Bitmap24 b(40, 30, Bgr{1, 2, 3});
  fx.Mandelbrot(&b, 16, true, 1.5, 0.75, -1.5, -2.25);
  // (0, 0) never escapes: pixel x = 2.25 / dx, y = 1.5 / dy.
  const int x = int(std::lround(2.25 / (3.0 / 40))), y = int(std::lround(1.5 / (3.0 / 30)));
  EXPECT_EQ(b.pixel(x, y), (Bgr{0, 0, 0}));
  // Far corners escape at once: palette index Round(1 / (16 / 16)) = 1, $800000 (dark blue).
  EXPECT_EQ(b.pixel(0, 0), BgrFromColor(TFxPaintFX::PaletteColor(1)));
}

TEST(FurtherFilters, PaletteColors) {
  EXPECT_EQ(TFxPaintFX::PaletteColor(0), 0x000000u);
  EXPECT_EQ(TFxPaintFX::PaletteColor(4), 0x0000FFu);
  EXPECT_EQ(TFxPaintFX::PaletteColor(9), 0xFF0000u);
  EXPECT_EQ(TFxPaintFX::PaletteColor(15), 0xFFFFFFu);
  EXPECT_EQ(TFxPaintFX::PaletteColor(16), 0xFFFFFFu);
  EXPECT_EQ(TFxPaintFX::PaletteColor(-1), 0xFFFFFFu);
}

TEST(FurtherFilters, BlendWeights) {
  TFxPaintFX fx;
  const Bitmap24 a = greys({0, 100, 255}), b = greys({255, 50, 0});
  Bitmap24 d;
  fx.Blend(const_cast<Bitmap24*>(&a), const_cast<Bitmap24*>(&b), 0, &d);
  EXPECT_EQ(d, a);
  fx.Blend(const_cast<Bitmap24*>(&a), const_cast<Bitmap24*>(&b), 1, &d);
  EXPECT_EQ(d, b);
  fx.Blend(const_cast<Bitmap24*>(&a), const_cast<Bitmap24*>(&b), 0.5, &d);
  EXPECT_EQ(d, greys({128, 75, 128}));  // 127.5 rounds to even
  // Another size has no pixels to pair with: nothing happens.
  Bitmap24 other = greys({1, 2}), keep = a;
  fx.Blend(&keep, &other, 0.5, &keep);
  EXPECT_EQ(keep, a);
}

TEST(FurtherFilters, ColourMasks) {
  TFxPaintFX fx;
  const Bitmap24 src = make(3, {{0, 0, 255}, {10, 20, 30}, {0, 0, 255}});
  Bitmap24 keep = src, remove = src;
  fx.MaskKeepColor(&keep, 0x0000FF);  // red
  fx.MaskRemoveColor(&remove, 0x0000FF);
  EXPECT_EQ(keep, make(3, {{0, 0, 255}, {0, 0, 0}, {0, 0, 255}}));
  EXPECT_EQ(remove, make(3, {{0, 0, 0}, {10, 20, 30}, {0, 0, 0}}));
}

TEST(FurtherFilters, RippleToothCopiesDownwardWithinItsReach) {
  TFxPaintFX fx;
  Bitmap24 b = noise(30, 20, 8);
  const Bitmap24 before = b;
  fx.RippleTooth(&b, 3);
  // Column 0 always uses offset 0: unchanged.
  for (int y = 0; y < 20; ++y) EXPECT_EQ(b.pixel(0, y), before.pixel(0, y));
  // Every pixel is some pixel of the same column from at most 3 rows above.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      bool found = false;
      for (int k = 0; k <= std::min(3, y) && !found; ++k) found = b.pixel(x, y) == before.pixel(x, y - k);
      EXPECT_TRUE(found) << x << "," << y;
    }
  Bitmap24 r = noise(30, 20, 8);
  fx.RippleRandom(&r, 4);
  fx.RippleRandom(&r, -4);
  fx.RippleTooth(&r, INT_MAX);
  EXPECT_EQ(r.width(), 30);
}

TEST(FurtherFilters, TrianglesAndHeightMapKeepColoursOfTheirRow) {
  TFxPaintFX fx;
  for (int amount : {0, 5, 19, 127, INT_MAX, INT_MIN}) {
    Bitmap24 b = noise(33, 12, 6);
    const Bitmap24 before = b;
    fx.Triangles(&b, amount);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 33; ++x) {
        bool found = false;
        for (int i = 0; i <= x && !found; ++i) found = b.pixel(x, y) == before.pixel(i, y);
        EXPECT_TRUE(found);
      }
  }
  for (int amount : {1, 100, -100, INT_MAX, INT_MIN}) {
    Bitmap24 b = noise(10, 10, 7);
    fx.HeightMap(&b, amount);
    EXPECT_EQ(b.height(), 10);
  }
  // White lifts by the full amount: row 5 of a white picture goes to row 2.
  Bitmap24 w(1, 6, Bgr{0, 0, 0});
  w.setPixel(0, 5, Bgr{255, 255, 255});
  fx.HeightMap(&w, 3);
  EXPECT_EQ(w.pixel(0, 2), (Bgr{255, 255, 255}));
}

TEST(FurtherFilters, WaveShiftsRowsDownWithinTheAmount) {
  TFxPaintFX fx;
  for (int style : {0, 1, 2, 9}) {
    Bitmap24 b = noise(40, 40, 10);
    fx.Wave(&b, 4, style, 3);
    EXPECT_EQ(b.height(), 40);
  }
  // Style 0 and x = 0: the row is copied down by exactly Amount.
  Bitmap24 b = noise(5, 20, 11);
  const Bitmap24 before = b;
  fx.Wave(&b, 3, 0, 0);
  EXPECT_EQ(b.pixel(0, 16), before.pixel(0, 13));
}
