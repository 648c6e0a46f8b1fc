#include <gtest/gtest.h>

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
