// Start-up of the main window on a temporary program folder and home folder.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include "Drives.h"
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

// Every control of the main window on its page, group or panel, once, with the state it starts in: the
// ranges, lengths and texts the handlers rely on, and each control's signal reaching its handler.
TEST_F(ShellTest, TheMainWindowHoldsEachControlInItsPlaceAndWiresItsHandlers) {
  TMainForm& f = start();
  QStringList pages;
  for (int i = 0; i < f.PageControl1->count(); ++i) pages << f.PageControl1->widget(i)->objectName();
  EXPECT_EQ(pages, (QStringList{"TabSheet5", "TabSheet1", "TabSheet4", "TabSheet3", "TabSheet2"}));
  struct Place {
    const char* name;
    const char* container;
  };
  const Place places[] = {
      {"OpenListBox", "TabSheet5"}, {"NewBitBtn", "TabSheet5"}, {"Open1BitBtn", "TabSheet5"},
      {"Delete1BitBtn", "TabSheet5"}, {"BetrachterBitBtn", "TabSheet5"}, {"Image2", "TabSheet5"},
      {"OpenBitBtn", "TabSheet1"}, {"Label1", "TabSheet1"}, {"FileListBox", "TabSheet1"},
      {"SpeedButton1", "TabSheet1"}, {"SpeedButton2", "TabSheet1"}, {"SpeedButton3", "TabSheet1"},
      {"SpeedButton4", "TabSheet1"}, {"DiashowListBox", "ListBoxPanel"}, {"ListBoxPanel", "TabSheet1"},
      {"DiashowLabel", "TabSheet1"}, {"Label5", "PreviewColumn"}, {"ViewPicImage", "PreviewColumn"},
      {"TextLabel", "TextPanel"}, {"TextEdit", "TextPanel"}, {"TextPanel", "PreviewColumn"},
      {"BildbearbeitungBitBtn", "PreviewColumn"}, {"Betrachter2BitBtn", "PreviewColumn"},
      {"SpeedButton5", "PreviewColumn"}, {"SpeedButton6", "PreviewColumn"}, {"SpeedButton7", "PreviewColumn"},
      {"SpeedButton9", "PreviewColumn"}, {"SpeedButton10", "PreviewColumn"}, {"PreviewColumn", "TabSheet1"},
      {"PicImage3", "TabSheet1"}, {"DruckenBitBtn", "TabSheet4"}, {"FotolaborBitBtn", "TabSheet4"},
      {"AudioListBox", "GroupBox2"}, {"OpenAudioBitBtn", "GroupBox2"}, {"StartRipperBitBtn", "GroupBox2"},
      {"InfoBitBtn", "GroupBox2"}, {"DeleteAudioBitBtn", "GroupBox2"}, {"PlayBitBtn", "GroupBox2"},
      {"PauseBitBtn", "GroupBox2"}, {"StopBitBtn", "GroupBox2"}, {"GroupBox2", "TabSheet3"},
      {"Label8", "GroupBox3"}, {"SecEdit", "GroupBox3"}, {"Label7", "GroupBox3"}, {"GroupBox3", "TabSheet3"},
      {"EndlessPlayCheckBox", "GroupBox4"}, {"FullscreenCheckBox", "GroupBox4"}, {"ManuellCheckBox", "GroupBox4"},
      {"TextCheckBox", "GroupBox4"}, {"PictureNameCheckBox", "GroupBox4"}, {"GroupBox4", "TabSheet3"},
      {"TextcolorButton", "GroupBox7"}, {"BKGColorButton", "GroupBox7"}, {"TextColorPanel", "GroupBox7"},
      {"BKGColorPanel", "GroupBox7"}, {"TextOffsetLabel", "GroupBox7"}, {"SpinEdit2", "GroupBox7"},
      {"GroupBox7", "TabSheet3"}, {"OFFRadioButton", "GroupBox5"}, {"ONRadioButton", "GroupBox5"},
      {"RNDRadioButton", "GroupBox5"}, {"Label27", "EffectPanel"}, {"SpinEdit1", "EffectPanel"},
      {"ShowAgainButton", "EffectPanel"}, {"EffectPanel", "GroupBox5"}, {"PicImage1", "GroupBox5"},
      {"GroupBox5", "TabSheet3"}, {"MakeDiashowBitBtn", "GroupBox8"}, {"AbbrechenBitBtn", "GroupBox8"},
      {"GroupBox8", "TabSheet3"}, {"DriveComboBox1", "GroupBox1"}, {"PathButton", "GroupBox1"},
      {"GroupBox1", "TabSheet2"}, {"TitleLabel", "TabSheet2"}, {"TitleEdit", "TabSheet2"},
      {"TipsCheckBox", "TabSheet2"}, {"PrintPreviewCheckBox", "TabSheet2"}, {"Uebernehmen2BitBtn", "TabSheet2"},
      {"PicProgressBar", "StatusBar1"},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.name);
    const QList<QWidget*> found = f.findChildren<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_EQ(found.size(), 1);
    QWidget* container = f.findChild<QWidget*>(QString::fromLatin1(p.container));
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(found[0]->parentWidget(), container);
  }
  // The state the window starts in.
  EXPECT_EQ(f.statusBar(), f.StatusBar1);
  EXPECT_EQ(f.centralWidget(), f.PageControl1);
  EXPECT_EQ(f.PicProgressBar->minimum(), 0);
  EXPECT_EQ(f.PicProgressBar->maximum(), 100);
  EXPECT_TRUE(f.PicProgressBar->isHidden());
  for (QTimer* t : {f.Timer1, f.Timer2}) {
    EXPECT_EQ(t->parent(), &f);
    EXPECT_EQ(t->interval(), 200);
    EXPECT_TRUE(t->isSingleShot());
    EXPECT_FALSE(t->isActive());
  }
  EXPECT_EQ(f.FileListBox->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(f.SpeedButton1->text(), ">");
  EXPECT_EQ(f.SpeedButton2->text(), ">>");
  EXPECT_EQ(f.SpeedButton3->text(), "<");
  EXPECT_EQ(f.SpeedButton4->text(), "<<");
  EXPECT_EQ(f.SpeedButton5->text(), QString::fromUtf8("\u21bb"));
  EXPECT_EQ(f.SpeedButton6->text(), QString::fromUtf8("\u21ba"));
  EXPECT_EQ(f.SpeedButton7->text(), "180");
  EXPECT_EQ(f.SpeedButton9->text(), QString::fromUtf8("\u2194"));
  EXPECT_EQ(f.SpeedButton10->text(), QString::fromUtf8("\u2195"));
  for (QWidget* w : {static_cast<QWidget*>(f.SpeedButton5), static_cast<QWidget*>(f.SpeedButton6),
                     static_cast<QWidget*>(f.SpeedButton7), static_cast<QWidget*>(f.SpeedButton9),
                     static_cast<QWidget*>(f.SpeedButton10), static_cast<QWidget*>(f.BildbearbeitungBitBtn)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(f.PicImage3->isHidden());
  EXPECT_TRUE(f.ViewPicImage->sizePolicy().retainSizeWhenHidden());
  EXPECT_EQ(f.ViewPicImage->minimumSize(), QSize(240, 180));
  EXPECT_EQ(f.PicImage1->minimumSize(), QSize(160, 120));
  EXPECT_EQ(f.TabSheet1->findChild<QWidget*>("PreviewColumn")->minimumWidth(), 280);
  EXPECT_EQ(f.TabSheet1->findChild<QWidget*>("PreviewColumn")->maximumWidth(), 280);
  EXPECT_EQ(f.TextEdit->maxLength(), 58);
  EXPECT_EQ(f.SpinEdit2->minimum(), 0);
  EXPECT_EQ(f.SpinEdit2->maximum(), 750);
  EXPECT_EQ(f.SpinEdit1->minimum(), 1);
  for (QFrame* panel : {f.TextColorPanel, f.BKGColorPanel}) {
    EXPECT_EQ(panel->frameShape(), QFrame::Box);
    EXPECT_EQ(panel->minimumSize(), QSize(40, 20));
    EXPECT_TRUE(panel->autoFillBackground());
  }
  EXPECT_EQ(f.TitleLabel->buddy(), f.TitleEdit);
  QStringList drives;
  for (int i = 0; i < f.DriveComboBox1->count(); ++i) drives << f.DriveComboBox1->itemData(i).toString();
  EXPECT_EQ(drives, AvailableDrives());
  // Seconds take digits and one decimal separator with up to three digits after it.
  const QValidator* seconds = f.SecEdit->validator();
  ASSERT_NE(seconds, nullptr);
  for (const char* ok : {"", "7", "1234", "2,5", "2.125"}) {
    QString s = QString::fromLatin1(ok);
    int pos = 0;
    EXPECT_EQ(seconds->validate(s, pos), QValidator::Acceptable) << ok;
  }
  for (const char* bad : {"12345", "a", "2,5,1", "2,1234", "-1"}) {
    QString s = QString::fromLatin1(bad);
    int pos = 0;
    EXPECT_EQ(seconds->validate(s, pos), QValidator::Invalid) << bad;
  }

  // Each control reaches its handler.
  f.FullscreenCheckBox->setChecked(false);
  f.FullscreenCheckBox->click();
  EXPECT_FALSE(f.ManuellCheckBox->isHidden());
  f.FullscreenCheckBox->click();
  EXPECT_TRUE(f.ManuellCheckBox->isHidden());
  for (QRadioButton* r : {f.ONRadioButton, f.OFFRadioButton, f.ONRadioButton, f.RNDRadioButton}) {
    r->click();
    EXPECT_EQ(f.EffectPanel->isHidden(), r != f.ONRadioButton) << r->objectName().toStdString();
  }
  ASSERT_GE(f.SpinEdit1->maximum(), 2);
  f.SpinEdit1->setValue(f.SpinEdit1->value() == 2 ? 1 : 2);
  EXPECT_EQ(f.FEffectNumber, f.SpinEdit1->value());
  const bool toggle = f.FPreviewToggle;
  f.ShowAgainButton->click();
  EXPECT_NE(f.FPreviewToggle, toggle);
  f.SpinEdit2->setValue(f.SpinEdit2->value() == 321 ? 322 : 321);
  EXPECT_EQ(f.FTextOffset, f.SpinEdit2->value());
  f.TitleEdit->setText("Neuer Titel");
  EXPECT_EQ(f.FDiashowTitle, "Neuer Titel");
  f.SecEdit->setText("9");
  EXPECT_EQ(f.FSecondsPerPicture, "9");
  f.DriveComboBox1->addItem("anderswo", QStringLiteral("/anderswo"));
  f.DriveComboBox1->setCurrentIndex(f.DriveComboBox1->count() - 1);
  EXPECT_EQ(f.FDrive, "/anderswo");
  f.FDriveChanged = false;
  emit f.DriveComboBox1->activated(f.DriveComboBox1->currentIndex());
  EXPECT_TRUE(f.FDriveChanged);
}
