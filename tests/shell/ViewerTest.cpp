// The picture viewer: its picture list, stepping with wrap-around, keys and zoom limits.
#include <QKeyEvent>

#include "PicImageVCL.h"
#include "ProductionFixture.h"
#include "fBetrachter.h"

using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class ViewerTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Bilder", {"a.jpg", "b.jpg", "c.JPG"});
    writeText(root + "Archive_0003/_THUMB_a.jpg", "thumb");
    selectArchive("Archive_0003");
    viewer = BetrachterForm;
  }
  QString current() { return QFileInfo(viewer->PicturesListBox->currentItem()->text()).fileName(); }
  TBetrachterForm* viewer = nullptr;
};
}  // namespace

TEST_F(ViewerTest, ShowsThePicturesWithoutThumbnailsAndWrapsAround) {
  viewer->FormActivate();
  EXPECT_EQ(listTexts(viewer->PicturesListBox),
            (QStringList{root + "Archive_0003/a.jpg", root + "Archive_0003/b.jpg", root + "Archive_0003/c.JPG"}));
  EXPECT_EQ(current(), "a.jpg");
  EXPECT_TRUE(viewer->windowTitle().startsWith("a.jpg    "));
  viewer->ShowPrevious();
  EXPECT_EQ(current(), "c.JPG");
  viewer->ShowNext();
  EXPECT_EQ(current(), "a.jpg");
  viewer->SpeedButton2->click();
  EXPECT_EQ(current(), "b.jpg");
  EXPECT_EQ(viewer->FPictureIndex, 1);
}

TEST_F(ViewerTest, KeysStepForwardsAndBackwards) {
  viewer->FormActivate();
  const struct {
    int key;
    const char* expected;
  } steps[] = {{Qt::Key_Up, "b.jpg"}, {Qt::Key_Right, "c.JPG"}, {Qt::Key_PageUp, "a.jpg"},
               {Qt::Key_Down, "c.JPG"}, {Qt::Key_Left, "b.jpg"}, {Qt::Key_PageDown, "a.jpg"}};
  for (const auto& s : steps) {
    QKeyEvent press(QEvent::KeyPress, s.key, Qt::NoModifier);
    QApplication::sendEvent(viewer->PicImage1, &press);
    EXPECT_EQ(current().toStdString(), s.expected);
  }
}

TEST_F(ViewerTest, ZoomStepsByTenAndStopsBelowTwelve) {
  viewer->FormActivate();
  const struct {
    int start;
    bool in;
    int expected;
  } cases[] = {{100, true, 110}, {15, false, 5}, {11, false, 11}, {12, false, 2}, {5, true, 15}};
  for (const auto& c : cases) {
    viewer->PicImage1->SetPaintZoomFactor(c.start);
    if (c.in) viewer->SpeedButton3->click();
    else viewer->SpeedButton4->click();
    EXPECT_EQ(viewer->PicImage1->PaintZoomFactor(), c.expected) << c.start;
    EXPECT_EQ(viewer->PicImage1->PaintSizeMode(), smZoom);
    EXPECT_TRUE(viewer->PicImage1->AutoRepaint());
  }
}

TEST_F(ViewerTest, ASlideshowOfThumbnailsOnlyIsRefused) {
  writeText(root + "Archive_0004/_THUMB_x.jpg", "thumb");
  writeText(root + "Archive_0004/Diashow.ini", "[DIASHOW]\r\nTitel=Leer\r\n");
  selectArchive("Archive_0004");
  mf->BetrachterBitBtnClick();
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10031)});
  EXPECT_TRUE(modal.shown.isEmpty());
  selectArchive("Archive_0003");
  mf->BetrachterBitBtnClick();
  EXPECT_EQ(modal.shown, QStringList{"BetrachterForm"});
}
