// The source list and the slideshow list as a user sees them: their order, their letters,
// their captions, their scroll bar, and the preview after a picture is removed.
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <cmath>

#include "ListItems.h"
#include "PicImageVCL.h"
#include "PictureFiles.h"
#include "ProductionFixture.h"

using prodtest::ProductionTest;
using prodtest::writeJpeg;
using shelltest::pictureSize;

namespace {
class ListsUserTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    mf->setWindowState(Qt::WindowNoState);
    mf->resize(1000, 700);
    mf->show();
  }
  void openSlideshow(const QString& folder) {
    selectArchive(folder);
    QTest::mouseClick(mf->Open1BitBtn, Qt::LeftButton);
    ASSERT_EQ(mf->FArchiveFolder, folder);
    KV_WAIT_FOR(mf->DiashowListBox->isVisible(), 60000);
  }
  // Reads a folder of white pictures of these names into the source list.
  void readSource(const QStringList& names) {
    const QString pics = home() + "quelle/";
    for (const QString& n : names) writeJpeg(pics + n, 60, 40, Qt::white);
    prompter.answerFile(pics + names.first());
    QTest::mouseClick(mf->OpenBitBtn, Qt::LeftButton);
    ASSERT_EQ(mf->FileListBox->Count(), names.size());
  }
  static QStringList names(MarkupListBoxControl* list) {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << ItemFileName(list->Item(i));
    return out;
  }
  static int row(MarkupListBoxControl* list, const QString& name) { return names(list).indexOf(name); }
  // The first row from the top holding a dark pixel, right of the thumbnail; -1 when none.
  static int inkTop(const QImage& img, const QRect& r, int fromX) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left() + fromX; x <= r.right(); ++x)
        if (qGray(img.pixel(x, y)) < 180) return y;
    return -1;
  }
  static int inkBottom(const QImage& img, const QRect& r, int fromX) {
    for (int y = r.bottom(); y >= r.top(); --y)
      for (int x = r.left() + fromX; x <= r.right(); ++x)
        if (qGray(img.pixel(x, y)) < 180) return y;
    return -1;
  }
};
}  // namespace

// The locale's alphabetical order: case and accents only break ties.
TEST_F(ListsUserTest, TheSourceListSortsAlphabetically) {
  readSource({"P14.JPG", QString::fromUtf8("Porträt.jpg"), QString::fromUtf8("Straße.jpg"), "bild07.jpg",
              QString::fromUtf8("Ölbild 11.jpg"), "Apfel.jpg", QString::fromUtf8("äpfel.jpg"), "zebra.jpg",
              "Kiwi.jpg", "kiwi.jpg"});
  EXPECT_EQ(names(mf->FileListBox),
            (QStringList{"Apfel.jpg", QString::fromUtf8("äpfel.jpg"), "bild07.jpg", "kiwi.jpg", "Kiwi.jpg",
                         QString::fromUtf8("Ölbild 11.jpg"), "P14.JPG", QString::fromUtf8("Porträt.jpg"),
                         QString::fromUtf8("Straße.jpg"), "zebra.jpg"}));
}

// The dots of a capital umlaut are drawn above the letter, inside the item.
TEST_F(ListsUserTest, ACapitalUmlautIsDrawnWhole) {
  mf->PageControl1->setTabVisible(mf->PageControl1->indexOf(mf->TabSheet1), true);
  mf->PageControl1->setCurrentWidget(mf->TabSheet1);
  ASSERT_NO_FATAL_FAILURE(readSource({QString::fromUtf8("Ölbild 11.jpg"), "Olbild 12.jpg"}));
  auto* list = mf->FileListBox;
  KV_WAIT_FOR(list->isVisible(), 60000);
  list->setCurrentIndex(QModelIndex());
  list->clearSelection();
  const int withDots = row(list, QString::fromUtf8("Ölbild 11.jpg"));
  const int without = row(list, "Olbild 12.jpg");
  const QRect a = list->visualItemRect(list->item(withDots));
  const QRect b = list->visualItemRect(list->item(without));
  KV_WAIT_FOR(list->viewport()->rect().contains(b), 60000);
  const QImage img = list->viewport()->grab().toImage();
  const int thumb = pictureSize(ItemThumbnailPath(list->Item(withDots))).width() + 6;
  const int topA = inkTop(img, a, thumb) - a.top();
  const int topB = inkTop(img, b, thumb) - b.top();
  ASSERT_GE(inkTop(img, b, thumb), 0);
  // The O's of both names stand on the same line; the dots reach higher, and not to the edge.
  EXPECT_EQ(inkBottom(img, a, thumb) - a.top(), inkBottom(img, b, thumb) - b.top());
  EXPECT_LE(topA, topB - 2) << "dots at " << topA << ", O at " << topB;
  EXPECT_GE(topA, 1);
}

// A long caption stays on the thumbnail's line: the item is as high as one with a short caption
// and nothing is drawn under the thumbnail.
TEST_F(ListsUserTest, ALongCaptionStaysOnOneLine) {
  // Typed as keys: plain letters.
  const QString longCaption = "Sonnenuntergang ueber dem Hafen mit Fischerbooten und Moewen am Abend";
  makeSlideshow("Archive_0005", "Hafen", {"a.jpg", "b.jpg"});
  ASSERT_NO_FATAL_FAILURE(openSlideshow("Archive_0005"));
  mf->resize(900, 700);
  auto* list = mf->DiashowListBox;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  mf->TextEdit->clear();
  QTest::keyClicks(mf->TextEdit, longCaption);
  ASSERT_EQ(ItemCaption(list->Item(1)), longCaption.left(58));
  // The height the list measured for the item, and where the laid-out list puts it.
  const auto measured = [&](int i) { return list->item(i)->data(Qt::SizeHintRole).toSize().height(); };
  EXPECT_GT(measured(0), 0);
  EXPECT_EQ(measured(1), measured(0));
  list->doItemsLayout();
  EXPECT_EQ(list->visualItemRect(list->item(1)).height(), list->visualItemRect(list->item(0)).height());
  list->setCurrentIndex(QModelIndex());
  list->clearSelection();
  const QImage img = list->viewport()->grab().toImage();
  const QRect r = list->visualItemRect(list->item(1));
  const int thumbHeight = pictureSize(ItemThumbnailPath(list->Item(1))).height();
  const int thumb = pictureSize(ItemThumbnailPath(list->Item(1))).width() + 6;
  EXPECT_LE(inkBottom(img, r, thumb), r.top() + thumbHeight + 2);
  EXPECT_EQ(list->visualItemRect(list->item(1)).height(), list->visualItemRect(list->item(0)).height());
}

// The slideshow list's scroll bar draws a handle the user can see and take: against its track
// it has at least the 3 : 1 contrast of relative luminance that user interface parts need to
// be made out (WCAG 2.1, non-text contrast).
TEST_F(ListsUserTest, TheSlideshowListScrollBarShowsItsHandle) {
  QStringList pictures;
  for (int i = 1; i <= 15; ++i) pictures << QString("p%1.jpg").arg(i);
  makeSlideshow("Archive_0006", "Viele", pictures);
  ASSERT_NO_FATAL_FAILURE(openSlideshow("Archive_0006"));
  auto* list = mf->DiashowListBox;
  EXPECT_TRUE(list->styleSheet().isEmpty());
  QScrollBar* bar = list->verticalScrollBar();
  KV_WAIT_FOR(bar->isVisible(), 60000);
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.subControls = QStyle::SC_All;
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.upsideDown = bar->invertedAppearance();
  const QRect slider = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
  const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, bar);
  ASSERT_TRUE(slider.isValid());
  ASSERT_GT(groove.height(), slider.height() + 10);
  const QImage img = bar->grab().toImage();
  // Mean relative luminance of the pixels well inside r (sRGB, as WCAG defines it).
  auto luminance = [&](const QRect& r) {
    auto linear = [](int c) {
      const double v = c / 255.0;
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    double sum = 0;
    int n = 0;
    for (int y = r.top() + 3; y <= r.bottom() - 3; ++y)
      for (int x = r.left() + 4; x <= r.right() - 4; ++x, ++n) {
        const QRgb p = img.pixel(x, y);
        sum += 0.2126 * linear(qRed(p)) + 0.7152 * linear(qGreen(p)) + 0.0722 * linear(qBlue(p));
      }
    return n ? sum / n : 0.0;
  };
  // The groove below the handle (the handle is at the top).
  const QRect free(groove.left(), slider.bottom() + 4, groove.width(), groove.bottom() - slider.bottom() - 4);
  const double handle = luminance(slider), track = luminance(free);
  const double contrast = (std::max(handle, track) + 0.05) / (std::min(handle, track) + 0.05);
  EXPECT_GE(contrast, 3.0) << "handle " << handle << ", track " << track;
}

// "<" on the picture shown in the preview puts the preview, its status line and caption away;
// removing another picture leaves them.
TEST_F(ListsUserTest, RemovingThePreviewedPictureClearsThePreview) {
  makeSlideshow("Archive_0007", "Weg", {"a.jpg", "b.jpg", "c.jpg"});
  ASSERT_NO_FATAL_FAILURE(openSlideshow("Archive_0007"));
  auto* list = mf->DiashowListBox;
  auto clickItem = [&](int i) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i)).center());
  };
  clickItem(0);
  KV_WAIT_FOR(mf->ViewPicImage->isVisible() && mf->StatusBar1->currentMessage().startsWith("a.jpg"), 60000);
  // Another picture marked and removed: the preview of a.jpg stays.
  list->SetSelected(0, false);
  list->SetSelected(2, true);
  QTest::mouseClick(mf->SpeedButton3, Qt::LeftButton);
  EXPECT_EQ(names(list), (QStringList{"a.jpg", "b.jpg"}));
  EXPECT_TRUE(mf->ViewPicImage->isVisible());
  EXPECT_TRUE(mf->StatusBar1->currentMessage().startsWith("a.jpg"));
  // The previewed one removed.
  clickItem(0);
  EXPECT_EQ(mf->TextEdit->text(), "Text a.jpg");
  QTest::mouseClick(mf->SpeedButton3, Qt::LeftButton);
  EXPECT_EQ(names(list), QStringList{"b.jpg"});
  EXPECT_FALSE(mf->ViewPicImage->isVisible());
  EXPECT_TRUE(mf->StatusBar1->currentMessage().isEmpty());
  EXPECT_TRUE(mf->TextEdit->text().isEmpty());
  EXPECT_FALSE(mf->BildbearbeitungBitBtn->isEnabled());
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
}

// A click in the folder list turns the picture tools off and greys the text label.
TEST_F(ListsUserTest, TheFolderListClickTurnsThePictureToolsOff) {
  makeSlideshow("Archive_0008", "Ordner", {"a.jpg", "b.jpg"});
  ASSERT_NO_FATAL_FAILURE(openSlideshow("Archive_0008"));
  auto* list = mf->DiashowListBox;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  KV_WAIT_FOR(mf->BildbearbeitungBitBtn->isEnabled(), 60000);
  mf->DirectoryListBox1Click();
  EXPECT_FALSE(mf->BildbearbeitungBitBtn->isEnabled());
  for (QWidget* w : {static_cast<QWidget*>(mf->SpeedButton5), static_cast<QWidget*>(mf->SpeedButton6),
                     static_cast<QWidget*>(mf->SpeedButton7), static_cast<QWidget*>(mf->SpeedButton9),
                     static_cast<QWidget*>(mf->SpeedButton10)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_EQ(mf->TextLabel->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
}
