// Pan window and magnifying glass of the picture component.
#include <gtest/gtest.h>

#include <QTest>
#include <functional>

#include "PicImageVCL.h"

namespace {

px::Bitmap Picture(int w, int h) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, x < w / 2 ? 0xFF0000u : 0x0000FFu);
  return b;
}

struct Shown {
  TPicImage img;
  Shown() {
    img.setObjectName("PicImage1");
    img.resize(200, 150);
    px::Bitmap b = Picture(400, 300);
    EXPECT_EQ(img.SetBitmap(&b), 1);
    img.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&img));
  }
};

}  // namespace

TEST(PicImagePanWin, DefaultsAndSettersWithoutAWindow) {
  TPicImage img;
  EXPECT_EQ(img.PanWinWidth(), 150);
  EXPECT_EQ(img.PanWinHeight(), 150);
  EXPECT_EQ(img.PanWinTitle(), "Pan Window");
  EXPECT_EQ(img.PanWinRectColor(), 255);
  EXPECT_TRUE(img.PanWinSysMenu());
  EXPECT_EQ(img.PanWinFlags(), 0x201u);
  EXPECT_EQ(img.PanWinPaintScaling(), psResample);
  EXPECT_EQ(img.MagGlassPaintScaling(), psResample);
  img.SetPanWinWidth(220);
  EXPECT_EQ(img.LastError(), 1);
  EXPECT_EQ(img.PanWinWidth(), 220);
  EXPECT_EQ(img.UpdatePanWin(), 1);
  // The option setters keep the bits of the other groups.
  img.SetPanWinPaintScaling(psBicubic);
  EXPECT_EQ(img.PanWinFlags(), 0x401u);
  img.SetPanWinPaintDither(pdDiffusion);
  EXPECT_EQ(img.PanWinFlags(), 0x400u);
  img.SetPanWinPaintPalette(ppFixedNetscape);
  img.SetPanWinBitonalScaling(btsFavorBlack);
  EXPECT_EQ(img.PanWinFlags(), 0x400u | 0x180u | 0x40u);
  // Without a picture no window opens.
  EXPECT_NE(img.ShowPanWin(true), 1);
  EXPECT_EQ(img.PanWinHandle(), nullptr);
}

TEST(PicImagePanWin, ShowsTheVisiblePartAndScrollsTheControl) {
  Shown s;
  s.img.SetPaintZoomFactor(100);
  std::vector<int> codes;
  s.img.OnPanWin = [&](TPicImage*, QWidget*, int code) { codes.push_back(code); };
  ASSERT_EQ(s.img.ShowPanWin(true), 1);
  QWidget* pan = s.img.PanWinHandle();
  ASSERT_NE(pan, nullptr);
  EXPECT_EQ(pan->size(), QSize(150, 150));
  EXPECT_EQ(pan->windowTitle(), "Pan Window");
  EXPECT_EQ(s.img.PanWinVisibleRect(), QRect(0, 0, 200, 150));
  // Scrolling the control moves the rectangle.
  s.img.ScrollMessage(false, 4, 50);
  s.img.ScrollMessage(true, 4, 20);
  EXPECT_EQ(s.img.PanWinVisibleRect(), QRect(50, 20, 200, 150));
  // The user moves the rectangle: the control scrolls there (held inside the picture).
  s.img.PanWinCallback(pan, 1, QRect(120, 100, 200, 150));
  EXPECT_EQ(s.img.HScrollPos(), 120);
  EXPECT_EQ(s.img.VScrollPos(), 100);
  s.img.PanWinCallback(pan, 1, QRect(390, 290, 200, 150));
  EXPECT_EQ(s.img.HScrollPos(), 200);
  EXPECT_EQ(s.img.VScrollPos(), 150);
  // A window moved by the user reports its new place.
  pan->move(33, 44);
  EXPECT_EQ(s.img.PanWinX(), pan->geometry().left());
  EXPECT_EQ(s.img.PanWinY(), pan->geometry().top());
  s.img.SetPanWinTitle("Overview");
  EXPECT_EQ(pan->windowTitle(), "Overview");
  // Closing it by hand forgets it.
  pan->close();
  EXPECT_EQ(s.img.PanWinHandle(), nullptr);
  EXPECT_FALSE(s.img.PanWinShown());
  EXPECT_EQ(codes, (std::vector<int>{0, 1, 1, 2}));
  ASSERT_EQ(s.img.ShowPanWin(true), 1);
  EXPECT_EQ(s.img.ShowPanWin(false), 1);
  EXPECT_EQ(s.img.PanWinHandle(), nullptr);
  // A new picture closes it.
  ASSERT_EQ(s.img.ShowPanWin(true), 1);
  px::Bitmap b = Picture(50, 40);
  ASSERT_EQ(s.img.SetBitmap(&b), 1);
  EXPECT_EQ(s.img.PanWinHandle(), nullptr);
  EXPECT_FALSE(s.img.PanWinShown());
}

TEST(PicImagePanWin, DraggingTheRectangleScrollsTheControl) {
  Shown s;
  ASSERT_EQ(s.img.ShowPanWin(true), 1);
  QWidget* pan = s.img.PanWinHandle();
  ASSERT_NE(pan, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(pan));
  // 400 x 300 shown in 150 x 150: 150 x 113 at (0, 19), a window pixel is 8/3 bitmap pixels.
  QTest::mousePress(pan, Qt::LeftButton, Qt::NoModifier, QPoint(10, 30));
  QTest::mouseMove(pan, QPoint(25, 40));
  QTest::mouseMove(pan, QPoint(40, 45));
  QTest::mouseRelease(pan, Qt::LeftButton, Qt::NoModifier, QPoint(40, 45));
  EXPECT_EQ(s.img.HScrollPos(), 80);
  EXPECT_EQ(s.img.VScrollPos(), 40);
  EXPECT_EQ(s.img.PanWinVisibleRect(), QRect(80, 40, 200, 150));
}

TEST(PicImageMagGlass, StartFollowStop) {
  Shown s;
  // Stopping without a magnifier reports status 0.
  EXPECT_THROW(s.img.StopMagGlass(), EPicImageError);
  EXPECT_EQ(s.img.LastError(), 0);
  s.img.SetEnableMethodErrors(false);
  EXPECT_EQ(s.img.StopMagGlass(), 0);
  s.img.SetEnableMethodErrors(true);

  ASSERT_EQ(s.img.StartMagGlass(60, 40, 300, 2, 0xFF, 1, 0, 0, 0, 0, 0), 1);
  EXPECT_TRUE(s.img.MagGlassRunning());
  EXPECT_THROW(s.img.StartMagGlass(60, 40, 300, 2, 0xFF, 1, 0, 0, 0, 0, 0), EPicImageError);
  EXPECT_EQ(s.img.LastError(), -13);

  std::vector<QPoint> seen;
  s.img.SetMagGlassCallbackOn(true);
  s.img.OnMagGlass = [&](TPicImage*, int x, int y, int zoom) {
    seen.push_back(QPoint(x, y));
    EXPECT_EQ(zoom, 300);
  };
  int cursors = 0;
  s.img.SetMagGlassFlags(2);
  s.img.OnMagGlassCursor = [&](TPicImage*) { ++cursors; };
  QTest::mouseMove(&s.img, QPoint(100, 70));
  QWidget* lens = s.img.MagGlassWindow();
  ASSERT_NE(lens, nullptr);
  EXPECT_TRUE(lens->isVisible());
  EXPECT_EQ(lens->geometry(), QRect(70, 50, 60, 40));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), QPoint(100, 70));
  EXPECT_GE(cursors, 1);
  // The mouse draws no region while the lens runs.
  s.img.SetRgnMouseMode(1);
  QTest::mousePress(&s.img, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  QTest::mouseMove(&s.img, QPoint(50, 50));
  QTest::mouseRelease(&s.img, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
  EXPECT_FALSE(s.img.HasRgn());
  // Changing a lens option restarts it with the new bits.
  s.img.SetMagGlassPaintScaling(psBicubic);
  EXPECT_TRUE(s.img.MagGlassRunning());
  EXPECT_EQ(s.img.MagGlassPaintFlags() & 0x600u, 0x400u);
  s.img.SetMagGlassPointer(-3);  // the cross
  EXPECT_EQ(s.img.cursor().shape(), Qt::CrossCursor);
  EXPECT_EQ(s.img.StopMagGlass(), 1);
  EXPECT_EQ(s.img.cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(s.img.MagGlassRunning());
  EXPECT_EQ(s.img.MagGlassWindow(), nullptr);
  s.img.OnMagGlass = nullptr;
  EXPECT_EQ(s.img.MagGlassCallback(1, 2, 3), 1);
  s.img.SetMagGlassCallbackOn(false);
  EXPECT_EQ(s.img.MagGlassCallback(1, 2, 3), -100);

  TPicImage empty;
  EXPECT_THROW(empty.StartMagGlass(60, 40, 300, 2, 0, 1, 0, 0, 0, 0, 0), EPicImageError);
  EXPECT_EQ(empty.LastError(), -2);
}

// The magnifier's four paint options give its display flags: 1 for ordered dither, bitonal
// scaling 64 (favour black) or 16 (scale to grey), palettes 128/256/384, scalings 512/1024.
TEST(PicImageMagGlass, PaintOptionsGiveTheDisplayFlags) {
  struct Case {
    TPaintDither dither;
    TBitonalScaling bitonal;
    TPaletteType palette;
    TPaintScaling scaling;
    uint32_t flags;
  };
  const Case cases[] = {
      {pdOrdered, btsNormal, ppAuto, psNormal, 1},
      {pdDiffusion, btsNormal, ppAuto, psNormal, 0},
      {pdOrdered, btsFavorBlack, ppFixed, psResample, 1 + 64 + 128 + 512},
      {pdOrdered, btsScaleToGray, ppAutoNetscape, psNormal, 1 + 16 + 256},
      {pdDiffusion, btsScaleToGray, ppFixedNetscape, psBicubic, 16 + 384 + 1024},
  };
  for (const Case& c : cases) {
    TPicImage img;
    img.SetEnableMethodErrors(false);
    // Each setter reports success (last error 1), also after a failed call.
    const auto failThen = [&](const std::function<void()>& set) {
      EXPECT_EQ(img.StopMagGlass(), 0);
      ASSERT_EQ(img.LastError(), 0);
      set();
      EXPECT_EQ(img.LastError(), 1);
    };
    failThen([&] { img.SetMagGlassPaintDither(c.dither); });
    failThen([&] { img.SetMagGlassBitonalScaling(c.bitonal); });
    failThen([&] { img.SetMagGlassPaintPalette(c.palette); });
    failThen([&] { img.SetMagGlassPaintScaling(c.scaling); });
    EXPECT_EQ(img.MagGlassPaintDither(), c.dither);
    EXPECT_EQ(img.MagGlassBitonalScaling(), c.bitonal);
    EXPECT_EQ(img.MagGlassPaintPalette(), c.palette);
    EXPECT_EQ(img.MagGlassPaintFlags(), c.flags) << c.dither << c.bitonal << c.palette << c.scaling;
  }
}

// The control's own display options are kept as set; each setter reports success.
TEST(PicImageDisplayOptions, DitherBitonalAndPaletteAreKept) {
  TPicImage img;
  EXPECT_EQ(img.PaintDither(), pdOrdered);
  EXPECT_EQ(img.BitonalScaling(), btsNormal);
  EXPECT_EQ(img.PaintPalette(), ppAuto);
  img.SetEnableMethodErrors(false);
  const auto failThen = [&](const std::function<void()>& set) {
    EXPECT_EQ(img.StopMagGlass(), 0);
    ASSERT_EQ(img.LastError(), 0);
    set();
    EXPECT_EQ(img.LastError(), 1);
  };
  failThen([&] { img.SetPaintDither(pdDiffusion); });
  failThen([&] { img.SetBitonalScaling(btsScaleToGray); });
  failThen([&] { img.SetPaintPalette(ppFixedNetscape); });
  EXPECT_EQ(img.PaintDither(), pdDiffusion);
  EXPECT_EQ(img.BitonalScaling(), btsScaleToGray);
  EXPECT_EQ(img.PaintPalette(), ppFixedNetscape);
  EXPECT_EQ(img.ApplyDisplayMode(), 1);
}

// The pan window setters: geometry moves the shown window, the rectangle colour is what the
// window draws, the pointer is its cursor, icon and system-menu flag are kept.
TEST(PicImagePanWin, SettersReachTheShownWindow) {
  Shown s;
  ASSERT_EQ(s.img.ShowPanWin(true), 1);
  QWidget* pan = s.img.PanWinHandle();
  ASSERT_NE(pan, nullptr);
  struct Case {
    std::function<void(TPicImage&)> set;
    QRect geometry;
  };
  for (const Case& c : {Case{[](TPicImage& i) { i.SetPanWinX(40); }, QRect(40, 0, 150, 150)},
                        Case{[](TPicImage& i) { i.SetPanWinY(60); }, QRect(40, 60, 150, 150)},
                        Case{[](TPicImage& i) { i.SetPanWinHeight(120); }, QRect(40, 60, 150, 120)}}) {
    c.set(s.img);
    EXPECT_EQ(s.img.LastError(), 1);
    EXPECT_EQ(pan->geometry(), c.geometry);
    EXPECT_EQ(QRect(s.img.PanWinX(), s.img.PanWinY(), s.img.PanWinWidth(), s.img.PanWinHeight()), c.geometry);
  }
  // The visible-part rectangle is drawn in the rectangle colour (a TColor: 0x00BBGGRR).
  auto greens = [&] {
    const QImage shot = pan->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) n += shot.pixelColor(x, y) == QColor(0, 255, 0);
    return n;
  };
  EXPECT_EQ(greens(), 0);
  s.img.SetPanWinRectColor(0x0000FF00);
  EXPECT_EQ(s.img.PanWinRectColor(), 0x0000FF00);
  EXPECT_GT(greens(), 20);
  // Pointer -3 is the cross, -21 the pointing hand, 0 the default.
  for (auto [pointer, shape] : {std::pair{-3, Qt::CrossCursor}, std::pair{-21, Qt::PointingHandCursor}}) {
    s.img.SetPanWinPointer(pointer);
    EXPECT_EQ(s.img.PanWinPointer(), pointer);
    EXPECT_EQ(pan->cursor().shape(), shape);
  }
  s.img.SetPanWinPointer(0);
  EXPECT_EQ(pan->cursor().shape(), Qt::ArrowCursor);
  QPixmap dot(16, 16);
  dot.fill(Qt::magenta);
  s.img.SetPanWinIcon(QIcon(dot));
  EXPECT_EQ(s.img.LastError(), 1);
  EXPECT_EQ(s.img.PanWinIcon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::magenta));
  s.img.SetPanWinIcon(QIcon());
  EXPECT_TRUE(s.img.PanWinIcon().isNull());
  s.img.SetPanWinSysMenu(false);
  EXPECT_FALSE(s.img.PanWinSysMenu());
  EXPECT_EQ(s.img.LastError(), 1);
}
