#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDropEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include "ListCtrlTestUtil.h"
#include "MarkupListB.h"
#include "PictureStore.h"
#include "TestSupport.h"

using namespace kalvora;

namespace {

// Receives the URLs the list hands to the desktop.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

struct ListFixture : ::testing::Test {
  TMarkupListBox list;
  void SetUp() override {
    list.setFont(lctest::PinnedFont());
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  }
  int Gh() {
    QFontMetrics fm(lctest::PinnedFont(), &list);
    return fm.height() + std::max(0, fm.leading());
  }
  QPoint TextPoint(int index, const QString& before, const QString& word) {
    QFontMetrics fm(lctest::PinnedFont(), &list);
    const QRect r = list.ItemRect(index);
    return QPoint(r.left() + 2 + 1 + fm.horizontalAdvance(before) + fm.horizontalAdvance(word) / 2,
                  r.top() + fm.height() / 2);
  }
};

TEST_F(ListFixture, ItemHeightsAreMeasuredAndCapped) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("tall.png"), lctest::MakePng(20, 400, Qt::red)));
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("thumb.png"), lctest::MakePng(50, 70, Qt::red)));
  list.Add("plain");
  list.Add("two<BR>lines");
  list.Add("<IMG src=\"file://" + tmp.file("thumb.png") + "\" align=\"top\">pic.jpg | caption");
  list.Add("<IMG src=\"file://" + tmp.file("tall.png") + "\">");
  EXPECT_EQ(list.ItemRect(0).height(), Gh() + 4);
  EXPECT_EQ(list.ItemRect(1).height(), 2 * Gh() + 4);
  EXPECT_EQ(list.ItemRect(2).height(), 74);
  // Taller than the list: the visible height + 4.
  EXPECT_EQ(list.ItemRect(3).height(), list.viewport()->height() + 4);
  list.resize(300, 600);
  KV_WAIT_FOR(list.ItemRect(3).height() == 255, 60000);  // never more than 251 + 4
  EXPECT_EQ(list.ItemRect(0).height(), Gh() + 4);
}

TEST_F(ListFixture, LineSpacingMeasuresAgain) {
  list.Add("plain");
  list.SetLineSpacing(5);
  EXPECT_EQ(list.ItemRect(0).height(), Gh() + 5 + 4);
}

TEST_F(ListFixture, NarrowingTheListWrapsTextAgain) {
  list.Add("alpha beta gamma delta epsilon");
  EXPECT_EQ(list.ItemRect(0).height(), Gh() + 4);
  list.resize(80, 200);
  KV_WAIT_FOR(list.ItemRect(0).height() > 2 * Gh(), 60000);
}

TEST_F(ListFixture, ScrollHorizontalFollowsTheWidestItem) {
  list.Add("short");
  list.Add("a rather long item that does not fit into the narrow list at all");
  list.resize(120, 200);
  list.SetScrollHorizontal(true);
  // The widest item's text, measured word by word with the space after each, and 6 pixels more.
  QFontMetrics fm(lctest::PinnedFont(), &list);
  const QStringList words = QString("a rather long item that does not fit into the narrow list at all").split(' ');
  int width = 6;
  for (int i = 0; i < words.size(); ++i) width += fm.horizontalAdvance(i + 1 < words.size() ? words[i] + ' ' : words[i]);
  EXPECT_EQ(list.WidestItem(), width);
  EXPECT_EQ(list.ItemRect(1).height(), Gh() + 4);  // one line: no wrapping in a wide row
  KV_WAIT_FOR(list.horizontalScrollBar()->maximum() > 0, 60000);
  list.Delete(1);
  EXPECT_EQ(list.WidestItem(), fm.horizontalAdvance("short") + 6);
  KV_WAIT_FOR(list.horizontalScrollBar()->maximum() == 0, 60000);
}

TEST_F(ListFixture, SortingUsesTheVisibleText) {
  list.Add("<IMG src=\"file:///nothing/z.jpg\">zebra", 1);
  list.Add("<B>mango</B>", 2);
  list.Add("apple", 3);
  list.SetSorted(true);
  EXPECT_EQ(list.StrippedItem(0), "apple");
  EXPECT_EQ(list.StrippedItem(1), "mango");
  EXPECT_EQ(list.StrippedItem(2), "zebra");
  EXPECT_EQ(list.Objects(0).toInt(), 3);  // data travels with its item
  EXPECT_EQ(list.Objects(2).toInt(), 1);
  list.Add("banana");  // later items are not placed in order
  EXPECT_EQ(list.StrippedItem(3), "banana");

  TMarkupListBox html;
  html.Add("apple");
  html.Add("<B>zebra</B>");
  html.SortWithHTML = true;
  html.SetSorted(true);
  EXPECT_EQ(html.Item(0), "<B>zebra</B>");
}

// Alphabetical in the locale's order: capitals do not go first, umlauts sit with their
// letter, and case or accents only decide between otherwise equal names.
TEST_F(ListFixture, SortingIsAlphabeticalWithCaseOnlyBreakingTies) {
  const struct {
    QStringList given, sorted;
  } cases[] = {
      {{"P14.JPG", "bild07.jpg"}, {"bild07.jpg", "P14.JPG"}},
      {{QString::fromUtf8("Straße.jpg"), QString::fromUtf8("Porträt.jpg"), "bild07.jpg", "P14.JPG"},
       {"bild07.jpg", "P14.JPG", QString::fromUtf8("Porträt.jpg"), QString::fromUtf8("Straße.jpg")}},
      {{QString::fromUtf8("Ölbild 11.jpg"), "Nacht.jpg", "ozean.jpg"},
       {"Nacht.jpg", QString::fromUtf8("Ölbild 11.jpg"), "ozean.jpg"}},
      {{"Kiwi", "kiwi", "KIWI", "Apfel"}, {"Apfel", "kiwi", "Kiwi", "KIWI"}},
      {{QString::fromUtf8("äpfel"), "Apfel", "apfel"}, {"apfel", "Apfel", QString::fromUtf8("äpfel")}},
  };
  for (const auto& c : cases) {
    TMarkupListBox l;
    for (const QString& t : c.given) l.Add("<IMG src=\"file:///nothing/t.jpg\"> " + t);
    l.SetSorted(true);
    QStringList got;
    for (int i = 0; i < l.Count(); ++i) got << l.StrippedItem(i).trimmed();
    EXPECT_EQ(got, c.sorted) << c.given.join(",").toStdString();
  }
}

// The dots of a capital umlaut reach above the font's ascent: they are drawn inside the item,
// with a thumbnail aligned to the top as with text alone.
TEST_F(ListFixture, ACapitalUmlautKeepsItsDots) {
  testsupport::TempFolder tmp;
  const QString thumb = tmp.file("_THUMB_t.png");
  ASSERT_TRUE(testsupport::writeBytes(thumb, lctest::MakePng(20, 30, QColor(230, 230, 230))));
  const QString img = "<IMG src=\"file://" + MarkupEscape(thumb) + "\" align=\"top\">";
  for (int px : {11, 12, 13}) {
    for (const QString& head : {QString(), img}) {
      TMarkupListBox l;
      l.setFont(lctest::PinnedFont(px));
      l.resize(300, 200);
      l.SetColor(clWhite);
      l.Add(head + QString::fromUtf8("Ölbild 11.jpg"));
      l.Add(head + "Olbild 12.jpg");
      l.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&l));
      // Neither selected nor framed as the current item.
      l.setCurrentIndex(QModelIndex());
      l.clearSelection();
      const QImage shot = l.viewport()->grab().toImage();
      // The first row from the item's top with ink (anti-aliased dots are grey).
      auto inkTop = [&](int index) {
        const QRect r = l.ItemRect(index);
        for (int y = r.top(); y <= r.bottom(); ++y)
          for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 180) return y - r.top();
        return -1;
      };
      const char* what = head.isEmpty() ? "text" : "thumbnail";
      ASSERT_GE(inkTop(1), 0) << px << what;
      EXPECT_LT(inkTop(0), inkTop(1)) << px << " " << what;
      EXPECT_GE(inkTop(0), 1) << px << " " << what;  // not cut at the top edge
    }
  }
}

TEST_F(ListFixture, SortingManyItemsKeepsAll) {
  QStringList items;
  for (int i = 0; i < 500; ++i) items << QString("item %1").arg((i * 7919) % 500, 3, 10, QChar('0'));
  list.SetItems(items);
  list.SetSorted(true);
  ASSERT_EQ(list.Count(), 500);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(list.Item(i), QString("item %1").arg(i, 3, 10, QChar('0')));
}

TEST_F(ListFixture, IncrementalLookupSelectsByVisibleText) {
  list.IncrLookup = true;
  for (const char* s : {"<IMG src=\"x\">Apfel", "<B>Zander</B>", "<I>abend</I>", "Birne"}) list.Add(s);
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_A);
  EXPECT_EQ(list.ItemIndex(), 0);
  QTest::keyClick(&list, Qt::Key_B);
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(list.LookupText(), "AB");
  QTest::keyClick(&list, Qt::Key_Backspace);
  EXPECT_EQ(list.LookupText(), "A");
  QTest::keyClick(&list, Qt::Key_Escape);
  EXPECT_EQ(list.LookupText(), "");
  QTest::keyClick(&list, Qt::Key_X);  // no match: the key alone, still none
  EXPECT_EQ(list.ItemIndex(), 2);
  QTest::keyClick(&list, Qt::Key_B);  // "XB" fails, then "B" alone
  EXPECT_EQ(list.ItemIndex(), 3);
}

TEST_F(ListFixture, LookupWithoutIncrementUsesOneKey) {
  for (const char* s : {"alpha", "beta", "bravo"}) list.Add(s);
  list.SetItemIndex(0);
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_B);
  EXPECT_EQ(list.ItemIndex(), 1);
  QTest::keyClick(&list, Qt::Key_R);  // "R" alone: nothing starts with it
  EXPECT_EQ(list.ItemIndex(), 1);
}

TEST_F(ListFixture, AnchorsClickOpenOrReport) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("mailto", &catcher, "open");
  QDesktopServices::setUrlHandler("http", &catcher, "open");
  list.Add("go <A href=\"page2\">more</A>");
  list.Add("mail <A href=\"mailto:a@example.org\">me</A>");
  list.Add("web <A href=\"http://example.org/\">site</A>");
  std::vector<std::pair<int, QString>> clicks;
  list.OnAnchorClick = [&](QObject* sender, int index, const QString& anchor) {
    EXPECT_EQ(sender, &list);
    clicks.push_back({index, anchor});
  };
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, TextPoint(0, "go ", "more"));
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], std::make_pair(0, QString("page2")));
  EXPECT_EQ(list.ItemIndex(), -1);  // an anchor click does not select
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, TextPoint(1, "mail ", "me"));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, TextPoint(2, "web ", "site"));
  EXPECT_EQ(clicks.size(), 1u);
  ASSERT_EQ(catcher.urls.size(), 2);
  EXPECT_EQ(catcher.urls[0], QUrl("mailto:a@example.org"));
  EXPECT_EQ(catcher.urls[1], QUrl("http://example.org/"));
  // Beside the anchor: an ordinary click that selects.
  int clicked = 0;
  list.OnClick = [&](QObject*) { ++clicked; };
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, TextPoint(0, "", "go"));
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(clicked, 1);
  QDesktopServices::unsetUrlHandler("mailto");
  QDesktopServices::unsetUrlHandler("http");
}

TEST_F(ListFixture, AnchorEnterAndExitFollowTheMouse) {
  list.Add("go <A href=\"page2\">more</A> plain text here");
  QStringList events;
  list.OnAnchorEnter = [&](QObject*, int, const QString& a) { events << "enter " + a; };
  list.OnAnchorExit = [&](QObject*, int, const QString& a) { events << "exit " + a; };
  QTest::mouseMove(list.viewport(), TextPoint(0, "go ", "more"));
  EXPECT_EQ(list.viewport()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(list.viewport(), TextPoint(0, "go more ", "plain"));
  EXPECT_EQ(events, (QStringList{"enter page2", "exit page2"}));
  EXPECT_NE(list.viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ListFixture, HintsShowItemTextOrAnchor) {
  list.Add("<B>bold</B> item <A href=\"target\">link</A>");
  auto hintAt = [&](QPoint p) {
    QToolTip::hideText();
    QHelpEvent e(QEvent::ToolTip, p, list.viewport()->mapToGlobal(p));
    QApplication::sendEvent(list.viewport(), &e);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  const QPoint onText = TextPoint(0, "", "bold");
  const QPoint onLink = TextPoint(0, "bold item ", "link");
  EXPECT_EQ(hintAt(onText), "");  // no hints unless asked for
  list.ItemHint = true;
  EXPECT_EQ(hintAt(onText), "bold item link");
  list.HTMLHint = true;
  EXPECT_EQ(hintAt(onText), list.Item(0));
  list.AnchorHint = true;
  int asked = 0;
  list.OnAnchorHint = [&](QObject*, int index, QString& anchor) {
    ++asked;
    anchor = QString("%1:%2").arg(index).arg(anchor);
  };
  EXPECT_EQ(hintAt(onLink), "0:target");
  list.ShowHint = false;
  hintAt(onLink);
  EXPECT_EQ(asked, 1);
  QToolTip::hideText();
}

TEST_F(ListFixture, StrippedItemOutOfRangeRaises) {
  list.Add("<B>x</B>");
  EXPECT_EQ(list.StrippedItem(0), "x");
  try {
    list.StrippedItem(1);
    FAIL();
  } catch (const EMarkupListBoxError& e) {
    EXPECT_STREQ(e.what(), "Item index out of range");
  }
  EXPECT_THROW(list.StrippedItem(-1), EMarkupListBoxError);
}

TEST_F(ListFixture, BlinkTimerRunsOnlyWhenEnabled) {
  list.Add("<BLINK>x</BLINK>");
  EXPECT_FALSE(list.BlinkTimerActive());
  list.SetEnableBlink(true);
  EXPECT_TRUE(list.BlinkTimerActive());
  list.SetEnableBlink(false);
  EXPECT_FALSE(list.BlinkTimerActive());
}

TEST_F(ListFixture, BlinkingTextDisappearsInTheOffPhase) {
  list.SetColor(clWhite);
  list.SetFontColor(clBlack);
  list.Add("<BLINK>XXXX</BLINK>");
  const QRect r = list.ItemRect(0);
  QImage on = lctest::Canvas(r.width(), r.height());
  QImage off = lctest::Canvas(r.width(), r.height());
  {
    QPainter p(&on);
    list.PaintItem(p, 0, QRect(QPoint(0, 0), r.size()), false, false, true);
    QPainter q(&off);
    list.PaintItem(q, 0, QRect(QPoint(0, 0), r.size()), false, false, false);
  }
  EXPECT_GT(lctest::DarkPixels(on, on.rect()), 20);
  EXPECT_EQ(lctest::DarkPixels(off, off.rect()), 0);
}

TEST_F(ListFixture, MultipleSelectionAndItems) {
  list.SetMultiSelect(true);
  for (int i = 0; i < 5; ++i) list.Add(QString("item %1").arg(i), i * 10);
  list.SetSelected(1, true);
  list.SetSelected(3, true);
  EXPECT_EQ(list.SelCount(), 2);
  EXPECT_TRUE(list.Selected(3));
  list.Move(3, 0);
  EXPECT_EQ(list.Item(0), "item 3");
  EXPECT_EQ(list.Objects(0).toInt(), 30);
  EXPECT_TRUE(list.Selected(0));
  list.Insert(2, "new");
  EXPECT_EQ(list.Item(2), "new");
  EXPECT_EQ(list.IndexOf("ITEM 4"), 5);
  list.Delete(2);
  EXPECT_EQ(list.Count(), 5);
  list.SetItemIndex(4);
  EXPECT_EQ(list.SelCount(), 1);
  EXPECT_EQ(list.ItemIndex(), 4);
  list.SetItem(4, "<B>changed</B>");
  EXPECT_EQ(list.Objects(4).toInt(), 40);
}

TEST_F(ListFixture, DropsFromMarkupListsReachTheHandlers) {
  TMarkupListBox source;
  source.Add("from source");
  list.Add("a");
  list.Add("b");
  std::vector<std::tuple<QObject*, int>> drops;
  list.OnDragOver = [&](QObject*, QObject* src, int, int y, TDragState, bool& accept) {
    accept = src == &source && y >= 0;
  };
  list.OnDragDrop = [&](QObject* sender, QObject* src, int x, int y) {
    EXPECT_EQ(sender, &list);
    drops.push_back({src, list.ItemAtPos(QPoint(x, y), false)});
  };
  MarkupDragData data(&source);
  const QPoint at = list.ItemRect(1).center();
  QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(list.viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(list.viewport(), &drop);
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(std::get<0>(drops[0]), &source);
  EXPECT_EQ(std::get<1>(drops[0]), 1);
  // Below the last item counts as the end of the list.
  EXPECT_EQ(list.ItemAtPos(QPoint(5, list.viewport()->height() - 2), false), 2);
  EXPECT_EQ(list.ItemAtPos(QPoint(5, list.viewport()->height() - 2), true), -1);
  // Foreign drags are refused.
  QMimeData foreign;
  foreign.setText("x");
  QDragEnterEvent other(at, Qt::MoveAction, &foreign, Qt::LeftButton, {});
  QApplication::sendEvent(list.viewport(), &other);
  EXPECT_FALSE(other.isAccepted());
}

TEST_F(ListFixture, MouseDownReportsAfterSelecting) {
  list.Add("first");
  list.Add("second");
  int selectedAtMouseDown = -2;
  list.OnMouseDown = [&](QObject*, QMouseEvent*) { selectedAtMouseDown = list.ItemIndex(); };
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.ItemRect(1).center());
  EXPECT_EQ(selectedAtMouseDown, 1);
}

}  // namespace

TEST_F(ListFixture, AnItemUsesThePictureHandedToItsList) {
  testsupport::TempFolder tmp;
  const QString path = tmp.file("_THUMB_a&b.jpg");
  QImage green(12, 10, QImage::Format_RGB32);
  green.fill(Qt::green);
  ASSERT_TRUE(green.save(path, "JPEG"));
  auto prepared = THTMLPicture::Prepare(ThumbnailItemPictureURL(path));
  ASSERT_TRUE(prepared.has_value());
  // The file changes afterwards: the list shows what was handed to it, and reads nothing.
  QImage red(30, 40, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(path, "JPEG"));
  THTMLPicture* handed = list.PictureCache().AddPrepared(std::move(*prepared));
  list.Add(ThumbnailItem(path, "a&b.jpg"));
  list.repaint();
  EXPECT_EQ(list.PictureCache().Count(), 1);
  EXPECT_EQ(list.PictureCache().GetPicture(0), handed);
  EXPECT_EQ(handed->Width(), 12);
}

// Handing the list pictures measures every item again, with the pictures; Multiline measures
// again only when it changes.
TEST_F(ListFixture, PictureSourcesAndMultilineMeasureAgain) {
  list.Add("<IMG src=\"IDX:0\">a");
  list.Add("<IMG src=\"Logo\">b");
  ASSERT_EQ(list.ItemRect(0).height(), Gh() + 4);
  ASSERT_EQ(list.ItemRect(1).height(), Gh() + 4);
  TImageList images(30, 40);
  QPixmap red(30, 40);
  red.fill(Qt::red);
  images.Add(red);
  list.SetImages(&images);
  EXPECT_EQ(list.Images(), &images);
  EXPECT_EQ(list.ItemRect(0).height(), 40 + 4);
  TPictureStore store;
  TPictureItem* logo = store.Items().Add();
  logo->Name = "logo";
  logo->Picture().LoadFromData(lctest::MakePng(20, 50, Qt::blue));
  list.SetPictureStore(&store);
  EXPECT_EQ(list.PictureStore(), &store);
  EXPECT_EQ(list.ItemRect(1).height(), 50 + 4);
  // A taller picture in the same store: only a re-measure shows it.
  logo->Picture().LoadFromData(lctest::MakePng(20, 60, Qt::blue));
  EXPECT_EQ(list.ItemRect(1).height(), 50 + 4);
  list.SetMultiline(list.Multiline());  // unchanged: nothing measured
  EXPECT_EQ(list.ItemRect(1).height(), 50 + 4);
  list.SetMultiline(!list.Multiline());
  EXPECT_EQ(list.ItemRect(1).height(), 60 + 4);
  list.SetImages(nullptr);
  list.SetPictureStore(nullptr);
  EXPECT_EQ(list.ItemRect(0).height(), Gh() + 4);
  EXPECT_EQ(list.ItemRect(1).height(), Gh() + 4);
}

TEST_F(ListFixture, SelectionColorsFillTheSelectedItem) {
  list.Add("<FONT color=\"clWhite\">x</FONT>");
  list.Add("second");
  list.setCurrentRow(0);
  list.item(0)->setSelected(true);
  TGradientStyle style;
  style.SetColorFrom(RGBColor(200, 30, 40));
  style.SetColorTo(clNone);
  style.SetBorderColor(RGBColor(200, 30, 40));
  list.SetSelectionColors(style);
  EXPECT_EQ(list.SelectionColors().ColorFrom(), RGBColor(200, 30, 40));
  list.repaint();
  const QImage shot = list.viewport()->grab().toImage();
  const QRect r = list.ItemRect(0);
  EXPECT_GT(lctest::ColoredPixels(shot, r, QColor(200, 30, 40), 10), r.width() * r.height() * 3 / 4);
  EXPECT_EQ(lctest::ColoredPixels(shot, list.ItemRect(1), QColor(200, 30, 40), 10), 0);
}

TEST_F(ListFixture, ObjectsHoldOneValuePerItem) {
  list.Add("a");
  list.Add("b");
  list.SetObjects(1, QVariant(42));
  list.SetObjects(5, QVariant(7));  // no such item: ignored
  EXPECT_FALSE(list.Objects(0).isValid());
  EXPECT_EQ(list.Objects(1).toInt(), 42);
  EXPECT_FALSE(list.Objects(5).isValid());
  list.SetObjects(1, QVariant(QStringLiteral("x")));
  EXPECT_EQ(list.Objects(1).toString(), "x");
}

#include "ListBoxTest.moc"
