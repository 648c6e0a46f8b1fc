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
  // The program takes only 44100 Hz stereo music into a slideshow: the first frame header
  // must say MPEG-1 layer III, 44100 Hz, stereo (not joint stereo).
  qsizetype i = 0;
  if (mp3.startsWith("ID3")) {
    i = 10 + ((qsizetype(mp3[6]) & 0x7F) << 21 | (qsizetype(mp3[7]) & 0x7F) << 14 |
              (qsizetype(mp3[8]) & 0x7F) << 7 | (qsizetype(mp3[9]) & 0x7F));
  }
  ASSERT_LT(i + 4, mp3.size());
  const quint32 h = quint32(uchar(mp3[i])) << 24 | quint32(uchar(mp3[i + 1])) << 16 |
                    quint32(uchar(mp3[i + 2])) << 8 | quint32(uchar(mp3[i + 3]));
  EXPECT_EQ(h >> 21, 0x7FFu);          // frame sync
  EXPECT_EQ((h >> 19) & 3, 3u);        // MPEG-1
  EXPECT_EQ((h >> 17) & 3, 1u);        // layer III
  EXPECT_EQ((h >> 10) & 3, 0u);        // 44100 Hz
  EXPECT_EQ((h >> 6) & 3, 0u);         // stereo
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
