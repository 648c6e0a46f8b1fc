// The bars' look and its property proxies, copying layer collections, free notification, and the
// paint box's options, driven offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include "BrushAuxiliaries.h"
#include "Image32.h"
#include "Layers.h"
#include "RangeBars.h"

using namespace kalvora::raster;

namespace {
const QColor kRed(255, 0, 0), kGreen(0, 200, 0), kBlue(0, 0, 255), kYellow(255, 255, 0), kWhite(255, 255, 255),
    kGrey(90, 90, 90);

void paintColours(TArrowBar& bar) {
  bar.SetBorderColor(kRed);
  bar.SetButtonColor(kGreen);
  bar.SetHandleColor(kBlue);
  bar.SetColor(kYellow);
  bar.SetHighLightColor(kWhite);
  bar.SetShadowColor(kGrey);
}

QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }
}  // namespace

TEST(ArrowBar, MacStyleDrawsItsPartsInTheBarsColours) {
  TGaugeBar bar;
  bar.SetBorderStyle(TRBBorderStyle::bsNone);
  bar.resize(120, 16);
  bar.SetStyle(TRBStyle::rbsMac);
  bar.SetBackgnd(TRBBackgnd::bgSolid);
  paintColours(bar);
  bar.SetPosition(50);
  bar.show();
  const int b = bar.GetButtonSize();
  ASSERT_EQ(b, 15);
  QImage img = bar.grab().toImage();
  // First button: the outer left side in the border colour, a highlight bevel, then the face.
  EXPECT_EQ(at(img, 0, 8), kRed);
  EXPECT_EQ(at(img, 1, 1), kWhite);
  EXPECT_EQ(at(img, 2, 2), kGreen);
  // Its side towards the track stays open: no border line at its last column.
  EXPECT_NE(at(img, b - 1, 8), kRed);
  // The handle: a frame in the border colour, filled with the handle colour.
  const QRect h = bar.GetHandleRect();
  EXPECT_EQ(at(img, h.left(), h.center().y()), kRed);
  EXPECT_EQ(at(img, h.left() + 2, h.top() + 2), kBlue);
  // The track: its long sides in the border colour, solid background inside.
  const int tx = b + 4;
  EXPECT_EQ(at(img, tx, 0), kRed);
  EXPECT_EQ(at(img, tx, 8), kYellow);

  // Pushed: the face without its bevel.
  QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 8));
  img = bar.grab().toImage();
  EXPECT_EQ(at(img, 1, 1), kGreen);
  QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(5, 8));

  // Disabled: the sides in the shadow colour, no handle, the track in the button colour.
  bar.setEnabled(false);
  img = bar.grab().toImage();
  EXPECT_EQ(at(img, 0, 8), kGrey);
  EXPECT_EQ(at(img, h.left() + 2, h.top() + 2), kGreen);
}

TEST(ArrowBar, ColourSettersRepaintOnlyOnChange) {
  TGaugeBar bar;
  bar.SetShowHandleGrip(false);
  EXPECT_FALSE(bar.ShowHandleGrip());
  bar.SetHandleColor(kBlue);
  EXPECT_EQ(bar.HandleColor(), kBlue);
  bar.SetBackgnd(TRBBackgnd::bgSolid);
  EXPECT_EQ(bar.Backgnd(), TRBBackgnd::bgSolid);
  // The default look paints the pattern of highlight and track colour.
  TGaugeBar def;
  def.SetBorderStyle(TRBBorderStyle::bsNone);
  def.resize(120, 16);
  paintColours(def);
  def.SetPosition(100);  // handle at the end: the track before it is long
  def.show();
  const QImage img = def.grab().toImage();
  EXPECT_EQ(at(img, 30, 7), at(img, 31, 8));
  EXPECT_NE(at(img, 30, 7), at(img, 31, 7));
}

TEST(ImgView32, ScrollPropertiesForwardToBothBars) {
  TImgView32 view;
  view.resize(300, 200);
  view.show();
  view.Bitmap()->SetSize(1000, 800);
  TIVScrollProperties* props = view.ScrollBars();
  props->SetStyle(TRBStyle::rbsMac);
  props->SetButtonColor(kGreen);
  props->SetShowArrows(false);
  for (TCustomRangeBar* b : {view.HScroll(), view.VScroll()}) {
    EXPECT_EQ(b->Style(), TRBStyle::rbsMac);
    EXPECT_EQ(b->ButtonColor(), kGreen);
    EXPECT_FALSE(b->ShowArrows());
  }
  EXPECT_EQ(props->Style(), TRBStyle::rbsMac);

  props->SetIncrement(20);
  EXPECT_EQ(view.VScroll()->Increment, 20);
  const float before = view.VScroll()->Position();
  QWheelEvent e(QPointF(5, 5), view.VScroll()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.VScroll(), &e);
  EXPECT_FLOAT_EQ(view.VScroll()->Position(), before - 20);  // one notch down

  props->SetSize(30);
  EXPECT_EQ(props->Size(), 30);
  EXPECT_EQ(view.GetViewportRect().Width(), 270);
  EXPECT_EQ(view.HScroll()->height(), 30);
  props->SetVisibility(TScrollBarVisibility::svHidden);
  EXPECT_EQ(view.GetViewportRect().Width(), 300);
  EXPECT_FALSE(view.HScroll()->isVisible());

  // Assigning one view's settings to another copies look, step, size and visibility.
  TImgView32 other;
  other.SetScrollBars(*props);
  EXPECT_EQ(other.ScrollBars()->Style(), TRBStyle::rbsMac);
  EXPECT_EQ(other.VScroll()->ButtonColor(), kGreen);
  EXPECT_EQ(other.ScrollBars()->Increment(), 20);
  EXPECT_EQ(other.ScrollBars()->Size(), 30);
  EXPECT_EQ(other.ScrollBars()->Visibility(), TScrollBarVisibility::svHidden);
}

TEST(Layers, AssignCopiesEachLayerAsItsOwnClass) {
  TLayerCollection from;
  auto* plain = from.Add<TCustomLayer>();
  plain->SetCursor(Qt::CrossCursor);
  auto* pos = from.Add<TPositionedLayer>();
  pos->SetLocation({5, 6, 70, 80});
  pos->Scaled = true;
  auto* brush = from.Add<TBrushLayer>();
  brush->SetRadius(12);
  brush->SetCenter({40, 30});
  brush->SetLayerOptions(LOB_VISIBLE | LOB_NO_CAPTURE);
  int painted = 0;
  brush->OnPaint = [&](TCustomLayer*, TBitmap32*) { ++painted; };

  TLayerCollection to;
  auto* old = to.Add<TPositionedLayer>();
  int destroyed = 0;
  old->OnDestroy = [&](TCustomLayer*) { ++destroyed; };
  int added = 0, deleted = 0, changes = 0;
  to.OnListNotify = [&](TLayerListAction a, TCustomLayer*, int) {
    added += a == TLayerListAction::Added;
    deleted += a == TLayerListAction::Deleted;
  };
  to.OnChange = [&] { ++changes; };
  to.Assign(from);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(added, 6);    // every addition is reported twice
  EXPECT_EQ(changes, 1);  // one change for the whole copy
  ASSERT_EQ(to.Count(), 3);
  EXPECT_EQ(dynamic_cast<TPositionedLayer*>(to.Items(0)), nullptr);
  EXPECT_EQ(to.Items(0)->Cursor(), Qt::CrossCursor);
  auto* p2 = dynamic_cast<TPositionedLayer*>(to.Items(1));
  ASSERT_NE(p2, nullptr);
  EXPECT_EQ(p2->Location().Right, 70);
  EXPECT_TRUE(p2->Scaled);
  auto* b2 = dynamic_cast<TBrushLayer*>(to.Items(2));
  ASSERT_NE(b2, nullptr);
  EXPECT_NE(b2, brush);
  EXPECT_EQ(b2->Radius(), 12);
  EXPECT_EQ(b2->Center(), (TPoint{40, 30}));
  EXPECT_EQ(b2->LayerOptions(), LOB_VISIBLE | LOB_NO_CAPTURE);
  TBitmap32 buf;
  buf.SetSize(100, 100);
  b2->Paint(&buf);
  EXPECT_EQ(painted, 1);
  // The invalid mark is a plain bit: no report.
  changes = 0;
  b2->SetInvalid(true);
  EXPECT_TRUE(b2->Invalid());
  EXPECT_EQ(changes, 0);
  b2->SetInvalid(false);
  EXPECT_EQ(b2->LayerOptions(), LOB_VISIBLE | LOB_NO_CAPTURE);
  // The source keeps its own layers.
  EXPECT_EQ(from.Count(), 3);
  EXPECT_EQ(from.Items(2), brush);
  EXPECT_EQ(b2->LayerCollection(), &to);
}

namespace {
class Watcher : public TCustomLayer {
 public:
  using TCustomLayer::TCustomLayer;
  std::vector<TCustomLayer*> told;
  void Notification(TCustomLayer* layer) override { told.push_back(layer); }
};
}  // namespace

TEST(Layers, FreeNotificationTellsWatchersAndForgetsThemWhenTheyGoFirst) {
  TLayerCollection layers;
  auto* a = layers.Add<TPositionedLayer>();
  auto* w1 = layers.Add<Watcher>();
  auto* w2 = layers.Add<Watcher>();
  a->AddNotification(w1);
  a->AddNotification(w1);  // once only
  a->AddNotification(w2);
  std::vector<TCustomLayer*> order;
  a->OnDestroy = [&](TCustomLayer* l) { order.push_back(l); };
  delete a;
  EXPECT_EQ(order, std::vector<TCustomLayer*>{a});
  EXPECT_EQ(w1->told, std::vector<TCustomLayer*>{a});
  EXPECT_EQ(w2->told, std::vector<TCustomLayer*>{a});
  EXPECT_EQ(layers.Count(), 2);

  // A watcher freed before the layer it watches leaves that layer's list: nothing dangles.
  auto* b = layers.Add<TPositionedLayer>();
  b->AddNotification(w1);
  b->AddNotification(w2);
  delete w1;
  delete b;
  EXPECT_EQ(w2->told.size(), 2u);
  EXPECT_EQ(w2->told.back(), b);
  // Removed from the list: not told.
  auto* c = layers.Add<TPositionedLayer>();
  c->AddNotification(w2);
  c->RemoveNotification(w2);
  delete c;
  EXPECT_EQ(w2->told.size(), 2u);
}

TEST(Layers, TheLayerUnderTheMouseSetsTheControlsCursor) {
  TCustomImage32 img;
  img.resize(200, 100);
  img.setCursor(Qt::IBeamCursor);
  img.show();
  auto* l = img.Layers()->Add<TPositionedLayer>();
  l->SetLocation({0, 0, 50, 50});
  l->SetCursor(Qt::CrossCursor);
  QTest::mouseMove(&img, QPoint(10, 10));
  EXPECT_EQ(img.cursor().shape(), Qt::CrossCursor);
  QTest::mouseMove(&img, QPoint(150, 80));
  EXPECT_EQ(img.cursor().shape(), Qt::IBeamCursor);
  // Changed while the layer holds the mouse: shown at once.
  QTest::mousePress(&img, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  l->SetCursor(Qt::SizeAllCursor);
  EXPECT_EQ(img.cursor().shape(), Qt::SizeAllCursor);
  QTest::mouseRelease(&img, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_EQ(img.cursor().shape(), Qt::IBeamCursor);
}

TEST(PaintBox32, ArrowKeysAndAutoFocusFollowTheOptions) {
  QWidget window;
  window.resize(300, 200);
  auto* other = new QWidget(&window);
  other->setFocusPolicy(Qt::StrongFocus);
  other->setGeometry(200, 0, 50, 50);
  auto* box = new TPaintBox32(&window);
  // Focus by keyboard only: a click focuses it only with the option.
  box->setFocusPolicy(Qt::TabFocus);
  box->setGeometry(0, 0, 150, 150);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  std::vector<int> keys;
  box->OnKeyDown = [&](int key, Qt::KeyboardModifiers) { keys.push_back(key); };

  auto sendKey = [&](int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(box, &e);
    return e.isAccepted();
  };
  // Without the option an arrow key is left to the parent.
  EXPECT_FALSE(sendKey(Qt::Key_Left));
  EXPECT_TRUE(keys.empty());
  box->Options = pboWantArrowKeys;
  EXPECT_TRUE(sendKey(Qt::Key_Left));
  EXPECT_EQ(keys, std::vector<int>{Qt::Key_Left});

  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_FALSE(box->hasFocus());
  box->Options = pboAutoFocus;
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_TRUE(box->hasFocus());
}

TEST(Image32, CanAutoSizeProposesTheFreeSides) {
  struct Case {
    TAlign align;
    TScaleMode mode;
    QSize expected;
  };
  // A 40 x 30 bitmap at scale 2 in a 200 x 100 control.
  for (const Case& c : {Case{TAlign::alNone, TScaleMode::smNormal, {40, 30}}, Case{TAlign::alNone, TScaleMode::smScale, {80, 60}},
                        Case{TAlign::alTop, TScaleMode::smNormal, {200, 30}}, Case{TAlign::alLeft, TScaleMode::smNormal, {40, 100}},
                        Case{TAlign::alClient, TScaleMode::smScale, {200, 100}},
                        Case{TAlign::alCustom, TScaleMode::smNormal, {200, 100}}}) {
    TCustomImage32 img;
    img.resize(200, 100);
    img.Bitmap()->SetSize(40, 30);
    img.SetScale(2);
    img.SetScaleMode(c.mode);
    img.Align = c.align;
    int w = 200, h = 100;
    EXPECT_TRUE(img.CanAutoSize(w, h));
    EXPECT_EQ(QSize(w, h), c.expected) << int(c.align);
  }
  // With AutoSize a new bitmap size resizes the control; an empty bitmap leaves it.
  TCustomImage32 img;
  img.AutoSize = true;
  img.SetScaleMode(TScaleMode::smScale);
  img.SetScale(2);
  img.Bitmap()->SetSize(40, 30);
  EXPECT_EQ(img.size(), QSize(80, 60));
  img.Bitmap()->SetSize(0, 0);
  EXPECT_EQ(img.size(), QSize(80, 60));
}

TEST(Image32, LoadedLetsOnInitStagesReplaceTheStages) {
  TCustomImage32 img;
  img.resize(40, 30);
  img.Bitmap()->SetSize(40, 30);
  img.Bitmap()->Clear(0xFF112233u);
  int calls = 0;
  img.OnInitStages = [&] {
    ++calls;
    img.PaintStages()->Clear();
    TPaintStage* s = img.PaintStages()->Add();
    s->Stage = PST_CLEAR_BUFFER;
  };
  img.Loaded();
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(img.PaintStages()->Count(), 1);
  // Only the clear stage runs now: the bitmap is not drawn.
  TBitmap32 out;
  out.SetSize(40, 30);
  out.Clear(0xFF000000u);
  img.PaintTo(&out, {0, 0, 40, 30});
  EXPECT_NE(out.Pixel(5, 5), 0xFF112233u);
  EXPECT_NE(out.Pixel(5, 5), 0xFF000000u);
  // Stages copy as a whole.
  TPaintStages copy;
  copy.Assign(*img.PaintStages());
  EXPECT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy.Items(0).Stage, PST_CLEAR_BUFFER);
}

TEST(RangeBar, CenteredKeepsTheVisibleCentre) {
  TCustomRangeBar bar;
  bar.SetBorderStyle(TRBBorderStyle::bsNone);
  bar.resize(100, 16);
  bar.show();
  bar.Centered = true;
  // Everything fitted before: the new range starts from its middle.
  bar.SetParams(1000, 0);
  EXPECT_FLOAT_EQ(bar.Position(), 450);
  // Centre 300 of 1000 stays centre 600 of 2000.
  bar.SetPosition(250);
  bar.SetParams(2000, 0);
  EXPECT_FLOAT_EQ(bar.Position(), 550);
  // A resize keeps the centre too: 600 in the middle of a 200-wide window.
  bar.resize(200, 16);
  EXPECT_FLOAT_EQ(bar.Position(), 500);
  // Not centred: the position only stays inside the range.
  TCustomRangeBar plain;
  plain.resize(100, 16);
  plain.SetParams(1000, 0);
  EXPECT_FLOAT_EQ(plain.Position(), 0);
}

TEST(ArrowBar, HoverMarksTheHotZoneOnlyWhenDrawnEnabled) {
  TGaugeBar bar;
  bar.resize(122, 16);
  bar.show();
  QTest::mouseMove(&bar, QPoint(5, 8));
  EXPECT_EQ(bar.HotZone(), 1);
  EXPECT_TRUE(bar.RepeatTimer()->isActive());
  EXPECT_EQ(bar.RepeatTimer()->interval(), 150);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&bar, &leave);
  EXPECT_EQ(bar.HotZone(), 0);
  EXPECT_FALSE(bar.RepeatTimer()->isActive());
  // A range bar that shows everything is not drawn enabled: no hot zone.
  TCustomRangeBar range;
  range.resize(122, 16);
  range.show();
  range.SetParams(50, 0);
  QTest::mouseMove(&range, QPoint(5, 8));
  EXPECT_EQ(range.HotZone(), 0);
}

namespace {
class OverlayLayer : public TCustomLayer {
 public:
  using TCustomLayer::TCustomLayer;
  int painted = 0;
  void PaintGDI(QPainter&) override { ++painted; }
};
}  // namespace

TEST(Image32, OverlayLayersPaintOnTheControlAfterTheBuffer) {
  TCustomImage32 img;
  img.resize(60, 40);
  auto* over = img.Layers()->Add<OverlayLayer>();
  over->SetLayerOptions(LOB_VISIBLE | LOB_GDI_OVERLAY);
  auto* plain = img.Layers()->Add<OverlayLayer>();
  int overlay = 0;
  img.OnGDIOverlay = [&] { ++overlay; };
  img.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&img));
  img.repaint();
  EXPECT_GE(over->painted, 1);
  EXPECT_EQ(plain->painted, 0);
  EXPECT_EQ(overlay, over->painted);
}

namespace {
class RegionImage : public TCustomImage32 {
 public:
  QRegion painted;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    painted += e->region();
    ++paints;
    TCustomImage32::paintEvent(e);
  }
};
}  // namespace

TEST(Image32, WithTheOptimizerOnlyTheChangedAreaIsShownAgain) {
  RegionImage img;
  img.resize(320, 240);
  img.Bitmap()->SetSize(320, 240);
  img.Bitmap()->Clear(0xFF204060u);
  img.SetRepaintMode(TRepaintMode::rmOptimizer);
  auto* brush = img.Layers()->Add<TBrushLayer>();
  brush->SetRadius(10);
  brush->SetCenter({50, 50});
  img.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&img));
  QApplication::processEvents();
  const QRect whole = img.rect();
  // The first paint after the optimizer starts shows everything.
  brush->SetCenter({55, 50});
  QApplication::processEvents();

  // The brush outline moves: the old and the new square, in whole tiles.
  img.painted = QRegion();
  brush->SetCenter({60, 52});
  QApplication::processEvents();
  ASSERT_FALSE(img.painted.isEmpty());
  EXPECT_TRUE(QRect(0, 0, 96, 96).contains(img.painted.boundingRect())) << img.painted.boundingRect().width();
  // The picture stays right where the outline was.
  EXPECT_EQ(img.Buffer()->Pixel(50 - 10, 50) & 0xFFFFFFu, 0x204060u);

  // A changed pixel of the bitmap: a small area around it.
  img.painted = QRegion();
  img.Bitmap()->SetPixel(200, 150, 0xFFFFFFFFu);
  img.Bitmap()->Changed(TRect{200, 150, 201, 151});
  QApplication::processEvents();
  EXPECT_TRUE(QRect(160, 128, 64, 64).contains(img.painted.boundingRect()));
  EXPECT_EQ(img.Buffer()->Pixel(200, 150), 0xFFFFFFFFu);

  // A layer changed as a whole: its area is not known beforehand, so everything is shown.
  img.painted = QRegion();
  brush->SetLayerOptions(brush->LayerOptions() | LOB_NO_CAPTURE);
  QApplication::processEvents();
  EXPECT_EQ(img.painted.boundingRect(), whole);
}

TEST(Image32, DirectModeShowsASmallAreaFullModeEverything) {
  for (TRepaintMode mode : {TRepaintMode::rmDirect, TRepaintMode::rmFull}) {
    RegionImage img;
    img.resize(200, 160);
    img.Bitmap()->SetSize(200, 160);
    img.Bitmap()->Clear(0xFF000000u);
    img.SetRepaintMode(mode);
    img.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&img));
    QApplication::processEvents();
    img.painted = QRegion();
    img.Bitmap()->SetPixel(100, 80, 0xFFFFFFFFu);
    img.Bitmap()->Changed(TRect{100, 80, 101, 81});
    QApplication::processEvents();
    const QRect r = img.painted.boundingRect();
    if (mode == TRepaintMode::rmDirect) {
      // The pixel widened by the resampler's reach plus one on each side: a few pixels.
      EXPECT_TRUE(r.contains(100, 80));
      EXPECT_LE(r.width(), 8);
      EXPECT_LE(r.height(), 8);
    } else {
      EXPECT_EQ(r, img.rect());
    }
    EXPECT_EQ(img.Buffer()->Pixel(100, 80), 0xFFFFFFFFu) << int(mode);
  }
}

TEST(ImgView32, SizeGripShowsWhenAskedOrWhenTheViewFillsItsWindow) {
  QWidget form;
  form.resize(300, 200);
  auto* view = new TImgView32(&form);
  view->SetScrollBarSize(16);
  view->setGeometry(10, 10, 200, 150);  // not filling the form
  form.show();
  view->Bitmap()->SetSize(500, 400);
  EXPECT_FALSE(view->GetSizeGripVisible());
  view->SetSizeGrip(TSizeGripStyle::sgAlways);
  EXPECT_TRUE(view->GetSizeGripVisible());
  EXPECT_EQ(view->SizeGripRect(), QRect(184, 134, 16, 16));
  // The sizing cursor over the grip, the view's own elsewhere.
  view->setCursor(Qt::CrossCursor);
  QTest::mouseMove(view, QPoint(190, 140));
  EXPECT_EQ(view->cursor().shape(), Qt::SizeFDiagCursor);
  QTest::mouseMove(view, QPoint(50, 50));
  EXPECT_EQ(view->cursor().shape(), Qt::CrossCursor);
  view->SetSizeGrip(TSizeGripStyle::sgNone);
  view->setGeometry(form.rect());
  EXPECT_FALSE(view->GetSizeGripVisible());
  view->SetSizeGrip(TSizeGripStyle::sgAuto);
  EXPECT_TRUE(view->GetSizeGripVisible());  // now it fills the form
}

TEST(GaugeBar, HandleSizeSetsTheHandleLength) {
  TGaugeBar bar;
  bar.SetBorderStyle(TRBBorderStyle::bsNone);
  bar.SetShowArrows(false);
  bar.resize(120, 16);
  bar.SetPosition(100);  // at Max: the handle ends at the end of the track
  struct Case {
    int set, stored, length;
  };
  // 0 means the bar's thickness (16); the length stops one short of the track (120).
  for (Case c : {Case{30, 30, 30}, Case{-5, 0, 16}, Case{0, 0, 16}, Case{500, 500, 119}}) {
    bar.SetHandleSize(c.set);
    EXPECT_EQ(bar.HandleSize(), c.stored) << c.set;
    const QRect h = bar.GetHandleRect();
    EXPECT_EQ(h.width(), c.length) << c.set;
    EXPECT_EQ(h.left(), 120 - c.length) << c.set;
  }
}

TEST(Image32, SetupBitmapSizesToTheViewportAndClears) {
  TCustomImage32 img;
  img.resize(50, 40);
  int changes = 0;
  img.OnChange = [&] { ++changes; };
  img.Bitmap()->SetSize(5, 5);
  img.Bitmap()->Clear(0xFF000000u);
  changes = 0;
  img.SetupBitmap(true, 0xFF112233u);
  ASSERT_EQ(img.Bitmap()->Width(), 50);
  ASSERT_EQ(img.Bitmap()->Height(), 40);
  for (TPoint p : {TPoint{0, 0}, TPoint{49, 39}, TPoint{25, 3}}) EXPECT_EQ(img.Bitmap()->Pixel(p.X, p.Y), 0xFF112233u);
  EXPECT_GE(changes, 1);
  img.Bitmap()->SetPixel(1, 1, 0xFFFFFFFFu);
  img.SetupBitmap(false);  // no clearing: the pixel stays
  EXPECT_EQ(img.Bitmap()->Pixel(1, 1), 0xFFFFFFFFu);
}

TEST(ImgView32, CenteredPlacesASmallPictureInTheMiddleOrAtTheCorner) {
  TImgView32 view;
  view.SetScrollBarSize(16);
  view.resize(300, 300);
  view.show();
  view.Bitmap()->SetSize(100, 100);
  // Viewport 284 x 284: centred the picture starts at (284 - 100) / 2.
  for (auto [centered, at] : {std::pair{false, TPoint{0, 0}}, std::pair{true, TPoint{92, 92}},
                              std::pair{false, TPoint{0, 0}}}) {
    view.SetCentered(centered);
    EXPECT_EQ(view.Centered(), centered);
    EXPECT_EQ(view.BitmapToControl({0, 0}), at) << centered;
  }
}
