// Paint effects and transitions of the picture component, rendered into offscreen widgets.
#include <gtest/gtest.h>

#include <QImage>

#include "PicImageVCL.h"
#include "PxProcess.h"

namespace {

px::Bitmap Solid(int w, int h, uint32_t rgb) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  px::FillBitmap(b, rgb);
  return b;
}

struct EffectRun {
  std::vector<QImage> passFrames;  // EffectFrame after each picture pass
  std::vector<int> percents;
  QImage shot;
};

// Shows a red picture, then hands in a blue one and paints it with `code`.
EffectRun PaintEffect(int code, unsigned passes, int abortAt = -1) {
  TPicImage img;
  img.resize(64, 48);
  img.SetPaintSizeMode(smStretch);
  px::Bitmap red = Solid(32, 24, 0xFF0000), blue = Solid(32, 24, 0x0000FF);
  img.SetBitmap(&red);
  img.show();
  (void)img.grab();
  EffectRun run;
  img.SetPaintEffect(code);
  img.SetPaintMaxPasses(passes);
  img.SetEnableProgressEvent(true);
  img.OnPaintNotify = [&](TPicImage* p, unsigned pass, unsigned type) {
    if (type == 1 && pass > 0) run.passFrames.push_back(p->EffectFrame().copy());
  };
  img.OnStatus = [&](TPicImage* p, int percent) {
    run.percents.push_back(percent);
    if (percent == abortAt) p->SetEnableProgressEvent(false);
  };
  img.SetBitmap(&blue);
  run.shot = img.grab().toImage();
  img.OnStatus = nullptr;
  img.OnPaintNotify = nullptr;
  return run;
}

bool AllColour(const QImage& img, QRgb c) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != (c & 0xFFFFFF)) return false;
  return true;
}

}  // namespace

TEST(PicImageEffects, EveryFamilyAnimatesAndEndsOnTheNewPicture) {
  for (int code : {1001, 2000, 2013, 3000, 3004, 4000, 5001, 6000, 7000, 7003, 8000, 8002, 9000, 10001, 11000, 12004,
                   13001, 14000, 15001, 16000}) {
    SCOPED_TRACE(code);
    EffectRun run = PaintEffect(code, 4);
    ASSERT_EQ(run.passFrames.size(), 4u);
    EXPECT_NE(run.passFrames.front(), run.passFrames.back());
    EXPECT_TRUE(AllColour(run.passFrames.back(), qRgb(0, 0, 255)));
    EXPECT_FALSE(AllColour(run.passFrames.front(), qRgb(0, 0, 255)));
    EXPECT_TRUE(AllColour(run.shot, qRgb(0, 0, 255)));
    ASSERT_GE(run.percents.size(), 90u);
    for (size_t i = 1; i < run.percents.size(); ++i) ASSERT_GT(run.percents[i], run.percents[i - 1]);
    EXPECT_EQ(run.percents.back(), 100);
  }
}

TEST(PicImageEffects, SwitchingProgressOffStopsTheEffect) {
  EffectRun run = PaintEffect(2000, 4, 30);
  EXPECT_EQ(run.percents.size(), 30u);
  EXPECT_EQ(run.percents.back(), 30);
  ASSERT_EQ(run.passFrames.size(), 4u);
  // The pass in which the abort came already ends on the new picture.
  EXPECT_TRUE(AllColour(run.passFrames[1], qRgb(0, 0, 255)));
  EXPECT_TRUE(AllColour(run.shot, qRgb(0, 0, 255)));
}

TEST(PicImageEffects, AbortAtTheEndDoesNotLeakIntoTheNextOperation) {
  TPicImage img;
  img.resize(40, 40);
  px::Bitmap b = Solid(40, 40, 0x808080);
  img.SetBitmap(&b);
  img.SetPaintEffect(2000);
  img.SetEnableProgressEvent(true);
  img.OnStatus = [](TPicImage* p, int percent) {
    if (percent == 100) p->SetEnableProgressEvent(false);
  };
  img.show();
  (void)img.grab();
  img.OnStatus = nullptr;
  EXPECT_FALSE(TPicImage::AbortRequested());
  EXPECT_EQ(img.Sharpen(300), 1);
}

// The production's capture window: progress on at the first paint notification, a frame every
// fifth status event below 94, progress off at 94.
TEST(PicImageEffects, CaptureWindowGetsEighteenFrames) {
  TPicImage img;
  img.resize(50, 40);
  px::Bitmap a = Solid(50, 40, 0x00FF00), b = Solid(50, 40, 0xFFFF00);
  img.SetBitmap(&a);
  img.show();
  (void)img.grab();
  img.SetPaintEffect(6000);
  img.SetEffectGrain(4);
  bool armed = true;
  int count = 0, frames = 0, closedAt = -1;
  std::vector<QImage> grabbed;
  img.OnPaintNotify = [&](TPicImage* p, unsigned, unsigned) {
    if (armed) p->SetEnableProgressEvent(true);
  };
  img.OnStatus = [&](TPicImage* p, int percent) {
    if (percent < 94) {
      if (++count == 5) {
        count = 0;
        ++frames;
        grabbed.push_back(p->EffectFrame().copy());
      }
    } else if (closedAt < 0) {
      p->SetEnableProgressEvent(false);
      armed = false;
      closedAt = percent;
    }
  };
  img.SetBitmap(&b);
  (void)img.grab();
  EXPECT_EQ(frames, 18);
  EXPECT_EQ(closedAt, 94);
  ASSERT_EQ(grabbed.size(), 18u);
  EXPECT_NE(grabbed.front(), grabbed.back());
}

TEST(PicImageEffects, PlainPaintAndTransitionPassSequence) {
  TPicImage img;
  img.resize(60, 60);
  px::Bitmap b = Solid(30, 30, 0xFF0000);
  img.SetBitmap(&b);
  img.SetTransitionStyle(etsGradient);
  img.SetGradientStyle(2000);
  img.SetTransitionEffect(7000);
  img.SetPaintMaxPasses(2);
  std::vector<std::pair<unsigned, unsigned>> notes;
  img.OnPaintNotify = [&](TPicImage*, unsigned pass, unsigned type) { notes.emplace_back(pass, type); };
  img.show();
  (void)img.grab();
  ASSERT_GE(notes.size(), 6u);
  std::vector<std::pair<unsigned, unsigned>> first(notes.begin(), notes.begin() + 6);
  EXPECT_EQ(first, (std::vector<std::pair<unsigned, unsigned>>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
}

// The transition runs over the picture's rectangle, the picture is painted over it, and with
// BackErase the rest of the control is the back colour (the pattern does not show around it).
TEST(PicImageEffects, PatternTransitionRunsUnderThePicture) {
  TPicImage img;
  img.resize(80, 80);
  img.SetBackErase(true);
  px::Bitmap b = Solid(20, 20, 0xFF0000);
  img.SetBitmap(&b);
  img.SetTransitionStyle(etsPattern);
  img.SetPatternStyle(epsSolid);
  img.SetPatternBackColor(0x00FF00);  // green
  img.SetTransitionEffect(2000);
  std::vector<std::pair<unsigned, unsigned>> notes;
  img.OnPaintNotify = [&](TPicImage*, unsigned pass, unsigned type) { notes.emplace_back(pass, type); };
  img.show();
  QImage shot = img.grab().toImage();
  ASSERT_GE(notes.size(), 4u);
  using Notes = std::vector<std::pair<unsigned, unsigned>>;
  EXPECT_EQ(Notes(notes.begin(), notes.begin() + 4), (Notes{{0, 0}, {1, 0}, {0, 1}, {1, 1}}))
      << "the transition's pass, then the picture's";
  EXPECT_EQ(shot.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(19, 19), QColor(255, 0, 0));
  for (const QPoint& at : {QPoint(20, 20), QPoint(50, 50), QPoint(79, 79), QPoint(5, 40), QPoint(40, 5)})
    EXPECT_EQ(shot.pixelColor(at), ColorToQColor(img.BackColor(), &img.palette())) << at.x() << "," << at.y();
}

TEST(PicImageEffects, CenterImageKeepsEachAxisOnItsOwn) {
  TPicImage img;
  img.resize(100, 100);
  img.SetCenterImage(true);
  px::Bitmap b = Solid(300, 300, 0x123456);
  img.SetBitmap(&b);
  img.show();
  (void)img.grab();
  img.ScrollVertBy(50);
  img.ScrollHorzBy(20);
  (void)img.grab();
  EXPECT_EQ(img.DstTop(), -50);
  EXPECT_EQ(img.DstLeft(), -20);
}

TEST(PicImageEffects, RegionOnlyPaintAndOutline) {
  TPicImage img;
  img.resize(40, 40);
  img.SetBackColor(0x00FF00);  // green
  px::Bitmap b = Solid(40, 40, 0xFF0000);
  img.SetBitmap(&b);
  img.SetRgnRect(10, 10, 10, 10, 1);
  img.SetPaintRgnOnly(true);
  img.show();
  QImage shot = img.grab().toImage();
  EXPECT_EQ(shot.pixelColor(15, 15), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(30, 30), QColor(0, 255, 0));
  // A filled region (frame type 3) shows in its colour.
  img.SetPaintRgnOnly(false);
  img.SetRgnColor(0xFF0000);  // blue
  img.SetRgnFrameType(3);
  shot = img.grab().toImage();
  EXPECT_EQ(shot.pixelColor(15, 15), QColor(0, 0, 255));
  EXPECT_EQ(shot.pixelColor(30, 30), QColor(255, 0, 0));
  img.SetRgnFrameType(0);
}
