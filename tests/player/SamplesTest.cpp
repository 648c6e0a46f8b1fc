// What the build made for the program folder: the player with its files, the two sample
// slideshows and the sample music.
#include "Show.h"

#include <QFileInfo>
#include <QImageReader>

#include <FileOps.h>
#include <IniFile.h>
#include <StringList.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

using namespace kalvora;

namespace {
const QString kBin = QStringLiteral(KALVORA_TEST_BIN_DIR "/");
}

TEST(SamplesTest, SampleSlideshowsHaveTheirFilesInTheStoredFormats) {
  for (const char* folder : {"Archive_0001", "Archive_0002"}) {
    const QString dir = kBin + "diashow/" + folder + "/";
    IniFile ini(dir + "Diashow.ini");
    EXPECT_FALSE(ini.readString("DIASHOW", "Titel").trimmed().isEmpty()) << folder;
    bool ok = false;
    EXPECT_GT(ini.readString("DIASHOW", "Time").toInt(&ok), 0) << folder;
    EXPECT_TRUE(ok);
    EXPECT_TRUE(testsupport::readBytes(dir + "Diashow.ini").contains("\r\n"));

    StringList lines;
    ASSERT_TRUE(lines.loadFromFile(dir + "Pictures.ini")) << folder;
    ASSERT_GE(lines.count(), 5);
    for (const QString& line : lines.lines()) {
      const QStringList fields = line.split(" | ");
      ASSERT_EQ(fields.size(), 2) << qPrintable(line);
      EXPECT_FALSE(fields[1].trimmed().isEmpty());
      QImageReader reader(dir + fields[0]);
      EXPECT_EQ(reader.format(), "jpeg") << qPrintable(fields[0]);
      const QImage img = reader.read();
      EXPECT_FALSE(img.isNull()) << qPrintable(fields[0]);
      EXPECT_GE(std::min(img.width(), img.height()), 600);
    }
    player::Show show;
    ASSERT_TRUE(player::ReadShow(dir, show));
    EXPECT_EQ(show.slides.size(), lines.count());
    EXPECT_TRUE(show.skipped.isEmpty());
  }
}

TEST(SamplesTest, SampleMusicIsAnMp3) {
  const QByteArray mp3 = testsupport::readBytes(kBin + "Bumble Bee - Tessaro.mp3");
  ASSERT_GT(mp3.size(), 10000);
  const bool id3 = mp3.startsWith("ID3");
  const bool frame = uchar(mp3[0]) == 0xFF && (uchar(mp3[1]) & 0xE0) == 0xE0;
  EXPECT_TRUE(id3 || frame);
}

TEST(SamplesTest, PlayerAndItsFilesAreInstalled) {
  const QFileInfo player(kBin + "diashow/Slidoplay");
  EXPECT_TRUE(player.isFile());
  EXPECT_TRUE(player.isExecutable());
  IniFile settings(kBin + "diashow/Settings.ini");
  for (const char* key : {"StopDiashowAtEnd", "Fullscreen", "Manuell", "PictureTextVisible", "FileNameVisible",
                          "BKGColor", "TextColor", "EffectMode", "Effect", "TextOffset"})
    EXPECT_TRUE(settings.valueExists("SETTINGS", key)) << key;
  EXPECT_TRUE(QFileInfo(kBin + "diashow/play.ply").isFile());
  EXPECT_TRUE(QFileInfo(kBin + "diashow/intro.ply").isFile());
}
