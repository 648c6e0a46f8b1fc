#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QSlider>

#include <cmath>
#include <map>
#include <numbers>

#include "Bitmap24Qt.h"
#include "FxDrawImage.h"
#include "FxTestUtil.h"
#include "PainterEffectsF.h"

using namespace kalvora;
using namespace fxtest;

namespace {

// Records what the host does with its dialog.
class FakeDialog : public FxEffectsDialog {
 public:
  explicit FakeDialog(bool* destroyed = nullptr) : destroyed_(destroyed) {}
  ~FakeDialog() override {
    if (destroyed_) *destroyed_ = true;
  }
  TFxDrawImage* host = nullptr;
  std::map<Bar, int> pos{{EBar, 1}, {extrabar, 1}, {cxbar, 0}, {cybar, 0}};
  std::map<Bar, int> max{{EBar, 16}, {extrabar, 300}, {cxbar, 100}, {cybar, 100}};
  std::map<Panel, bool> panels{{HelligkeitPanel, true}, {EffectPanel, true}, {AutomaticPanel, true}};
  int previews = 0;
  Bitmap24 preview;
  int modalResult = 1, modalShown = 0, modelessShown = 0, autoEnhanced = 0;

  void SetDrawImage(TFxDrawImage* h) override { host = h; }
  int barPosition(Bar b) const override { return pos.at(b); }
  void setBarPosition(Bar b, int p) override { pos[b] = std::min(p, max[b]); }
  int barMaximum(Bar b) const override { return max.at(b); }
  void setBarMaximum(Bar b, int m) override {
    max[b] = m;
    pos[b] = std::min(pos[b], m);
  }
  void setPanelVisible(Panel p, bool v) override { panels[p] = v; }
  bool panelVisible(Panel p) const override { return panels.at(p); }
  void showPreview(const Bitmap24& b) override {
    ++previews;
    preview = b;
  }
  int showModal() override {
    ++modalShown;
    return modalResult;
  }
  void showModeless() override { ++modelessShown; }
  void RunAutoEnhance() override {
    ++autoEnhanced;
    host->AdjustColors(0, 350, 0);
  }
  bool* destroyed_;
};

struct Host {
  FakeDialog* dialog;
  std::unique_ptr<TFxDrawImage> host;
  Host() {
    auto d = std::make_unique<FakeDialog>();
    dialog = d.get();
    host = std::make_unique<TFxDrawImage>(nullptr, std::move(d));
  }
  void picture(const Bitmap24& b) { host->setPicture(ToQImage(b)); }
};

Bgr g(int v) { return Bgr{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)}; }

}  // namespace

TEST(DrawImage, ConstructionState) {
  Host h;
  TFxDrawImage& d = *h.host;
  EXPECT_EQ(h.dialog->host, &d);
  EXPECT_EQ(d.Picture().size(), QSize(256, 256));
  EXPECT_TRUE(uniform(FromQImage(d.Picture()), g(255)));
  EXPECT_EQ(d.size(), QSize(256, 256));
  EXPECT_EQ(d.Shape, "line");
  EXPECT_FALSE(d.polygonchecked);
  EXPECT_EQ(d.blocks, 32);
  EXPECT_EQ(d.stars, 1);
  EXPECT_EQ(d.starpoints, 5);
  EXPECT_EQ(d.spirals, 3);
  EXPECT_EQ(d.Tools.range, (std::array<int, 4>{0, 0, 256, 256}));
  EXPECT_EQ(d.Tools.zoomRect, (std::array<int, 4>{0, 0, 50, 50}));
  EXPECT_EQ(d.Tools.keyColor, 0xFFFFFFu);
  EXPECT_EQ(d.Tools.cornerSize, 10);
  EXPECT_EQ(d.AirBrush().Size(), 40);
  EXPECT_TRUE(d.WorkBitmap.isEmpty());
  EXPECT_EQ(TFxDrawImage::ShapeNames().front(), std::string("airbrush"));
  EXPECT_EQ(TFxDrawImage::ShapeNames()[41], std::string("line"));
  EXPECT_EQ(TFxDrawImage::ShapeNames().back(), std::string("zoomkeepbrush"));
}

TEST(DrawImage, Tables) {
  Host h;
  const auto& ramp = h.host->RampTable();
  EXPECT_EQ(ramp[0], 0);
  EXPECT_EQ(ramp[64], 98);
  EXPECT_EQ(ramp[128], 181);
  EXPECT_EQ(ramp[255], 255);
  const auto& sc = h.host->SinCosTable();
  EXPECT_EQ(sc[90][0], 0.0L);
  EXPECT_EQ(sc[90][1], 1.0L);
  EXPECT_NEAR(double(sc[180][0]), 1.0, 1e-15);
  EXPECT_NEAR(double(sc[0][0]), -1.0, 1e-15);
  EXPECT_NEAR(double(sc[120][0]), 0.5, 1e-15);
  const auto& t = TFxDrawImage::EffectTable();
  EXPECT_STREQ(t[9].operation, "EffectMosaic");
  EXPECT_EQ(t[9].barMax, 30);
  EXPECT_EQ(t[9].barMin, 2);
  EXPECT_EQ(t[9].barStart, 15);
  EXPECT_STREQ(t[50].treeLabel, "Kachlen überlappend");
  int nodes = 0;
  for (const FxEffectInfo& e : t) nodes += e.treeLabel != nullptr;
  EXPECT_EQ(nodes, 21);
}

TEST(DrawImage, ShowEffectsPanelsAndCentreBars) {
  Host h;
  h.picture(Bitmap24(501, 377));
  h.dialog->modalResult = 2;
  EXPECT_EQ(h.host->ShowEffects(true), 2);
  FakeDialog& d = *h.dialog;
  EXPECT_TRUE(d.panels[FxEffectsDialog::HelligkeitPanel]);
  EXPECT_FALSE(d.panels[FxEffectsDialog::EffectPanel]);
  EXPECT_FALSE(d.panels[FxEffectsDialog::AutomaticPanel]);
  EXPECT_EQ(d.max[FxEffectsDialog::cxbar], 501);
  EXPECT_EQ(d.pos[FxEffectsDialog::cxbar], 250);
  EXPECT_EQ(d.max[FxEffectsDialog::cybar], 377);
  EXPECT_EQ(d.pos[FxEffectsDialog::cybar], 188);
  h.host->ShowEffects(false);
  EXPECT_FALSE(d.panels[FxEffectsDialog::HelligkeitPanel]);
  EXPECT_TRUE(d.panels[FxEffectsDialog::EffectPanel]);
  EXPECT_FALSE(d.panels[FxEffectsDialog::AutomaticPanel]);
  EXPECT_EQ(d.modalShown, 2);
}

TEST(DrawImage, AutoEnhanceShowsAutomaticPanelAndSaturates) {
  Host h;
  h.picture(make(2, {{0, 100, 200}, {50, 50, 50}}));
  h.host->AutoEnhance();
  FakeDialog& d = *h.dialog;
  EXPECT_FALSE(d.panels[FxEffectsDialog::HelligkeitPanel]);
  EXPECT_FALSE(d.panels[FxEffectsDialog::EffectPanel]);
  EXPECT_TRUE(d.panels[FxEffectsDialog::AutomaticPanel]);
  EXPECT_EQ(d.modelessShown, 1);
  EXPECT_EQ(d.modalShown, 0);
  EXPECT_EQ(d.autoEnhanced, 1);
  EXPECT_EQ(d.max[FxEffectsDialog::cxbar], 2);  // the host's width
  EXPECT_EQ(d.pos[FxEffectsDialog::cxbar], 1);
  // Saturation 350: 100 + (350 * -100) div 255 = 100 - 137 -> 0; 100 + 137 = 237.
  EXPECT_EQ(h.host->WorkBitmap.pixel(0, 0), (Bgr{0, 100, 237}));
  EXPECT_EQ(h.host->WorkBitmap.pixel(1, 0), g(50));
  EXPECT_EQ(d.preview, h.host->WorkBitmap);
}

TEST(DrawImage, AdjustColors) {
  Host h;
  const Bitmap24 pic = make(3, {{0, 0, 255}, {10, 200, 30}, {255, 255, 255}});
  h.picture(pic);
  h.host->AdjustColors(0, 255, 0);
  EXPECT_EQ(h.host->WorkBitmap, pic);
  EXPECT_EQ(h.dialog->previews, 1);
  h.host->AdjustColors(0, 250, 0);
  EXPECT_EQ(h.host->WorkBitmap.pixel(0, 0), (Bgr{2, 2, 251}));
  EXPECT_EQ(h.dialog->preview, h.host->WorkBitmap);
  // The picture itself is never changed: each operation starts from a fresh copy.
  EXPECT_EQ(FromQImage(h.host->Picture()), pic);
  h.host->AdjustColors(-255, 255, 255);
  // Lightness -255: 2c - 255 -> 255 stays, 0 -> 0; contrast 255 then pushes away from 127.
  EXPECT_EQ(h.host->WorkBitmap.pixel(2, 0), g(255));
  EXPECT_EQ(h.host->WorkBitmap.pixel(0, 0), (Bgr{0, 0, 255}));
}

TEST(DrawImage, ColourIndexesUseTheStrengthBar) {
  Host h;
  const Bitmap24 pic = noise(11, 5, 3);
  h.picture(pic);
  h.dialog->pos[FxEffectsDialog::EBar] = 60;
  TFxPaintFX fx;
  struct { int index; void (TFxPaintFX::*f)(Bitmap24*, int); } cases[] = {
      {0, &TFxPaintFX::Contrast}, {1, &TFxPaintFX::Saturation}, {2, &TFxPaintFX::Lightness}};
  for (auto c : cases) {
    ASSERT_TRUE(h.host->RunEffect(c.index));
    Bitmap24 want = pic;
    (fx.*c.f)(&want, 60);
    EXPECT_EQ(h.host->WorkBitmap, want) << c.index;
  }
}

TEST(DrawImage, EffectNoneAndUnknownIndexes) {
  Host h;
  const Bitmap24 pic = noise(6, 4, 8);
  h.picture(pic);
  EXPECT_TRUE(h.host->RunEffect(7));
  EXPECT_EQ(h.dialog->preview, pic);
  const int before = h.dialog->previews;
  EXPECT_FALSE(h.host->RunEffect(-1));
  EXPECT_FALSE(h.host->RunEffect(55));
  EXPECT_EQ(h.dialog->previews, before);
}

TEST(DrawImage, EveryIndexRunsAndKeepsTheSize) {
  for (auto [w, hgt] : {std::pair{23, 17}, {1, 1}, {1, 4}, {4, 1}}) {
    Host h;
    h.picture(noise(w, hgt, 2));
    for (int i = 0; i < TFxDrawImage::EffectCount; ++i) {
      const FxEffectInfo& e = TFxDrawImage::EffectTable()[std::size_t(i)];
      for (int p : {e.barMin, e.barStart, e.barMax}) {
        h.dialog->pos[FxEffectsDialog::EBar] = p;
        ASSERT_TRUE(h.host->RunEffect(i));
        EXPECT_EQ(h.host->WorkBitmap.width(), w) << e.operation;
        EXPECT_EQ(h.host->WorkBitmap.height(), hgt) << e.operation;
      }
    }
  }
}

TEST(DrawImage, EmptyPictureDoesNothing) {
  Host h;
  h.host->setPicture(QImage());
  auto shownEmptyOrNothing = [&](int before) {
    return h.dialog->previews == before || h.dialog->preview.isEmpty();
  };
  for (int i = 0; i < TFxDrawImage::EffectCount; ++i) {
    h.dialog->preview = noise(2, 2, 1);  // stands for the last picture shown
    const int before = h.dialog->previews;
    EXPECT_TRUE(h.host->RunEffect(i)) << i;  // the index exists, there is just nothing to work on
    EXPECT_TRUE(h.host->WorkBitmap.isEmpty()) << i;
    EXPECT_TRUE(shownEmptyOrNothing(before)) << i;
  }
  h.dialog->preview = noise(2, 2, 1);
  const int before = h.dialog->previews;
  h.host->AdjustColors(10, 20, 30);
  EXPECT_TRUE(h.host->WorkBitmap.isEmpty());
  EXPECT_TRUE(shownEmptyOrNothing(before));
}

TEST(DrawImage, PicturesOfOtherDepthsBecome24Bits) {
  Host h;
  QImage indexed(3, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
  indexed.fill(0);
  indexed.setPixel(2, 1, 1);
  h.host->setPicture(indexed);
  ASSERT_TRUE(h.host->RunEffect(7));
  EXPECT_EQ(h.host->WorkBitmap.pixel(0, 0), (Bgr{3, 2, 1}));
  EXPECT_EQ(h.host->WorkBitmap.pixel(2, 1), (Bgr{50, 100, 200}));
  EXPECT_EQ(h.host->Tools.range, (std::array<int, 4>{0, 0, 2, 1}));
}

TEST(DrawImage, SameBarsSameResult) {
  Host h;
  h.picture(noise(30, 20, 4));
  for (int index : {3, 8, 9, 10, 11, 16, 25, 41, 42, 49, 50, 53, 54}) {
    h.dialog->pos[FxEffectsDialog::EBar] = 5;
    ASSERT_TRUE(h.host->RunEffect(index));
    const Bitmap24 first = h.host->WorkBitmap;
    ASSERT_TRUE(h.host->RunEffect(index));
    EXPECT_EQ(h.host->WorkBitmap, first) << index;
  }
  ASSERT_TRUE(h.host->RunEffect(46));
  const Bitmap24 tooth = h.host->WorkBitmap;
  ASSERT_TRUE(h.host->RunEffect(47));
  EXPECT_EQ(h.host->WorkBitmap, tooth);
}

TEST(DrawImage, PlasmaRaisesTheExtraBarToTen) {
  Host h;
  h.picture(noise(8, 8, 1));
  h.dialog->pos[FxEffectsDialog::extrabar] = 3;
  ASSERT_TRUE(h.host->RunEffect(42));
  EXPECT_EQ(h.dialog->pos[FxEffectsDialog::extrabar], 10);
  h.dialog->pos[FxEffectsDialog::extrabar] = 40;
  ASSERT_TRUE(h.host->RunEffect(42));
  EXPECT_EQ(h.dialog->pos[FxEffectsDialog::extrabar], 40);
}

TEST(DrawImage, FisheyeAndTwistUseTheBar) {
  Host h;
  const Bitmap24 pic = noise(12, 10, 5);
  h.picture(pic);
  h.dialog->pos[FxEffectsDialog::EBar] = 37;
  TFxPaintFX fx;
  Bitmap24 want = pic;
  fx.FishEye(&want, &want, 0.37f);
  ASSERT_TRUE(h.host->RunEffect(11));
  EXPECT_EQ(h.host->WorkBitmap, want);
  want = pic;
  fx.Twist(&want, &want, 37);
  ASSERT_TRUE(h.host->RunEffect(10));
  EXPECT_EQ(h.host->WorkBitmap, want);
}

TEST(DrawImage, BlendWithoutFittingClipboardShowsNothing) {
  Host h;
  h.picture(noise(5, 5, 1));
  QApplication::clipboard()->clear();
  int before = h.dialog->previews;
  ASSERT_TRUE(h.host->RunEffect(52));
  EXPECT_EQ(h.dialog->previews, before);
  QImage other(4, 4, QImage::Format_RGB32);
  other.fill(Qt::red);
  QApplication::clipboard()->setImage(other);
  ASSERT_TRUE(h.host->RunEffect(52));
  EXPECT_EQ(h.dialog->previews, before);
}

TEST(DrawImage, BlendWithAFittingClipboardMixesByTheBar) {
  Host h;
  const Bitmap24 pic = noise(5, 5, 1);
  h.picture(pic);
  h.dialog->pos[FxEffectsDialog::EBar] = 40;
  QImage other(5, 5, QImage::Format_RGB32);
  other.fill(qRgb(200, 100, 0));
  QApplication::clipboard()->setImage(other);
  const int before = h.dialog->previews;
  ASSERT_TRUE(h.host->RunEffect(52));
  EXPECT_EQ(h.dialog->previews, before + 1);
  // Each byte: Round(0.6 x picture + 0.4 x clipboard), the clipboard's blue, green, red = 0, 100, 200.
  Bitmap24 want = pic;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const Bgr p = pic.pixel(x, y);
      auto mix = [](int a, int b) { return std::uint8_t(std::nearbyint(0.6 * a + 0.4 * b)); };
      want.setPixel(x, y, Bgr{mix(p.b, 0), mix(p.g, 100), mix(p.r, 200)});
    }
  EXPECT_EQ(h.host->WorkBitmap, want);
  EXPECT_EQ(h.dialog->preview, want);
  QApplication::clipboard()->clear();
}

// ---- The host's own filters ------------------------------------------------------------------------

TEST(SplitLight, RampAppliedAmountTimes) {
  Host h;
  auto ramp = [](int c) { return int(std::nearbyint(std::sin(c / 255.0 * std::numbers::pi / 2) * 255)); };
  struct { int amount, in, out; } cases[] = {
      {1, 64, 98}, {1, 128, 181}, {1, 0, 0}, {1, 255, 255}, {2, 64, ramp(98)}, {0, 64, 64}, {-3, 64, 64},
      {1000000000, 1, 255}};
  for (auto c : cases) {
    h.host->WorkBitmap = greys({c.in, c.in});
    h.host->SplitLight(c.amount);
    EXPECT_EQ(h.host->WorkBitmap.pixel(1, 0), g(c.out)) << c.amount << " " << c.in;
  }
}

TEST(Skew, SquareAtHundred) {
  Host h;
  Bitmap24 b(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) b.setPixel(x, y, g(10 * y + x + 1));
  h.host->Skew(&b, 100);
  const int want[4][4] = {{2, 3, 4, 0}, {11, 12, 14, 0}, {0, 21, 24, 0}, {0, 0, 33, 34}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.pixel(x, y), g(want[y][x])) << x << "," << y;
}

TEST(Skew, ZeroKeepsAndColumnWidthIsNeverWritten) {
  Host h;
  const Bitmap24 base = noise(7, 5, 1);
  Bitmap24 b = base;
  h.host->Skew(&b, 0);
  EXPECT_EQ(b, base);
  // 2 x 8 at 100: the last row's second pixel would land on column 2 = W; it is dropped.
  Bitmap24 tall(2, 8, g(9));
  h.host->Skew(&tall, 100);
  EXPECT_EQ(tall.pixel(0, 7), g(0));
  EXPECT_EQ(tall.pixel(1, 7), g(9));
  const Bitmap24 src = noise(5, 9, 2);
  for (int a : {-100, -1000, INT_MIN}) {
    // s x H + W is not positive: no column can be worked out, the picture stays.
    Bitmap24 n = src;
    h.host->Skew(&n, a);
    EXPECT_EQ(n, src) << a;
  }
  for (int a : {100000, INT_MAX}) {
    // s is huge: row y lands on Round((Round(s y) + x) x 5 / (9 s + 5)) = Round(5 y / 9) for every
    // x (the x term is below 1e-3 of a column), so the row's last pixel wins and the rest is black.
    Bitmap24 n = src;
    h.host->Skew(&n, a);
    const int column[9] = {0, 1, 1, 2, 2, 3, 3, 4, 4};
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(n.pixel(x, y), x == column[y] ? src.pixel(4, y) : g(0)) << a << " " << x << "," << y;
  }
  h.host->Skew(nullptr, 5);
  Bitmap24 empty;
  h.host->Skew(&empty, 5);
  EXPECT_TRUE(empty.isEmpty());
}

// ---- Dialog hand-over -----------------------------------------------------------------------------------

TEST(DrawImage, DialogFactoryAndOwnership) {
  bool destroyed = false;
  FakeDialog* made = nullptr;
  SetEffectsDialogFactory([&](TFxDrawImage*) {
    auto d = std::make_unique<FakeDialog>(&destroyed);
    made = d.get();
    return d;
  });
  {
    TFxDrawImage host;
    EXPECT_EQ(host.EffectsDialog(), made);
    EXPECT_EQ(made->host, &host);
  }
  EXPECT_TRUE(destroyed);
  SetEffectsDialogFactory(nullptr);
  TFxDrawImage plain;
  EXPECT_NE(dynamic_cast<TPainterEffectsF*>(plain.EffectsDialog()), nullptr);
}

TEST(DrawImage, ColorPicked) {
  Host h;
  h.host->DoColorPicked(0x123456);  // no handler: nothing happens
  TFxDrawImage* sender = nullptr;
  TColor got = 0;
  h.host->onColorPicked = [&](TFxDrawImage* s, TColor c) { sender = s, got = c; };
  h.host->DoColorPicked(0x123456);
  EXPECT_EQ(sender, h.host.get());
  EXPECT_EQ(got, 0x123456u);
}

TEST(PainterEffectsF, StandInDialog) {
  TFxDrawImage host;
  auto* dlg = dynamic_cast<TPainterEffectsF*>(host.EffectsDialog());
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->windowTitle(), "Effekte");
  for (const char* name : {"HelligkeitPanel", "EffectPanel", "AutomaticPanel", "EBar", "extrabar", "cxbar", "cybar", "Image"})
    EXPECT_NE(dlg->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_EQ(dlg->EBar->minimum(), 1);
  EXPECT_EQ(dlg->EBar->maximum(), 16);
  EXPECT_EQ(dlg->extrabar->maximum(), 300);
  EXPECT_EQ(dlg->cxbar->maximum(), 100);

  const Bitmap24 pic = noise(20, 10, 3);
  host.setPicture(ToQImage(pic));
  dlg->EListClick(9);  // "Mosaik": 2 .. 30, start 15
  EXPECT_EQ(dlg->EBar->minimum(), 2);
  EXPECT_EQ(dlg->EBar->maximum(), 30);
  EXPECT_EQ(dlg->EBar->value(), 15);
  TFxPaintFX fx;
  Bitmap24 want = pic;
  fx.Mosaic(&want, 15);
  EXPECT_EQ(FromQImage(dlg->PreviewPicture()), want);
  dlg->EBar->setValue(4);  // the bar handler runs the chosen effect again
  want = pic;
  fx.Mosaic(&want, 4);
  EXPECT_EQ(host.WorkBitmap, want);

  int loads = 0;
  dlg->LoadWorkingCopy = [&] { ++loads; };
  host.AutoEnhance();
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(dlg->panelVisible(FxEffectsDialog::AutomaticPanel));
  EXPECT_FALSE(dlg->panelVisible(FxEffectsDialog::EffectPanel));
  EXPECT_EQ(dlg->cxbar->maximum(), 20);  // the host's width and height
  EXPECT_EQ(dlg->cxbar->value(), 10);
  EXPECT_EQ(dlg->cybar->maximum(), 10);
  EXPECT_EQ(dlg->cybar->value(), 5);
  want = pic;
  fx.Saturation(&want, 350);
  EXPECT_EQ(host.WorkBitmap, want);
  dlg->hide();
}
