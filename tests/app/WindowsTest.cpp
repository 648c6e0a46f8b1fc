// Every window of the program is created once, in the fixed start-up order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>

#include "Form.h"
#include "Language.h"
#include "ScriptedPrompter.h"
#include "SystemInfo.h"
#include "TestSupport.h"
#include "Windows.h"
#include "fCheckAudio.h"
#include "fMain.h"
#include "fWizardMake.h"

TEST(Windows, EveryWindowIsCreatedOnceInTheStartUpOrder) {
  testsupport::FakeHome home;
  testsupport::TempFolder app;
  for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
    QFile::copy(QString(KALVORA_SOURCE_DIR) + "/data/" + f, app.path() + "/" + f);
  qputenv("KALVORA_APPDIR", app.path().toUtf8());
  ResetWindowsInfo();
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  LoadLanguage();
  CreateWindows();
  ASSERT_NE(MainForm, nullptr);
  const QStringList classes = {
      "TMainForm", "TAboutBox", "TOpenForm", "TNewForm", "TNoDriverForm", "TMakeWizzard", "TDVDForm",
      "TDVDWizardForm", "TQRThumbnailForm", "TTipForm", "THTMLForm", "TWaveForm", "TCheckAudioForm",
      "TWerbungForm", "TExportForm", "TAnweisungForm", "TPrintSizeWizard", "TBildbeaerbeitungForm",
      "TPicEffectsForm", "TPainterEffectsF", "TSizeForm", "TZuschneidenTipForm2", "TBetrachterForm",
      "TPrintSelectForm", "TZuschneidenTipForm", "TVerschiebenTipForm", "TQRListA5Form", "TQRListForm",
      "TOnlineFotoForm", "TTextForm", "TRahmenForm"};
  EXPECT_EQ(WindowCreationOrder(), classes);
  QStringList instances;
  for (const QString& c : classes.mid(1)) instances << (c == "TPainterEffectsF" ? "PainterEffectsF" : c.mid(1));
  EXPECT_EQ(CreatedFormNames(), instances);
  for (int i = 1; i < classes.size(); ++i) {
    QWidget* w = FindProgramWindow(instances[i - 1]);
    ASSERT_NE(w, nullptr) << instances[i - 1].toStdString();
    EXPECT_EQ(QString(w->metaObject()->className()), classes[i]);
    EXPECT_TRUE(w->isWindow());
  }
  // The main window reaches the other windows' fields and controls through their names.
  QWidget* probe = FindProgramWindow("CheckAudioForm");
  ASSERT_TRUE(probe->setProperty("FFileName", "/music/a.mp3"));
  EXPECT_EQ(CheckAudioForm->FFileName, "/music/a.mp3");
  ASSERT_TRUE(QMetaObject::invokeMethod(probe, "ReadInfo"));
  auto* dvd = FindProgramWindow("MakeWizzard")->findChild<QRadioButton*>("DVDRadioButton");
  ASSERT_NE(dvd, nullptr);
  dvd->setChecked(true);
  EXPECT_TRUE(MakeWizzard->DVDRadioButton->isChecked());
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  DestroyWindows();
  EXPECT_EQ(MainForm, nullptr);
  EXPECT_EQ(MakeWizzard, nullptr);
  EXPECT_TRUE(CreatedFormNames().isEmpty());
  qunsetenv("KALVORA_APPDIR");
}
