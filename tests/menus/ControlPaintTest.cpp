// The flat painters of ordinary controls, on grabbed widgets under the pinned look, and which
// controls a window's component takes over.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "ControlPainters.h"
#include "ControlSubClass.h"
#include "FlatMenu.h"
#include "FlatMenuStyle.h"
#include "MenuLook.h"

using namespace kvmenu;

namespace {

const QColor kParent(212, 208, 200);

QColor at(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }
QColor col(TColor c) { return ToQColor(c); }
QImage shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

void hover(QWidget* w, bool in) {
  if (in) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(w, &e);
  } else {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
  }
}

// Every kind of control the component knows, on a window, in a group box and on a panel.
struct ControlWindow {
  QWidget win;
  QComboBox* combo;
  QComboBox* lookup;
  QLineEdit* edit;
  QPlainTextEdit* memo;
  QCheckBox* check;
  QRadioButton* radio;
  QPushButton* button;
  QPushButton* bitButton;
  QToolButton* speed;
  QGroupBox* group;
  QCheckBox* inGroup;
  QFrame* panel;
  QPushButton* onPanel;
  QListWidget* list;
  QTreeWidget* tree;
  QTableWidget* table;
  QProgressBar* progress;
  QSpinBox* spin;
  QLabel* label;
  QSlider* slider;
  QDialogButtonBox* box;
  ControlWindow() {
    QPalette pal = win.palette();
    pal.setColor(QPalette::Window, kParent);
    win.setPalette(pal);
    auto* lay = new QVBoxLayout(&win);
    combo = new QComboBox(&win);
    combo->addItems({QStringLiteral("eins"), QStringLiteral("zwei")});
    lookup = new QComboBox(&win);
    lookup->setProperty("lookup", true);
    edit = new QLineEdit(QStringLiteral("Text"), &win);
    memo = new QPlainTextEdit(&win);
    check = new QCheckBox(QStringLiteral("Prüfen"), &win);
    radio = new QRadioButton(QStringLiteral("Wahl"), &win);
    button = new QPushButton(QStringLiteral("Weiter"), &win);
    QPixmap px(16, 16);
    px.fill(Qt::red);
    bitButton = new QPushButton(QIcon(px), QStringLiteral("Bild"), &win);
    speed = new QToolButton(&win);
    speed->setText(QStringLiteral("Los"));
    group = new QGroupBox(QStringLiteral("Optionen"), &win);
    inGroup = new QCheckBox(QStringLiteral("innen"), group);
    (new QVBoxLayout(group))->addWidget(inGroup);
    panel = new QFrame(&win);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    onPanel = new QPushButton(QStringLiteral("Auf Tafel"), panel);
    (new QVBoxLayout(panel))->addWidget(onPanel);
    list = new QListWidget(&win);
    list->addItem(QStringLiteral("Bild 1"));
    tree = new QTreeWidget(&win);
    table = new QTableWidget(2, 2, &win);
    progress = new QProgressBar(&win);
    progress->setValue(40);
    spin = new QSpinBox(&win);
    label = new QLabel(QStringLiteral("Beschriftung"), &win);
    slider = new QSlider(Qt::Horizontal, &win);
    box = new QDialogButtonBox(QDialogButtonBox::Ok, &win);
    for (QWidget* w : std::initializer_list<QWidget*>{combo, lookup, edit, memo, check, radio, button, bitButton,
                                                      speed, group, panel, list, tree, table, progress, spin, label,
                                                      slider, box})
      lay->addWidget(w);
    win.resize(260, 900);
  }
};

class ControlPaintTest : public ::testing::Test {
 protected:
  void SetUp() override { PinMenuLook(); }
};

using K = TControlSubClass;

TEST_F(ControlPaintTest, ActivationFindsTheRightControlsAndLeavesOthersAlone) {
  ControlWindow w;
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  struct Case { QWidget* widget; K::Kind kind; };
  const Case taken[] = {
      {w.combo, K::kCombo},     {w.lookup, K::kLookupCombo}, {w.edit, K::kEdit},        {w.memo, K::kMemo},
      {w.check, K::kCheckBox},  {w.radio, K::kRadio},        {w.button, K::kButton},    {w.bitButton, K::kBitButton},
      {w.speed, K::kSpeedButton}, {w.group, K::kGroupBox},   {w.inGroup, K::kCheckBox}, {w.panel, K::kPanel},
      {w.onPanel, K::kButton},  {w.list, K::kList},          {w.tree, K::kList},        {w.progress, K::kProgress},
      {w.spin, K::kUpDown},     {w.table, K::kListView},
  };
  for (const Case& c : taken) {
    const K* s = K::Of(c.widget);
    ASSERT_NE(s, nullptr) << c.widget->metaObject()->className();
    EXPECT_EQ(s->ControlKind, c.kind) << c.widget->metaObject()->className();
    EXPECT_EQ(c.widget->style(), FlatStyle());
  }
  // Not candidates, or inside something that is no container, or part of another control.
  std::vector<QWidget*> left = {w.label, w.slider, w.box->button(QDialogButtonBox::Ok)};
  left.push_back(w.spin->findChild<QLineEdit*>());
  left.push_back(w.combo->view());
  for (QWidget* x : left) {
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(K::Of(x), nullptr) << x->metaObject()->className();
  }
  EXPECT_EQ(fm.SubClasses().size(), static_cast<qsizetype>(std::size(taken)));
}

TEST_F(ControlPaintTest, ControlAndContainerSetsChooseWhatIsTaken) {
  ControlWindow w;
  TFlatMenu fm(&w.win);
  fm.SetFlatControls(FlatBit(xcButton) | FlatBit(xcCheckBox));
  fm.SetFlatContainers(ContainerBit(xccForm) | ContainerBit(xccPanel));
  fm.SetActive(true);
  EXPECT_NE(K::Of(w.button), nullptr);
  EXPECT_NE(K::Of(w.onPanel), nullptr) << "panels are containers here";
  EXPECT_NE(K::Of(w.check), nullptr);
  EXPECT_EQ(K::Of(w.inGroup), nullptr) << "group boxes are no container here";
  EXPECT_EQ(K::Of(w.edit), nullptr);
  EXPECT_EQ(K::Of(w.combo), nullptr);
  ControlWindow w2;
  SetTag(w2.panel, kTagLeaveAlone);
  TFlatMenu fm2(&w2.win);
  fm2.SetActive(true);
  EXPECT_EQ(K::Of(w2.onPanel), nullptr) << "a parent with tag 999 keeps its controls alone";
  EXPECT_EQ(K::Of(w2.panel), nullptr) << "nor is the panel itself";
  EXPECT_NE(K::Of(w2.button), nullptr);
}

TEST_F(ControlPaintTest, AutoDetectTakesControlsAndItemsAddedLater) {
  for (bool autoDetect : {false, true}) {
    QMainWindow win;
    QMenu* file = win.menuBar()->addMenu(QStringLiteral("Datei"));
    file->addAction(QStringLiteral("Öffnen"));
    auto* central = new QWidget(&win);
    win.setCentralWidget(central);
    TFlatMenu fm(&win);
    fm.AutoDetect = autoDetect;
    fm.SetActive(true);
    auto* later = new QPushButton(QStringLiteral("Später"), &win);
    auto* nested = new QFrame(central);
    auto* deep = new QLineEdit(nested);  // on a panel, which is a container
    QAction* item = file->addAction(QStringLiteral("Neu dazu"));
    QApplication::processEvents();
    EXPECT_EQ(K::Of(later) != nullptr, autoDetect);
    EXPECT_EQ(K::Of(deep) != nullptr, autoDetect);
    EXPECT_EQ(MenuHandlerRegistry::Instance().Get(item).draw == &fm, autoDetect);
    // Inactive components detect nothing.
    fm.SetActive(false);
    auto* afterOff = new QPushButton(QStringLiteral("Aus"), &win);
    QApplication::processEvents();
    EXPECT_EQ(K::Of(afterOff), nullptr);
  }
}

// Takes over, grabs, switches off and checks that each control looks as before.
TEST_F(ControlPaintTest, SwitchingOffGivesEveryControlItsOwnLookBack) {
  ControlWindow w;
  w.win.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.win));
  const std::vector<QWidget*> all = {w.combo, w.lookup, w.edit, w.memo, w.check, w.radio, w.button, w.bitButton,
                                     w.speed, w.group, w.panel, w.list, w.tree, w.table, w.progress, w.spin};
  std::vector<QImage> before;
  for (QWidget* x : all) before.push_back(shot(x));
  const int memoFrame = w.memo->frameStyle();
  auto* fm = new TFlatMenu(&w.win);
  fm->SetActive(true);
  int changed = 0;
  for (size_t i = 0; i < all.size(); ++i) changed += shot(all[i]) != before[i];
  EXPECT_EQ(changed, static_cast<int>(all.size())) << "every painter changes its control's look";
  fm->SetActive(false);
  for (QWidget* x : all) {
    QEvent poke(QEvent::User);
    QApplication::sendEvent(x, &poke);
  }
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(K::Of(all[i]), nullptr) << all[i]->metaObject()->className();
    EXPECT_EQ(shot(all[i]), before[i]) << all[i]->metaObject()->className();
  }
  EXPECT_EQ(w.memo->frameStyle(), memoFrame);
  delete fm;
}

TEST_F(ControlPaintTest, FreeingTheComponentGivesControlsBack) {
  ControlWindow w;
  const int listFrame = w.list->frameStyle();
  auto* fm = new TFlatMenu(&w.win);
  fm->SetActive(true);
  EXPECT_NE(w.list->frameStyle(), listFrame);
  delete fm;
  EXPECT_EQ(K::Of(w.list), nullptr);
  EXPECT_EQ(w.list->frameStyle(), listFrame);
  EXPECT_NE(w.combo->style(), FlatStyle());
}

struct Flat {
  ControlWindow w;
  TFlatMenu fm{&w.win};
  Flat() {
    // Sizes set by the tests stay: no layout places the controls.
    delete w.win.layout();
    fm.DimLevel = 0;
    fm.SetActive(true);
  }
  const SchemeColors& k() { return fm.Scheme(); }
  ControlState state(QWidget* c) {
    ControlState s;
    s.control = c;
    s.menu = &fm;
    return s;
  }
};

TEST_F(ControlPaintTest, ComboStates) {
  Flat f;
  QComboBox* c = f.w.combo;
  c->resize(120, 22);
  const int W = 120, H = 22, M = ThumbSize();
  const int y0 = (H - 3) / 2 + 1;
  QImage img = shot(c);
  const TColor parent = FromQColor(kParent), own = FromQColor(c->palette().color(QPalette::Base));
  EXPECT_EQ(at(img, 0, 0), col(parent));
  EXPECT_EQ(at(img, W - 4, 4), col(clBtnFace)) << "button face at rest";
  EXPECT_EQ(at(img, W - 2 - (M + 1) - 2, 4), col(own)) << "five pixels of the control's colour before it";
  EXPECT_EQ(at(img, W - 12, y0), col(clBlack)) << "arrow, top row";
  EXPECT_EQ(at(img, W - 10, y0 + 2), col(clBlack)) << "arrow tip";
  EXPECT_EQ(at(img, W - 12, y0 + 2), col(clBtnFace));

  hover(c, true);
  img = shot(c);
  EXPECT_EQ(at(img, 0, H / 2), col(f.k().SelectFrameColor));
  EXPECT_EQ(at(img, W - 4, 4), col(f.k().SelectFillColor));
  hover(c, false);

  // Focus, drop-down and disabled, painted from a state.
  struct Case { const char* what; bool focused, dropped, enabled; TColor button, arrow; };
  const Case cases[] = {
      {"focused", true, false, true, f.k().CheckedFillColor, clBlack},
      {"dropped down", false, true, true, f.k().CheckedSelectedFillColor, clWhite},
      {"disabled", false, false, false, ColorToRGB(clBtnFace), clWhite},
  };
  for (const Case& cs : cases) {
    QImage buf(W, H, QImage::Format_RGB32);
    buf.fill(Qt::magenta);
    QPainter p(&buf);
    ControlState s = f.state(c);
    s.focused = cs.focused;
    s.enabled = cs.enabled;
    PaintFlatCombo(p, s, buf.rect(), cs.dropped, false);
    p.end();
    EXPECT_EQ(at(buf, W - 4, 4), col(cs.button)) << cs.what;
    const int x0 = W - 2 - 10 + (cs.focused ? 1 : 0);
    EXPECT_EQ(at(buf, x0 + 2, y0 + 2), col(cs.arrow)) << cs.what;
  }
  // Right to left: the button sits on the left.
  QImage buf(W, H, QImage::Format_RGB32);
  QPainter p(&buf);
  ControlState s = f.state(c);
  s.rightToLeft = true;
  PaintFlatCombo(p, s, buf.rect(), false, false);
  p.end();
  EXPECT_EQ(at(buf, 4, 4), col(clBtnFace));
  EXPECT_EQ(at(buf, 2 + 5 + 2, y0 + 2), col(clBlack));
}

TEST_F(ControlPaintTest, LookupComboEditMemoListAndProgressFrames) {
  Flat f;
  const TColor rest = DarkenColor(FromQColor(kParent), 60);
  const TColor lit = LightenColor(f.k().SelectFrameColor, 60);
  for (QWidget* c : std::initializer_list<QWidget*>{f.w.lookup, f.w.edit, f.w.memo, f.w.list, f.w.progress}) {
    c->resize(100, 30);
    const char* name = c->metaObject()->className();
    EXPECT_EQ(at(shot(c), 0, 0), col(rest)) << name;
    EXPECT_EQ(at(shot(c), 99, 29), col(rest)) << name;
    hover(c, true);
    const TColor hot = c == f.w.progress || c == f.w.lookup ? f.k().SelectFrameColor : lit;
    EXPECT_EQ(at(shot(c), 0, 15), col(hot)) << name;
    hover(c, false);
  }
  // Borderless edit and list.
  QImage buf(50, 20, QImage::Format_RGB32);
  QPainter p(&buf);
  ControlState s = f.state(f.w.edit);
  s.framed = false;
  const TColor own = ColorToRGB(FromQColor(f.w.edit->palette().color(QPalette::Base)));
  PaintFlatEdit(p, s, buf.rect());
  EXPECT_EQ(at(buf, 0, 0), col(own));
  s.hot = true;
  PaintFlatEdit(p, s, buf.rect());
  EXPECT_EQ(at(buf, 0, 0), col(LightenColor(AverageColor({own, FromQColor(kParent)}), 40)));
  s.focused = true;
  PaintFlatEdit(p, s, buf.rect());
  EXPECT_EQ(at(buf, 0, 0), col(own));
  s = f.state(f.w.list);
  s.framed = false;
  PaintFlatListBorder(p, s, buf.rect());
  EXPECT_EQ(at(buf, 0, 0), col(FromQColor(kParent)));
  s.focused = true;
  PaintFlatListBorder(p, s, buf.rect());
  EXPECT_EQ(at(buf, 0, 0), col(LightenColor(f.k().SelectFrameColor, 80)));
}

TEST_F(ControlPaintTest, PanelBevels) {
  Flat f;
  QFrame* panel = f.w.panel;
  panel->resize(60, 40);
  const TColor own = FromQColor(kParent);
  const TColor dark = DarkenColor(own, 60), light = LightenColor(own, 60);
  struct Case { int shape, shadow; TColor tl, br; bool inner; };
  const Case cases[] = {
      {QFrame::Panel, QFrame::Sunken, dark, light, false},
      {QFrame::Panel, QFrame::Raised, light, dark, false},
      {QFrame::WinPanel, QFrame::Sunken, dark, light, true},
  };
  for (const Case& c : cases) {
    panel->setFrameStyle(c.shape | c.shadow);
    panel->setLineWidth(1);
    const QImage img = shot(panel);
    EXPECT_EQ(at(img, 0, 10), col(c.tl));
    EXPECT_EQ(at(img, 10, 0), col(c.tl));
    EXPECT_EQ(at(img, 59, 10), col(c.br));
    EXPECT_EQ(at(img, 10, 39), col(c.br));
    EXPECT_EQ(at(img, 59, 0), col(c.br)) << "the top right corner belongs to the lower edge";
    EXPECT_EQ(at(img, 1, 10) == col(c.tl), c.inner) << "inner bevel";
  }
  // A plain panel keeps the platform's own frame.
  panel->setFrameStyle(QFrame::Box | QFrame::Plain);
  const QImage plain = shot(panel);
  auto* s = K::Of(panel);
  s->GiveBack();
  EXPECT_EQ(shot(panel), plain);
}

TEST_F(ControlPaintTest, GroupBoxFrameAndCaption) {
  Flat f;
  QGroupBox* g = f.w.group;
  QPalette pal = g->palette();
  const QColor ownQ(200, 220, 240);
  pal.setColor(QPalette::Window, ownQ);
  g->setPalette(pal);
  g->resize(150, 80);
  const int h = QFontMetrics(g->font()).height();
  const TColor own = FromQColor(ownQ), dark = DarkenColor(own, 60), light = LightenColor(own, 60);
  QImage img = shot(g);
  EXPECT_EQ(at(img, 3, 1), col(FromQColor(kParent))) << "above the frame the parent shows";
  EXPECT_EQ(at(img, 3, h / 2 + 1), col(light)) << "top line left of the caption";
  EXPECT_EQ(at(img, 148, h / 2 + 1), col(light)) << "top line right of the caption";
  EXPECT_EQ(at(img, 0, h + 5), col(light));
  EXPECT_EQ(at(img, 1, h + 5), col(own)) << "the line that covers the platform's frame";
  EXPECT_EQ(at(img, 149, h + 5), col(dark));
  EXPECT_EQ(at(img, 40, 79), col(dark));
  // The caption stands where the line would be.
  bool text = false;
  for (int x = 9; x < 40; ++x) text |= at(img, x, h / 2 + 1) != col(light);
  EXPECT_TRUE(text);
  g->setFlat(true);  // no 3-D: the light lines turn dark
  img = shot(g);
  EXPECT_EQ(at(img, 3, h / 2 + 1), col(dark));
}

TEST_F(ControlPaintTest, CheckBoxAndRadioMarks) {
  Flat f;
  f.w.check->setChecked(true);
  f.w.radio->setChecked(true);
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{f.w.check, f.w.radio}) {
    b->resize(100, 20);
    QStyleOptionButton opt;
    opt.initFrom(b);
    const bool radio = b == f.w.radio;
    const QRect ind = b->style()->subElementRect(radio ? QStyle::SE_RadioButtonIndicator
                                                       : QStyle::SE_CheckBoxIndicator, &opt, b);
    const QPoint mid = ind.center();
    QImage img = shot(b);
    if (!radio) { EXPECT_EQ(at(img, ind.left(), ind.top()), col(clBtnShadow)); }
    EXPECT_EQ(at(img, mid.x(), mid.y()), col(clHighlight)) << (radio ? "dot" : "check stroke");
    hover(b, true);
    img = shot(b);
    if (!radio) { EXPECT_EQ(at(img, ind.left(), ind.top()), col(f.k().SelectFrameColor)); }
    const QPoint inside = radio ? QPoint(mid.x(), ind.top() + 2) : QPoint(ind.left() + 2, ind.bottom() - 1);
    EXPECT_EQ(at(img, inside.x(), inside.y()), col(radio ? ColorToRGB(clWindow) : f.k().SelectFillColor))
        << "hover alone does not fill a radio box";
    hover(b, false);
  }
}

TEST_F(ControlPaintTest, SpeedButtonFacesAndGlyphSlices) {
  Flat f;
  QToolButton* b = f.w.speed;
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  // Four 8 x 8 slices: normal red, disabled green, pressed blue, down yellow.
  QImage strip(32, 8, QImage::Format_RGB32);
  const QRgb slice[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
  for (int i = 0; i < 4; ++i)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) strip.setPixel(i * 8 + x, y, slice[i]);
  strip.setPixel(0, 7, qRgb(255, 255, 255));  // the transparent corner of the first slice
  b->setProperty("glyph", strip);
  b->setProperty("numGlyphs", 4);
  b->resize(24, 22);
  // Glyph left of an empty caption: x = (24 - 8) / 2, y = (22 - 8) / 2 - 1.
  const QPoint g(8 + 3, 6 + 3);
  QImage img = shot(b);
  EXPECT_EQ(at(img, 0, 0), col(clBtnShadow));
  EXPECT_EQ(at(img, 2, 2), col(f.k().IconColumnColor));
  EXPECT_EQ(img.pixel(g), slice[0]);
  b->setEnabled(false);
  img = shot(b);
  EXPECT_EQ(at(img, g.x(), g.y()), col(LightenColor(GrayOfColor(RGBColor(0, 255, 0), f.fm.GrayLevel), 40)));
  b->setEnabled(true);
  b->setCheckable(true);
  b->setChecked(true);
  img = shot(b);
  EXPECT_EQ(at(img, 2, 2), col(f.k().CheckedFillColor));
  EXPECT_EQ(at(img, 0, 0), col(f.k().SelectFrameColor));
  EXPECT_EQ(img.pixel(g), slice[3]);
  hover(b, true);
  img = shot(b);
  EXPECT_EQ(at(img, 2, 2), col(f.k().CheckedSelectedFillColor));
  EXPECT_EQ(at(img, 0, 0), col(LightenColor(f.k().SelectFrameColor, 60)));
  hover(b, false);
  b->setChecked(false);
  b->setAutoRaise(true);
  img = shot(b);
  EXPECT_EQ(at(img, 0, 0), col(FromQColor(kParent))) << "a flat button at rest shows its parent";
  hover(b, true);
  img = shot(b);
  EXPECT_EQ(at(img, 2, 2), col(f.k().SelectFillColor));
  // Hot: the glyph is lifted by one pixel and casts a shadow.
  EXPECT_EQ(img.pixel(g - QPoint(1, 1)), slice[0]);
  EXPECT_EQ(at(img, 8 - 1 + 2 + 7, 6 - 1 + 2 + 4), col(DarkenColor(f.k().SelectFillColor, 50)));
  hover(b, false);
  // Mouse held: the third slice.
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(2, 2));
  img = shot(b);
  EXPECT_EQ(img.pixel(g), slice[2]);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(2, 2));
}

TEST_F(ControlPaintTest, SpeedButtonLayoutTable) {
  const QSize client(60, 40), glyph(16, 16), text(20, 10);
  struct Case { GlyphLayout layout; bool rtl; QSize text; QPoint g, t; };
  const Case cases[] = {
      {blGlyphLeft, false, text, {(60 - 40) / 2, 11}, {10 + 16 + 4, 15}},
      {blGlyphRight, false, text, {(4 + 16 + 20 + 60) / 2 - 16, 12}, {34 - 4 - 20, 15}},
      {blGlyphTop, false, text, {22, (40 - 30) / 2}, {20, 5 + 16 + 4}},
      {blGlyphBottom, false, text, {22, (4 + 16 + 10 + 40) / 2 - 16}, {20, 19 - 4 - 10}},
      {blGlyphLeft, true, text, {34, 12}, {10, 15}},
      {blGlyphLeft, false, QSize(), {22, 11}, {38, 20}},
  };
  for (const Case& c : cases) {
    QPoint g, t;
    SpeedButtonLayout(client, glyph, c.text, c.layout, 4, c.rtl, &g, &t);
    EXPECT_EQ(g, c.g) << c.layout << " rtl " << c.rtl;
    EXPECT_EQ(t, c.t) << c.layout << " rtl " << c.rtl;
  }
}

TEST_F(ControlPaintTest, SpinBoxButtons) {
  Flat f;
  f.w.spin->resize(80, 24);
  QImage img = shot(f.w.spin);
  EXPECT_EQ(at(img, 0, 0), col(DarkenColor(FromQColor(kParent), 60)));
  QStyleOptionSpinBox opt;
  opt.initFrom(f.w.spin);
  opt.rect = f.w.spin->rect();
  opt.frame = true;
  const QRect up = FlatStyle()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, f.w.spin);
  EXPECT_EQ(at(img, up.left() + 1, up.top() + 1), col(LightenColor(clBtnFace, f.k().ControlShadeHigh)));
  // Hot and pressed parts, painted from a state.
  QImage buf(80, 24, QImage::Format_RGB32);
  const QRect a(60, 0, 20, 12), b(60, 12, 20, 12);
  QPainter p(&buf);
  PaintFlatUpDown(p, f.state(f.w.spin), a, b, 1, 2);
  p.end();
  EXPECT_EQ(at(buf, 60, 0), col(f.k().SelectFrameColor));
  EXPECT_EQ(at(buf, 62, 2), col(LightenColor(f.k().SelectFillColor, 60)));
  EXPECT_EQ(at(buf, 62, 14), col(f.k().CheckedSelectedFillColor));
  EXPECT_EQ(at(buf, 70, 12 + (12 - 3) / 2), col(clWhite)) << "pressed arrow, widest row on top";
  EXPECT_EQ(at(buf, 70, (12 - 3) / 2), col(clBlack)) << "up arrow tip";
  EXPECT_EQ(at(buf, 68, (12 - 3) / 2 + 2), col(clBlack)) << "up arrow base";
}

TEST_F(ControlPaintTest, ToolBarButtonsThroughTheHandler) {
  QMainWindow win;
  QToolBar* tb = win.addToolBar(QStringLiteral("Werkzeuge"));
  QPixmap px(16, 16);
  px.fill(Qt::red);
  QAction* checked = tb->addAction(QIcon(px), QStringLiteral("Raster"));
  checked->setCheckable(true);
  checked->setChecked(true);
  auto* menu = new QMenu(&win);
  menu->addAction(QStringLiteral("eins"));
  QAction* drop = tb->addAction(QIcon(px), QStringLiteral("Mehr"));
  drop->setMenu(menu);
  auto* dropButton = qobject_cast<QToolButton*>(tb->widgetForAction(drop));
  ASSERT_NE(dropButton, nullptr);
  dropButton->setPopupMode(QToolButton::MenuButtonPopup);
  auto* button = qobject_cast<QToolButton*>(tb->widgetForAction(checked));
  button->resize(26, 24);
  const QImage original = shot(button);
  TFlatMenu fm(&win);
  fm.SetActive(true);
  ASSERT_EQ(button->style(), FlatStyle());
  EXPECT_EQ(K::Of(button), nullptr) << "tool-bar buttons are the handler's, not subclassed";
  const SchemeColors& k = fm.Scheme();
  const TColor bar = FromQColor(tb->palette().color(tb->backgroundRole()));
  QImage img = shot(button);
  EXPECT_EQ(at(img, 5, 0), col(LightenColor(bar, 16)));
  EXPECT_EQ(at(img, 0, 5), col(k.SelectFrameColor));
  EXPECT_EQ(at(img, 1, 5), col(k.CheckedFillColor));
  dropButton->resize(40, 24);
  img = shot(dropButton);
  EXPECT_EQ(at(img, img.width() - 10 + 2, (img.height() - 3) / 2 + 1 + 2), col(clBlack)) << "drop-down triangle";

  // A later button gets the handler's look too.
  QAction* later = tb->addAction(QIcon(px), QStringLiteral("Später"));
  QApplication::processEvents();
  EXPECT_EQ(tb->widgetForAction(later)->style(), FlatStyle());

  // Hot split button, painted from a look: both outlines.
  ToolBarButtonLook b;
  b.bounds = QRect(0, 0, 40, 24);
  b.barColor = bar;
  b.hot = b.dropDown = b.hasMenu = true;
  QImage buf(40, 24, QImage::Format_RGB32);
  PaintToolBarButton(buf, &fm, b);
  EXPECT_EQ(at(buf, 40 - 1 - 13 - 1, 5), col(k.SelectFrameColor));
  EXPECT_EQ(at(buf, 40 - 13, 5), col(k.SelectFrameColor));
  EXPECT_EQ(at(buf, 3, 5), col(k.SelectFillColor));

  // Separators: the button background, and a middle line only with a positive tag.
  QAction* plainSep = tb->addSeparator();
  QAction* taggedSep = tb->addSeparator();
  SetTag(taggedSep, 1);
  QApplication::processEvents();
  for (QAction* sep : {plainSep, taggedSep}) {
    QWidget* sw = tb->widgetForAction(sep);
    ASSERT_EQ(sw->style(), FlatStyle());
    const QImage si = shot(sw);
    const QColor mid = at(si, si.width() / 2, si.height() / 2);
    EXPECT_EQ(at(si, 0, 0), col(LightenColor(bar, 16)));
    EXPECT_EQ(mid, sep == taggedSep ? col(DarkenColor(bar, 30)) : col(LightenColor(bar, 16)));
  }

  fm.SetActive(false);
  EXPECT_NE(button->style(), FlatStyle());
  EXPECT_EQ(shot(button), original) << "the button looks as before";
  EXPECT_NE(tb->widgetForAction(later)->style(), FlatStyle());
  EXPECT_NE(tb->widgetForAction(taggedSep)->style(), FlatStyle());
}

TEST_F(ControlPaintTest, BadInputNeverCrashes) {
  Flat f;
  // Zero-size and one-pixel controls.
  for (QWidget* c : std::initializer_list<QWidget*>{f.w.combo, f.w.edit, f.w.memo, f.w.button, f.w.speed,
                                                    f.w.group, f.w.panel, f.w.list, f.w.progress, f.w.spin}) {
    for (QSize sz : {QSize(0, 0), QSize(1, 1), QSize(3, 2)}) {
      c->resize(sz);
      QImage img(std::max(1, sz.width()), std::max(1, sz.height()), QImage::Format_RGB32);
      c->render(&img);
      hover(c, true);
      c->render(&img);
      hover(c, false);
    }
  }
  // Every painter on empty and tiny rectangles, also without a control or a component.
  QImage one(1, 1, QImage::Format_RGB32);
  for (ControlState s : {f.state(f.w.combo), ControlState{}}) {
    for (QRect r : {QRect(), QRect(0, 0, 1, 1), QRect(0, 0, -5, 3)}) {
      QPainter p(&one);
      PaintFlatCombo(p, s, r, true, false);
      PaintFlatLookupCombo(p, s, r, false);
      PaintFlatEdit(p, s, r);
      PaintFlatListBorder(p, s, r);
      PaintFlatProgress(p, s, r);
      PaintFlatPanel(p, s, r, bvLowered, bvRaised, 3, 2);
      PaintFlatGroupBox(p, s, r, QString(1000, QLatin1Char('x')), true);
      SpeedButtonLook look;
      look.glyph = QImage(3, 1, QImage::Format_RGB32);
      look.numGlyphs = 7;  // more slices than pixels
      PaintFlatSpeedButton(p, s, r, look);
      PaintFlatUpDown(p, s, r, r, 1, 2);
    }
  }
  ToolBarButtonLook b;
  b.bounds = QRect(0, 0, 1, 1);
  b.dropDown = b.hot = true;
  b.glyph = QImage(512, 512, QImage::Format_RGB32);
  PaintToolBarButton(one, &f.fm, b);
  PaintToolBarButton(one, nullptr, b);

  // A control freed while taken over takes its object along; the rest goes on.
  const auto before = f.fm.SubClasses().size();
  delete f.w.combo;
  f.w.combo = nullptr;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f.fm.SubClasses().size(), before - 1);
  f.fm.SetActive(false);
  f.fm.SetActive(true);
  EXPECT_NE(K::Of(f.w.edit), nullptr);
}

}  // namespace

namespace {
// The whole set of flat controls in one picture; saved for a look by eye when
// KALVORA_SHOT_DIR names a folder.
TEST_F(ControlPaintTest, GalleryOfFlatControls) {
  ControlWindow w;
  w.speed->setCheckable(true);
  w.speed->setChecked(true);
  w.group->setMinimumHeight(50);
  w.win.resize(260, 760);
  w.win.setAutoFillBackground(true);
  QMainWindow main;
  QToolBar* tb = main.addToolBar(QStringLiteral("Werkzeuge"));
  QPixmap px(16, 16);
  px.fill(QColor(200, 40, 40));
  QAction* a = tb->addAction(QIcon(px), QStringLiteral("Neu"));
  a->setCheckable(true);
  a->setChecked(true);
  tb->addAction(QIcon(px), QStringLiteral("Öffnen"));
  main.setCentralWidget(&w.win);
  TFlatMenu fm(&main);
  fm.SetActive(true);
  main.resize(260, 800);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  const QImage img = main.grab().toImage();
  EXPECT_FALSE(img.isNull());
  const QString dir = qEnvironmentVariable("KALVORA_SHOT_DIR");
  if (!dir.isEmpty()) {
    EXPECT_TRUE(img.save(dir + QStringLiteral("/flat-controls.png")));
  }
  main.takeCentralWidget();
}
}  // namespace

namespace {
TEST_F(ControlPaintTest, DoubleOutlineOfATable) {
  Flat f;
  f.w.table->resize(90, 60);
  QImage img = shot(f.w.table);
  EXPECT_EQ(at(img, 0, 30), col(DarkenColor(FromQColor(kParent), 60)));
  EXPECT_EQ(at(img, 1, 30), col(clWindow));
  EXPECT_EQ(at(img, 88, 30), col(clWindow));
  hover(f.w.table, true);
  EXPECT_EQ(at(shot(f.w.table), 0, 30), col(LightenColor(f.k().SelectFrameColor, 60)));
}

TEST_F(ControlPaintTest, ToolBarAsControlBarBand) {
  QMainWindow win;
  QToolBar* tb = win.addToolBar(QStringLiteral("Leiste"));
  tb->addAction(QStringLiteral("Neu"));
  tb->setMovable(true);
  QPalette pal = tb->palette();
  pal.setColor(QPalette::Window, kParent);
  tb->setPalette(pal);
  const QImage original = shot(tb);
  TFlatMenu fm(&win);
  fm.SetFlatControls(FlatBit(xcControlbar));
  fm.SetActive(true);
  ASSERT_EQ(tb->style(), FlatStyle());
  const QImage img = shot(tb);
  const TColor c = FromQColor(kParent);
  QStyleOptionToolBar opt;
  opt.initFrom(tb);
  opt.features = QStyleOptionToolBar::Movable;
  const QRect handle = tb->style()->subElementRect(QStyle::SE_ToolBarHandle, &opt, tb);
  EXPECT_EQ(at(img, img.width() - 2, img.height() - 2), col(LightenColor(c, 6))) << "band face";
  // The first grip line is on the first even row from the handle's top + 5, in Darken(30).
  int y = handle.top() + 5;
  if (y % 2) ++y;
  EXPECT_EQ(at(img, handle.left() + 3, y), col(DarkenColor(c, 30)));
  EXPECT_EQ(at(img, handle.left() + 5, y + 2), col(DarkenColor(c, 37)));
  EXPECT_NE(at(img, handle.left() + 6, y), col(DarkenColor(c, 30)));
  fm.SetActive(false);
  EXPECT_NE(tb->style(), FlatStyle());
  EXPECT_EQ(shot(tb), original);
}
}  // namespace

namespace {
// Tag 1000 takes the face from the parent (bit buttons: all its bits set); a bit button with
// tag 1001 has neither frame nor inner line.
TEST_F(ControlPaintTest, ButtonTagsTable) {
  Flat f;
  const TColor parent = FromQColor(kParent);
  const TColor parentFace = LightenColor(parent, f.k().ControlShadeLow);
  const TColor rest = ColorToRGB(clBtnShadow);
  struct Case { bool bit; int tag; TColor face; TColor rightEdge; };
  const Case cases[] = {
      {false, 0, f.k().IconColumnColor, DarkenColor(rest, 50)},
      {false, 1000, parentFace, DarkenColor(rest, 50)},
      {false, 1001, f.k().IconColumnColor, DarkenColor(rest, 50)},
      {true, 1000, parentFace, DarkenColor(rest, 50)},
      {true, 1001, parentFace, parentFace},
      {true, 3048, parentFace, DarkenColor(rest, 50)},  // 3048 has every bit of 1000
  };
  for (const Case& c : cases) {
    QPushButton* b = c.bit ? f.w.bitButton : f.w.button;
    SetTag(b, c.tag);
    b->resize(80, 24);
    const QImage img = shot(b);
    EXPECT_EQ(at(img, 4, 3), col(c.face)) << c.bit << " " << c.tag;
    EXPECT_EQ(at(img, 79, 12), col(c.rightEdge)) << c.bit << " " << c.tag;
  }
}
}  // namespace

namespace {
bool hasColour(const QImage& img, const QColor& c) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (QColor(img.pixel(x, y)) == c) return true;
  return false;
}

TEST_F(ControlPaintTest, ButtonCaptionColoursAndDefaultPasses) {
  Flat f;
  QPushButton* b = f.w.button;
  b->resize(90, 26);
  const QImage plain = shot(b);
  EXPECT_TRUE(hasColour(plain, col(clMenuText)));
  b->setDefault(true);
  const QImage def = shot(b);
  EXPECT_NE(def, plain) << "a default caption gets its extra passes";
  b->setEnabled(false);
  const QImage offDefault = shot(b);
  b->setDefault(false);
  const QImage off = shot(b);
  EXPECT_EQ(offDefault, off) << "no extra passes when disabled";
  EXPECT_TRUE(hasColour(off, col(f.k().DisabledTextColor)));
  EXPECT_FALSE(hasColour(off, col(clMenuText)));
  // A bit button's glyph is pale at rest (dim level 30 here) and keeps its colour when hot.
  f.fm.DimLevel = 30;
  QImage red(16, 16, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  red.setPixel(0, 15, qRgb(255, 255, 255));  // the transparent colour corner
  f.w.bitButton->setIcon(QIcon(QPixmap::fromImage(red)));
  f.w.bitButton->resize(90, 26);
  EXPECT_TRUE(hasColour(shot(f.w.bitButton), col(LightenColor(RGBColor(255, 0, 0), 30))));
  hover(f.w.bitButton, true);
  const QImage hot = shot(f.w.bitButton);
  EXPECT_TRUE(hasColour(hot, QColor(255, 0, 0)));
  EXPECT_TRUE(hasColour(hot, col(DarkenColor(f.k().SelectFillColor, 50)))) << "the lifted glyph's shadow";
}
}  // namespace

namespace {
// Space held fills the box in the pressed colour with a window-coloured check; a partly
// checked box is silver with a grey check.
TEST_F(ControlPaintTest, CheckBoxPressedAndGrayed) {
  Flat f;
  QCheckBox* b = f.w.check;
  b->resize(100, 20);
  QStyleOptionButton opt;
  opt.initFrom(b);
  const QRect ind = b->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, b);
  const QPoint fillAt(ind.left() + 2, ind.bottom() - 1);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(b, &press);
  EXPECT_EQ(at(shot(b), fillAt.x(), fillAt.y()), col(f.k().CheckedSelectedFillColor));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(b, &release);
  b->setTristate(true);
  b->setCheckState(Qt::PartiallyChecked);
  const QImage img = shot(b);
  EXPECT_EQ(at(img, fillAt.x(), fillAt.y()), col(clSilver));
  EXPECT_TRUE(hasColour(img.copy(ind), col(0x808080)));
}

TEST_F(ControlPaintTest, GroupBoxCaptionRightToLeft) {
  Flat f;
  QGroupBox* g = f.w.group;
  g->setLayoutDirection(Qt::RightToLeft);
  g->resize(150, 80);
  const int h = QFontMetrics(g->font()).height();
  const TColor light = LightenColor(FromQColor(kParent), 60);
  const QImage img = shot(g);
  EXPECT_EQ(at(img, 3, h / 2 + 1), col(light)) << "the line runs on the left";
  EXPECT_EQ(at(img, 146, h / 2 + 1), col(light)) << "and on the right, 9 pixels from the edge";
  bool text = false;
  for (int x = 100; x < 140; ++x) text |= at(img, x, h / 2 + 1) != col(light);
  EXPECT_TRUE(text) << "the caption stands at the right";
}
}  // namespace
