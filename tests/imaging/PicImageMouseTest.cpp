// The picture component's mouse, keys, wheel, scroll messages and dropped files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include "PicImageVCL.h"
#include "PxFile.h"
#include "TestSupport.h"

namespace {

px::Bitmap Picture(int w, int h) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, uint32_t((x * 7) & 255) << 16 | uint32_t((y * 5) & 255) << 8);
  return b;
}

// A shown component of 200 x 150 with a 400 x 300 picture.
struct Shown {
  TPicImage img;
  explicit Shown(int frame = 0) {
    img.setObjectName("PicImage1");
    img.resize(200, 150);
    img.SetFrameThickness(unsigned(frame));
    px::Bitmap b = Picture(400, 300);
    EXPECT_EQ(img.SetBitmap(&b), 1);
    img.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&img));
  }
  void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(&img, button, Qt::NoModifier, from);
    QTest::mouseMove(&img, (from + to) / 2);
    QTest::mouseMove(&img, to);
    QTest::mouseRelease(&img, button, Qt::NoModifier, to);
  }
  QRect region() const { return QRect(img.RgnLeft(), img.RgnTop(), img.RgnWidth(), img.RgnHeight()); }
};

void Wheel(TPicImage& img, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier,
           Qt::MouseButtons buttons = Qt::NoButton) {
  QWheelEvent e(QPointF(50, 50), img.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta), buttons, mods,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(&img, &e);
}

struct DropTarget : TPicImage {
  using TPicImage::dropEvent;
};

}  // namespace

// Rectangles drawn with the mouse give their bounds in bitmap pixels at every zoom and scroll.
TEST(PicImageMouse, RectangleRegionInBitmapPixels) {
  struct Case {
    int zoom, frame, hScroll, vScroll;
    QPoint from, to;
    QRect expected;
  } cases[] = {
      {100, 0, 0, 0, {10, 20}, {50, 60}, {10, 20, 40, 40}},
      {100, 0, 0, 0, {50, 60}, {10, 20}, {10, 20, 40, 40}},        // drawn from the lower right
      {100, 0, 60, 30, {10, 20}, {50, 60}, {70, 50, 40, 40}},      // scrolled
      {200, 0, 30, 40, {10, 20}, {50, 60}, {20, 30, 20, 20}},      // zoomed in and scrolled
      {200, 0, 0, 0, {11, 21}, {51, 61}, {6, 11, 20, 20}},         // odd pixels round to the nearest edge
      {50, 0, 0, 0, {10, 20}, {50, 60}, {20, 40, 80, 80}},         // zoomed out
      {100, 5, 0, 0, {15, 25}, {55, 65}, {10, 20, 40, 40}},        // inside a frame
      {200, 4, 100, 20, {24, 14}, {104, 94}, {60, 15, 40, 40}},    // frame, zoom and scroll
      {100, 0, 0, 0, {150, 100}, {400, 400}, {150, 100, 50, 50}},  // held at the control's edge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("zoom %1 frame %2 scroll %3,%4").arg(c.zoom).arg(c.frame).arg(c.hScroll).arg(c.vScroll).toStdString());
    Shown s(c.frame);
    s.img.SetPaintZoomFactor(c.zoom);
    s.img.ScrollMessage(false, 4, c.hScroll);
    s.img.ScrollMessage(true, 4, c.vScroll);
    ASSERT_EQ(s.img.HScrollPos(), c.hScroll);
    ASSERT_EQ(s.img.VScrollPos(), c.vScroll);
    s.img.SetRgnMouseMode(1);
    int changes = 0;
    s.img.OnRgnChange = [&](TPicImage*) { ++changes; };
    s.drag(c.from, c.to);
    EXPECT_TRUE(s.img.HasRgn());
    EXPECT_EQ(s.region(), c.expected);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(s.img.RgnDrawing());
  }
}

TEST(PicImageMouse, NewDrawingReplacesTheRegionAndRightButtonDrawsNothing) {
  Shown s;
  s.img.SetRgnMouseMode(1);
  s.drag({10, 10}, {30, 30});
  ASSERT_EQ(s.region(), QRect(10, 10, 20, 20));
  s.drag({40, 40}, {100, 90});
  EXPECT_EQ(s.region(), QRect(40, 40, 60, 50));
  // A drag with the right button held changes nothing.
  s.drag({5, 5}, {120, 120}, Qt::RightButton);
  EXPECT_EQ(s.region(), QRect(40, 40, 60, 50));
  // A click without a drag replaces the region with nothing and raises nothing.
  QTest::mouseClick(&s.img, Qt::LeftButton, Qt::NoModifier, QPoint(70, 70));
  EXPECT_NE(s.img.LastError(), 1);
  EXPECT_FALSE(s.img.HasRgn());
  s.drag({40, 40}, {100, 90});
  // Without a region tool and without the rubber band the mouse draws no region.
  s.img.SetRgnMouseMode(0);
  s.drag({5, 5}, {20, 20});
  EXPECT_EQ(s.region(), QRect(40, 40, 60, 50));
}

TEST(PicImageMouse, EllipseRoundedRectangleAndPolygon) {
  Shown s;
  s.img.SetRgnMouseMode(3);
  s.drag({20, 20}, {120, 80});
  const QRegion ellipse = s.img.Region();
  EXPECT_TRUE(ellipse.contains(QPoint(70, 50)));
  EXPECT_FALSE(ellipse.contains(QPoint(21, 21)));
  EXPECT_NEAR(s.img.RgnLeft(), 20, 1);
  EXPECT_NEAR(s.img.RgnWidth(), 100, 2);

  s.img.SetRgnMouseMode(2);
  s.drag({20, 20}, {120, 120});
  EXPECT_TRUE(s.img.Region().contains(QPoint(70, 21)));
  EXPECT_FALSE(s.img.Region().contains(QPoint(21, 21)));  // the corner is rounded off

  // A polygon of more than 50 points keeps every point while it is drawn.
  s.img.SetRgnMouseMode(4);
  QTest::mousePress(&s.img, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  for (int i = 1; i <= 60; ++i) QTest::mouseMove(&s.img, QPoint(10 + i * 2, 10 + (i % 2) * 50));
  EXPECT_EQ(s.img.MousePolygonCount(), 61);
  EXPECT_EQ(s.img.MousePolygonCapacity(), 100);
  QTest::mouseMove(&s.img, QPoint(10, 60));
  QTest::mouseRelease(&s.img, Qt::LeftButton, Qt::NoModifier, QPoint(10, 60));
  EXPECT_EQ(s.img.MousePolygonCount(), 0);
  EXPECT_TRUE(s.img.HasRgn());
  // The zig-zag between y 10 and 60 from x 10 to 130.
  EXPECT_NEAR(s.img.RgnLeft(), 10, 1);
  EXPECT_NEAR(s.img.RgnTop(), 10, 1);
  EXPECT_NEAR(s.img.RgnLeft() + s.img.RgnWidth(), 130, 1);
  EXPECT_NEAR(s.img.RgnTop() + s.img.RgnHeight(), 60, 1);
}

TEST(PicImageMouse, RubberBandWithoutRegionTool) {
  Shown s;
  s.img.SetRubberBandEnabled(true);
  int bands = 0;
  s.img.OnRubberBand = [&](TPicImage*) { ++bands; };
  s.img.ScrollMessage(true, 4, 20);
  s.drag({60, 50}, {20, 10});
  EXPECT_EQ(bands, 1);
  const QRect band = s.img.RubberBandRect().normalized();
  EXPECT_NEAR(band.left(), 20, 1);
  EXPECT_NEAR(band.top(), 10, 1);
  EXPECT_NEAR(band.right(), 60, 1);
  EXPECT_EQ(s.img.RubberBandScrollPos(), QPoint(0, 20));
  EXPECT_FALSE(s.img.HasRgn());
}

TEST(PicImageMouse, MouseEventsReachTheHandlers) {
  Shown s;
  std::vector<std::string> seen;
  s.img.OnMouseDown = [&](TPicImage*, TPicImage::TMouseButton b, TPicImage::TShiftState sh, int x, int y) {
    seen.push_back("down " + std::to_string(b) + " " + std::to_string(sh & TPicImage::ssLeft ? 1 : 0) + " " +
                   std::to_string(x) + "," + std::to_string(y));
  };
  s.img.OnMouseUp = [&](TPicImage*, TPicImage::TMouseButton b, TPicImage::TShiftState, int x, int y) {
    seen.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  s.drag({5, 6}, {7, 8});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "down 0 1 5,6");
  EXPECT_EQ(seen[1], "up 0 7,8");
}

TEST(PicImageMouse, FloaterDragMovesACopyOfTheRegion) {
  Shown s;
  s.img.SetEnableFloater(true);
  s.img.SetRgnMouseMode(1);
  s.drag({10, 10}, {30, 30});
  ASSERT_EQ(s.region(), QRect(10, 10, 20, 20));
  const uint32_t inside = px::GetPixel(s.img.Bitmap(), 15, 15);
  // Pressing inside the region lifts it; the drop puts it 50 pixels further right.
  s.drag({15, 15}, {65, 15});
  EXPECT_FALSE(s.img.FloaterDragging());
  EXPECT_EQ(s.region(), QRect(60, 10, 20, 20));
  EXPECT_EQ(px::GetPixel(s.img.Bitmap(), 65, 15), inside);
  EXPECT_EQ(px::GetPixel(s.img.Bitmap(), 15, 15), inside);  // the first drag moves a copy
}

// Keys scroll by the line step and the page (a tenth of the picture) and stop at the edges.
TEST(PicImageKeys, ArrowAndPageKeysScrollByTheSteps) {
  Shown s;
  ASSERT_EQ(s.img.VScrollMax(), 150);
  ASSERT_EQ(s.img.HScrollMax(), 200);
  s.img.SetVScrollStep(7);
  s.img.SetHScrollStep(9);
  struct Step {
    Qt::Key key;
    int h, v;
  } steps[] = {
      {Qt::Key_Down, 0, 7},     {Qt::Key_Down, 0, 14},    {Qt::Key_PageDown, 0, 44},  {Qt::Key_Right, 9, 44},
      {Qt::Key_PageDown, 9, 74}, {Qt::Key_Up, 9, 67},     {Qt::Key_Left, 0, 67},      {Qt::Key_Left, 0, 67},
      {Qt::Key_PageUp, 0, 37},  {Qt::Key_PageUp, 0, 7},   {Qt::Key_PageUp, 0, 0},     {Qt::Key_Up, 0, 0},
      {Qt::Key_A, 0, 0},
  };
  int scrolls = 0;
  s.img.OnScroll = [&](TPicImage*) { ++scrolls; };
  for (const Step& st : steps) {
    QTest::keyClick(&s.img, st.key);
    EXPECT_EQ(s.img.HScrollPos(), st.h) << QTest::toString(st.key);
    EXPECT_EQ(s.img.VScrollPos(), st.v) << QTest::toString(st.key);
    EXPECT_EQ(s.img.DstTop(), -st.v);
    EXPECT_EQ(s.img.DstLeft(), -st.h);
  }
  EXPECT_EQ(scrolls, 12);  // every scroll key fires OnScroll, also at the edge
  for (int i = 0; i < 10; ++i) QTest::keyClick(&s.img, Qt::Key_PageDown);
  EXPECT_EQ(s.img.VScrollPos(), 150);
  QTest::keyClick(&s.img, Qt::Key_Down);
  EXPECT_EQ(s.img.VScrollPos(), 150);
  // With EnableKeyboard off the keys do not scroll and the control does not ask for them.
  s.img.SetEnableKeyboard(false);
  EXPECT_FALSE(s.img.WantsArrowKeys());
  QTest::keyClick(&s.img, Qt::Key_Up);
  EXPECT_EQ(s.img.VScrollPos(), 150);
}

TEST(PicImageKeys, OnKeyDownWhenFocused) {
  Shown s;
  s.img.activateWindow();
  s.img.setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return s.img.hasFocus(); }, 60000));
  std::vector<std::pair<int, int>> keys;
  s.img.OnKeyDown = [&](TPicImage*, int key, TPicImage::TShiftState shift) { keys.emplace_back(key, shift); };
  QTest::keyClick(&s.img, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&s.img, Qt::Key_PageDown, Qt::ControlModifier | Qt::AltModifier);
  // The modifier keys come as keys of their own (16 Shift, 17 Control, 18 Alt).
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[0].first, 16);
  EXPECT_EQ(keys[1], std::make_pair(40, int(TPicImage::ssShift)));
  EXPECT_EQ(keys[4], std::make_pair(34, int(TPicImage::ssCtrl | TPicImage::ssAlt)));
  EXPECT_EQ(s.img.VScrollPos(), 40);
}

TEST(PicImageKeys, WheelPagesAndStopsAtTheEdges) {
  Shown s;
  Wheel(s.img, -120);  // towards the user: page down
  EXPECT_EQ(s.img.VScrollPos(), 30);
  Wheel(s.img, -240);
  EXPECT_EQ(s.img.VScrollPos(), 60);
  Wheel(s.img, 120);  // away from the user: page up
  EXPECT_EQ(s.img.VScrollPos(), 30);
  Wheel(s.img, 120);
  Wheel(s.img, 120);
  EXPECT_EQ(s.img.VScrollPos(), 0);
  // Shift: horizontal, away from the user pages right.
  Wheel(s.img, 120, Qt::ShiftModifier);
  EXPECT_EQ(s.img.HScrollPos(), 40);
  Wheel(s.img, -120, Qt::ShiftModifier);
  EXPECT_EQ(s.img.HScrollPos(), 0);
  for (int i = 0; i < 20; ++i) Wheel(s.img, -120);
  EXPECT_EQ(s.img.VScrollPos(), 150);
  // Nothing happens while a mouse button is held.
  Wheel(s.img, 120, Qt::NoModifier, Qt::LeftButton);
  Wheel(s.img, 120, Qt::NoModifier, Qt::MiddleButton);
  EXPECT_EQ(s.img.VScrollPos(), 150);
}

TEST(PicImageKeys, ScrollMessagesFollowEnableScrollAndAutoScroll) {
  Shown s;
  int before = 0, after = 0;
  s.img.OnBeforeScroll = [&](TPicImage*) { ++before; };
  s.img.OnScroll = [&](TPicImage*) { ++after; };
  s.img.ScrollMessage(true, 7);  // bottom
  EXPECT_EQ(s.img.VScrollPos(), 150);
  s.img.ScrollMessage(true, 6);  // top
  EXPECT_EQ(s.img.VScrollPos(), 0);
  s.img.ScrollMessage(false, 5, 500);  // thumb track past the end
  EXPECT_EQ(s.img.HScrollPos(), 200);
  s.img.ScrollMessage(false, 9);  // unknown code
  EXPECT_EQ(s.img.HScrollPos(), 200);
  EXPECT_EQ(before, 3);
  EXPECT_EQ(after, 4);
  s.img.SetEnableScroll(false);
  s.img.ScrollMessage(false, 6);
  EXPECT_EQ(s.img.HScrollPos(), 200);
  EXPECT_EQ(after, 4);
  s.img.SetEnableScroll(true);
  s.img.SetAutoScroll(false);
  s.img.ScrollMessage(false, 6);
  EXPECT_EQ(s.img.HScrollPos(), 200);
  EXPECT_EQ(after, 4);
}

TEST(PicImageKeys, ScrollBarsScrollThePicture) {
  Shown s;
  QScrollBar* v = s.img.findChild<QScrollBar*>("VScrollBar");
  QScrollBar* h = s.img.findChild<QScrollBar*>("HScrollBar");
  ASSERT_TRUE(v && h);
  EXPECT_TRUE(v->isVisible());
  EXPECT_TRUE(h->isVisible());
  EXPECT_EQ(v->maximum(), 150);
  EXPECT_EQ(v->pageStep(), 30);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(s.img.VScrollPos(), 30);
  EXPECT_EQ(v->value(), 30);
  v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(s.img.VScrollPos(), 40);
  h->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(s.img.HScrollPos(), 200);
  // The keys move the bars along.
  QTest::keyClick(&s.img, Qt::Key_PageUp);
  EXPECT_EQ(v->value(), 10);
  // A bar dragged to a place: the picture follows.
  v->setSliderPosition(77);
  EXPECT_EQ(s.img.VScrollPos(), 77);
  // A fitted picture needs no bars.
  s.img.SetPaintSizeMode(smFit);
  EXPECT_FALSE(v->isVisible());
  EXPECT_FALSE(h->isVisible());
}

// Dropped files: the first one, with its full path, loaded whole; bad files raise nothing.
TEST(PicImageDrop, FirstFileLoadsWithItsFullPath) {
  testsupport::TempFolder t;
  // A folder path far longer than 257 characters.
  QString dir = t.path();
  while (dir.size() < 400) dir += "/" + QString(60, QChar('d'));
  ASSERT_TRUE(QDir().mkpath(dir));
  const QString good = dir + "/picture.bmp";
  ASSERT_EQ(px::SaveBitmap(good.toStdString(), Picture(40, 30), px::kFormatBmp, 24, 2), px::kOk);
  const QString text = t.file("notes.txt");
  ASSERT_TRUE(testsupport::writeBytes(text, "not a picture at all"));

  DropTarget img;
  img.setObjectName("PicImage1");
  std::vector<QString> dropped;
  img.OnDropFile = [&](TPicImage*, const QString& name) { dropped.push_back(name); };
  img.DropFiles({good, text});
  ASSERT_EQ(dropped.size(), 1u);
  EXPECT_EQ(dropped[0], good);
  EXPECT_EQ(img.LastError(), 1);
  EXPECT_EQ(img.BitmapWidth(), 40);

  // A file that is no picture: the load's status stays, nothing is raised, nothing is shown.
  EXPECT_NO_THROW(img.DropFiles({text, good}));
  EXPECT_NE(img.LastError(), 1);
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_TRUE(img.EnableMethodErrors());
  EXPECT_NO_THROW(img.DropFiles({t.file("missing.jpg")}));
  EXPECT_EQ(img.LastError(), px::kFileNotFound);
  EXPECT_NO_THROW(img.DropFiles({}));

  // Without DropAutoLoad the name is only reported.
  img.SetDropAutoLoad(false);
  img.DropFiles({good});
  EXPECT_EQ(dropped.back(), good);
  EXPECT_FALSE(img.IsAllocated());

  // Through a Qt drop event when dropping is allowed.
  img.SetDropAutoLoad(true);
  img.SetDropFilesAllowed(true);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(good), QUrl::fromLocalFile(text)});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  // (The application passes drop events only during a real drag, so the handler is called.)
  img.dropEvent(&drop);
  EXPECT_EQ(img.BitmapWidth(), 40);
  EXPECT_EQ(dropped.back(), good);
}

TEST(PicImageMessages, DeferredImageChangeRefreshesAndDropsTheRegion) {
  Shown s;
  s.img.SetRgnRect(0, 0, 10, 10, 1);
  int changes = 0;
  s.img.OnChange = [&](TPicImage*) { ++changes; };
  s.img.DeferredImageChange();
  EXPECT_FALSE(s.img.HasRgn());
  EXPECT_EQ(changes, 2);
  TPicImage empty;
  EXPECT_NO_THROW(empty.DeferredImageChange());
}
