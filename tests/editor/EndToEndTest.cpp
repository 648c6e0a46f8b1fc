// Editing a picture of a slideshow from the main window, saved back or discarded.
#include <sys/stat.h>

#include <QRegularExpression>
#include <QTimer>

#include "ShellFixture.h"
#define EDITOR_TEST_HAS_PRINTTO
#include "EditorFixture.h"
#include "ListItems.h"
#include "Markup.h"
#include "PictureFiles.h"
#include "StringHelpers.h"
#include "fMorph.h"
#include "fRahmen.h"

using namespace edtest;

namespace {

struct Road {
  const char* name;
  int format;
  const char* magic;
  double tolerance;  // mean difference allowed after a redo from the JPEG snapshots
};

ino_t inodeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

class EditorRoadTest : public shelltest::ShellTest, public ::testing::WithParamInterface<Road> {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    start();
    MainForm = form.get();  // what the program's start-up does
    BildbeaerbeitungForm = new TBildbeaerbeitungForm();
    ZuschneidenTipForm = new TZuschneidenTipForm();
    SizeForm = new TSizeForm();
    RahmenForm = new TRahmenForm();
    form->FArchiveFolder.clear();
    form->FDiashowTitle = "Test";
    form->FSecondsPerPicture = "3";
    form->DiashowListBox->Clear();
  }
  void TearDown() override {
    delete BildbeaerbeitungForm;
    delete ZuschneidenTipForm;
    delete SizeForm;
    delete RahmenForm;
    RahmenForm = nullptr;
    BildbeaerbeitungForm = nullptr;
    ZuschneidenTipForm = nullptr;
    SizeForm = nullptr;
    MainForm = nullptr;
    ShellTest::TearDown();
  }
  // Puts a picture into a new slideshow and selects it.
  QString addPicture(const QString& name, const QImage& img, int format) {
    const QString source = home() + "Fotos/" + name;
    QDir().mkpath(home() + "Fotos");
    EXPECT_TRUE(writePicture(source, img, format));
    form->AddPictureToDiashow(source, -1);
    form->DiashowListBox->SetItemIndex(0);
    return form->SlideshowFolder() + name;
  }
  // Opens the editor with the main window's button and runs `inside` while it is shown; the
  // editor is closed at the end in any case.
  void editWith(const std::function<void(TBildbeaerbeitungForm*)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      TBildbeaerbeitungForm* e = BildbeaerbeitungForm;
      ran = e->isVisible();
      if (ran) inside(e);
      if (e->isVisible()) click(e->CloseImage);
      if (e->isVisible()) {
        prompter.answerMessage(kalvora::mrNo);
        e->close();
      }
    });
    form->BildbearbeitungBitBtn->setEnabled(true);
    form->BildbearbeitungBitBtn->click();
    EXPECT_TRUE(ran);
  }
  QString thumbnailOfItem() const { return ItemThumbnailPath(form->DiashowListBox->Item(0)); }
  // What the list shows for its first item: the picture it has loaded under the item's
  // thumbnail name.
  QImage listThumbnail() const {
    const kalvora::THTMLPicture* p =
        form->DiashowListBox->PictureCache().FindPicture(kalvora::ThumbnailItemPictureURL(thumbnailOfItem()));
    return p && p->HasImage() ? p->Image().convertToFormat(QImage::Format_RGB888) : QImage();
  }
  QStringList thumbnailFiles() const { return filesLike(form->SlideshowFolder(), "_THUMB_*"); }
  static QStringList sorted(QStringList l) {
    l.sort();
    return l;
  }
};

}  // namespace

TEST_P(EditorRoadTest, RotateFlipUndoRedoAndSaveOrDiscard) {
  const Road road = GetParam();
  const QImage original = makeImage(160, 120);
  const QString name = QString("bild.") + road.name;
  const QString path = addPicture(name, original, road.format);
  const QImage loaded = readPicture(path);  // the original as decoded (a JPEG's own pixels)
  const ino_t inode = inodeOf(path);

  editWith([&](TBildbeaerbeitungForm* e) {
    EXPECT_EQ(e->FPicturePath, path);
    EXPECT_TRUE(e->StatusBar1->currentMessage().startsWith(name + "    ")) << e->StatusBar1->currentMessage().toStdString();
    EXPECT_TRUE(e->StatusBar1->currentMessage().contains("     160x120     24Bit Farben  "));
    click(e->Image4);
    click(e->Image6);
    // The list shows the edit while the editor is open.
    EXPECT_EQ(shelltest::pictureSize(thumbnailOfItem()), QSize(52, 70));
    click(e->UndoImage);
    click(e->UndoImage);
    EXPECT_EQ(viewImage(e->BildbViewPicImage), loaded);  // pixel for pixel
    click(e->RedoImage);
    click(e->RedoImage);
    EXPECT_EQ(e->FThumbnailRefreshes, 6);
    prompter.answerMessage(kalvora::mrYes);
  });
  EXPECT_EQ(prompter.messageTexts(), QStringList{QString::fromUtf8("Alle Änderungen an diesem Bild speichern?")});
  const QByteArray bytes = testsupport::readBytes(path);
  EXPECT_TRUE(bytes.startsWith(road.magic));
  EXPECT_LT(meanDiff(readPicture(path), mirroredLeftRight(rotated(loaded, 90))), road.tolerance);
  EXPECT_NE(inodeOf(path), inode);  // replaced by a rename, not written over
  EXPECT_TRUE(filesLike(appDir, "UNDO*").isEmpty());
  const QRegularExpression expected("^(" + QRegularExpression::escape(name) + "|_THUMB_\\d*" +
                                    QRegularExpression::escape(name) + "|Diashow\\.ini|Pictures\\.ini)$");
  for (const QString& f : QDir(form->SlideshowFolder()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_TRUE(expected.match(f).hasMatch()) << f.toStdString();
  EXPECT_EQ(shelltest::pictureSize(thumbnailOfItem()), QSize(52, 70));

  // A second showing: a step, then No.
  prompter = kalvora::ScriptedPrompter();
  const QByteArray saved = testsupport::readBytes(path);
  const ino_t savedInode = inodeOf(path);
  editWith([&](TBildbeaerbeitungForm* e) {
    EXPECT_EQ(e->FUndoIndex(), 0);
    click(e->Image5);
    prompter.answerMessage(kalvora::mrNo);
  });
  EXPECT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_EQ(testsupport::readBytes(path), saved);
  EXPECT_EQ(inodeOf(path), savedInode);
  EXPECT_EQ(shelltest::pictureSize(thumbnailOfItem()), QSize(52, 70));
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorRoadTest,
                         ::testing::Values(Road{"png", px::kFormatPng, "\x89PNG", 4.0},
                                           Road{"jpg", px::kFormatJpeg422, "\xFF\xD8", 4.0}),
                         [](const auto& info) { return std::string(info.param.name); });

using EditorOpenTest = EditorRoadTest;

TEST_F(EditorOpenTest, ADoubleClickInTheSlideshowListOpensTheEditor) {
  const QString path = addPicture("bild.png", makeImage(64, 48), px::kFormatPng);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = BildbeaerbeitungForm->isVisible() && BildbeaerbeitungForm->FPicturePath == path;
    BildbeaerbeitungForm->close();
  });
  ASSERT_TRUE(bool(form->DiashowListBox->OnDblClick));
  form->DiashowListBox->OnDblClick(form->DiashowListBox);
  EXPECT_TRUE(shown);
}

namespace {
// Where a picture lies in its thumbnail: whole, scaled to fit inside the 3-D frame (a 1-pixel
// border and a 5-pixel band on every side, as the thumbnail maker is set up), centred.
QRect picturePlace(QSize thumbnail, QSize picture) {
  const QRect inside(6, 6, thumbnail.width() - 12, thumbnail.height() - 12);
  const QSize fit = picture.scaled(inside.size(), Qt::KeepAspectRatio);
  return QRect(inside.x() + (inside.width() - fit.width()) / 2, inside.y() + (inside.height() - fit.height()) / 2,
               fit.width(), fit.height());
}

// Mean difference between the picture inside a thumbnail and the picture scaled by Qt into its
// place (one pixel in from the place's edges, where the two scalers blend differently).
double thumbnailDiff(const QImage& thumbnail, const QImage& picture) {
  if (thumbnail.isNull() || picture.isNull()) return -1;
  const QRect place = picturePlace(thumbnail.size(), picture.size());
  const QImage scaled = picture.convertToFormat(QImage::Format_RGB888)
                            .scaled(place.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QRect inner = QRect(QPoint(0, 0), place.size()).adjusted(1, 1, -1, -1);
  return meanDiff(thumbnail.copy(inner.translated(place.topLeft())), scaled.copy(inner));
}

bool reddish(QRgb p) { return qRed(p) > 140 && qGreen(p) < 110 && qBlue(p) < 110; }
bool bluish(QRgb p) { return qBlue(p) > 140 && qRed(p) < 110; }

// Along a line through the thumbnail's middle, from its edge inwards: red (the frame step's
// frame) before the first blue (the picture inside the frame).
bool redBeforeBlue(const QImage& t, QPoint from, QPoint step) {
  int red = 0;
  for (QPoint p = from; t.rect().contains(p); p += step) {
    if (bluish(t.pixel(p))) return red >= 2;
    if (reddish(t.pixel(p))) ++red;
  }
  return false;
}
}  // namespace

using EditorThumbnailTest = EditorRoadTest;

// Every step makes a new thumbnail for the list; the one it replaces goes at once, and a name
// the list has shown before is never used again (the list would show its old picture).
TEST_F(EditorThumbnailTest, EachStepsThumbnailReplacesTheOneBefore) {
  const QString path = addPicture("bild.png", makeImage(160, 120), px::kFormatPng);
  const QString folder = form->SlideshowFolder();
  editWith([&](TBildbeaerbeitungForm* e) {
    for (int step = 1; step <= 20; ++step) {
      SCOPED_TRACE(step);
      click(e->Image4);
      const QString shown = FileNamePart(thumbnailOfItem());
      EXPECT_EQ(thumbnailFiles(), sorted({"_THUMB_bild.png", shown}));
      // The list shows what the file holds, and that is the picture as the step left it.
      const QImage list = listThumbnail();
      EXPECT_EQ(list, QImage(folder + shown).convertToFormat(QImage::Format_RGB888));
      EXPECT_LT(thumbnailDiff(list, viewImage(e->BildbViewPicImage)), 12.0);
    }
    prompter.answerMessage(kalvora::mrYes);
  });
  EXPECT_EQ(thumbnailFiles(), sorted({"_THUMB_bild.png", FileNamePart(thumbnailOfItem())}));
  EXPECT_LT(thumbnailDiff(listThumbnail(), readPicture(path)), 12.0);
}

// The list's thumbnail follows a frame step and a warp: after OK and "Ja" it shows the saved
// picture whole, the frame round all four sides and the warp where the user made it, also when
// the slideshow is opened again.
TEST_F(EditorThumbnailTest, TheListThumbnailFollowsFrameAndWarpSteps) {
  // A frame of our own: a red border 12 pixels wide around a magenta (see-through) middle.
  QDir().mkpath(appDir + "rahmen");
  QImage frame(200, 150, QImage::Format_RGB888);
  frame.fill(qRgb(255, 0, 255));
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      if (x < 12 || y < 12 || x >= 188 || y >= 138) frame.setPixel(x, y, qRgb(210, 20, 20));
  ASSERT_TRUE(frame.save(appDir + "rahmen/Rot.bmp", "BMP"));

  struct Case {
    const char* step;
    QImage picture;
  };
  QImage blue(400, 300, QImage::Format_RGB888);
  blue.fill(qRgb(20, 40, 200));
  // Black left of the middle, white right of it: a stroke through the middle shows, one on
  // the white lower right would not.
  QImage halves(1600, 1200, QImage::Format_RGB888);
  halves.fill(Qt::white);
  {
    QPainter p(&halves);
    p.fillRect(0, 0, 800, 1200, Qt::black);
  }
  for (const Case& c : {Case{"frame", blue}, Case{"warp", halves}}) {
    SCOPED_TRACE(c.step);
    form->FArchiveFolder.clear();
    form->DiashowListBox->Clear();
    const QString path = addPicture(QString("%1.png").arg(c.step), c.picture, px::kFormatPng);
    const QImage before = listThumbnail();
    ASSERT_FALSE(before.isNull());
    editWith([&](TBildbeaerbeitungForm* e) {
      if (QString(c.step) == "frame") {
        QTimer::singleShot(0, [&] {
          ASSERT_TRUE(RahmenForm->isVisible());
          prompter.answerFile(appDir + "rahmen/Rot.bmp");
          click(RahmenForm->BitBtn1);
          ASSERT_TRUE(RahmenForm->SaveBitBtn->isEnabled());
          click(RahmenForm->SaveBitBtn);
        });
        click(e->Image21);
      } else {
        QTimer::singleShot(0, [&] {
          auto* f = qobject_cast<TMorphForm*>(QApplication::activeModalWidget());
          ASSERT_NE(f, nullptr);
          QApplication::processEvents();
          // Through the middle of the view, as the user sees the picture when the dialog opens.
          const kalvora::raster::TRect v = f->DstImg->GetViewportRect();
          const QPoint middle((v.Left + v.Right) / 2, (v.Top + v.Bottom) / 2);
          drag(f->DstImg, middle - QPoint(60, 0), middle + QPoint(60, 0), 12);
          click(f->BitBtn1);
        });
        click(e->Image22);
      }
      EXPECT_EQ(e->FUndoIndex(), 1);
      prompter.answerMessage(kalvora::mrYes);
    });
    const QImage saved = readPicture(path);
    if (QString(c.step) == "frame") {
      ASSERT_EQ(saved.size(), QSize(200, 150));
    } else {
      // The warp is in the picture's middle, where the user stroked.
      const QRect middle(700, 500, 200, 200);
      EXPECT_GT(meanDiff(saved.copy(middle), c.picture.copy(middle)), 5.0);
    }
    for (const char* when : {"after the step", "opened again"}) {
      SCOPED_TRACE(when);
      if (QString(when) == "opened again") form->OpenArchive(form->FArchiveFolder);
      const QImage shown = listThumbnail();
      ASSERT_FALSE(shown.isNull());
      EXPECT_LT(thumbnailDiff(shown, saved), 12.0);
      if (QString(c.step) == "frame") {
        const int w = shown.width(), h = shown.height();
        EXPECT_TRUE(redBeforeBlue(shown, QPoint(0, h / 2), QPoint(1, 0))) << "left";
        EXPECT_TRUE(redBeforeBlue(shown, QPoint(w - 1, h / 2), QPoint(-1, 0))) << "right";
        EXPECT_TRUE(redBeforeBlue(shown, QPoint(w / 2, 0), QPoint(0, 1))) << "top";
        EXPECT_TRUE(redBeforeBlue(shown, QPoint(w / 2, h - 1), QPoint(0, -1))) << "bottom";
      } else {
        const QRect middle = QRect(0, 0, 12, 12).translated(shown.width() / 2 - 6, shown.height() / 2 - 6);
        EXPECT_GT(meanDiff(shown.copy(middle), before.copy(middle)), 3.0);
      }
    }
  }
}
