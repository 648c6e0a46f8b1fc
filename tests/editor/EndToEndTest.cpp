// Editing a picture of a slideshow from the main window, saved back or discarded.
#include <sys/stat.h>

#include <QRegularExpression>
#include <QTimer>

#include "ShellFixture.h"
#define EDITOR_TEST_HAS_PRINTTO
#include "EditorFixture.h"
#include "ListItems.h"
#include "PictureFiles.h"
#include "StringHelpers.h"

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
    form->FArchiveFolder.clear();
    form->FDiashowTitle = "Test";
    form->FSecondsPerPicture = "3";
    form->DiashowListBox->Clear();
  }
  void TearDown() override {
    delete BildbeaerbeitungForm;
    delete ZuschneidenTipForm;
    delete SizeForm;
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
