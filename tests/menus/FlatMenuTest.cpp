#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "ControlSubClass.h"
#include "FlatMenu.h"
#include "FlatMenuManager.h"
#include "FlatMenuStyle.h"
#include "MenuLook.h"

using namespace kvmenu;

namespace {

QObject* drawOf(QAction* a) { return MenuHandlerRegistry::Instance().Get(a).draw; }
QObject* measureOf(QAction* a) { return MenuHandlerRegistry::Instance().Get(a).measure; }

// A window with a menu bar (one menu, an item with a sub-item) and a popup menu.
struct MenuWindow {
  QMainWindow win;
  QMenu* file = nullptr;
  QAction* open = nullptr;
  QAction* recent = nullptr;
  QAction* recentFirst = nullptr;
  QMenu* popup = nullptr;
  QAction* popupItem = nullptr;
  MenuWindow() {
    file = win.menuBar()->addMenu(QStringLiteral("&Datei"));
    open = file->addAction(QStringLiteral("Öffnen"));
    QMenu* sub = file->addMenu(QStringLiteral("Zuletzt"));
    recent = sub->menuAction();
    recentFirst = sub->addAction(QStringLiteral("eins.kvz"));
    popup = new QMenu(&win);
    popupItem = popup->addAction(QStringLiteral("Drucken"));
  }
};

class FlatMenuTest : public ::testing::Test {
 protected:
  void SetUp() override { PinMenuLook(); }
};

TEST_F(FlatMenuTest, ActivationHooksEveryItemOfBothMenus) {
  MenuWindow w;
  TFlatMenu fm(&w.win);
  fm.SetFlatControls(FlatBit(xcMainMenu) | FlatBit(xcPopupMenu));
  fm.SetActive(true);
  for (QAction* a : {w.file->menuAction(), w.open, w.recent, w.recentFirst, w.popupItem}) {
    EXPECT_EQ(drawOf(a), &fm) << a->text().toStdString();
    EXPECT_EQ(measureOf(a), &fm) << a->text().toStdString();
  }
  EXPECT_EQ(w.win.menuBar()->style(), FlatStyle());
  EXPECT_EQ(w.file->style(), FlatStyle());
  EXPECT_EQ(w.popup->style(), FlatStyle());
  fm.SetActive(false);
  EXPECT_EQ(MenuHandlerRegistry::Instance().CountOwnedBy(&fm), 0);
  EXPECT_NE(w.file->style(), FlatStyle());
}

TEST_F(FlatMenuTest, TagLeaveAloneRules) {
  {  // an item with tag 999: the item alone, its sub-items still hooked
    MenuWindow w;
    SetTag(w.recent, kTagLeaveAlone);
    TFlatMenu fm(&w.win);
    fm.SetActive(true);
    EXPECT_EQ(drawOf(w.recent), nullptr);
    EXPECT_EQ(measureOf(w.recent), nullptr);
    EXPECT_EQ(drawOf(w.recentFirst), &fm);
  }
  {  // a main menu with tag 999 is skipped, a popup menu with tag 999 is restyled
    MenuWindow w;
    SetTag(w.win.menuBar(), kTagLeaveAlone);
    SetTag(w.popup, kTagLeaveAlone);
    TFlatMenu fm(&w.win);
    fm.SetActive(true);
    EXPECT_EQ(drawOf(w.open), nullptr);
    EXPECT_NE(w.win.menuBar()->style(), FlatStyle());
    EXPECT_EQ(drawOf(w.popupItem), &fm);
  }
}

TEST_F(FlatMenuTest, TheApplicationsOwnHandlersStay) {
  MenuWindow w;
  QObject appHandler;
  MenuHandlerRegistry::Instance().SetDraw(w.open, &appHandler);
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  EXPECT_EQ(drawOf(w.open), &appHandler);
  EXPECT_EQ(measureOf(w.open), &fm) << "an empty measure handler is filled in";
  fm.SetActive(false);
  EXPECT_EQ(drawOf(w.open), &appHandler);
  EXPECT_EQ(measureOf(w.open), nullptr);
  fm.OverrideOwnerDraw = true;
  fm.SetActive(true);
  EXPECT_EQ(drawOf(w.open), &fm);
}

TEST_F(FlatMenuTest, ChangingTheControlSetRemovesThenReinstalls) {
  MenuWindow w;
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  fm.SetFlatControls(FlatBit(xcPopupMenu));
  EXPECT_EQ(drawOf(w.open), nullptr);
  EXPECT_EQ(drawOf(w.popupItem), &fm);
  EXPECT_TRUE(fm.Active());
  fm.SetFlatControls(FlatBit(xcMainMenu));
  EXPECT_EQ(drawOf(w.open), &fm);
  EXPECT_EQ(drawOf(w.popupItem), nullptr);
}

TEST_F(FlatMenuTest, StoredConfigurationTouchesNoControl) {
  QMainWindow win;
  auto* central = new QWidget(&win);
  auto* edit = new QLineEdit(central);
  auto* button = new QPushButton(QStringLiteral("OK"), central);
  win.setCentralWidget(central);
  auto* fm = new TFlatMenu(&win);
  fm->ApplyStoredConfiguration();
  EXPECT_TRUE(fm->Active());
  EXPECT_TRUE(fm->SubClasses().isEmpty());
  EXPECT_NE(edit->style(), FlatStyle());
  EXPECT_EQ(TControlSubClass::Of(button), nullptr);
  delete fm;
}

// Controls on the window itself, subclassed when asked for.
struct ControlWindow {
  QWidget win;
  QPushButton* button;
  QLineEdit* edit;
  QPushButton* left;
  ControlWindow() {
    button = new QPushButton(QStringLiteral("Weiter"), &win);
    edit = new QLineEdit(&win);
    left = new QPushButton(QStringLiteral("Aus"), &win);
    SetTag(left, kTagLeaveAlone);
    auto* lay = new QVBoxLayout(&win);
    lay->addWidget(button);
    lay->addWidget(edit);
    lay->addWidget(left);
  }
};

TEST_F(FlatMenuTest, ControlsAreSubclassedAndGivenBack) {
  ControlWindow w;
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  ASSERT_NE(TControlSubClass::Of(w.button), nullptr);
  EXPECT_EQ(w.button->style(), FlatStyle());
  EXPECT_NE(TControlSubClass::Of(w.edit), nullptr);
  EXPECT_EQ(TControlSubClass::Of(w.left), nullptr) << "tag 999 keeps a control alone";
  fm.SetActive(false);
  // Each control is given back when it next sees an event.
  QEvent ev(QEvent::User);
  QApplication::sendEvent(w.button, &ev);
  EXPECT_EQ(TControlSubClass::Of(w.button), nullptr);
  EXPECT_NE(w.button->style(), FlatStyle());
}

TEST_F(FlatMenuTest, DoubleClickIsTwoClicksAndHeldSpacePaintsOnce) {
  ControlWindow w;
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  w.win.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.win));
  QSignalSpy clicks(w.button, &QPushButton::clicked);
  // What the platform delivers for a double click: press, release, double click, release.
  const QPointF c = QRectF(w.button->rect()).center();
  const QPointF g = w.button->mapToGlobal(c);
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(t, c, c, g, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w.button, &ev);
  }
  EXPECT_EQ(clicks.count(), 2) << "the double click acts as a second click";

  TControlSubClass* s = TControlSubClass::Of(w.button);
  ASSERT_NE(s, nullptr);
  w.button->setFocus();
  const int before = s->Paints;
  for (int i = 0; i < 5; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), i > 0);
    QApplication::sendEvent(w.button, &press);
  }
  EXPECT_EQ(s->Paints - before, 1);
  EXPECT_TRUE(s->SpaceDown);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(w.button, &release);
  EXPECT_FALSE(s->SpaceDown);
}

TEST_F(FlatMenuTest, ButtonFaceFromParentWithTag1000) {
  ControlWindow w;
  QPalette pal = w.win.palette();
  pal.setColor(QPalette::Window, QColor(0, 100, 0));
  w.win.setPalette(pal);
  SetTag(w.button, 1000);
  TFlatMenu fm(&w.win);
  fm.SetActive(true);
  w.button->resize(80, 24);
  const QImage img = w.button->grab().toImage();
  const TColor face = LightenColor(RGBColor(0, 100, 0), fm.Scheme().ControlShadeLow);
  EXPECT_EQ(QColor(img.pixel(40, 3)), ToQColor(face));
}

}  // namespace

namespace {
TEST_F(FlatMenuTest, ToolBarWithoutButtonsIsFlatButHasNoHandler) {
  QMainWindow win;
  QToolBar* empty = win.addToolBar(QStringLiteral("leer"));
  QToolBar* full = win.addToolBar(QStringLiteral("voll"));
  full->addAction(QStringLiteral("Neu"));
  TFlatMenu fm(&win);
  fm.SetActive(true);
  EXPECT_TRUE(empty->property("flat").toBool());
  EXPECT_EQ(empty->property("kvToolBarHandler").value<QObject*>(), nullptr);
  EXPECT_EQ(full->property("kvToolBarHandler").value<QObject*>(), &fm);
  fm.SetActive(false);
  EXPECT_EQ(full->property("kvToolBarHandler").value<QObject*>(), nullptr);
}
}  // namespace
