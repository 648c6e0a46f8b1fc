#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <cmath>

#include "FlatMenu.h"
#include "FlatMenuManager.h"
#include "MenuLook.h"

using namespace kvmenu;

namespace {

class MenuPaintTest : public ::testing::Test {
 protected:
  void SetUp() override { PinMenuLook(); }
};

TEST_F(MenuPaintTest, MeasuringTable) {
  const QFont f = PinnedFont();
  const QFontMetrics fm(f);
  const int th = fm.height();
  const int rowH = th + static_cast<int>(std::nearbyint(th * 0.75));
  struct Case { const char* what; MenuItemSpec item; QSize want; };
  const Case cases[] = {
      {"separator", {QStringLiteral("-"), {}, false, false, {}}, {5 + 24, 4}},
      {"plain popup item", {QStringLiteral("Öffnen"), {}, false, false, {}},
       {fm.horizontalAdvance(QStringLiteral("Öffnen")) + 5 + 24, rowH}},
      {"shortcut adds WWW", {QStringLiteral("Öffnen"), QStringLiteral("Ctrl+O"), false, false, {}},
       {fm.horizontalAdvance(QStringLiteral("ÖffnenCtrl+OWWW")) + 5 + 24, rowH}},
      {"ampersand not counted", {QStringLiteral("&Datei"), {}, false, false, {}},
       {fm.horizontalAdvance(QStringLiteral("&Datei")) + 5 - fm.horizontalAdvance(QStringLiteral("&")) + 24, rowH}},
      {"sub-menu arrow", {QStringLiteral("Zuletzt"), {}, true, false, {}},
       {fm.horizontalAdvance(QStringLiteral("Zuletzt")) + 5 + 6 + 24, rowH}},
      {"menu-bar item without icon width", {QStringLiteral("Datei"), {}, true, true, {}},
       {fm.horizontalAdvance(QStringLiteral("Datei")) + 5, rowH}},
      {"wide glyph", {QStringLiteral("A"), {}, false, false, QSize(40, 40)},
       {fm.horizontalAdvance(QStringLiteral("A")) + 5 + 40, 46}},
      {"empty caption", {QString(), {}, false, false, {}}, {5 + 24, rowH}},
  };
  for (const Case& c : cases) EXPECT_EQ(MeasureMenuItem(c.item, f, 24), c.want) << c.what;
  // Measuring only enlarges.
  EXPECT_EQ(MeasureMenuItem({QStringLiteral("A"), {}, false, false, {}}, f, 24, QSize(500, 90)), QSize(500, 90));
}

// The main window's component with its stored settings, on a window with one popup.
struct PaintedMenu {
  QMainWindow win;
  TFlatMenu* fm;
  QMenu* menu;
  PaintedMenu() {
    menu = win.menuBar()->addMenu(QStringLiteral("Datei"));
    fm = new TFlatMenu(&win);
  }
  void activate() {
    fm->ApplyStoredConfiguration();
    fm->Font = PinnedFont();
    fm->Loaded();
  }
  QImage shown() {
    menu->popup(QPoint(20, 20));
    QApplication::processEvents();
    QImage img = menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
    menu->hide();
    return img;
  }
  ~PaintedMenu() { delete fm; }
};

QColor at(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }

TEST_F(MenuPaintTest, IconColumnRampSelectionSeparatorCheckBoxShadow) {
  PaintedMenu m;
  QAction* first = m.menu->addAction(QStringLiteral("Neu"));
  QAction* checked = m.menu->addAction(QStringLiteral("Vorschau"));
  checked->setCheckable(true);
  checked->setChecked(true);
  QAction* sep = m.menu->addSeparator();
  m.menu->addAction(QStringLiteral("Beenden"));
  m.activate();
  const SchemeColors& k = m.fm->Scheme();
  m.menu->popup(QPoint(20, 20));
  QApplication::processEvents();
  m.menu->setActiveAction(first);
  QApplication::processEvents();
  const QImage img = m.menu->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect r1 = m.menu->actionGeometry(first);
  const QRect rc = m.menu->actionGeometry(checked);
  const QRect rs = m.menu->actionGeometry(sep);
  ASSERT_EQ(rs.height(), 4);
  const int w = img.width(), h = img.height();

  // Ramp of the icon column on the unselected checked row (below its check box).
  const int y = rc.bottom() - 1;
  auto level = [](int j) { return std::min(j <= 28 ? 1 + 3 * j : 85 + (j - 28), 96); };
  for (int j : {0, 1, 10, 28, 29, 40, 60})
    EXPECT_EQ(at(img, rc.left() + j, y), ToQColor(LightenColor(k.IconColumnColor, level(j)))) << "column " << j;

  // Selection: frame at the row's second line, fill inside.
  EXPECT_EQ(at(img, r1.left() + 40, r1.top() + 1), ToQColor(k.SelectFrameColor));
  EXPECT_EQ(at(img, r1.left() + 40, r1.top() + 3), ToQColor(k.SelectFillColor));
  EXPECT_EQ(at(img, r1.left(), r1.top() + 3), ToQColor(k.SelectFrameColor));

  // Separator line in the middle of its four rows, right of the icon column.
  EXPECT_EQ(at(img, rs.left() + 40, rs.top() + 2), ToQColor(k.SeparatorLineColor));
  EXPECT_NE(at(img, rs.left() + 40, rs.top() + 1), ToQColor(k.SeparatorLineColor));

  // Check box: 10 x 10 centred in the icon column, framed in the check frame colour.
  const int B = rc.height() + 1;
  const int bx = rc.left() + 7, by = rc.top() + (B - 10) / 2;
  EXPECT_EQ(at(img, bx, by), ToQColor(k.CheckFrameColor));
  EXPECT_EQ(at(img, bx + 9, by + 9), ToQColor(k.CheckFrameColor));
  EXPECT_EQ(at(img, bx + 1, by + 1), ToQColor(k.CheckedFillColor));
  EXPECT_NE(at(img, bx - 1, by + 5), ToQColor(k.CheckFrameColor));

  // Frame, icon strip and the two-pixel shadow band.
  EXPECT_EQ(at(img, 0, 0), ToQColor(k.FrameColor));
  EXPECT_EQ(at(img, w - 3, h / 2), ToQColor(k.FrameColor));
  EXPECT_EQ(at(img, 1, h / 2), ToQColor(k.IconColumnColor));
  EXPECT_EQ(at(img, w - 1, h / 2), ToQColor(k.ShadowColor));
  EXPECT_EQ(at(img, w / 2, h - 1), ToQColor(k.ShadowColor));
  // Mask corners: top right and bottom left stay out of the window.
  const QRegion mask = m.menu->mask();
  EXPECT_FALSE(mask.isEmpty());
  EXPECT_FALSE(mask.contains(QPoint(w - 1, 0)));
  EXPECT_FALSE(mask.contains(QPoint(0, h - 1)));
  EXPECT_TRUE(mask.contains(QPoint(w - 1, h - 1)));
  m.menu->hide();
  QApplication::processEvents();
  EXPECT_TRUE(m.menu->mask().isEmpty()) << "the region goes when the popup hides";
}

TEST_F(MenuPaintTest, GlyphTreatmentsAndMarks) {
  PaintedMenu m;
  m.activate();
  // A red 16x16 glyph on an otherwise plain item image.
  QImage red(16, 16, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  red.setPixel(0, 15, qRgb(255, 255, 255));  // the transparent colour corner
  MenuItemPaint item;
  item.caption = QStringLiteral("Rot");
  item.glyph = red;
  const QSize size(120, 22);
  const QImage plain = m.fm->RenderMenuItem(item, size);
  // Unselected, enabled, dim level 0: the glyph keeps its colour. x = (24 - 16) / 2 - 1, y = 3.
  EXPECT_EQ(QColor(plain.pixel(3 + 5, 3 + 5)), QColor(255, 0, 0));
  item.enabled = false;
  const QImage disabled = m.fm->RenderMenuItem(item, size);
  const TColor grey = LightenColor(GrayOfColor(RGBColor(255, 0, 0), 10), 40);
  EXPECT_EQ(QColor(disabled.pixel(3 + 5, 3 + 5)), ToQColor(grey));
  item.enabled = true;
  item.selected = true;
  const QImage selected = m.fm->RenderMenuItem(item, size);
  // Lifted one pixel up-left, shadow two pixels down-right of the lifted origin.
  EXPECT_EQ(QColor(selected.pixel(2, 2)), QColor(255, 0, 0));
  const TColor shadow = DarkenColor(m.fm->Scheme().SelectFillColor, 50);
  EXPECT_EQ(QColor(selected.pixel(2 + 16 + 1, 2 + 10)), ToQColor(shadow));

  // A checked radio item without a glyph shows a filled dot in the frame colour.
  MenuItemPaint radio;
  radio.caption = QStringLiteral("Klein");
  radio.radio = radio.checked = true;
  const QImage dot = m.fm->RenderMenuItem(radio, size);
  EXPECT_EQ(QColor(dot.pixel(7 + 5, (23 - 10) / 2 + 5)), ToQColor(m.fm->Scheme().SelectFrameColor));
}

TEST_F(MenuPaintTest, MenuBarItemHasTheShadowBand) {
  PaintedMenu m;
  m.activate();
  MenuItemPaint bar;
  bar.caption = QStringLiteral("Datei");
  bar.topLevel = true;
  bar.selected = true;
  const QImage img = m.fm->RenderMenuItem(bar, QSize(50, 20));
  const SchemeColors& k = m.fm->Scheme();
  EXPECT_EQ(QColor(img.pixel(0, 10)), ToQColor(k.SelectFrameColor));
  EXPECT_EQ(QColor(img.pixel(43, 15)), ToQColor(DarkenColor(k.BarColor, 100)));
  EXPECT_EQ(QColor(img.pixel(49, 15)), ToQColor(DarkenColor(k.BarColor, 10)));
}

TEST_F(MenuPaintTest, BadInputIsDrawnWithoutCrash) {
  PaintedMenu m;
  for (int i = 0; i < 500; ++i) m.menu->addAction(QStringLiteral("Eintrag %1").arg(i));
  m.menu->addAction(QString());
  m.menu->addAction(QString(1000, QLatin1Char('x')));
  QPixmap tiny(1, 1);
  tiny.fill(Qt::blue);
  m.menu->addAction(QIcon(tiny), QStringLiteral("winzig"));
  QPixmap huge(512, 512);
  huge.fill(Qt::green);
  QAction* big = m.menu->addAction(QIcon(huge), QStringLiteral("riesig"));
  m.activate();
  const QImage img = m.shown();
  EXPECT_FALSE(img.isNull());
  EXPECT_GT(img.width(), 100);

  // Each of the odd items alone, painted directly.
  MenuItemPaint item;
  for (const QString& caption : {QString(), QString(1000, QLatin1Char('x'))}) {
    item.caption = caption;
    EXPECT_FALSE(m.fm->RenderMenuItem(item, QSize(300, 22)).isNull());
  }
  item.glyph = huge.toImage();
  item.selected = true;
  EXPECT_EQ(m.fm->RenderMenuItem(item, QSize(600, 518)).size(), QSize(600, 518));
  item.glyph = tiny.toImage();
  EXPECT_EQ(m.fm->RenderMenuItem(item, QSize(1, 1)).size(), QSize(1, 1));
  EXPECT_EQ(m.fm->MeasureItem(big, false, QSize()).height(), 512 + 6);
}

}  // namespace

namespace {
TEST_F(MenuPaintTest, DefaultItemGetsItsExtraPassesOnlyWhenEnabled) {
  PaintedMenu m;
  m.activate();
  MenuItemPaint item;
  item.caption = QStringLiteral("Öffnen");
  const QSize size(120, 22);
  MenuItemPaint def = item;
  def.isDefault = true;
  EXPECT_NE(m.fm->RenderMenuItem(def, size), m.fm->RenderMenuItem(item, size));
  item.enabled = def.enabled = false;
  EXPECT_EQ(m.fm->RenderMenuItem(def, size), m.fm->RenderMenuItem(item, size));
}
}  // namespace

namespace {
// Qt marks a hovered menu-bar item as selected as well; only an open (or pressed) item is sunken.
// Hovering shows the plain framed face, opening the face with its shadow band.
TEST_F(MenuPaintTest, HoveredMenuBarItemShowsTheHotFaceOpenedTheShadow) {
  PaintedMenu m;
  m.menu->addAction(QStringLiteral("Neu"));
  QMenu* edit = m.win.menuBar()->addMenu(QStringLiteral("Bearbeiten"));
  edit->addAction(QStringLiteral("Kopieren"));
  m.activate();
  m.win.resize(400, 200);
  m.win.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m.win));
  m.win.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&m.win));
  QMenuBar* bar = m.win.menuBar();
  const QRect r = bar->actionGeometry(edit->menuAction());
  ASSERT_GT(r.width(), 20);
  const SchemeColors& k = m.fm->Scheme();
  const QColor frame = ToQColor(k.SelectFrameColor), fillc = ToQColor(k.SelectFillColor);
  const QColor shadow = ToQColor(DarkenColor(k.BarColor, 100)), plain = ToQColor(k.BarColor);
  const int L = r.left(), Rt = r.left() + r.width(), midY = r.top() + r.height() / 2, lowY = r.bottom() - 2;
  auto face = [&] { return bar->grab().toImage().convertToFormat(QImage::Format_RGB32); };

  // Through the window, as the mouse really comes.
  QWindow* handle = m.win.windowHandle();
  const QPoint centre = bar->mapTo(&m.win, r.center());
  QTest::mouseMove(handle, centre);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->activeAction() == edit->menuAction(); }, 60000));
  QImage img = face();
  EXPECT_EQ(at(img, L, midY), frame);
  EXPECT_EQ(at(img, L + 2, midY), fillc);
  EXPECT_EQ(at(img, Rt - 8, midY), frame) << "the hot rectangle ends 7 pixels short of the right edge";
  for (int x = Rt - 7; x < Rt; ++x) EXPECT_EQ(at(img, x, lowY), plain) << "no shadow band at x " << x;

  QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, centre);
  ASSERT_TRUE(QTest::qWaitFor([&] { return edit->isVisible(); }, 60000));
  img = face();
  EXPECT_EQ(at(img, L, midY), frame);
  EXPECT_EQ(at(img, Rt - 8, midY), frame);
  EXPECT_EQ(at(img, Rt - 6, lowY), shadow) << "an open item casts its shadow";
  edit->hide();
}
}  // namespace
