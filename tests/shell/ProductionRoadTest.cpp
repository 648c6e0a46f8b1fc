// End to end on a temporary program and home folder: a slideshow is deleted into the trash,
// another is exported for CD, and a WAV and an MP3 title are added and renumbered.
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>

#include "MediaPlayer.h"
#include "ProductionFixture.h"
#include "fNew.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using prodtest::waveBytes;
using shelltest::writeText;

namespace {
class ProductionRoadTest : public ProductionTest {};
}  // namespace

TEST_F(ProductionRoadTest, DeleteExportAndMusic) {
  // First start made the archive root with the two sample slideshows.
  ASSERT_TRUE(archiveLines().contains("Archive_0001 Beispiel Archive_0001"));
  ASSERT_TRUE(archiveLines().contains("Archive_0002 Beispiel Archive_0002"));

  // A new slideshow with two pictures.
  modal.handlers["NewForm"] = [](QWidget* w) {
    static_cast<TNewForm*>(w)->Edit1->setText("Reise");
    static_cast<TNewForm*>(w)->BitBtn1->click();
  };
  mf->NewBitBtn->click();
  const QString folder = mf->FArchiveFolder;
  ASSERT_EQ(folder, "Archive_0003");
  makeSlideshow(folder, "Reise", {"p1.jpg", "p2.jpg"});
  selectArchive(folder);
  mf->Open1BitBtn->click();
  ASSERT_EQ(mf->DiashowListBox->Count(), 2);

  // Delete the first sample slideshow: it lands in the trash and leaves the list.
  mf->PageControl1->setCurrentIndex(0);
  selectArchive("Archive_0001");
  prompter.answerMessage(kalvora::mrYes);
  mf->Delete1BitBtn->click();
  EXPECT_TRUE(QFileInfo(trashFiles() + "Archive_0001/Diashow.ini").isFile());
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0001"));
  for (const QString& l : archiveLines()) EXPECT_FALSE(l.startsWith("Archive_0001"));

  // Open the new one again and add a WAV and an MP3 title on the settings page.
  selectArchive(folder);
  mf->Open1BitBtn->click();
  delete mf->MediaPlayer1;
  mf->MediaPlayer1 = new TFfplayMediaPlayer(mf);
  const QString source = app.path() + "/music/";
  writeText(source + "zebra.wav", waveBytes(44100, 2, 4410));
  QString mp3 = source + "anfang.mp3";
  const QString lame = QStandardPaths::findExecutable("lame");
  if (lame.isEmpty()) GTEST_SKIP() << "lame is not installed";
  QProcess p;
  p.start(lame, {"--quiet", source + "zebra.wav", mp3});
  ASSERT_TRUE(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
      << "lame: " << p.readAllStandardError().toStdString();
  ASSERT_TRUE(QFileInfo(mp3).isFile());
  mf->Diashowerstellen1->trigger();
  ASSERT_EQ(mf->PageControl1->currentIndex(), 3);
  prompter.answerFile(source + "zebra.wav").answerFile(mp3);
  mf->OpenAudioBitBtn->click();
  mf->OpenAudioBitBtn->click();
  ASSERT_EQ(mf->AudioListBox->count(), 2);
  // zebra.wav first, then the MP3: the order of the list becomes the numbering on leaving.
  mf->AbbrechenBitBtn->click();
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_EQ(testsupport::readBytes(root + folder + "/Audio001.wav"), waveBytes(44100, 2, 4410));
  EXPECT_TRUE(QFileInfo(root + folder + "/Audio002.mp3").isFile());
  EXPECT_FALSE(QFileInfo::exists(root + folder + "/zebra.wav"));

  // Export it for a slideshow CD.
  modal.handlers["MakeWizzard"] = [](QWidget* w) {
    w->findChild<QRadioButton*>("CDROMRadioButton")->setChecked(true);
    ModalDriver::finish(w, kalvora::mrOk);
  };
  const QString line = folder + " Reise";
  modal.handlers["ExportForm"] = [line](QWidget* w) {
    auto* list = w->findChild<QListWidget*>("CheckListBox");
    list->clear();
    (new QListWidgetItem(line, list))->setCheckState(Qt::Checked);
    ModalDriver::finish(w, kalvora::mrOk);
  };
  mf->PageControl1->setCurrentIndex(2);
  const QString cd = mf->FExportFolder;
  EXPECT_TRUE(QFileInfo(cd + "Slidoplay").isFile());
  for (const char* f : {"p1.jpg", "Pictures.ini", "Diashow.ini", "Audio001.wav", "Audio002.mp3"})
    EXPECT_TRUE(QFileInfo(cd + folder + "/" + f).isFile()) << f;
  // The only message was the question before deleting.
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10008) + "\n\nBeispiel Archive_0001 (Archive_0001)"});
}
