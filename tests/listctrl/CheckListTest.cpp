#include <gtest/gtest.h>

#include <QTest>

#include "HTMLXPVS.h"
#include "ListCtrlTestUtil.h"
#include "MarkupChkList.h"

using namespace kalvora;

namespace {

struct CheckFixture : ::testing::Test {
  TMarkupCheckList list;
  int clicks = 0;
  void SetUp() override {
    list.setFont(lctest::PinnedFont());
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.OnCheckClick = [this](QObject* sender) {
      EXPECT_EQ(sender, &list);
      ++clicks;
    };
  }
  void ClickBox(int index) { QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CheckRect(index).center()); }
  void ClickText(int index) {
    const QRect r = list.ItemRect(index);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(r.left() + list.CheckWidth() + 20, r.center().y()));
  }
};

TEST_F(CheckFixture, ClickInTheBoxTogglesClickOnTextDoesNot) {
  list.Add("one");
  list.Add("two");
  EXPECT_EQ(list.ItemRect(0).height(), 16);  // fixed ItemHeight
  ClickText(0);
  EXPECT_EQ(list.State(0), cbUnchecked);
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(clicks, 0);
  ClickBox(0);
  EXPECT_EQ(list.State(0), cbChecked);
  EXPECT_TRUE(list.Checked(0));
  EXPECT_EQ(clicks, 1);
  ClickBox(0);
  EXPECT_EQ(list.State(0), cbUnchecked);
  EXPECT_EQ(clicks, 2);
}

TEST_F(CheckFixture, GrayedCycle) {
  list.AllowGrayed = true;
  list.Add("x");
  std::vector<TCheckBoxState> states;
  for (int i = 0; i < 3; ++i) {
    ClickBox(0);
    states.push_back(list.State(0));
  }
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
}

TEST_F(CheckFixture, CheckedItemsInListOrder) {
  list.Add("first");
  list.Add("<B>second</B>");
  list.Add("third");
  list.Add("fourth");
  list.SetChecked(0, true);
  list.SetChecked(2, true);
  list.SetState(3, cbGrayed);  // grayed does not count
  EXPECT_EQ(list.GetCheckedCount(), 2);
  EXPECT_EQ(list.GetCheckedItem(0), "first");
  EXPECT_EQ(list.GetCheckedItem(1), "third");
  EXPECT_EQ(list.GetCheckedItem(2), "");
}

TEST_F(CheckFixture, DisabledLevelledAndKeptOutItems) {
  list.Add("disabled");
  list.Add("levelled");
  list.Add("kept out");
  list.SetItemEnabled(0, false);
  ClickBox(0);
  EXPECT_EQ(list.State(0), cbUnchecked);
  list.SetLevel(1, 2);
  EXPECT_EQ(list.CheckRect(1).left(), list.ItemRect(1).left() + 2 * list.CheckWidth() + 1);
  // The indent in front of the box is not part of it.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    QPoint(list.ItemRect(1).left() + list.CheckWidth() / 2, list.ItemRect(1).center().y()));
  EXPECT_EQ(list.State(1), cbUnchecked);
  ClickBox(1);
  EXPECT_EQ(list.State(1), cbChecked);
  list.SetNoCheck(2, true);
  ClickBox(2);
  EXPECT_EQ(list.State(2), cbUnchecked);
  list.SetState(2, cbChecked);
  EXPECT_FALSE(list.Checked(2));
}

TEST_F(CheckFixture, KeyboardDoesNotToggle) {
  list.Add("one");
  list.SetItemIndex(0);
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Space);
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(list.State(0), cbUnchecked);
  EXPECT_EQ(clicks, 0);
}

TEST_F(CheckFixture, DuplicatesMoveAsideAndBack) {
  list.Add("a", 1);
  list.Add("A", 2);
  list.Add("b", 3);
  list.SetLevel(1, 1);
  list.SetDuplicates(false);
  EXPECT_EQ(list.Items(), (QStringList{"a", "b"}));
  ASSERT_EQ(list.DuplicateItems().size(), 1u);
  list.SetDuplicates(true);
  EXPECT_EQ(list.Items(), (QStringList{"a", "b", "A"}));
  EXPECT_EQ(list.Objects(2).toInt(), 2);
  EXPECT_EQ(list.Level(2), 1);
}

TEST_F(CheckFixture, AnchorsInCheckItems) {
  std::vector<QString> anchors;
  list.OnAnchorClick = [&](QObject*, int, const QString& a) { anchors.push_back(a); };
  list.Add("see <A href=\"details\">details</A>");
  const QRect text = list.ItemRect(0);
  const QFontMetrics fm(lctest::PinnedFont(), &list);
  const int x = text.left() + list.CheckWidth() + 2 + 1 + fm.horizontalAdvance("see ") + 5;
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(x, text.top() + 2 + fm.height() / 2));
  ASSERT_EQ(anchors.size(), 1u);
  EXPECT_EQ(anchors[0], "details");
  EXPECT_EQ(list.State(0), cbUnchecked);
}

// A flat box gets a one-pixel frame in the button shadow colour just inside its rectangle.
TEST_F(CheckFixture, FlatFramesTheBoxInTheShadowColour) {
  list.Add("one");
  EXPECT_TRUE(list.Flat());
  const QColor shadow = ToQColor(clBtnShadow);
  auto frameRowIsShadow = [&] {
    list.repaint();
    const QImage shot = list.viewport()->grab().toImage();
    const QRect b = list.CheckRect(0);
    int n = 0;
    for (int x = b.left(); x <= b.right(); ++x) n += shot.pixelColor(x, b.top() + 1) == shadow;
    return n == b.width() - 2;  // all but the outermost column on each side
  };
  EXPECT_TRUE(frameRowIsShadow());
  list.SetFlat(false);
  EXPECT_FALSE(list.Flat());
  EXPECT_FALSE(frameRowIsShadow());
  list.SetFlat(true);
  EXPECT_TRUE(frameRowIsShadow());
}

TEST(ThemeLibrary, DoesNothingOnLinux) {
  InitThemeLibrary();
  EXPECT_FALSE(ThemeLibraryLoaded());
  EXPECT_FALSE(IsThemeActive());
  FreeThemeLibrary();
}

}  // namespace
