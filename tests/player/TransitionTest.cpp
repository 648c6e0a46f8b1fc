#include "Transition.h"

#include <gtest/gtest.h>

using namespace kalvora::player;

namespace {

QImage Solid(QColor c, int w = 97, int h = 61) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

// Sum over all pixels of how far each is still from the target picture.
qint64 DistanceTo(const QImage& img, const QImage& target) {
  qint64 d = 0;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* a = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    const QRgb* b = reinterpret_cast<const QRgb*>(target.constScanLine(y));
    for (int x = 0; x < img.width(); ++x)
      d += std::abs(qRed(a[x]) - qRed(b[x])) + std::abs(qGreen(a[x]) - qGreen(b[x])) +
           std::abs(qBlue(a[x]) - qBlue(b[x]));
  }
  return d;
}

const Family kAll[] = {
    Family::Cut,          Family::WipeFromLeft,  Family::WipeFromRight,    Family::WipeFromTop,
    Family::WipeFromBottom, Family::PushFromLeft, Family::PushFromRight,   Family::PushFromTop,
    Family::PushFromBottom, Family::BlindsHorizontal, Family::BlindsVertical, Family::Dissolve,
    Family::Checker,      Family::Crossfade,     Family::BoxOut,           Family::BoxIn,
};

}  // namespace

TEST(TransitionTest, EveryFamilyMovesMonotonicallyFromTheOldToTheNewPicture) {
  const QImage from = Solid(QColor(220, 30, 30));
  const QImage to = Solid(QColor(20, 40, 230));
  const qint64 start = DistanceTo(from, to);
  for (Family fam : kAll) {
    for (int grain : {1, 5, 256}) {
      const TransitionLook look{fam, grain, 0};
      qint64 last = start;
      bool moved = false;
      for (int step = 0; step <= 40; ++step) {
        const QImage frame = ComposeTransition(from, to, look, step / 40.0);
        ASSERT_EQ(frame.size(), to.size());
        const qint64 d = DistanceTo(frame, to);
        EXPECT_LE(d, last) << int(fam) << " grain " << grain << " step " << step;
        if (step > 0 && step < 40 && d < start && d > 0) moved = true;
        last = d;
      }
      EXPECT_EQ(last, 0) << int(fam);
      if (fam != Family::Cut) {
        EXPECT_TRUE(moved) << int(fam) << " has no frames in between";
      }
      EXPECT_EQ(DistanceTo(ComposeTransition(from, to, look, 0.0), from), fam == Family::Cut ? start : 0);
    }
  }
}

TEST(TransitionTest, WipeAndPushTakeTheNewPictureFromTheNamedSide) {
  const QImage from = Solid(Qt::red, 100, 100);
  const QImage to = Solid(Qt::blue, 100, 100);
  struct Case { Family f; QPoint newPixel, oldPixel; } cases[] = {
      {Family::WipeFromLeft, {10, 50}, {90, 50}},  {Family::WipeFromRight, {90, 50}, {10, 50}},
      {Family::WipeFromTop, {50, 10}, {50, 90}},   {Family::WipeFromBottom, {50, 90}, {50, 10}},
      {Family::PushFromLeft, {10, 50}, {90, 50}},  {Family::PushFromRight, {90, 50}, {10, 50}},
      {Family::PushFromTop, {50, 10}, {50, 90}},   {Family::PushFromBottom, {50, 90}, {50, 10}},
      {Family::BoxOut, {50, 50}, {2, 2}},          {Family::BoxIn, {2, 2}, {50, 50}},
  };
  for (const Case& c : cases) {
    const QImage f = ComposeTransition(from, to, TransitionLook{c.f, 5, 0}, 0.3);
    EXPECT_EQ(f.pixelColor(c.newPixel), QColor(Qt::blue)) << int(c.f);
    EXPECT_EQ(f.pixelColor(c.oldPixel), QColor(Qt::red)) << int(c.f);
  }
}

TEST(TransitionTest, PushMovesThePictureContent) {
  QImage from = Solid(Qt::white, 100, 10);
  from.setPixelColor(0, 5, Qt::black);
  const QImage f = ComposeTransition(from, Solid(Qt::blue, 100, 10), TransitionLook{Family::PushFromLeft, 5, 0}, 0.25);
  EXPECT_EQ(f.pixelColor(25, 5), QColor(Qt::black));
}

TEST(TransitionTest, WandDrawsAnEdge) {
  const QImage f = ComposeTransition(Solid(Qt::red, 100, 100), Solid(Qt::blue, 100, 100),
                                     TransitionLook{Family::WipeFromLeft, 5, 4}, 0.5);
  EXPECT_EQ(f.pixelColor(51, 50), QColor(Qt::black));
  EXPECT_EQ(f.pixelColor(49, 50), QColor(Qt::blue));
}

TEST(TransitionTest, OddInputs) {
  const QImage to = Solid(Qt::blue, 30, 20);
  // A missing or differently sized old picture counts as black.
  EXPECT_EQ(ComposeTransition(QImage(), to, TransitionLook{Family::Crossfade, 5, 0}, 0.0).pixelColor(3, 3),
            QColor(Qt::black));
  EXPECT_EQ(ComposeTransition(Solid(Qt::red, 5, 5), to, TransitionLook{Family::Dissolve, 5, 0}, 1.0), to);
  EXPECT_EQ(ComposeTransition(Solid(Qt::red, 30, 20), to, TransitionLook{Family::WipeFromLeft, 5, 0}, 7.0), to);
  EXPECT_EQ(ComposeTransition(Solid(Qt::red, 30, 20), to, TransitionLook{Family::WipeFromLeft, 5, 0}, -1.0),
            Solid(Qt::red, 30, 20));
}

TEST(TransitionTest, EffectCodesMapToFamilies) {
  struct Case { int code; Family f; } cases[] = {
      {1000, Family::Cut},          {1001, Family::Cut},          {2000, Family::WipeFromLeft},
      {2001, Family::WipeFromRight}, {2554, Family::WipeFromTop}, {3000, Family::BoxOut},
      {3001, Family::BoxIn},        {4003, Family::PushFromBottom}, {5000, Family::BlindsHorizontal},
      {5001, Family::BlindsVertical}, {6525, Family::Dissolve},   {7000, Family::Checker},
      {8259, Family::Crossfade},    {9001, Family::BoxIn},        {10000, Family::PushFromLeft},
      {11006, Family::WipeFromTop}, {12001, Family::BlindsVertical}, {13007, Family::Checker},
      {14000, Family::Dissolve},    {15035, Family::WipeFromBottom}, {16000, Family::Crossfade},
      {1002, Family::Cut},          {2555, Family::Cut},          {17000, Family::Cut},
      {-5, Family::Cut},
  };
  for (const Case& c : cases) {
    EffectLine line;
    line.code = c.code;
    EXPECT_EQ(int(LookForEffect(line).family), int(c.f)) << c.code;
  }
}

TEST(TransitionTest, LengthGrowsWithPassesAndDelayUpToTheCap) {
  EffectLine l{2000, 0, 5, 1, 0};
  const int one = TransitionMsForEffect(l, 10000);
  l.passes = 16;
  const int sixteen = TransitionMsForEffect(l, 10000);
  l.delay = 20;
  const int slow = TransitionMsForEffect(l, 10000);
  EXPECT_LT(one, sixteen);
  EXPECT_LT(sixteen, slow);
  EXPECT_EQ(TransitionMsForEffect(l, 700), 700);
  EXPECT_EQ(TransitionMsForEffect(EffectLine{1000, 50, 5, 64, 0}, 5000), 0);
}
