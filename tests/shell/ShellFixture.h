#pragma once
// A temporary program folder (KALVORA_APPDIR) filled like the installed program, a fake home
// folder and a scripted prompter, for tests that start the main window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtWidgets>
#include <memory>

#include "FileOps.h"

#include "IniFile.h"
#include "Language.h"
#include "StringList.h"
#include "ScriptedPrompter.h"
#include "SystemInfo.h"
#include "TestSupport.h"
#include "fMain.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace shelltest {

inline QString sourceData(const QString& name) { return QString(KALVORA_SOURCE_DIR) + "/data/" + name; }

inline void writeText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  ASSERT_TRUE(testsupport::writeBytes(path, text)) << path.toStdString();
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("KALVORA_APPDIR", app.path().toUtf8());
    ResetWindowsInfo();
    prompterScope = std::make_unique<kalvora::PrompterScope>(prompter);
    appDir = app.path() + "/";
    for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
      QFile::copy(sourceData(f), appDir + f);
    QDir().mkpath(appDir + "help");
    QFile::copy(sourceData("help/help.html"), appDir + "help/help.html");
    QDir().mkpath(appDir + "diashow/del");
    QFile::copy(sourceData("diashow/del/Diashow.ini"), appDir + "diashow/del/Diashow.ini");
    QFile::copy(sourceData("diashow/del/Pictures.ini"), appDir + "diashow/del/Pictures.ini");
    // What the player's build puts into the program folder.
    writeText(appDir + "diashow/Slidoplay", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(appDir + "diashow/Slidoplay", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeText(appDir + "diashow/Settings.ini", "[SETTINGS]\r\nSpeed=3\r\nFullscreen=TRUE\r\n");
    writeText(appDir + "diashow/play.ply", "play");
    writeText(appDir + "diashow/intro.ply", "intro");
    writeText(appDir + "diashow/Autorun.inf", "[autorun]\r\n");
    writeText(appDir + "diashow/Slideshow-Autorun.inf", "[autorun]\r\nlabel=Slideshow\r\n");
    for (const char* s : {"Archive_0001", "Archive_0002"}) {
      writeText(appDir + "diashow/" + s + "/Diashow.ini", QByteArray("[DIASHOW]\r\nTitel=Beispiel ") + s + "\r\nTime=4\r\n");
      writeText(appDir + "diashow/" + s + "/Pictures.ini", "a.jpg | Erstes Bild\r\n");
      writeText(appDir + "diashow/" + s + "/a.jpg", "not really a picture");
    }
    writeText(appDir + "Bumble Bee - Tessaro.mp3", "ID3 sample music");
  }

  void TearDown() override {
    form.reset();
    prompterScope.reset();
    qunsetenv("KALVORA_APPDIR");
  }

  // Sets a key of the program folder's Generator.ini.
  void setSetting(const QString& key, const QString& value) {
    kalvora::IniFile ini(appDir + "Generator.ini");
    ini.writeString("SETTINGS", key, value);
  }

  TMainForm& start() {
    LoadLanguage();
    form = std::make_unique<TMainForm>();
    return *form;
  }

  QString home() const { return fakeHome.path() + "/"; }

  testsupport::FakeHome fakeHome;
  testsupport::TempFolder app;
  QString appDir;
  kalvora::ScriptedPrompter prompter;
  std::unique_ptr<kalvora::PrompterScope> prompterScope;
  std::unique_ptr<TMainForm> form;
};

// A started main window and an empty picture folder "Fotos" in the home folder.
class SourceFolderTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    start();
    source = home() + "Fotos/";
    QDir().mkpath(source);
  }
  QString source;
};

}  // namespace shelltest
