// Start-up of the main window on a temporary program folder and home folder.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include "ShellFixture.h"

using shelltest::ShellTest;

TEST_F(ShellTest, FirstStartCreatesTheArchiveRootWithSamplesAndThePlayerFiles) {
  TMainForm& f = start();
  const QString root = home() + "Kalvora/";
  EXPECT_EQ(f.FAppDir, appDir);
  EXPECT_EQ(f.FTempPicFolder, appDir + "temppic/");
  EXPECT_EQ(f.FArchiveRoot, root);
  EXPECT_EQ(f.FVideoFolder, home() + "DVD-Diashow/");
  EXPECT_EQ(f.FEncoderFolder, home() + "DVD-Diashow/encoder/");
  EXPECT_EQ(f.FExportFolder, home() + "CDROM-Export/");
  EXPECT_EQ(f.FScreensaverFolder, home() + "Documents/Diashow_Screensaver/");
  EXPECT_EQ(f.FPersonalFolder, home() + "Documents/");
  EXPECT_EQ(f.FFramesPerSecond, 25);
  EXPECT_EQ(f.FTransitionFrames, 12);
  for (const QString& folder : {appDir + "thumbs", appDir + "temppic", appDir + "gallery", f.FVideoFolder,
                                f.FEncoderFolder, root + "del", root + "Archive_0001", root + "Archive_0002"})
    EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
  for (const char* s : {"Archive_0001", "Archive_0002"}) {
    EXPECT_TRUE(QFileInfo::exists(root + s + "/Pictures.ini"));
    EXPECT_TRUE(QFileInfo::exists(root + s + "/a.jpg"));
    EXPECT_TRUE(QFileInfo::exists(root + s + "/Bumble Bee - Tessaro.mp3"));
  }
  EXPECT_TRUE(QFileInfo::exists(root + "del/Diashow.ini"));
  for (const char* file : {"Autorun.inf", "play.ply", "intro.ply", "Settings.ini", "Effects.ini", "Language.ini"})
    EXPECT_TRUE(QFileInfo::exists(root + file)) << file;
  EXPECT_TRUE(QFileInfo(root + "Slidoplay").isExecutable());
  kalvora::IniFile playerTexts(root + "Language.ini");
  EXPECT_EQ(playerTexts.readString("PLAYER", "100003"), "Ende der Diashow");
  // The desktop launcher of the player.
  const QByteArray link = testsupport::readBytes(home() + "Desktop/Slidoplay.desktop");
  EXPECT_TRUE(link.contains("Exec=\"" + root.toUtf8() + "Slidoplay\"")) << link.toStdString();
  EXPECT_TRUE(prompter.questions().empty()) << prompter.messageTexts().join("|").toStdString();
}

TEST_F(ShellTest, AfterStartUpOnlyTheArchiveTabShowsAndTheFirstSlideshowIsSelected) {
  TMainForm& f = start();
  EXPECT_EQ(f.PageControl1->currentIndex(), 0);
  EXPECT_EQ(f.PageControl1->tabText(0), "Archive");
  for (QWidget* page : {f.TabSheet1, f.TabSheet4, f.TabSheet3, f.TabSheet2})
    EXPECT_FALSE(f.PageControl1->isTabVisible(f.PageControl1->indexOf(page))) << page->objectName().toStdString();
  EXPECT_TRUE(f.PageControl1->isTabVisible(0));
  EXPECT_FALSE(f.Diashow1->menuAction()->isEnabled());
  EXPECT_FALSE(f.Drucken1->menuAction()->isEnabled());
  EXPECT_FALSE(f.Import1->isEnabled());
  EXPECT_FALSE(f.CDfrFotolaborerstellen1->isEnabled());
  EXPECT_FALSE(f.EinstellungenDiashow1->isEnabled());
  ASSERT_EQ(f.OpenListBox->count(), 2);
  EXPECT_EQ(f.OpenListBox->item(0)->text(), "Archive_0001 Beispiel Archive_0001");
  EXPECT_EQ(f.OpenListBox->currentRow(), 0);
  EXPECT_EQ(f.windowTitle(), "Kalvora Plus");
  EXPECT_EQ(f.NewBitBtn->text(), "Neue Diashow anlegen");
  EXPECT_EQ(f.SpeedButton4->toolTip(), "Alle Bilder aus der Diashow entfernen");
  EXPECT_EQ(f.FullscreenCheckBox->text(), "Vollbild Modus");
  ASSERT_NE(f.DiashowListBox, nullptr);
  EXPECT_EQ(f.DiashowListBox->parentWidget(), f.ListBoxPanel);
  EXPECT_EQ(f.findChild<QWidget*>("DiashowListBox"), f.DiashowListBox);
}

TEST_F(ShellTest, SecondStartKeepsTheSlideshowsButRenewsThePlayerFiles) {
  start();
  const QString root = home() + "Kalvora/";
  shelltest::writeText(root + "Archive_0001/Pictures.ini", "changed by the user\r\n");
  QFile::remove(root + "Archive_0002/a.jpg");
  shelltest::writeText(root + "play.ply", "old");
  shelltest::writeText(root + "Effects.ini", "1000;0;1;1;0\r\n");
  form.reset();
  setSetting("Language", "ENGLISH");
  start();
  // The sample folders of the German root are not copied again...
  EXPECT_EQ(testsupport::readBytes(root + "Archive_0001/Pictures.ini"), "changed by the user\r\n");
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0002/a.jpg"));
  // ...and English uses a root of its own, created now with the player under its English name.
  const QString english = home() + "Pelmora/";
  EXPECT_EQ(form->FArchiveRoot, english);
  EXPECT_EQ(form->FVideoFolder, home() + "DVD-Slideshow/");
  EXPECT_EQ(form->FScreensaverFolder, home() + "Documents/Slideshow_Screensaver/");
  EXPECT_TRUE(QFileInfo(english + "Rondivo").isExecutable());
  EXPECT_EQ(testsupport::readBytes(english + "Autorun.inf"), "[autorun]\r\nlabel=Slideshow\r\n");
  EXPECT_TRUE(QFileInfo::exists(home() + "Desktop/Rondivo.desktop"));
  EXPECT_EQ(kalvora::IniFile(english + "Language.ini").readString("PLAYER", "100003"), "End of the slideshow");
  EXPECT_EQ(form->windowTitle(), "Slidora");
  // Back in German: the player files of the German root are copied again over older ones.
  form.reset();
  setSetting("Language", "GERMAN");
  start();
  EXPECT_EQ(testsupport::readBytes(root + "play.ply"), "play");
  EXPECT_EQ(testsupport::readBytes(root + "Effects.ini"), testsupport::readBytes(appDir + "Effects.ini"));
}

TEST_F(ShellTest, AnUnknownLanguageFallsBackToGerman) {
  setSetting("Language", "KLINGON");
  start();
  EXPECT_EQ(CurrentLanguage(), "GERMAN");
  EXPECT_EQ(form->FArchiveRoot, home() + "Kalvora/");
  EXPECT_EQ(GetLanguageText(515), "Abbrechen");
  setSetting("Language", "english");
  LoadLanguage();
  EXPECT_EQ(CurrentLanguage(), "ENGLISH");
}

TEST_F(ShellTest, MissingSettingsAndTextFilesAreReportedAndStartUpGoesOn) {
  QFile::remove(appDir + "Generator.ini");
  QFile::remove(appDir + "Language.ini");
  QFile::remove(appDir + "Effects.ini");
  start();
  const QStringList messages = prompter.messageTexts();
  ASSERT_EQ(messages.size(), 3);
  EXPECT_EQ(messages[0], appDir + "Generator.ini nicht gefunden!");
  EXPECT_EQ(messages[1], appDir + "Language.ini nicht gefunden!");
  // Without texts the start-up report still says what is wrong.
  EXPECT_EQ(messages[2], QString::fromUtf8("Die Liste der Überblendeffekte fehlt oder ist leer: ") + appDir + "Effects.ini");
  EXPECT_EQ(CurrentLanguage(), "GERMAN");
  EXPECT_EQ(GetLanguageText(515), "");
  EXPECT_EQ(form->NewBitBtn->text(), "");
  EXPECT_TRUE(QFileInfo(home() + "Kalvora/Archive_0001").isDir());
}

TEST_F(ShellTest, AMissingEffectListIsReportedAndStartUpGoesOn) {
  QFile::remove(appDir + "Effects.ini");
  TMainForm& f = start();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains(appDir + "Effects.ini"));
  EXPECT_EQ(f.FEffectsList.count(), 0);
  EXPECT_TRUE(QFileInfo(home() + "Kalvora/Archive_0001").isDir());
  EXPECT_EQ(f.OpenListBox->count(), 2);
  // Nothing to apply: nothing is raised and the preview keeps its effect.
  const int effect = f.PicImage1->PaintEffect();
  const unsigned grain = f.PicImage1->EffectGrain();
  EXPECT_NO_THROW(f.ApplyEffect(1));
  EXPECT_EQ(f.PicImage1->PaintEffect(), effect);
  EXPECT_EQ(f.PicImage1->EffectGrain(), grain);
}

TEST_F(ShellTest, AFolderThatCannotBeCreatedIsReportedAndStartUpGoesOn) {
  // A file where the video folder should be: neither it nor its encoder folder can be made.
  shelltest::writeText(home() + "DVD-Diashow", "a file, not a folder");
  TMainForm& f = start();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  const QString report = prompter.messageTexts()[0];
  EXPECT_TRUE(report.contains(home() + "DVD-Diashow/")) << report.toStdString();
  EXPECT_TRUE(report.contains(home() + "DVD-Diashow/encoder/")) << report.toStdString();
  EXPECT_TRUE(QFileInfo(f.FArchiveRoot + "Archive_0002").isDir());
  EXPECT_EQ(f.OpenListBox->count(), 2);
}

TEST_F(ShellTest, DriveValuesChooseTheStorageRoot) {
  testsupport::TempFolder volume;
  struct Case {
    QString drive;
    QString root;
    bool reported;
  };
  const QList<Case> cases = {
      {"", home(), false},
      {"C", home(), false},
      {"d:\\", home(), false},
      {volume.path(), volume.path() + "/", false},
      {volume.path() + "/", volume.path() + "/", false},
      {volume.path() + "/gone", home(), true},
  };
  for (const Case& c : cases) {
    setSetting("Drive", c.drive);
    prompter = kalvora::ScriptedPrompter();
    start();
    EXPECT_EQ(form->FArchiveRoot, c.root + "Kalvora/") << c.drive.toStdString();
    EXPECT_EQ(!prompter.messageTexts().isEmpty(), c.reported) << c.drive.toStdString();
    EXPECT_EQ(form->DriveComboBox1->currentData().toString(), form->FDrive);
    form->SaveGeneratorSettings();
    const QString saved = kalvora::IniFile(appDir + "Generator.ini").readString("SETTINGS", "Drive");
    EXPECT_EQ(saved, c.root == home() ? QString() : volume.path()) << c.drive.toStdString();
    form.reset();
  }
}

TEST_F(ShellTest, EffectNumberIsLimitedToTheEffectLines) {
  kalvora::StringList lines;
  for (int i = 0; i < 40; ++i) lines.add("2001;10;4;2;5");
  lines.saveToFile(appDir + "Effects.ini");
  setSetting("Effect", "50");
  TMainForm& f = start();
  EXPECT_EQ(f.SpinEdit1->maximum(), 40);
  EXPECT_EQ(f.SpinEdit1->value(), 40);
  EXPECT_EQ(f.FEffectNumber, 40);
  f.SaveGeneratorSettings();
  EXPECT_EQ(kalvora::IniFile(appDir + "Generator.ini").readString("SETTINGS", "Effect"), "40");
}

TEST_F(ShellTest, ShellLinksQuoteTheirTarget) {
  TMainForm& f = start();
  const QString link = home() + "Desktop/odd.desktop";
  ASSERT_TRUE(f.CreateShellLink("/media/my disk/$x\"y\\z/Slidoplay", link, "Slidoplay"));
  const QString text = QString::fromUtf8(testsupport::readBytes(link));
  EXPECT_TRUE(text.contains("Exec=\"/media/my disk/\\\\$x\\\\\"y\\\\\\\\z/Slidoplay\"\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("Path=/media/my disk/$x\"y\\\\z\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("Name=Slidoplay\n"));
  EXPECT_TRUE(QFileInfo(link).isExecutable());
  EXPECT_FALSE(f.CreateShellLink("/x/Slidoplay", home() + "no such folder/x.desktop", "x"));
}
