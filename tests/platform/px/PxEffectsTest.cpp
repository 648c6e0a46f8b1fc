#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PxEffects.h"
#include "PxFile.h"

using namespace px;

namespace {

QImage Picture(int w, int h, int seed) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.setPixel(x, y, qRgb((x * 7 + seed * 50) & 255, (y * 9 + seed * 90) & 255, ((x ^ y) * 5 + seed * 30) & 255));
  return img;
}

std::vector<int> g_reports;
int g_abortAt = -1;
int Record(int percent, intptr_t) {
  g_reports.push_back(percent);
  return percent == g_abortAt ? 0 : 1;
}

struct CallbackScope {
  StatusCallback old;
  CallbackScope() {
    g_reports.clear();
    g_abortAt = -1;
    old = SetStatusCallback(StatusCallback{&Record, 0});
  }
  ~CallbackScope() { SetStatusCallback(old); }
};

std::vector<int> AllValidCodes() {
  std::vector<int> codes;
  for (int c = 0; c < 17000; ++c)
    if (IsValidEffectCode(c)) codes.push_back(c);
  return codes;
}

}  // namespace

TEST(PxEffects, ValidCodesAndStyles) {
  for (int c : {1000, 1001, 2554, 3005, 16035, 9001}) EXPECT_TRUE(IsValidEffectCode(c)) << c;
  for (int c : {999, 1002, 2555, 17000, 16036, 0, -1000}) EXPECT_FALSE(IsValidEffectCode(c)) << c;
  EXPECT_EQ(AllValidCodes().size(), 2u + 555 + 6 + 30 + 264 + 526 + 264 + 260 + 2 + 4 + 7 + 10 + 8 + 8 + 36 + 36);
  for (int c : {1000, 1015, 2007, 3001, 4001, 5007}) EXPECT_TRUE(IsValidGradientStyle(c)) << c;
  for (int c : {1016, 2008, 3002, 4002, 5008, 6000}) EXPECT_FALSE(IsValidGradientStyle(c)) << c;
}

// Every code except the plain paint shows a frame between the two pictures half-way, and ends
// on the new picture.
TEST(PxEffects, EveryCodeIsARealTransition) {
  const QImage from = Picture(40, 30, 1), to = Picture(40, 30, 2);
  const QRect area(4, 3, 32, 24);
  for (int code : AllValidCodes()) {
    EffectSettings s;
    s.code = code;
    s.grain = 2;
    QImage canvas = from.copy();
    ASSERT_EQ(EfxComposeFrame(canvas, from, to, area, s, 0.5), kOk) << code;
    if (code != 1000) {
      EXPECT_NE(canvas, from) << code;
      EXPECT_NE(canvas.copy(area), to.copy(area)) << code;
    }
    ASSERT_EQ(EfxComposeFrame(canvas, from, to, area, s, 1.0), kOk);
    ASSERT_EQ(canvas.copy(area), to.copy(area)) << code;
    // Outside the area nothing changes.
    ASSERT_EQ(canvas.pixel(0, 0), from.pixel(0, 0)) << code;
  }
}

TEST(PxEffects, FamiliesDifferFromEachOther) {
  const QImage from = Picture(48, 36, 3), to = Picture(48, 36, 4);
  std::vector<QImage> frames;
  for (int code : {1001, 2000, 2001, 2002, 2004, 3000, 3004, 4000, 5000, 6000, 7000, 7002, 8000, 8002, 9000, 9001,
                   10000, 11000, 12000, 12002, 13000, 14000, 15000, 16000}) {
    EffectSettings s;
    s.code = code;
    QImage canvas = from.copy();
    ASSERT_EQ(EfxComposeFrame(canvas, from, to, canvas.rect(), s, 0.3), kOk);
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_NE(canvas, frames[i]) << code << " same as #" << i;
    frames.push_back(canvas);
  }
}

TEST(PxEffects, PassesReportAHundredRisingPercentages) {
  const QImage from = Picture(30, 20, 1), to = Picture(30, 20, 2);
  for (int maxPasses : {1, 3, 64}) {
    CallbackScope scope;
    EffectSettings s;
    s.code = 6003;
    QImage canvas = from.copy();
    QImage firstPass;
    for (int pass = 1; pass <= maxPasses; ++pass) {
      ASSERT_EQ(EfxRunPass(canvas, from, to, canvas.rect(), s, pass, maxPasses), kOk);
      if (pass == 1) firstPass = canvas.copy();
    }
    ASSERT_EQ(g_reports.size(), 100u) << maxPasses;
    for (size_t i = 1; i < g_reports.size(); ++i) ASSERT_GT(g_reports[i], g_reports[i - 1]);
    EXPECT_EQ(g_reports.back(), 100);
    EXPECT_EQ(canvas, to);
    if (maxPasses > 1) {
      EXPECT_NE(firstPass, canvas);
    }
  }
}

TEST(PxEffects, AbortStopsAtOnceOnTheNewPicture) {
  CallbackScope scope;
  g_abortAt = 40;
  const QImage from = Picture(30, 20, 1), to = Picture(30, 20, 2);
  EffectSettings s;
  s.code = 2000;
  QImage canvas = from.copy();
  EXPECT_EQ(EfxRunPass(canvas, from, to, canvas.rect(), s, 1, 1), kAborted);
  EXPECT_EQ(g_reports.size(), 40u);
  EXPECT_EQ(canvas, to);
}

TEST(PxEffects, WandAndTransparentColour) {
  QImage from(40, 10, QImage::Format_RGB32), to(40, 10, QImage::Format_RGB32);
  from.fill(qRgb(0, 0, 0));
  to.fill(qRgb(255, 255, 255));
  EffectSettings s;
  s.code = 2000;  // left to right, hard edge
  s.wandSize = 4;
  s.wandRgb = 0xFF0000;
  QImage canvas = from.copy();
  ASSERT_EQ(EfxComposeFrame(canvas, from, to, canvas.rect(), s, 0.5), kOk);
  EXPECT_EQ(canvas.pixel(5, 5), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(21, 5), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.pixel(35, 5), qRgb(0, 0, 0));
  // Pixels of the new picture in the transparent colour are not painted.
  to.setPixel(3, 3, qRgb(1, 2, 3));
  s.wandSize = 0;
  s.useTransparent = true;
  s.transparentRgb = 0x010203;
  canvas = from.copy();
  ASSERT_EQ(EfxRunPass(canvas, from, to, canvas.rect(), s, 1, 1), kOk);
  EXPECT_EQ(canvas.pixel(3, 3), qRgb(0, 0, 0));
  EXPECT_EQ(canvas.pixel(4, 3), qRgb(255, 255, 255));
}

TEST(PxEffects, BadArgumentsAreRefused) {
  QImage a = Picture(10, 10, 1), b = Picture(12, 10, 2);
  EffectSettings s;
  s.code = 1002;
  EXPECT_EQ(EfxRunPass(a, a, a, a.rect(), s, 1, 1), kInvalidParam);
  s.code = 2000;
  EXPECT_EQ(EfxRunPass(a, a, b, a.rect(), s, 1, 1), kInvalidParam);
  EXPECT_EQ(EfxRunPass(a, a, a, a.rect(), s, 1, 0), kInvalidParam);
  EXPECT_EQ(EfxRunPass(a, a, a, QRect(50, 50, 5, 5), s, 1, 1), kOk);  // nothing to paint
}

TEST(PxEffects, GradientsAndPatterns) {
  QImage g = GradientImage(QSize(64, 8), 1000, Qt::red, Qt::blue, 4);
  ASSERT_FALSE(g.isNull());
  EXPECT_EQ(g.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(g.pixel(63, 0), qRgb(0, 0, 255));
  int bands = 1;
  for (int x = 1; x < 64; ++x) bands += g.pixel(x, 0) != g.pixel(x - 1, 0);
  EXPECT_EQ(bands, 4);
  EXPECT_TRUE(GradientImage(QSize(8, 8), 1016, Qt::red, Qt::blue, 4).isNull());
  for (int style : {2000, 2007, 3000, 3001, 4000, 5003}) EXPECT_FALSE(GradientImage(QSize(9, 9), style, Qt::red, Qt::blue, 16).isNull());
  QImage back = Picture(16, 16, 1);
  EXPECT_EQ(PatternImage(back, 1, Qt::red, Qt::blue), back);
  QImage solid = PatternImage(back, 0, Qt::red, Qt::blue);
  EXPECT_EQ(solid.pixel(5, 5), qRgb(255, 0, 0));
  QImage hatch = PatternImage(back, 2, Qt::red, Qt::blue);
  bool sawFore = false;
  for (int y = 0; y < 16; ++y) sawFore |= hatch.pixel(3, y) == qRgb(0, 0, 255);
  EXPECT_TRUE(sawFore);
}

namespace {

// For every pixel of a W x H picture turning from black to white with `code`, the first of the
// steps t = 0, 0.01 .. 1 at which it is white.
struct Reveal {
  int w = 0;
  std::vector<int> step;
  bool soft = false;  // some pixel shown between the pictures at some step
  int at(QPoint p) const { return step[size_t(p.y() * w + p.x())]; }
};

Reveal RevealOf(int code, int grain, int w, int h) {
  QImage from(w, h, QImage::Format_RGB32), to(w, h, QImage::Format_RGB32);
  from.fill(qRgb(0, 0, 0));
  to.fill(qRgb(255, 255, 255));
  EffectSettings s;
  s.code = code;
  s.grain = grain;
  Reveal r;
  r.w = w;
  r.step.assign(size_t(w * h), 101);
  for (int k = 0; k <= 100; ++k) {
    QImage canvas = from.copy();
    EXPECT_EQ(EfxComposeFrame(canvas, from, to, canvas.rect(), s, k / 100.0), kOk);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const QRgb p = canvas.pixel(x, y) & 0xFFFFFF;
        if (p == 0xFFFFFF && r.step[size_t(y * w + x)] == 101) r.step[size_t(y * w + x)] = k;
        if (p != 0 && p != 0xFFFFFF) r.soft = true;
      }
  }
  return r;
}

}  // namespace

// Each transition pattern reveals the pixels in its order: `order` turn one after the other,
// `together` in the same step, and blocks, rows or bars turn `distinct` separate times. The
// orders are worked out from what each pattern is: a wipe from a side or corner, bands, a
// checkerboard, random blocks, an iris from an anchor, a clock, a spiral of squares, bars from
// the centre lines or diagonals, alternating strips, random bars and a fan of blades.
TEST(PxEffects, EveryPatternRevealsInItsOrder) {
  using Pairs = std::vector<std::pair<QPoint, QPoint>>;
  struct Case {
    Case(int code, int grain, int w, int h, std::vector<QPoint> order, Pairs together = {}, bool soft = false,
         int distinct = 0)
        : code(code), grain(grain), w(w), h(h), order(std::move(order)), together(std::move(together)), soft(soft),
          distinct(distinct) {}
    int code, grain, w, h;
    std::vector<QPoint> order;
    Pairs together;
    bool soft;
    int distinct;
  };
  const Case cases[] = {
      // Wipes: from the left, right, top, bottom and the four corners.
      {2000, 1, 40, 30, {{0, 5}, {20, 5}, {39, 5}}, {{{20, 0}, {20, 11}}}},
      {2001, 1, 40, 30, {{39, 5}, {20, 5}, {0, 5}}},
      {2002, 1, 40, 30, {{5, 0}, {5, 15}, {5, 29}}, {{{0, 15}, {39, 15}}}},
      {2003, 1, 40, 30, {{5, 29}, {5, 15}, {5, 0}}},
      {2004, 1, 40, 30, {{0, 0}, {20, 15}, {39, 29}}},
      {2005, 1, 40, 30, {{39, 0}, {20, 15}, {0, 29}}},
      {2006, 1, 40, 30, {{0, 29}, {20, 15}, {39, 0}}},
      {2007, 1, 40, 30, {{39, 29}, {20, 15}, {0, 0}}},
      // A soft edge, and a wavy one (a column's rows turn at different times).
      {2008, 1, 40, 30, {{0, 5}, {39, 5}}, {}, true},
      {2080, 1, 40, 30, {{20, 0}, {20, 11}}},
      {2082, 1, 40, 30, {{0, 20}, {11, 20}}},
      // Bands four pixels high (eight with the next band size or grain 2), each row at once.
      {4000, 1, 40, 30, {{5, 0}, {5, 1}, {5, 3}}, {{{5, 0}, {30, 4}}, {{5, 0}, {5, 8}}}},
      {4001, 1, 40, 30, {{5, 3}, {5, 2}, {5, 0}}},
      {4002, 1, 40, 30, {{0, 5}, {1, 5}, {3, 5}}, {{{0, 5}, {4, 20}}}},
      {4003, 1, 40, 30, {{3, 5}, {0, 5}}},
      {4004, 1, 40, 30, {{5, 0}, {5, 4}, {5, 7}}, {{{5, 0}, {5, 8}}}},
      {4000, 2, 40, 30, {{5, 0}, {5, 7}}, {{{5, 0}, {5, 8}}}},
      // Checkerboard of 4-pixel cells: one colour of cells first, each cell wiped in its direction.
      {5000, 1, 40, 30, {{0, 0}, {3, 0}, {4, 0}, {7, 0}}, {{{0, 0}, {0, 3}}, {{4, 0}, {0, 4}}}},
      {5001, 1, 40, 30, {{0, 0}, {0, 3}, {4, 0}}, {{{0, 0}, {3, 0}}}},
      {5002, 1, 40, 30, {{3, 0}, {0, 0}, {7, 0}, {4, 0}}},
      {5003, 1, 40, 30, {{0, 3}, {0, 0}}},
      {5004, 1, 40, 30, {{0, 0}, {5, 0}, {6, 0}}, {{{6, 0}, {0, 6}}}},
      // Random blocks, rows and columns of the grain's size.
      {6000, 5, 40, 30, {}, {{{0, 0}, {4, 4}}, {{5, 5}, {9, 9}}}, false, 48},
      {6001, 5, 40, 30, {}, {{{0, 0}, {39, 4}}}, false, 6},
      {6002, 5, 40, 30, {}, {{{0, 0}, {4, 29}}}, false, 8},
      // Irises from the centre: rectangle, its closing form, diamond, ellipse; from an anchor.
      {7000, 1, 40, 40, {{20, 20}, {30, 20}, {35, 20}, {39, 39}}, {{{30, 20}, {20, 30}}, {{30, 20}, {30, 30}}}},
      {7001, 1, 40, 40, {{39, 39}, {30, 20}, {20, 20}}},
      {7002, 1, 40, 40, {{20, 20}, {30, 20}, {35, 20}, {30, 30}}, {{{30, 20}, {20, 30}}}},
      {7004, 1, 40, 40, {{10, 10}, {20, 20}, {39, 39}}},
      {7036, 1, 40, 40, {{20, 20}, {39, 39}}, {}, true},
      {8000, 1, 40, 40, {{20, 20}, {30, 20}, {30, 30}, {35, 20}}, {{{30, 20}, {20, 30}}}},
      {8000, 1, 40, 30, {{30, 15}, {20, 24}}},
      {8002, 1, 40, 30, {{20, 24}, {30, 15}}},
      // Clock wipes from twelve o'clock, clockwise and back.
      {9000, 1, 40, 30, {{21, 2}, {38, 15}, {20, 28}, {2, 15}, {19, 2}}},
      {9001, 1, 40, 30, {{19, 2}, {2, 15}, {20, 28}, {38, 15}, {21, 2}}},
      // Spirals of 8-pixel squares (5 x 4): clockwise and anticlockwise, inwards and outwards.
      {10000, 1, 40, 32, {{4, 4}, {36, 4}, {36, 28}, {4, 28}, {4, 12}, {12, 12}, {28, 12}, {28, 20}, {12, 20}},
       {{{0, 0}, {7, 7}}}},
      {10001, 1, 40, 32, {{4, 4}, {4, 28}, {36, 28}, {36, 4}, {12, 4}, {12, 12}, {12, 20}, {28, 20}, {28, 12}, {20, 12}}},
      {10002, 1, 40, 32, {{12, 20}, {28, 20}, {12, 12}, {4, 12}, {4, 4}}},
      {10003, 1, 40, 32, {{20, 12}, {28, 12}, {12, 12}, {4, 4}}},
      // From the centre lines, the cross of both and the diagonals, and the reverse.
      {12000, 1, 40, 30, {{5, 15}, {5, 8}, {5, 0}}, {{{0, 14}, {39, 15}}}},
      {12001, 1, 40, 30, {{5, 0}, {5, 8}, {5, 15}}},
      {12002, 1, 40, 30, {{20, 5}, {10, 5}, {0, 5}}, {{{19, 0}, {20, 29}}}},
      {12003, 1, 40, 30, {{0, 5}, {10, 5}, {20, 5}}},
      {12004, 1, 40, 30, {{19, 3}, {10, 8}, {0, 0}}, {{{19, 0}, {20, 29}}}},
      {12005, 1, 40, 30, {{0, 0}, {10, 8}, {19, 3}}},
      {12006, 1, 40, 30, {{0, 0}, {20, 5}, {39, 0}}, {{{0, 0}, {39, 29}}}},
      {12007, 1, 40, 30, {{39, 0}, {20, 5}, {0, 0}}},
      {12008, 1, 40, 30, {{39, 0}, {20, 5}, {0, 0}}, {{{39, 0}, {0, 29}}}},
      {12009, 1, 40, 30, {{0, 0}, {20, 5}, {39, 0}}},
      // Strips wiped in turn from either side (two pixels; four with the next size).
      {13000, 1, 40, 30, {{1, 0}, {38, 0}}, {{{1, 0}, {38, 2}}, {{5, 0}, {5, 1}}}},
      {13001, 1, 40, 30, {{0, 1}, {0, 28}}, {{{0, 1}, {2, 28}}}},
      {13002, 1, 40, 30, {{38, 4}, {1, 4}}, {{{5, 0}, {5, 3}}}},
      // Random bars one or two pixels wide.
      {15000, 1, 40, 30, {}, {{{0, 7}, {39, 7}}}, false, 30},
      {15002, 1, 40, 30, {}, {{{0, 0}, {39, 1}}}, false, 15},
      {15001, 1, 40, 30, {}, {{{7, 0}, {7, 29}}}, false, 40},
      // Fans: two blades clockwise and anticlockwise, three blades, two blades from 30 degrees.
      {16000, 1, 40, 30, {{21, 2}, {38, 15}, {18, 2}}, {{{21, 2}, {18, 27}}}},
      {16000, 1, 40, 30, {{28, 19}, {28, 20}}},
      {16006, 1, 40, 30, {{18, 2}, {1, 15}, {21, 2}}, {{{18, 2}, {21, 27}}}},
      {16001, 1, 40, 30, {{28, 20}, {21, 2}, {38, 15}, {28, 19}}},
      {16012, 1, 40, 30, {{26, 5}, {38, 15}, {21, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.code << " grain " << c.grain << " " << c.w << "x" << c.h);
    const Reveal r = RevealOf(c.code, c.grain, c.w, c.h);
    for (size_t i = 1; i < c.order.size(); ++i)
      EXPECT_LT(r.at(c.order[i - 1]), r.at(c.order[i]))
          << c.order[i - 1].x() << "," << c.order[i - 1].y() << " before " << c.order[i].x() << "," << c.order[i].y();
    for (const auto& [a, b] : c.together)
      EXPECT_EQ(r.at(a), r.at(b)) << a.x() << "," << a.y() << " with " << b.x() << "," << b.y();
    EXPECT_EQ(r.soft, c.soft);
    if (c.distinct) {
      EXPECT_EQ(int(std::set<int>(r.step.begin(), r.step.end()).size()), c.distinct);
    }
    EXPECT_EQ(*std::max_element(r.step.begin(), r.step.end()), 100) << "the last pixel turns at the end";
  }
}

// Every code of every pattern family: the frames at a quarter, half and three quarters, with a
// wand and at two grains, held as one digest per family. Recorded once, after the orders above
// and the frames themselves were looked at; a change in any code's pattern, soft edge or wand
// travel shows here. Take a new digest from the failure message only after looking again.
TEST(PxEffects, EveryCodeKeepsItsRecordedFrames) {
  const std::map<int, std::string> recorded = {
      {2000, "b07b4c37f26d1565"},  {4000, "7c8bb330a1d43ddf"},  {5000, "937b88fe09ac1921"},
      {6000, "42b0340e31d0dae7"},  {7000, "f5240f304d3cbda1"},  {8000, "0d6c549ed025db5d"},
      {9000, "142d9ec5a6c11585"},  {10000, "499511a0995867a5"}, {12000, "d7b30c711ad58325"},
      {13000, "d35a284e5e418955"}, {15000, "112744b4880da601"}, {16000, "828ef174b20ccf31"},
  };
  const QImage from = Picture(24, 18, 1), to = Picture(24, 18, 2);
  std::map<int, uint64_t> digests;
  for (int code : AllValidCodes()) {
    const int family = code / 1000 * 1000;
    if (family == 1000 || family == 3000 || family == 11000 || family == 14000) continue;  // painted, not mapped
    uint64_t& h = digests.try_emplace(family, 14695981039346656037ull).first->second;
    for (int grain : {1, 3})
      for (double t : {0.25, 0.5, 0.75}) {
        EffectSettings s;
        s.code = code;
        s.grain = grain;
        s.wandSize = 3;
        s.wandRgb = 0x00FF00;
        QImage canvas = from.copy();
        ASSERT_EQ(EfxComposeFrame(canvas, from, to, canvas.rect(), s, t), kOk);
        for (int y = 0; y < canvas.height(); ++y) {
          const auto* line = canvas.constScanLine(y);
          for (int i = 0; i < canvas.width() * 4; ++i) h = (h ^ line[i]) * 1099511628211ull;
        }
      }
  }
  std::string all;
  for (const auto& [family, h] : digests) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    all += "{" + std::to_string(family) + ", \"" + hex + "\"}, ";
    const auto it = recorded.find(family);
    EXPECT_TRUE(it != recorded.end() && it->second == hex) << family << ": " << hex;
  }
  EXPECT_EQ(digests.size(), recorded.size()) << all;
}
