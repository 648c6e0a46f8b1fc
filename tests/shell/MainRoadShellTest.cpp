// What a new user meets on the main road, driven through the real widgets: the new-slideshow
// dialog, the Datei menu, deleting the open slideshow, the caption and turn buttons of an empty
// slideshow, the viewer from the picture page, the status bar in English and the settings page.
#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QStyledItemDelegate>
#include <QToolButton>

#include "TestSupport.h"
#include "AudioTitles.h"
#include "ListItems.h"
#include "PicImageVCL.h"
#include "ProductionFixture.h"
#include "fBetrachter.h"
#include "fNew.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using prodtest::writeJpeg;
using shelltest::writeText;

namespace {
class MainRoadShellTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"c.jpg", "a.jpg", "b.jpg"});
    makeSlideshow("Archive_0004", "Vier", {"x.jpg"});
  }
  bool tabVisible(QWidget* page) { return mf->PageControl1->isTabVisible(mf->PageControl1->indexOf(page)); }
  void openSlideshow(const QString& folder) {
    selectArchive(folder);
    mf->Open1BitBtn->click();
    ASSERT_EQ(mf->FArchiveFolder, folder);
  }
  void selectPicture(int index) {
    mf->DiashowListBox->SetItemIndex(index);
    mf->DiashowListBoxClick();
  }
  bool turnButtonsEnabled() {
    for (QToolButton* b : {mf->SpeedButton5, mf->SpeedButton6, mf->SpeedButton7, mf->SpeedButton9, mf->SpeedButton10})
      if (b->isEnabled()) return true;
    return mf->BildbearbeitungBitBtn->isEnabled();
  }
};
}  // namespace

TEST_F(MainRoadShellTest, NewSlideshowNeedsATitleAndShowsItsButtonsSideBySide) {
  QString refusedWhileOpen;
  modal.handlers["NewForm"] = [&](QWidget* w) {
    auto* form = static_cast<TNewForm*>(w);
    form->Edit1->setText("   ");
    form->BitBtn1->click();
    refusedWhileOpen = form->isVisible() ? "open" : "closed";
    EXPECT_EQ(form->BitBtn1->y(), form->BitBtn2->y());
    EXPECT_LT(form->BitBtn1->x(), form->BitBtn2->x());
    EXPECT_GE(form->width(), 300);
    form->Edit1->setText("Herbst");
    form->BitBtn1->click();
  };
  mf->NewBitBtn->click();
  EXPECT_EQ(refusedWhileOpen, "open");
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10001)});
  EXPECT_EQ(mf->FDiashowTitle, "Herbst");
  EXPECT_EQ(mf->PageControl1->currentWidget(), mf->TabSheet1);
}

TEST_F(MainRoadShellTest, AnEmptySlideshowShowsNoCaptionAndNothingToTurn) {
  openSlideshow("Archive_0003");
  selectPicture(1);
  EXPECT_EQ(mf->TextEdit->text(), "Text a.jpg");
  EXPECT_TRUE(turnButtonsEnabled());

  modal.handlers["NewForm"] = [](QWidget* w) {
    static_cast<TNewForm*>(w)->Edit1->setText("Leer");
    static_cast<TNewForm*>(w)->BitBtn1->click();
  };
  mf->NewBitBtn->click();
  EXPECT_EQ(mf->DiashowListBox->Count(), 0);
  EXPECT_EQ(mf->TextEdit->text(), "");
  EXPECT_FALSE(turnButtonsEnabled());

  openSlideshow("Archive_0003");
  selectPicture(0);
  EXPECT_TRUE(turnButtonsEnabled());
  openSlideshow("Archive_0004");
  EXPECT_EQ(mf->TextEdit->text(), "");
  EXPECT_FALSE(turnButtonsEnabled());
}

TEST_F(MainRoadShellTest, DateiMenuOpensAndDeletesTheMarkedSlideshow) {
  mf->FillArchiveList();
  mf->OpenListBox->setCurrentRow(-1);
  mf->OpenListBox->clearSelection();
  mf->OpenDiashow1->trigger();
  EXPECT_EQ(mf->PageControl1->currentIndex(), 0);
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10026)});

  selectArchive("Archive_0003");
  mf->OpenDiashow1->trigger();
  EXPECT_EQ(mf->FArchiveFolder, "Archive_0003");
  EXPECT_EQ(mf->PageControl1->currentWidget(), mf->TabSheet1);

  // From the picture page the menu first shows the archive page and its mark.
  mf->DeleteDiashow1->trigger();
  EXPECT_EQ(mf->PageControl1->currentIndex(), 0);
  EXPECT_TRUE(QFileInfo::exists(root + "Archive_0003"));
  selectArchive("Archive_0004");
  prompter.answerMessage(kalvora::mrYes);
  mf->DeleteDiashow1->trigger();
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0004"));
  EXPECT_TRUE(QFileInfo::exists(root + "Archive_0003"));
  EXPECT_FALSE(archiveLines().join(",").contains("Archive_0004"));
}

TEST_F(MainRoadShellTest, DeletingTheOpenSlideshowLeavesNoPageToAddPicturesTo) {
  openSlideshow("Archive_0003");
  selectPicture(0);
  ASSERT_TRUE(tabVisible(mf->TabSheet1));
  selectArchive("Archive_0003");
  prompter.answerMessage(kalvora::mrYes);
  mf->Delete1BitBtn->click();
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0003"));
  EXPECT_FALSE(tabVisible(mf->TabSheet1));
  EXPECT_FALSE(tabVisible(mf->TabSheet4));
  EXPECT_EQ(mf->PageControl1->currentIndex(), 0);
  EXPECT_FALSE(mf->Diashow1->menuAction()->isEnabled());
  EXPECT_FALSE(turnButtonsEnabled());
  EXPECT_EQ(mf->TextEdit->text(), "");
}

TEST_F(MainRoadShellTest, ViewerFromThePicturePageShowsTheOpenSlideshowFromTheSelectedPicture) {
  openSlideshow("Archive_0003");
  selectArchive("Archive_0004");  // the archive page marks another slideshow
  selectPicture(2);               // b.jpg, third in the slideshow
  QStringList seen;
  QString status;
  QSize size;
  bool centred = false;
  modal.handlers["BetrachterForm"] = [&](QWidget* w) {
    auto* viewer = static_cast<TBetrachterForm*>(w);
    for (int i = 0; i < viewer->PicturesListBox->count(); ++i)
      seen << QFileInfo(viewer->PicturesListBox->item(i)->text()).fileName();
    status = viewer->StatusBar1->currentMessage();
    size = viewer->size();
    centred = viewer->PicImage1->CenterImage();
    QTest::keyClick(viewer->PicImage1, Qt::Key_Escape);
  };
  mf->Betrachter2BitBtn->click();
  EXPECT_EQ(modal.shown, QStringList{"BetrachterForm"});
  EXPECT_EQ(seen, (QStringList{"c.jpg", "a.jpg", "b.jpg"}));  // slideshow order
  EXPECT_EQ(BetrachterForm->FPictureIndex, 2);
  EXPECT_EQ(status, "3 / 3    Text b.jpg");
  EXPECT_EQ(size, QGuiApplication::primaryScreen()->availableGeometry().size());
  EXPECT_TRUE(centred);
  EXPECT_FALSE(BetrachterForm->isVisible());
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

TEST_F(MainRoadShellTest, ViewerClosesWithEscapeAndKeepsItsButtonsCentred) {
  selectArchive("Archive_0003");
  int closeLeft = -1, panelWidth = -1;
  modal.handlers["BetrachterForm"] = [&](QWidget* w) {
    auto* viewer = static_cast<TBetrachterForm*>(w);
    viewer->resize(700, 500);
    QApplication::processEvents();
    panelWidth = viewer->Panel1->width();
    closeLeft = viewer->SpeedButton2->x();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(viewer, &esc);
  };
  mf->BetrachterBitBtn->click();
  EXPECT_EQ(closeLeft, panelWidth / 2 - 60);
  EXPECT_FALSE(BetrachterForm->isVisible());
  // Escape closed it, not the driver cancelling what was left open.
  EXPECT_TRUE(modal.leftOpen.isEmpty()) << modal.leftOpen.join(",").toStdString();
}

TEST_F(MainRoadShellTest, NochmalZeigenShowsTheTwoPreviewPictures) {
  openSlideshow("Archive_0003");
  writeJpeg(appDir + "Preview1.jpg", 64, 48, Qt::blue);
  writeJpeg(appDir + "Preview2.jpg", 32, 48, Qt::green);
  mf->ShowAgainButton->click();
  const QSize first(mf->PicImage1->BitmapWidth(), mf->PicImage1->BitmapHeight());
  mf->ShowAgainButton->click();
  const QSize second(mf->PicImage1->BitmapWidth(), mf->PicImage1->BitmapHeight());
  EXPECT_NE(first, second);
  EXPECT_TRUE(first == QSize(64, 48) || first == QSize(32, 48));
  // The program ships both pictures.
  for (const char* f : {"Preview1.jpg", "Preview2.jpg"})
    EXPECT_TRUE(QFileInfo(QString(KALVORA_SOURCE_DIR) + "/data/" + f).isFile()) << f;
}

TEST_F(MainRoadShellTest, SecondsTakeNoLetters) {
  openSlideshow("Archive_0003");
  mf->SecEdit->clear();
  QTest::keyClicks(mf->SecEdit, "abc");
  EXPECT_EQ(mf->SecEdit->text(), "");
  QTest::keyClicks(mf->SecEdit, "2,5");
  EXPECT_EQ(mf->SecEdit->text(), "2,5");
  mf->SecEditExit();
  EXPECT_EQ(mf->SecEdit->text(), "2");
}

TEST_F(MainRoadShellTest, PictureColumnsKeepTheirWidthWhenAPictureIsSelected) {
  mf->setWindowState(Qt::WindowNoState);
  mf->resize(1200, 800);
  mf->show();
  openSlideshow("Archive_0003");
  QApplication::processEvents();
  auto* preview = mf->TabSheet1->findChild<QWidget*>("PreviewColumn");
  ASSERT_NE(preview, nullptr);
  const QRect lists[] = {mf->FileListBox->geometry(), mf->ListBoxPanel->geometry(), preview->geometry()};
  const QPoint editAt = mf->TextEdit->mapTo(mf, QPoint());
  const QPoint labelAt = mf->TextLabel->mapTo(mf, QPoint());
  selectPicture(0);
  // The preview follows a selection on a timer.
  KV_WAIT_FOR(!mf->Timer1->isActive() && !mf->Timer2->isActive(), 60000);
  KV_WAIT_FOR(mf->ViewPicImage->isVisible(), 60000);
  EXPECT_EQ(mf->FileListBox->geometry(), lists[0]);
  EXPECT_EQ(mf->ListBoxPanel->geometry(), lists[1]);
  EXPECT_EQ(preview->geometry(), lists[2]);
  EXPECT_EQ(mf->TextEdit->mapTo(mf, QPoint()), editAt);
  // The caption's label sits right above its field.
  EXPECT_LT(editAt.y() - labelAt.y(), 40);
  mf->hide();
}

TEST_F(MainRoadShellTest, EnglishStatusBarSaysReady) {
  DestroyWindows();
  setSetting("Language", "ENGLISH");
  LoadLanguage();
  CreateWindows();
  mf = MainForm;
  root = mf->FArchiveRoot;
  writeJpeg(home() + "pics/p.jpg", 80, 60);
  prompter.answerFile(home() + "pics/p.jpg");
  mf->OpenBitBtnClick();
  ASSERT_EQ(mf->FileListBox->Count(), 1);
  mf->MakeThumb(home() + "pics/p.jpg", 70, false, true);
  EXPECT_EQ(mf->StatusBar1->currentMessage(), "Ready");
}

TEST_F(MainRoadShellTest, MusicKeepsItsTitleThroughRenumberingAndTheListShowsNames) {
  openSlideshow("Archive_0003");
  const QString folder = mf->SlideshowFolder();
  writeText(folder + "Bumble Bee.wav", prodtest::waveBytes(44100, 2));
  writeText(folder + "Am Meer.wav", prodtest::waveBytes(44100, 2));
  mf->RefreshAudioList();
  ASSERT_EQ(mf->AudioListBox->count(), 2);
  // Played in the order: Bumble Bee, then Am Meer.
  mf->AudioListBoxMouseDown(1);
  mf->AudioListBoxDragDrop(0);
  mf->RenumberAudioFiles();
  mf->RefreshAudioList();
  // What the list draws for a line: its delegate's text.
  auto shown = [this](int row) {
    const QModelIndex index = mf->AudioListBox->model()->index(row, 0);
    EXPECT_NE(dynamic_cast<AudioTitleDelegate*>(mf->AudioListBox->itemDelegateForIndex(index)), nullptr);
    return AudioTitleDelegate::LineText(index);
  };
  EXPECT_EQ(mf->AudioListBox->item(0)->text(), folder + "Audio001.wav");  // the list keeps full paths
  EXPECT_EQ(shown(0), QString::fromUtf8("Audio001.wav  –  Bumble Bee.wav"));
  EXPECT_EQ(shown(1), QString::fromUtf8("Audio002.wav  –  Am Meer.wav"));
  // A second renumbering in the other order keeps the titles with their music.
  mf->AudioListBoxMouseDown(1);
  mf->AudioListBoxDragDrop(0);
  mf->RenumberAudioFiles();
  EXPECT_EQ(shown(0), QString::fromUtf8("Audio001.wav  –  Am Meer.wav"));
  EXPECT_EQ(shown(1), QString::fromUtf8("Audio002.wav  –  Bumble Bee.wav"));
  EXPECT_TRUE(mf->AudioListBox->item(1)->toolTip().startsWith("Bumble Bee.wav"));
}

TEST_F(MainRoadShellTest, PngPicturesOfAFolderAreListedLikeTheOthers) {
  const QString pics = home() + "png/";
  writeJpeg(pics + "foto.jpg", 60, 40);
  QImage png(50, 30, QImage::Format_RGB32);
  png.fill(Qt::darkCyan);
  ASSERT_TRUE(png.save(pics + "grafik.png", "PNG"));
  prompter.answerFile(pics + "foto.jpg");
  mf->OpenBitBtnClick();
  QStringList names;
  for (int i = 0; i < mf->FileListBox->Count(); ++i) names << ItemFileName(mf->FileListBox->Item(i));
  EXPECT_EQ(names, (QStringList{"foto.jpg", "grafik_png.jpg"}));
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
  // The user's folder is never written.
  EXPECT_EQ(QDir(pics).entryList(QDir::Files, QDir::Name), (QStringList{"foto.jpg", "grafik.png"}));
}

TEST_F(MainRoadShellTest, EveryShellWindowClosesWithEscape) {
  selectArchive("Archive_0003");
  QFile::remove(appDir + "NoWer.ini");
  for (const char* name : {"AboutBox", "OpenForm", "NewForm", "TipForm", "WerbungForm", "AnweisungForm",
                           "BetrachterForm"}) {
    SCOPED_TRACE(name);
    auto* form = qobject_cast<TForm*>(FindProgramWindow(QString::fromLatin1(name)));
    ASSERT_NE(form, nullptr);
    bool closed = false;
    modal.handlers[name] = [&](QWidget* w) {
      QWidget* target = w->focusWidget() ? w->focusWidget() : w;
      QTest::keyClick(target, Qt::Key_Escape);
      closed = !w->isVisible();
    };
    form->ShowModal();
    EXPECT_TRUE(closed);
  }
}

TEST_F(MainRoadShellTest, ThePictureDialogStartsInTheUsersPicturesFirst) {
  mf->FSourceFolder.clear();
  // The desktop's pictures folder, named as a German desktop names it.
  writeText(home() + ".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  const QString pictures = fakeHome.path() + "/Bilder";
  const struct {
    const char* name;
    bool made;
    QString start;
  } cases[] = {{"the pictures folder", true, pictures}, {"no pictures folder: home", false, fakeHome.path()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.made) QDir().mkpath(pictures);
    else QDir(pictures).removeRecursively();
    const size_t asked = prompter.questions().size();
    mf->OpenBitBtnClick();  // cancelled
    ASSERT_EQ(prompter.questions().size(), asked + 1);
    EXPECT_EQ(prompter.questions().back().text, c.start);
    EXPECT_EQ(prompter.questions().back().filter, "Alle Bilddateien (*.jpg *.jpeg *.bmp *.tif *.tiff *.gif)");
  }
}
