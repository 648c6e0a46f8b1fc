// The raster library's controls driven as a user would, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <stdexcept>

#include "TestSupport.h"
#include "BrushAuxiliaries.h"
#include "Image32.h"
#include "Layers.h"
#include "RangeBars.h"
#include "RepaintOptimizer.h"

using namespace kalvora::raster;

namespace {
void wheel(QWidget* w, int delta) {
  QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}
}  // namespace

TEST(ArrowBar, ButtonSizesAndZones) {
  struct Case {
    int w, h;
    TRBStyle style;
    int button;
  };
  // Client sizes are the widget less the single border.
  for (const Case& c : {Case{22, 16, TRBStyle::rbsDefault, 10}, Case{22, 16, TRBStyle::rbsMac, 9},
                        Case{5, 16, TRBStyle::rbsDefault, 0}, Case{102, 16, TRBStyle::rbsDefault, 14},
                        Case{200, 50, TRBStyle::rbsDefault, 32}}) {
    TGaugeBar bar;
    bar.resize(c.w, c.h);
    bar.SetStyle(c.style);
    EXPECT_EQ(bar.GetButtonSize(), c.button) << c.w << "x" << c.h;
  }
  TGaugeBar bar;
  bar.resize(102, 16);  // client 100 x 14, buttons 14, handle 14 long
  bar.SetPosition(50);
  const QRect h = bar.GetHandleRect();
  EXPECT_EQ(h.width(), 14);
  EXPECT_EQ(bar.GetZone(3, 8), 1);
  EXPECT_EQ(bar.GetZone(98, 8), 5);
  EXPECT_EQ(bar.GetZone(h.center().x(), 8), 3);
  EXPECT_EQ(bar.GetZone(h.left() - 3, 8), 2);
  EXPECT_EQ(bar.GetZone(h.right() + 3, 8), 4);
  EXPECT_EQ(bar.GetZone(0, 0), 0);  // the border
}

TEST(GaugeBar, MinAndMaxPushEachOther) {
  TGaugeBar bar;
  bar.SetMin(100);
  EXPECT_EQ(bar.Min(), 99);
  bar.SetMax(20);
  EXPECT_EQ(bar.Max(), 100);  // at or below Min becomes Min + 1
  bar.SetMin(0);
  bar.SetPosition(80);
  bar.SetMax(50);
  EXPECT_EQ(bar.Max(), 50);
  EXPECT_EQ(bar.Position(), 50);  // pulled back into the range
  bar.Loading = true;
  bar.SetMin(70);
  EXPECT_EQ(bar.Min(), 70);
  bar.SetLargeChange(0);
  EXPECT_EQ(bar.LargeChange(), 1);
}

TEST(GaugeBar, ProgrammaticPositionFiresOnlyOnChangeADragBoth) {
  TGaugeBar bar;
  bar.resize(202, 18);
  bar.show();
  int change = 0, user = 0;
  bar.OnChange = [&](TArrowBar*) { ++change; };
  bar.OnUserChange = [&](TArrowBar*) { ++user; };
  bar.SetPosition(500);
  EXPECT_EQ(bar.Position(), 100);
  EXPECT_EQ(change, 1);
  EXPECT_EQ(user, 0);
  bar.SetPosition(100);
  EXPECT_EQ(change, 1);  // unchanged: no event
  bar.SetPosition(0);
  change = 0;
  const QPoint h = bar.GetHandleRect().center();
  QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, h);
  QTest::mouseMove(&bar, h + QPoint(60, 0));
  QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, h + QPoint(60, 0));
  EXPECT_GT(bar.Position(), 20);
  EXPECT_GT(change, 0);
  EXPECT_EQ(user, change);
}

TEST(GaugeBar, WheelSteps) {
  TGaugeBar bar;
  bar.SetSmallChange(5);
  bar.SetPosition(20);
  int user = 0;
  bar.OnUserChange = [&](TArrowBar*) { ++user; };
  wheel(&bar, 240);
  EXPECT_EQ(bar.Position(), 30);
  wheel(&bar, -120);
  EXPECT_EQ(bar.Position(), 25);
  EXPECT_EQ(user, 2);
  TCustomRangeBar range;
  range.resize(100, 16);
  range.SetParams(1000, 100);
  range.Increment = 8;
  wheel(&range, 240);
  EXPECT_FLOAT_EQ(range.Position(), 16);
}

TEST(GaugeBar, AutoRepeatStepsUntilTheEnd) {
  TGaugeBar bar;
  bar.resize(102, 16);
  bar.show();
  bar.SetMin(0);
  bar.SetMax(3);
  QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(98, 8));
  EXPECT_EQ(bar.Position(), 1);  // one step at once
  EXPECT_TRUE(bar.RepeatTimer()->isActive());
  EXPECT_EQ(bar.RepeatTimer()->interval(), 600);
  KV_WAIT_FOR(bar.Position() == 3, 60000);
  KV_WAIT_FOR(!bar.RepeatTimer()->isActive(), 60000);  // stops at Max
  QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(98, 8));

  // Min = Max - 1: one step, no repeating.
  TGaugeBar two;
  two.resize(102, 16);
  two.show();
  two.SetMax(1);
  QTest::mousePress(&two, Qt::LeftButton, Qt::NoModifier, QPoint(98, 8));
  EXPECT_EQ(two.Position(), 1);
  QTest::qWait(750);
  EXPECT_EQ(two.Position(), 1);
  EXPECT_FALSE(two.RepeatTimer()->isActive());
  QTest::mouseRelease(&two, Qt::LeftButton, Qt::NoModifier, QPoint(98, 8));
}

TEST(Layers, TopmostWinsAndUnpairedEndUpdateRaises) {
  TLayerCollection layers;
  auto* a = layers.Add<TPositionedLayer>();
  auto* b = layers.Add<TPositionedLayer>();
  a->SetLocation({0, 0, 50, 50});
  b->SetLocation({25, 25, 75, 75});
  EXPECT_EQ(layers.FindLayerAtPos(30, 30, LOB_MOUSE_EVENTS), b);
  EXPECT_EQ(layers.FindLayerAtPos(10, 10, LOB_MOUSE_EVENTS), a);
  EXPECT_EQ(layers.FindLayerAtPos(80, 80, LOB_MOUSE_EVENTS), nullptr);
  b->SetIndex(-5);
  EXPECT_EQ(b->Index(), 0);
  EXPECT_EQ(layers.FindLayerAtPos(30, 30, LOB_MOUSE_EVENTS), a);
  b->SetIndex(layers.Count() + 3);
  EXPECT_EQ(b->Index(), 1);
  // The press captures: moves go to b even outside it until the release.
  int moves = 0;
  b->OnMouseMove = [&](TCustomLayer*, int, int) { ++moves; };
  EXPECT_EQ(layers.MouseDown(Qt::LeftButton, {}, 30, 30), b);
  layers.MouseMove({}, 5, 5);
  EXPECT_EQ(moves, 1);
  layers.MouseUp(Qt::LeftButton, {}, 5, 5);
  EXPECT_EQ(layers.MouseListener(), nullptr);
  EXPECT_THROW(layers.EndUpdate(), std::logic_error);
  EXPECT_THROW(a->EndUpdate(), std::logic_error);
  layers.BeginUpdate();
  EXPECT_NO_THROW(layers.EndUpdate());
}

TEST(Image32, BufferSlackRule) {
  TCustomImage32 img;
  img.resize(200, 100);
  img.show();
  QApplication::processEvents();
  const int w0 = img.Buffer()->Width();
  EXPECT_EQ(w0, 192 + 40);  // made at 192, 200 is inside the slack
  img.resize(230, 100);
  EXPECT_EQ(img.Buffer()->Width(), 232);
  img.resize(280, 100);
  EXPECT_EQ(img.Buffer()->Width(), 320);  // grew: width + 40
  img.resize(100, 100);
  EXPECT_EQ(img.Buffer()->Width(), 100);  // more than 40 below: shrinks to the view
  EXPECT_THROW(img.EndUpdate(), std::logic_error);
  img.SetScale(0);
  EXPECT_FLOAT_EQ(img.Scale(), 0.001f);
}

TEST(Image32, ScaleModesAndMappingRoundTrips) {
  struct Case {
    TScaleMode mode;
    float scale;
    int bw, bh;
    QSize expected;
  };
  // A 200 x 100 control.
  for (const Case& c : {Case{TScaleMode::smNormal, 1, 50, 40, {50, 40}}, Case{TScaleMode::smStretch, 1, 50, 40, {200, 100}},
                        Case{TScaleMode::smScale, 2, 50, 40, {100, 80}}, Case{TScaleMode::smResize, 1, 50, 40, {125, 100}},
                        Case{TScaleMode::smResize, 1, 400, 100, {200, 50}}, Case{TScaleMode::smOptimal, 1, 50, 40, {50, 40}},
                        Case{TScaleMode::smOptimal, 1, 400, 100, {200, 50}},
                        Case{TScaleMode::smOptimalScaled, 2, 50, 40, {100, 80}},
                        Case{TScaleMode::smOptimalScaled, 3, 50, 40, {125, 100}}}) {
    TCustomImage32 img;
    img.resize(200, 100);
    img.Bitmap()->SetSize(c.bw, c.bh);
    img.SetScale(c.scale);
    img.SetScaleMode(c.mode);
    EXPECT_EQ(img.GetBitmapSize(), c.expected) << int(c.mode) << " " << c.bw;
  }
  TCustomImage32 img;
  img.resize(200, 100);
  img.Bitmap()->SetSize(60, 30);
  for (TPoint p : {TPoint{0, 0}, TPoint{17, 9}, TPoint{59, 29}}) EXPECT_EQ(img.ControlToBitmap(img.BitmapToControl(p)), p);
  img.SetBitmapAlign(TBitmapAlign::baCenter);
  EXPECT_EQ(img.BitmapToControl({0, 0}), (TPoint{70, 35}));
  img.SetScaleMode(TScaleMode::smScale);
  img.SetScale(2);
  img.SetBitmapAlign(TBitmapAlign::baTopLeft);
  EXPECT_EQ(img.BitmapToControl({10, 5}), (TPoint{20, 10}));
  EXPECT_EQ(img.ControlToBitmap({21, 11}), (TPoint{10, 5}));
}

TEST(ImgView32, ScrollToCenterRoundTripsAndCentring) {
  TImgView32 view;
  view.SetScrollBarSize(16);
  view.resize(300, 200);
  view.show();
  view.Bitmap()->SetSize(1000, 800);
  for (TPoint p : {TPoint{500, 400}, TPoint{300, 250}, TPoint{700, 600}}) {
    view.ScrollToCenter(p.X, p.Y);
    const TRect v = view.GetViewportRect();
    const TPoint b = view.ControlToBitmap({v.Width() / 2, v.Height() / 2});
    EXPECT_NEAR(b.X, p.X, 1);
    EXPECT_NEAR(b.Y, p.Y, 1);
  }
  // A small picture is centred and scrolling does not move it.
  TImgView32 small;
  small.SetScrollBarSize(16);
  small.resize(300, 300);
  small.show();
  small.Bitmap()->SetSize(100, 100);
  EXPECT_EQ(small.BitmapToControl({0, 0}), (TPoint{92, 92}));
  small.Scroll(10, 10);
  EXPECT_EQ(small.BitmapToControl({0, 0}), (TPoint{92, 92}));
  // OverSize 10 at scale 2: ranges are the scaled size plus 40.
  small.SetScale(2);
  small.SetOverSize(10);
  EXPECT_EQ(small.HScroll()->Range(), 240);
  // Automatic bars vanish when the picture fits.
  small.SetScale(1);
  small.SetOverSize(0);
  small.SetScrollBarVisibility(TScrollBarVisibility::svAuto);
  EXPECT_FALSE(small.GetScrollBarsVisible());
}

TEST(MicroTiles, UnionsRectsAndSizes) {
  TMicroTile t = MICROTILE_EMPTY;
  MicroTileUnion(t, MakeMicroTile(4, 4, 4, 10));
  EXPECT_EQ(t, MICROTILE_EMPTY);
  TMicroTiles tiles;
  MicroTilesSetSize(tiles, {0, 0, 100, 50});
  EXPECT_EQ(tiles.Columns, 4);
  EXPECT_EQ(tiles.Rows, 2);
  EXPECT_EQ(tiles.Count, 15);
  MicroTilesAddRect(tiles, {10, 10, 20, 20});
  EXPECT_EQ(tiles.Tiles[0], MakeMicroTile(10, 10, 20, 20));
  std::vector<TRect> rects;
  EXPECT_EQ(MicroTilesCalcRects(tiles, &rects), 1);
  EXPECT_EQ(rects[0], (TRect{10, 10, 20, 20}));
  rects.clear();
  MicroTilesCalcRects(tiles, &rects, false, true);
  EXPECT_EQ(rects[0], (TRect{0, 0, 32, 32}));
  // Full tiles side by side and one below another merge.
  MicroTilesClear(tiles);
  MicroTilesAddRect(tiles, {0, 0, 64, 64});
  rects.clear();
  EXPECT_EQ(MicroTilesCalcRects(tiles, &rects), 1);
  EXPECT_EQ(rects[0], (TRect{0, 0, 64, 50}));
}

TEST(RepaintOptimizer, LevelFollowsTheClock) {
  TBitmap32 buffer;
  buffer.SetSize(256, 256);
  std::vector<TRect> rects;
  TMicroTilesRepaintOptimizer opt(&buffer, &rects);
  std::int64_t us = 0, ms = 0;
  opt.SetClock({[&] { return us; }, [&] { return ms; }});
  opt.SetEnabled(true);
  auto cycle = [&](int paintMicros, bool full) {
    rects.clear();
    opt.BeginPaintBuffer();
    if (!full) {
      for (int i = 0; i < 20; ++i) opt.AreaUpdateHandler({i * 12, i * 12, i * 12 + 3, i * 12 + 3}, AREAINFO_RECT);
    }
    opt.PerformOptimization();
    if (full) rects.clear();
    us += paintMicros;
    opt.EndPaintBuffer();
  };
  cycle(1000, true);  // a full repaint costs 1 ms
  EXPECT_EQ(opt.PerformanceLevel(), 0);
  cycle(3000, false);  // fine repainting costs more: coarser
  EXPECT_EQ(opt.PerformanceLevel(), 1);
  cycle(3000, false);
  EXPECT_EQ(opt.PerformanceLevel(), 2);
  // Once the next check has passed, the level drops again.
  ms += 10000;
  rects.clear();
  opt.AreaUpdateHandler({0, 0, 4, 4}, AREAINFO_RECT);
  opt.PerformOptimization();
  EXPECT_EQ(opt.PerformanceLevel(), 1);
}

TEST(Brush, WeightsAndClamping) {
  TGenericBrush b;
  b.SetPressure(0.8f);
  for (float pinch : {-0.5f, 0.0f, 0.7f, 1.0f}) {
    b.SetPinch(pinch);
    b.SetFeather(0.3f);
    EXPECT_NEAR(b.Weight(0, 0), 0.8f, 1e-5) << pinch;
    EXPECT_EQ(b.Weight(1, 0), 0.0f);
    EXPECT_EQ(b.Weight(0.8f, 0.8f), 0.0f);
  }
  b.SetPinch(0);
  b.SetFeather(0);
  EXPECT_NEAR(b.Weight(0.5f, 0), 0.4f, 1e-5);
  b.SetFeather(0.5f);
  EXPECT_NEAR(b.Weight(0, 0.25f), 0.75f * 0.8f, 1e-5);
  b.SetPinch(2);
  EXPECT_EQ(b.Pinch(), 1.0f);
  b.SetPressure(-1);
  EXPECT_EQ(b.Pressure(), 0.0f);
}

TEST(Brush, LayerReportsOldAndNewSquareAndDrawsEvenSegments) {
  TLayerCollection layers;
  std::vector<TRect> areas;
  layers.OnAreaUpdated = [&](const TRect& r, std::uint32_t) { areas.push_back(r); };
  auto* l = layers.Add<TBrushLayer>();
  l->SetRadius(5);
  areas.clear();
  l->SetCenter({20, 20});
  ASSERT_EQ(areas.size(), 2u);
  EXPECT_EQ(areas[0], (TRect{-5, -5, 6, 6}));
  EXPECT_EQ(areas[1], (TRect{15, 15, 26, 26}));
  areas.clear();
  l->SetCenter({20, 20});
  EXPECT_TRUE(areas.empty());
  for (auto [radius, segments] : {std::pair{0, 4}, std::pair{1, 6}, std::pair{10, 14}}) {
    TBitmap32 buf;
    buf.SetSize(64, 64);
    l->SetRadius(radius);
    int lines = 0;
    buf.BeginMeasuring([&](TBitmap32*, const TRect&, std::uint32_t) { ++lines; });
    l->Paint(&buf);
    buf.EndMeasuring();
    // Segments shorter than the line's minimum report nothing: at most N reports.
    EXPECT_LE(lines, segments);
    if (radius >= 10) {
      EXPECT_EQ(lines, segments);
    }
  }
}
