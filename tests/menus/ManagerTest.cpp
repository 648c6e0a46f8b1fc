#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "ControlSubClass.h"
#include "FlatMenu.h"
#include "FlatMenuManager.h"
#include "FlatMenuStyle.h"
#include "MenuLook.h"
#include "TestSupport.h"

using namespace kvmenu;

namespace {

QObject* drawOf(QAction* a) { return MenuHandlerRegistry::Instance().Get(a).draw; }

// Another window of the program: a dialog-like window with a popup menu and a button.
struct OtherWindow {
  std::unique_ptr<QWidget> win = std::make_unique<QWidget>();
  QMenu* popup;
  QAction* item;
  QPushButton* button;
  explicit OtherWindow(int tag = 0) {
    if (tag) SetTag(win.get(), tag);
    popup = new QMenu(win.get());
    item = popup->addAction(QStringLiteral("Kopieren"));
    button = new QPushButton(QStringLiteral("Schließen"), win.get());
  }
};

TFlatMenu* mainComponent(QMainWindow& main) {
  main.menuBar()->addMenu(QStringLiteral("Datei"))->addAction(QStringLiteral("Beenden"));
  auto* fm = new TFlatMenu(&main);
  fm->ApplyStoredConfiguration();
  fm->Loaded();
  return fm;
}

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { PinMenuLook(); }
};

TEST_F(ManagerTest, LaterWindowIsStyledAfterItsNextEvent) {
  QMainWindow main;
  TFlatMenu* fm = mainComponent(main);
  ASSERT_NE(TFlatMenuManager::Instance(), nullptr);
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), fm);

  OtherWindow later;
  OtherWindow alone(kTagLeaveAlone);
  EXPECT_EQ(drawOf(later.item), nullptr);
  later.win->show();
  alone.win->show();
  QApplication::processEvents();
  EXPECT_EQ(drawOf(later.item), fm);
  EXPECT_EQ(later.popup->style(), FlatStyle());
  EXPECT_EQ(drawOf(alone.item), nullptr) << "a window with tag 999 keeps its look";
  delete fm;
  EXPECT_EQ(TFlatMenuManager::Instance(), nullptr) << "the last component takes the manager along";
}

TEST_F(ManagerTest, FreedComponentLeavesNoHandlerBehind) {
  QMainWindow main;
  TFlatMenu* fm = mainComponent(main);
  OtherWindow other;
  other.win->show();
  QApplication::processEvents();
  ASSERT_EQ(drawOf(other.item), fm);
  delete fm;
  EXPECT_EQ(drawOf(other.item), nullptr);
  EXPECT_EQ(MenuHandlerRegistry::Instance().CountOwnedBy(fm), 0);
  // The popup still opens and draws with the plain look.
  other.popup->popup(QPoint(10, 10));
  QApplication::processEvents();
  EXPECT_FALSE(other.popup->grab().isNull());
  other.popup->hide();
}

TEST_F(ManagerTest, FreedActiveComponentHandsOverToTheNext) {
  QMainWindow main;
  TFlatMenu* first = mainComponent(main);
  QMainWindow second;
  auto* heir = new TFlatMenu(&second);
  heir->SetActive(true);
  heir->Loaded();
  OtherWindow other;
  other.win->show();
  QApplication::processEvents();
  ASSERT_EQ(drawOf(other.item), first);
  delete first;
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), heir);
  EXPECT_EQ(drawOf(other.item), heir);
  delete heir;
}

TEST_F(ManagerTest, SubclassedControlsMoveOrComeBack) {
  QMainWindow main;
  auto* fm = new TFlatMenu(&main);
  fm->SetActive(true);  // all controls, all containers
  fm->Loaded();
  OtherWindow other;
  other.win->show();
  QApplication::processEvents();
  ASSERT_NE(TControlSubClass::Of(other.button), nullptr);
  EXPECT_EQ(other.button->style(), FlatStyle());

  QMainWindow second;
  auto* heir = new TFlatMenu(&second);
  heir->SetActive(true);
  heir->Loaded();
  delete fm;
  ASSERT_NE(TControlSubClass::Of(other.button), nullptr);
  EXPECT_EQ(TControlSubClass::Of(other.button)->Menu, heir);
  delete heir;
  EXPECT_EQ(TControlSubClass::Of(other.button), nullptr);
  EXPECT_NE(other.button->style(), FlatStyle());
}

TEST_F(ManagerTest, PopupRegionLeavesTwoCornersOpen) {
  const QRegion r = FlatPopupRegion(100, 50);
  EXPECT_TRUE(r.contains(QPoint(0, 0)));
  EXPECT_TRUE(r.contains(QPoint(99, 49)));
  EXPECT_FALSE(r.contains(QPoint(98, 0)));
  EXPECT_FALSE(r.contains(QPoint(99, 1)));
  EXPECT_FALSE(r.contains(QPoint(0, 48)));
  EXPECT_FALSE(r.contains(QPoint(1, 49)));
  EXPECT_TRUE(r.contains(QPoint(99, 2)));
  EXPECT_TRUE(r.contains(QPoint(2, 49)));
  EXPECT_TRUE(FlatPopupRegion(1, 1).isEmpty());
}

}  // namespace

namespace {
TEST_F(ManagerTest, WindowClosingWithItsComponentLeavesNothingBehind) {
  auto* main = new QMainWindow;
  mainComponent(*main);
  main->show();
  OtherWindow other;
  other.win->show();
  QApplication::processEvents();
  delete main;  // the component goes with its window's children
  EXPECT_EQ(TFlatMenuManager::Instance(), nullptr);
  EXPECT_EQ(drawOf(other.item), nullptr);
}
}  // namespace

namespace {
// A window that goes while one of its menus is open: the popup dies as part of the window, and
// the manager must neither take it for a new window nor walk what is left of it.
TEST_F(ManagerTest, WindowDestroyedWhileItsMenuIsOpen) {
  QMainWindow main;
  TFlatMenu* fm = mainComponent(main);
  main.show();
  for (bool bar : {false, true}) {
    auto* win = new QMainWindow;
    QMenu* popup = nullptr;
    if (bar) {
      popup = win->menuBar()->addMenu(QStringLiteral("Bearbeiten"));
      popup->addAction(QStringLiteral("Kopieren"));
      popup->addMenu(QStringLiteral("Mehr"))->addAction(QStringLiteral("Einfügen"));
    } else {
      popup = new QMenu(win);
      popup->addAction(QStringLiteral("Kopieren"));
    }
    win->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
    QApplication::processEvents();
    ASSERT_EQ(drawOf(popup->actions().first()), fm) << bar;
    popup->popup(win->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, 60000));
    QPointer<QMenu> watch(popup);
    const auto styled = TFlatMenuManager::Instance()->StyledForms.size();
    delete win;
    EXPECT_TRUE(watch.isNull());
    // Nothing of the dying window was taken for a new one.
    EXPECT_TRUE(TFlatMenuManager::Instance()->PendingForms.isEmpty()) << bar;
    EXPECT_EQ(TFlatMenuManager::Instance()->StyledForms.size(), styled) << bar;
    QApplication::processEvents();
  }
  // A window that goes before its turn to be styled is simply forgotten.
  auto* brief = new QWidget;
  new QMenu(brief);
  brief->show();
  ASSERT_FALSE(TFlatMenuManager::Instance()->PendingForms.isEmpty());
  delete brief;
  QApplication::processEvents();
  EXPECT_TRUE(TFlatMenuManager::Instance()->PendingForms.isEmpty());
  for (const auto& f : TFlatMenuManager::Instance()->StyledForms) EXPECT_FALSE(f.isNull());
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), fm);
}
}  // namespace

// Turning subclassing off on the active component hands the active role to the next one.
TEST_F(ManagerTest, DisablingSubclassingHandsTheActiveRoleOver) {
  QMainWindow main;
  TFlatMenu* first = mainComponent(main);
  QMainWindow second;
  auto* heir = new TFlatMenu(&second);
  heir->SetActive(true);
  heir->Loaded();
  ASSERT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), first);
  first->SetDisableSubclassing(false);  // unchanged: nothing happens
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), first);
  first->SetDisableSubclassing(true);
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), heir);
  heir->SetDisableSubclassing(false);
  EXPECT_EQ(TFlatMenuManager::Instance()->ActiveMenu(), heir);
  delete heir;
  delete first;
}

namespace {
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};
}  // namespace

// The system-colour switch is stored and repaints the menu bar without marking the scheme stale.
TEST_F(ManagerTest, UseSystemColorsRepaintsTheMenuBar) {
  QMainWindow main;
  TFlatMenu* fm = mainComponent(main);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  QApplication::processEvents();
  PaintCounter counter;
  main.menuBar()->installEventFilter(&counter);
  EXPECT_TRUE(fm->Colors().UseSystemColors);
  ASSERT_FALSE(fm->ColorsStale());
  for (bool on : {false, true}) {
    counter.paints = 0;
    fm->SetUseSystemColors(on);
    EXPECT_EQ(fm->Colors().UseSystemColors, on);
    EXPECT_FALSE(fm->ColorsStale());
    KV_WAIT_FOR(counter.paints > 0, 60000);
  }
  main.menuBar()->removeEventFilter(&counter);
  delete fm;
}
