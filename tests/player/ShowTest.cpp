#include "Engine.h"
#include "PlayerFiles.h"
#include "PlayerTestUtil.h"
#include "Show.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <IniFile.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

using namespace kalvora::player;
using playertest::WriteShow;

namespace {

QStringList Names(const Show& show) {
  QStringList n;
  for (const Slide& s : show.slides) n << s.name;
  return n;
}

void SetModified(const QString& path, qint64 secsAgo) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-secsAgo), QFileDevice::FileModificationTime));
}

}  // namespace

TEST(ShowTest, ReadsPicturesInOrderWithCaptionsAndSkipsOddLines) {
  testsupport::TempFolder tmp;
  const QString folder = tmp.file("Archive_0003");
  WriteShow(folder, "  Urlaub  ", "7",
            {"b.jpg | Zweites Bild", "", "   ", "a.jpg", "c.jpg|  mit | drei Feldern  ", "\tB.JPG\t|\tgross",
             "fehlt.jpg | nicht da", "| nur Text", "d.jpg | &lt;b&gt; &amp; &#124; &quot;x&quot; &#10;y &bogus; &"},
            {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  Show show;
  ASSERT_TRUE(ReadShow(folder, show));
  EXPECT_EQ(show.title, "Urlaub");
  EXPECT_EQ(show.secondsPerPicture, 7);
  EXPECT_EQ(Names(show), QStringList({"b.jpg", "a.jpg", "c.jpg", "B.JPG", "d.jpg"}));
  EXPECT_EQ(show.slides[0].caption, "Zweites Bild");
  EXPECT_EQ(show.slides[1].caption, "");
  EXPECT_EQ(show.slides[2].caption, "mit");  // only the first two fields count
  // A name that differs only in case is found without case.
  EXPECT_EQ(show.slides[3].path, folder + "/b.jpg");
  EXPECT_EQ(show.slides[3].caption, "gross");
  EXPECT_EQ(show.slides[4].caption, "<b> & | \"x\" \ny &bogus; &");
  EXPECT_EQ(show.skipped.size(), 2);  // the missing picture and the line without a name
}

TEST(ShowTest, RefusesNamesReachingOutsideTheFolder) {
  testsupport::TempFolder tmp;
  const QString folder = tmp.file("Archive_0002");
  ASSERT_TRUE(playertest::WritePicture(tmp.file("outside.jpg"), Qt::red));
  QDir().mkpath(folder + "/sub");
  ASSERT_TRUE(playertest::WritePicture(folder + "/sub/inner.jpg", Qt::red));
  WriteShow(folder, "T", "5",
            {"../outside.jpg | a", "..\\outside.jpg", "sub/inner.jpg", "sub\\inner.jpg", tmp.file("outside.jpg"),
             "..", ".", "x..jpg", "ok.jpg"},
            {"ok.jpg", "x..jpg"});
  Show show;
  ASSERT_TRUE(ReadShow(folder, show));
  // Two dots inside a name are part of it.
  EXPECT_EQ(Names(show), QStringList({"x..jpg", "ok.jpg"}));
  EXPECT_EQ(show.skipped.size(), 7);
}

TEST(ShowTest, SafeNames) {
  for (const char* bad : {"", ".", "..", "a/b.jpg", "a\\b.jpg", "/etc/passwd", "C:\\x.jpg", "../x.jpg", "..\\x.jpg"})
    EXPECT_FALSE(IsSafePictureName(bad)) << bad;
  // A colon is an ordinary character of a file name here, as in the main window's list.
  for (const char* good : {"a.jpg", "Ölbild 1.JPG", "a.b.c.jpg", "_x_.png", "name with blanks.jpg", "12:30 Uhr.jpg",
                           "..jpg", "a..b", "Ende...jpg"})
    EXPECT_TRUE(IsSafePictureName(QString::fromUtf8(good))) << good;
}

TEST(ShowTest, TimeAndTitleValues) {
  struct Case { const char* text; int seconds; } cases[] = {
      {"5", 5}, {" 12 ", 12}, {"", 5}, {"0", 5}, {"-3", 5}, {"abc", 5}, {"99999", 3600}, {"1", 1}};
  for (const Case& c : cases) EXPECT_EQ(SecondsFromText(c.text), c.seconds) << c.text;

  testsupport::TempFolder tmp;
  WriteShow(tmp.file("p"), " specialdummy ", "", {"a.jpg"}, {"a.jpg"});
  Show show;
  ASSERT_TRUE(ReadShow(tmp.file("p"), show));
  EXPECT_EQ(show.title, "");
  EXPECT_EQ(show.secondsPerPicture, 5);
}

TEST(ShowTest, MissingOrGarbledPictureList) {
  testsupport::TempFolder tmp;
  QDir().mkpath(tmp.file("empty"));
  Show show;
  QString error;
  EXPECT_FALSE(ReadShow(tmp.file("empty"), show, &error));
  EXPECT_TRUE(error.endsWith("Pictures.ini"));

  QDir().mkpath(tmp.file("junk"));
  QByteArray junk;
  for (int i = 0; i < 4096; ++i) junk.append(char((i * 7919) & 0xFF));
  testsupport::writeBytes(tmp.file("junk/Pictures.ini"), junk);
  ASSERT_TRUE(ReadShow(tmp.file("junk"), show));
  EXPECT_TRUE(show.slides.isEmpty());
}

TEST(ShowTest, FindsTheShowSavedLast) {
  testsupport::TempFolder tmp;
  const QString root = tmp.path() + "/";
  EXPECT_EQ(FindLastSavedShow(root), "");
  WriteShow(root + "Archive_0001", "Eins", "5", {"a.jpg"}, {"a.jpg"});
  WriteShow(root + "Archive_0002", "Zwei", "5", {"a.jpg"}, {"a.jpg"});
  WriteShow(root + "del", "SPECIALDUMMY", "5", {}, {});
  QDir().mkpath(root + "Archive_0009");  // no Diashow.ini
  SetModified(root + "Archive_0001/Diashow.ini", 10);
  SetModified(root + "Archive_0002/Diashow.ini", 100);
  EXPECT_EQ(FindLastSavedShow(root), root + "Archive_0001");
  SetModified(root + "Archive_0002/Diashow.ini", 1);
  EXPECT_EQ(FindLastSavedShow(tmp.path()), root + "Archive_0002");
}

TEST(ShowTest, PlaysTheShowTheSettingsNameNotTheNewest) {
  testsupport::TempFolder tmp;
  const QString root = tmp.path() + "/";
  WriteShow(root + "Archive_0001", "Eins", "5", {"a.jpg"}, {"a.jpg"});
  WriteShow(root + "Archive_0005", "Zuletzt", "5", {"a.jpg", "b.jpg"}, {"a.jpg", "b.jpg"});
  SetModified(root + "Archive_0001/Diashow.ini", 100);  // unchanged since long ago
  SetModified(root + "Archive_0005/Diashow.ini", 1);
  const struct {
    const char* named;
    const char* played;
  } cases[] = {{"Archive_0001", "Eins"},  {"archive_0001", "Eins"},   {"", "Zuletzt"},
               {"../Archive_0001", "Zuletzt"}, {"Archive_0009", "Zuletzt"}, {"Archive_0001/..", "Zuletzt"}};
  for (const auto& c : cases) {
    testsupport::writeBytes(root + "Settings.ini", QByteArray("[SETTINGS]\r\nDiashow=") + c.named + "\r\n");
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(root, QString(), setup, nullptr)) << c.named;
    EXPECT_EQ(setup.show.title, c.played) << c.named;
  }
  EXPECT_EQ(FindNamedShow(root, "Archive_0001"), root + "Archive_0001");
}

TEST(ShowTest, PlaysTheFolderNamedWithTheBlanksItsNameHas) {
  testsupport::TempFolder tmp;
  const QString root = tmp.path() + "/";
  WriteShow(root + "Archive_0013", "Ohne", "5", {"a.jpg"}, {"a.jpg"});
  WriteShow(root + "Archive_0013 ", "Mit Leerzeichen", "5", {"a.jpg"}, {"a.jpg"});
  WriteShow(root + " Archive_0013", "Vorne", "5", {"a.jpg"}, {"a.jpg"});
  const struct {
    const char *folder, *title;
  } cases[] = {{"Archive_0013 ", "Mit Leerzeichen"}, {"Archive_0013", "Ohne"}, {" Archive_0013", "Vorne"}};
  for (const auto& c : cases) {
    {
      // Written as the main program writes it.
      kalvora::IniFile settings(root + "Settings.ini");
      ASSERT_TRUE(settings.writeString("SETTINGS", "Diashow", c.folder));
    }
    EXPECT_EQ(ReadPlayerSettings(root).show.toStdString(), c.folder);
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(root, QString(), setup, nullptr));
    EXPECT_EQ(setup.show.title.toStdString(), c.title) << '"' << c.folder << '"';
  }
}

TEST(PlayerFilesTest, SettingsValueForms) {
  struct Case {
    const char* settings;
    bool endless, fullscreen, manual, caption, fileName;
    EffectMode mode;
  } cases[] = {
      // Fullscreen is stored inverted: "TRUE" means the program's full-screen box was clear.
      {"StopDiashowAtEnd=FALSE\r\nFullscreen=TRUE\r\nManuell=FALSE\r\nPictureTextVisible=TRUE\r\n"
       "FileNameVisible=FALSE\r\nEffectMode=ON\r\n",
       true, false, false, true, false, EffectMode::On},
      {"StopDiashowAtEnd=TRUE\r\nFullscreen=FALSE\r\nManuell=TRUE\r\nPictureTextVisible=True\r\n"
       "FileNameVisible=true\r\nEffectMode=RANDOM\r\n",
       false, true, true, true, true, EffectMode::Random},
      {"StopDiashowAtEnd=false\r\nFullscreen=true\r\nEffectMode=on\r\n", true, false, false, false, false,
       EffectMode::Off},
      {"", false, true, false, false, false, EffectMode::Off},
  };
  for (const Case& c : cases) {
    testsupport::TempFolder tmp;
    testsupport::writeBytes(tmp.file("Settings.ini"), QByteArray("[SETTINGS]\r\n") + c.settings);
    const PlayerSettings s = ReadPlayerSettings(tmp.path() + "/");
    EXPECT_EQ(s.endless, c.endless) << c.settings;
    EXPECT_EQ(s.fullscreen, c.fullscreen) << c.settings;
    EXPECT_EQ(s.manual, c.manual) << c.settings;
    EXPECT_EQ(s.captionVisible, c.caption) << c.settings;
    EXPECT_EQ(s.fileNameVisible, c.fileName) << c.settings;
    EXPECT_EQ(s.effectMode, c.mode) << c.settings;
  }
}

TEST(PlayerFilesTest, ColoursNumbersAndPlayerFiles) {
  testsupport::TempFolder tmp;
  testsupport::writeBytes(tmp.file("Settings.ini"),
                          "[SETTINGS]\r\nBKGColor=255\r\nTextColor=16744448\r\nEffect=-4\r\nTextOffset=9999\r\n");
  testsupport::writeBytes(tmp.file("play.ply"), "[PLAY]\r\nFramesPerSecond=500\r\nTransitionMs=800\r\nEndMs=-5\r\n");
  testsupport::writeBytes(tmp.file("intro.ply"), "[INTRO]\r\nSeconds=3\r\n");
  const PlayerSettings s = ReadPlayerSettings(tmp.path() + "/");
  EXPECT_EQ(s.background, QColor(255, 0, 0));
  EXPECT_EQ(s.textColor, QColor(0, 128, 255));
  EXPECT_EQ(s.effect, 1);
  EXPECT_EQ(s.textOffset, 750);
  EXPECT_EQ(s.framesPerSecond, 60);
  EXPECT_EQ(s.transitionMs, 800);
  EXPECT_EQ(s.endMs, 0);
  EXPECT_EQ(s.introMs, 3000);
  EXPECT_EQ(ColorFromTColor(0xFF000005, Qt::white), QColor(Qt::white));  // system colour
}

TEST(PlayerFilesTest, EffectLines) {
  EffectLine e;
  ASSERT_TRUE(ParseEffectLine("2001;10;4;2;5", e));
  EXPECT_EQ(e.code, 2001);
  EXPECT_EQ(e.delay, 10);
  EXPECT_EQ(e.grain, 4);
  EXPECT_EQ(e.passes, 2);
  EXPECT_EQ(e.wandSize, 5);
  // Empty fields do not count, so the later ones move up and the last is missing.
  EXPECT_FALSE(ParseEffectLine("2001;;4;2;5", e));
  ASSERT_TRUE(ParseEffectLine("2001;;10;4;2;5", e));
  EXPECT_EQ(e.delay, 10);
  for (const char* bad : {"", "a;b;c;d;e", "2000;0;0;1;0", "2000;0;257;1;0", "2000;0;5;65;0", "2000;-1;5;1;0"})
    EXPECT_FALSE(ParseEffectLine(bad, e)) << bad;

  testsupport::TempFolder tmp;
  testsupport::writeBytes(tmp.file("Effects.ini"), "2000;0;5;1;0\r\nkaputt\r\n\r\n6000;0;5;8;0\r\n");
  const QList<EffectLine> list = ReadEffects(tmp.file("Effects.ini"));
  ASSERT_EQ(list.size(), 4);  // broken lines keep their place
  EXPECT_EQ(list[1].code, 1000);
  EXPECT_EQ(list[3].code, 6000);
  EXPECT_TRUE(ReadEffects(tmp.file("none.ini")).isEmpty());
}

TEST(PlayerFilesTest, TextsFromLanguageFile) {
  testsupport::TempFolder tmp;
  testsupport::writeBytes(tmp.file("Language.ini"), "[PLAYER]\r\n100001=Rondivo\r\n100003=The end\r\n");
  const PlayerTexts t = ReadPlayerTexts(tmp.path() + "/");
  EXPECT_EQ(t.windowTitle, "Rondivo");
  EXPECT_EQ(t.end, "The end");
  EXPECT_FALSE(t.noShow.isEmpty());  // German default
  EXPECT_FALSE(t.escapeHint.isEmpty());
}

TEST(ShowTest, MusicTitlesInNameOrder) {
  testsupport::TempFolder tmp;
  WriteShow(tmp.path(), "T", "5", {"a.jpg"}, {"a.jpg"});
  for (const char* n : {"Audio002.wav", "Audio001.MP3", "Audio003.mp3", "notes.txt", "Audio004.wave"})
    testsupport::writeBytes(tmp.file(n), "x");
  Show show;
  ASSERT_TRUE(ReadShow(tmp.path(), show));
  EXPECT_EQ(show.audio, QStringList({tmp.file("Audio001.MP3"), tmp.file("Audio002.wav"), tmp.file("Audio003.mp3")}));
}
