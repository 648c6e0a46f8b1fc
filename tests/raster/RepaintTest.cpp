// What the paint controls show after a change, read back from the screen itself: a grab of the
// widget would paint it afresh and hide a repaint that never came.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <functional>

#include "BrushAuxiliaries.h"
#include "Image32.h"
#include "Layers.h"
#include "RepaintOptimizer.h"

using namespace kalvora::raster;

namespace {

constexpr TColor32 kPicture = 0xFF204060u;

QImage onScreen(QWidget& w) {
  return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of the screen image inside area that are not the picture's colour.
int foreignPixels(const QImage& img, const QRect& area) {
  int n = 0;
  const QRect r = area.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFFu) != (kPicture & 0xFFFFFFu)) ++n;
  return n;
}

// Waits until the screen shows what pred asks for; false after a minute, a safety deadline only.
bool screenShows(QWidget& w, const std::function<bool(const QImage&)>& pred) {
  return QTest::qWaitFor([&] { return pred(onScreen(w)); }, 60000);
}

const char* modeName(TRepaintMode m) {
  return m == TRepaintMode::rmFull ? "rmFull" : m == TRepaintMode::rmDirect ? "rmDirect" : "rmOptimizer";
}

struct BrushImage {
  TImgView32 view;
  TBrushLayer* brush;
  explicit BrushImage(TRepaintMode mode, int radius) {
    view.resize(320, 240);
    view.SetScrollBarVisibility(TScrollBarVisibility::svHidden);
    view.Bitmap()->SetSize(320, 240);
    view.Bitmap()->Clear(kPicture);
    view.SetRepaintMode(mode);
    brush = view.Layers()->Add<TBrushLayer>();
    brush->SetLayerOptions(brush->LayerOptions() & ~LOB_MOUSE_EVENTS);
    brush->SetRadius(radius);
    brush->SetCenter({160, 120});
    view.show();
  }
};

}  // namespace

TEST(Layers, HidingALayerRepaintsTheAreaItCovered) {
  for (TRepaintMode mode : {TRepaintMode::rmFull, TRepaintMode::rmDirect, TRepaintMode::rmOptimizer}) {
    BrushImage img(mode, 60);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&img.view));
    const QRect ring(100, 60, 121, 121);
    ASSERT_TRUE(screenShows(img.view, [&](const QImage& s) { return foreignPixels(s, ring) > 200; }))
        << modeName(mode);
    img.brush->SetVisible(false);
    EXPECT_TRUE(screenShows(img.view, [&](const QImage& s) { return foreignPixels(s, img.view.rect()) == 0; }))
        << modeName(mode) << ": " << foreignPixels(onScreen(img.view), img.view.rect()) << " outline pixels left";
    img.brush->SetVisible(true);
    EXPECT_TRUE(screenShows(img.view, [&](const QImage& s) { return foreignPixels(s, ring) > 200; }))
        << modeName(mode);
  }
}

TEST(Layers, WhatAnOptionChangeReports) {
  struct Case {
    const char* what;
    std::uint32_t before, after;
    int layerUpdates, changes;
  };
  const Case cases[] = {
      {"visible layer hidden", LOB_VISIBLE, 0, 1, 1},
      {"hidden layer shown", 0, LOB_VISIBLE, 1, 1},
      {"visible layer changed", LOB_VISIBLE, LOB_VISIBLE | LOB_NO_CAPTURE, 1, 1},
      {"hidden layer stays hidden", 0, LOB_NO_CAPTURE, 0, 0},
      {"hidden layer with force update", LOB_FORCE_UPDATE, LOB_FORCE_UPDATE | LOB_NO_CAPTURE, 1, 0},
      {"hidden while asked not to report", LOB_VISIBLE | LOB_NO_UPDATE, LOB_NO_UPDATE, 0, 0},
  };
  for (const Case& c : cases) {
    TLayerCollection layers;
    auto* l = layers.Add<TCustomLayer>();
    l->SetLayerOptions(c.before);
    int updates = 0, changes = 0;
    layers.OnLayerUpdated = [&](TCustomLayer* u) { updates += u == l; };
    layers.OnChange = [&] { ++changes; };
    l->SetLayerOptions(c.after);
    EXPECT_EQ(updates, c.layerUpdates) << c.what;
    EXPECT_EQ(changes, c.changes) << c.what;
    EXPECT_EQ(l->LayerOptions(), c.after) << c.what;
  }
}

namespace {
struct CountingBox : TPaintBox32 {
  int bufferPaints = 0;
  TColor32 colour = 0xFF00A000u;
  CountingBox() {
    OnPaintBuffer = [this](TPaintBox32* box) {
      ++bufferPaints;
      box->Buffer()->Clear(kPicture);
      box->Buffer()->FillRectS(10, 10, 40, 30, colour);
      box->Buffer()->LineAAS(0, 0, Fixed(60.0f), Fixed(50.0f), colour);
    };
  }
};
}  // namespace

// A paint box under the optimizer whose handler draws: drawing its own buffer is the repaint,
// not a change that asks for another one.
TEST(PaintBox32, DrawingTheBufferUnderTheOptimizerAsksForNoFurtherPaint) {
  CountingBox box;
  box.resize(120, 90);
  box.SetRepaintMode(TRepaintMode::rmOptimizer);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  ASSERT_TRUE(QTest::qWaitFor([&] { return box.bufferPaints > 0; }, 60000));
  box.repaint();
  const int settled = box.bufferPaints;
  EXPECT_FALSE(box.RepaintOptimizer()->UpdatesAvailable());
  // Showing an unchanged box again copies its buffer; it does not draw it anew.
  box.repaint();
  box.repaint();
  EXPECT_EQ(box.bufferPaints, settled);
  EXPECT_EQ(onScreen(box).pixel(20, 20) & 0xFFFFFFu, 0x00A000u);

  // A real change repaints once and shows.
  box.colour = 0xFFC00000u;
  box.Invalidate();
  ASSERT_TRUE(QTest::qWaitFor([&] { return (onScreen(box).pixel(20, 20) & 0xFFFFFFu) == 0xC00000u; }, 60000));
  const int afterChange = box.bufferPaints;
  box.repaint();
  EXPECT_EQ(box.bufferPaints, afterChange);
  EXPECT_FALSE(box.RepaintOptimizer()->UpdatesAvailable());
}

// The warp dialog's brush outline under the optimizer: a smaller brush leaves no ring behind.
TEST(Brush, ShrinkingTheRadiusLeavesNoGhostRing) {
  struct Case {
    int from, to;
    TPoint moveTo;  // after the radius change, as the dialog moves the brush to the centre
  };
  for (const Case& c : {Case{50, 10, {160, 120}}, Case{100, 3, {160, 120}}, Case{80, 40, {150, 110}},
                        Case{20, 60, {160, 120}}}) {
    BrushImage img(TRepaintMode::rmOptimizer, c.from);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&img.view));
    const QRect old(160 - c.from, 120 - c.from, 2 * c.from + 1, 2 * c.from + 1);
    ASSERT_TRUE(screenShows(img.view, [&](const QImage& s) { return foreignPixels(s, old) > 4 * c.from; }));
    // The brush follows the mouse a little first, so the view repaints only what changes.
    img.brush->SetCenter({161, 120});
    ASSERT_TRUE(screenShows(img.view, [&](const QImage& s) { return foreignPixels(s, QRect(161 + c.from, 120, 1, 1)) > 0; }));
    img.brush->SetCenter({160, 120});
    ASSERT_TRUE(screenShows(img.view, [&](const QImage& s) {
      return foreignPixels(s, QRect(161 + c.from, 115, 1, 11)) == 0 && foreignPixels(s, old) > 4 * c.from;
    }));
    img.brush->SetRadius(c.to);
    img.brush->SetCenter(c.moveTo);
    // Two pixels of slack around the new outline for its antialiased edge.
    const QRect now(c.moveTo.X - c.to - 2, c.moveTo.Y - c.to - 2, 2 * c.to + 5, 2 * c.to + 5);
    auto ghost = [&](const QImage& s) { return foreignPixels(s, s.rect()) - foreignPixels(s, now); };
    EXPECT_TRUE(screenShows(img.view, [&](const QImage& s) { return ghost(s) == 0 && foreignPixels(s, now) > 0; }))
        << c.from << " -> " << c.to << ": " << ghost(onScreen(img.view)) << " stale pixels";
  }
}
