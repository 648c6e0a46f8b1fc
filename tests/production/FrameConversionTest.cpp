// Pictures to frames: where a picture lands on each frame size, the caption band, bad
// pictures, and the high-quality frame names and repeat list.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>

#include "FrameConversion.h"
#include "fDVD.h"
#include "ListItems.h"
#include "PicErrCode.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"

namespace {

QString pad(int n, int d) { return QString("%1").arg(n, d, 10, QChar('0')); }

bool isRed(QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

class FrameConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = tmp.path() + "/Kalvora/";
    enc = tmp.path() + "/DVD-Diashow/encoder/";
    app = tmp.path() + "/app/";
    for (const QString& d : {root + "Archive_0001", enc, app}) QDir().mkpath(d);
    conv.FArchiveRoot = root;
    conv.FArchiveFolder = "Archive_0001";
    conv.FEncoderFolder = enc;
    conv.FAppDir = app;
    conv.FBackgroundColor = Qt::black;
    conv.Captions = false;
    conv.SetFrameSize(true, "VCD");
    conv.TessaroImage = QImage(100, 80, QImage::Format_RGB888);
    conv.TessaroImage.fill(Qt::magenta);
    conv.ENImage = QImage(100, 80, QImage::Format_RGB888);
    conv.ENImage.fill(Qt::cyan);
  }
  QString picture(const QString& name, int w, int h, QColor c = Qt::red, const char* format = "JPG") {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(c);
    const QString path = root + "Archive_0001/" + name;
    EXPECT_TRUE(img.save(path, format, 95)) << name.toStdString();
    return path;
  }
  void pictureList(int n, int w = 400, int h = 300) {
    QByteArray text;
    for (int i = 1; i <= n; ++i) {
      picture(QString("p%1.jpg").arg(i), w, h);
      text += QString("p%1.jpg | Bild %1\r\n").arg(i).toUtf8();
      if (i == 2) text += "\r\n";  // a blank line is no picture
    }
    ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/Pictures.ini", text));
  }
  // A capture stand-in: grabs[i] frames for transition i, frame g of transition i is
  // (i * 100 + g) pixels wide so the order can be read back.
  void stubCapture(std::vector<int> grabs) {
    conv.RunCapture = [this, grabs](const TCaptureJob& job) {
      const int i = job.FrameBaseName.right(4).toInt();
      jobs << job.FirstPicture.mid(enc.size()) + ">" + job.SecondPicture.mid(enc.size());
      const int n = grabs[size_t(i - 1)];
      for (int g = 1; g <= n; ++g) {
        QImage img(i * 100 + g, 1, QImage::Format_RGB888);
        img.fill(Qt::gray);
        img.save(job.FrameBaseName + pad(g, 3) + ".jpg", "JPG");
      }
      return n;
    };
  }
  QStringList encFiles(const QString& mask) { return QDir(enc).entryList({mask}, QDir::Files, QDir::Name); }
  QByteArray nno() { return testsupport::readBytes(enc + "Test_quantity.nno"); }

  testsupport::TempFolder tmp;
  QString root, enc, app;
  TPictureConverter conv;
  QStringList jobs;
};

TEST_F(FrameConversionTest, FrameSizesOfTheVideoKinds) {
  EXPECT_EQ(VideoFrameSize(true, "VCD"), QSize(352, 288));
  EXPECT_EQ(VideoFrameSize(false, "VCD"), QSize(352, 240));
  EXPECT_EQ(VideoFrameSize(true, "SVCD"), QSize(576, 480));
  EXPECT_EQ(VideoFrameSize(false, "SVCD"), QSize(480, 480));
  EXPECT_EQ(SvcdEncoderSize(true), QSize(480, 576));
  EXPECT_EQ(SvcdEncoderSize(false), QSize(480, 480));
}

TEST_F(FrameConversionTest, WhereEachPictureLandsOnPalVcdAndPalSvcd) {
  struct Case {
    int w, h;
    const char* mode;
    QRect expected;
  };
  const Case cases[] = {
      {3000, 2000, "VCD", QRect(0, 26, 352, 235)},   {2000, 3000, "VCD", QRect(80, 0, 192, 288)},
      {200, 100, "VCD", QRect(76, 94, 200, 100)},    {1100, 1000, "VCD", QRect(17, 0, 317, 288)},
      {1000, 1000, "VCD", QRect(32, 0, 288, 288)},   {3000, 2000, "SVCD", QRect(0, 48, 576, 384)},
      {2000, 3000, "SVCD", QRect(128, 0, 320, 480)}, {200, 100, "SVCD", QRect(188, 190, 200, 100)},
      {1100, 1000, "SVCD", QRect(24, 0, 528, 480)},  {1000, 1000, "SVCD", QRect(48, 0, 480, 480)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("%1x%2 %3").arg(c.w).arg(c.h).arg(c.mode).toStdString());
    conv.SetFrameSize(true, c.mode);
    EXPECT_EQ(FitPictureToFrame(c.w, c.h, conv.FFrameWidth, conv.FFrameHeight), c.expected);
    const QString src = picture(QString("g%1x%2.jpg").arg(c.w).arg(c.h), c.w, c.h);
    conv.ConvertPicture(src, enc + "inp0001");
    EXPECT_EQ(conv.LastPictureRect(), c.expected);
    const QImage frame(enc + "inp0001.bmp");
    ASSERT_EQ(frame.size(), VideoFrameSize(true, c.mode));
    const QRect r = c.expected;
    for (QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
      EXPECT_TRUE(isRed(frame.pixelColor(p))) << p.x() << "," << p.y();
    for (QPoint p : {r.topLeft() - QPoint(1, 1), r.bottomRight() + QPoint(1, 1)})
      if (frame.rect().contains(p)) {
        EXPECT_EQ(frame.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
      }
  }
}

TEST_F(FrameConversionTest, TheCaptionBandSitsAboveTheOffset) {
  const QString src = picture("full.png", 352, 288, Qt::green, "PNG");
  conv.Captions = true;
  conv.FTextOffset = 10;
  conv.FTextColor = Qt::red;
  conv.FBackgroundColor = Qt::blue;
  conv.FPictureCaption = "Rom";
  conv.ConvertPicture(src, enc + "inp0001");
  const int th = QFontMetrics(conv.CaptionFont()).height();
  const QRect band(0, 288 - th - 10, 352, th);
  EXPECT_EQ(conv.LastCaptionBand(), band);
  const QImage frame(enc + "inp0001.bmp");
  int letters = 0;
  for (int y = 0; y < 288; ++y) {
    for (int x = 0; x < 352; ++x) {
      const QColor c = frame.pixelColor(x, y);
      if (!band.contains(x, y)) {
        ASSERT_EQ(c, QColor(Qt::green)) << x << "," << y;
      } else {
        ASSERT_EQ(c.green(), 0) << x << "," << y;
        if (c.red() > 128) {
          ++letters;
          EXPECT_GT(x, 150);  // centred
          EXPECT_LT(x, 202);
        }
      }
    }
  }
  EXPECT_GT(letters, 20);

  conv.Captions = false;  // TextCheckBox unticked: no band, no caption
  conv.ConvertPicture(src, enc + "inp0002");
  EXPECT_TRUE(conv.LastCaptionBand().isNull());
  const QImage plain(enc + "inp0002.bmp");
  for (int y = 0; y < 288; ++y)
    for (int x = 0; x < 352; ++x) ASSERT_EQ(plain.pixelColor(x, y), QColor(Qt::green));
}

TEST_F(FrameConversionTest, BadPicturesGiveTheImagingErrorOrAFrame) {
  ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/broken.jpg", "\xFF\xD8 not a picture"));
  try {
    conv.ConvertPicture(root + "Archive_0001/broken.jpg", enc + "inp0001");
    ADD_FAILURE() << "no error";
  } catch (const EPicImageError& e) {
    EXPECT_TRUE(e.message().contains("Error code")) << e.message().toStdString();
  }
  EXPECT_FALSE(QFile::exists(enc + "inp0001.bmp"));
  EXPECT_THROW(conv.ConvertPicture(root + "Archive_0001/none.jpg", enc + "inp0001"), EPicImageError);

  const QString thin = picture("thin.png", 1, 20000, Qt::red, "PNG");
  conv.ConvertPicture(thin, enc + "inp0002");
  EXPECT_EQ(conv.LastPictureRect(), QRect(175, 0, 1, 288));
  EXPECT_EQ(QImage(enc + "inp0002.bmp").size(), QSize(352, 288));

  conv.Captions = true;
  conv.FPictureCaption = QString(2000, QChar(0x00E4));  // 2000 x "ä"
  conv.ConvertPicture(picture("p.jpg", 400, 300), enc + "inp0003");
  EXPECT_EQ(QImage(enc + "inp0003.bmp").size(), QSize(352, 288));
}

TEST_F(FrameConversionTest, FivePicturesAtTwoSecondsGiveNamesInDisplayOrderAndTheRepeatList) {
  pictureList(5);
  conv.HighQuality = true;
  conv.FSecondsPerPicture = "2";
  conv.Captions = true;
  QStringList log;
  conv.WriteLog = [&](const QString& s) { log << s; };
  stubCapture({18, 18, 18, 18, 18});
  conv.ConvertPictures();

  EXPECT_EQ(jobs, QStringList({"inp0001_Key.jpg>inp0002_Key.jpg", "inp0002_Key.jpg>inp0003_Key.jpg",
                               "inp0003_Key.jpg>inp0004_Key.jpg", "inp0004_Key.jpg>inp0005_Key.jpg",
                               "inp0005_Key.jpg>inp0006_Key.jpg"}));
  QStringList expected;
  for (int k = 0; k < 96; ++k) expected << "Test_" + pad(k, 4) + ".jpg";
  EXPECT_EQ(encFiles("*.jpg"), expected);  // nothing else is left
  EXPECT_EQ(nno(), "Test_0000.jpg*50\r\nTest_0019.jpg*50\r\nTest_0038.jpg*50\r\nTest_0057.jpg*50\r\n"
                   "Test_0076.jpg*50\r\nTest_0095.jpg*100\r\n");
  for (int k = 0; k < 96; ++k) {
    const QSize s = QImageReader(enc + expected[k]).size();
    if (k % 19 == 0) {
      EXPECT_EQ(s, QSize(352, 288)) << k;
    } else {
      EXPECT_EQ(s.width(), (k / 19 + 1) * 100 + k % 19) << k;  // transition frames in grab order
    }
  }
  // The closing slide is the German closing picture.
  EXPECT_GT(QImage(enc + "Test_0095.jpg").pixelColor(176, 144).blue(), 200);
  EXPECT_GT(QImage(enc + "Test_0095.jpg").pixelColor(176, 144).red(), 200);
  EXPECT_EQ(log.first(), "START: Convert pictures for video");
  EXPECT_EQ(log.last(), "FERTIG: Bilder für Video konvertieren");
  EXPECT_TRUE(log.contains("Calculate slides: Picture 5 of 5"));
}

TEST_F(FrameConversionTest, TransitionsOffGiveKeyFramesOnly) {
  pictureList(5);
  conv.HighQuality = true;
  conv.TransitionsOff = true;
  conv.FSecondsPerPicture = "2,5";
  stubCapture({18, 18, 18, 18, 18});
  conv.ConvertPictures();
  EXPECT_TRUE(jobs.isEmpty());
  EXPECT_EQ(encFiles("*.jpg").size(), 6);
  EXPECT_EQ(nno(), "Test_0000.jpg*62\r\nTest_0001.jpg*62\r\nTest_0002.jpg*62\r\nTest_0003.jpg*62\r\n"
                   "Test_0004.jpg*62\r\nTest_0005.jpg*100\r\n");  // 2.5 s x 25 = 62.5, halves to even
}

TEST_F(FrameConversionTest, TheOrderHoldsPastNineHundredNinetyNineGrabs) {
  pictureList(2);
  conv.HighQuality = true;
  stubCapture({1000, 2});
  conv.ConvertPictures();
  ASSERT_EQ(encFiles("Test_*.jpg").size(), 1 + 1000 + 1 + 2 + 1);
  for (int k : {1, 9, 10, 99, 100, 999, 1000})
    EXPECT_EQ(QImageReader(enc + "Test_" + pad(k, 4) + ".jpg").size().width(), 100 + k) << k;
  EXPECT_EQ(QImageReader(enc + "Test_1001.jpg").size(), QSize(352, 288));
  EXPECT_EQ(QImageReader(enc + "Test_1002.jpg").size().width(), 201);
  EXPECT_EQ(nno(), "Test_0000.jpg*125\r\nTest_1001.jpg*125\r\nTest_1004.jpg*100\r\n");
}

TEST_F(FrameConversionTest, PlainModeWritesBitmapsAndAnyOtherLanguageGetsTheEnglishClosingSlide) {
  pictureList(3);
  conv.Language = "SWEDISH";
  conv.ConvertPictures();
  EXPECT_EQ(encFiles("*.bmp"), QStringList({"inp0001.bmp", "inp0002.bmp", "inp0003.bmp", "inp0004.bmp"}));
  EXPECT_TRUE(encFiles("*.jpg").isEmpty() || encFiles("*.jpg") == QStringList{"Temp.jpg"});
  EXPECT_EQ(QImage(enc + "inp0004.bmp").pixelColor(176, 144), QColor(Qt::cyan));
  EXPECT_FALSE(QFile::exists(enc + "Test_quantity.nno"));
}

TEST_F(FrameConversionTest, HighQualitySvcdFramesAreResampledForTheEncoder) {
  for (bool pal : {true, false}) {
    SCOPED_TRACE(pal ? "PAL" : "NTSC");
    for (const QString& f : QDir(enc).entryList(QDir::Files)) QFile::remove(enc + f);
    pictureList(2);
    conv.HighQuality = true;
    conv.TransitionsOff = true;
    conv.SetFrameSize(pal, "SVCD");
    conv.ConvertPictures();
    const QStringList files = encFiles("Test_*.jpg");
    ASSERT_EQ(files.size(), 3);
    for (const QString& f : files) EXPECT_EQ(QImageReader(enc + f).size(), SvcdEncoderSize(pal)) << f.toStdString();
  }
}

TEST_F(FrameConversionTest, AnAbortStopsBeforeTheNextPictureOrTransition) {
  pictureList(4);
  conv.HighQuality = true;
  stubCapture({18, 18, 18, 18});
  int steps = 0;
  conv.ProgressStep = [&] { ++steps; };
  conv.Aborted = [&] { return steps == 2; };
  conv.ConvertPictures();
  EXPECT_EQ(encFiles("*_Key.jpg"), QStringList({"inp0001_Key.jpg", "inp0002_Key.jpg"}));
  conv.Aborted = [&] { return jobs.size() == 1; };
  steps = 0;
  conv.ConvertPictures();
  EXPECT_EQ(jobs.size(), 1);
  EXPECT_FALSE(QFile::exists(enc + "Test_quantity.nno"));
}

TEST_F(FrameConversionTest, TheMainWindowsStoredListGivesCaptionsAsTypedAndOnlyItsOwnPictures) {
  const QString typed[] = {QString::fromUtf8("<b>Bar</b> & \"Tom's\""), "Bild 2 | mit Pipe",
                           QString::fromUtf8("Sonnenuntergang am Strand von Sylt mit Möwen und Wolken 58"),
                           "Zeile eins\nZeile zwei"};
  ASSERT_EQ(typed[2].size(), 58);
  // The lines as the main window writes them from its list items.
  QByteArray text;
  for (int i = 0; i < 4; ++i) {
    const QString name = QString("p%1.jpg").arg(i + 1);
    picture(name, 352, 288, Qt::darkGreen);
    text += (ItemPictureListLine(MakeListItem("/x/_THUMB_" + name, name, typed[i])) + "\r\n").toUtf8();
  }
  picture("../outside.jpg", 352, 288);
  text += "../outside.jpg | alt\r\n/etc/hostname | fremd\r\n";
  ASSERT_TRUE(text.contains("&lt;b&gt;") && text.contains("&#124;") && text.contains("&#10;"));
  ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/Pictures.ini", text));
  QStringList log;
  conv.WriteLog = [&](const QString& l) { log << l; };
  conv.Captions = true;
  conv.FTextOffset = 10;
  conv.FTextColor = Qt::white;
  conv.FBackgroundColor = Qt::black;
  conv.ConvertPictures();
  EXPECT_EQ(conv.PictureCount(), 4);
  EXPECT_EQ(encFiles("inp*.bmp").size(), 5);  // four pictures and the closing slide
  EXPECT_TRUE(log.filter("../outside.jpg").size() == 1) << log.join("\n").toStdString();
  EXPECT_TRUE(log.filter("/etc/hostname").size() == 1);
  for (int i = 0; i < 4; ++i) {
    const QImage frame = QImage(enc + QString("inp%1.bmp").arg(i + 1, 4, 10, QChar('0'))).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(frame.size(), QSize(352, 288));
    // The same routine draws the typed text; the frame's band is exactly that.
    QImage expected(352, 288, QImage::Format_RGB888);
    expected.fill(Qt::darkGreen);
    QRect band;
    {
      QPainter p(&expected);
      band = DrawFrameCaption(p, expected.size(), 10, typed[i], conv.CaptionFont(), Qt::white, Qt::black);
    }
    ASSERT_TRUE(QRect(0, 0, 352, 288).contains(band)) << i;
    EXPECT_LE(band.bottom(), 288 - 10) << i;
    int differ = 0, letters = 0, edge = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
      for (int x = 0; x < 352; ++x) {
        const QColor c = frame.pixelColor(x, y);
        differ += c != expected.pixelColor(x, y);
        if (c.red() > 128) {
          ++letters;
          if (x < 2 || x > 349) ++edge;
        }
      }
    EXPECT_EQ(differ, 0) << i;
    EXPECT_GT(letters, 40) << i;
    EXPECT_EQ(edge, 0) << i << " runs off the frame";
    // Not the stored form: drawn escaped, the band would differ.
    QImage stored(352, 288, QImage::Format_RGB888);
    stored.fill(Qt::darkGreen);
    {
      QPainter p(&stored);
      DrawFrameCaption(p, stored.size(), 10, EncodeStoredCaption(typed[i]), conv.CaptionFont(), Qt::white, Qt::black);
    }
    if (EncodeStoredCaption(typed[i]) != typed[i]) {
      EXPECT_NE(stored, expected) << i;
    }
  }
  // A caption that fits keeps its one centred line in a band of the font's height.
  EXPECT_EQ(conv.LastCaptionBand().height(), QFontMetrics(conv.CaptionFont()).height());
}

TEST_F(FrameConversionTest, PictureListLines) {
  QString name, caption;
  SplitPictureLine("a.jpg | Erstes Bild", name, caption);
  EXPECT_EQ(name, "a.jpg");
  EXPECT_EQ(caption, "Erstes Bild");
  SplitPictureLine("b c.jpg|", name, caption);
  EXPECT_EQ(name, "b c.jpg");
  EXPECT_EQ(caption, "");
  SplitPictureLine("e.jpg | A &amp; B &#124; C&#10;D &amp;#10;", name, caption);
  EXPECT_EQ(caption, "A & B | C\nD &#10;");
  SplitPictureLine("d.jpg", name, caption);
  EXPECT_EQ(name, "d.jpg");
  EXPECT_EQ(caption, "");
  EXPECT_DOUBLE_EQ(SecondsFromText("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(SecondsFromText("2,5"), 2.5);
  EXPECT_DOUBLE_EQ(SecondsFromText("x"), 0.0);
}

}  // namespace

// The video window converts a picture through its own frame conversion.
TEST_F(FrameConversionTest, TheVideoWindowConvertsThroughItsFrames) {
  TDVDForm form;
  form.Frames.FArchiveRoot = conv.FArchiveRoot;
  form.Frames.FArchiveFolder = conv.FArchiveFolder;
  form.Frames.FEncoderFolder = enc;
  form.Frames.FAppDir = conv.FAppDir;
  form.Frames.FBackgroundColor = Qt::black;
  form.Frames.Captions = false;
  form.Frames.SetFrameSize(true, "VCD");
  const QString src = picture("fenster.jpg", 1000, 1000);
  form.ConvertPicture(src, enc + "inp0003");
  // 1000 x 1000 in 352 x 288: 288 x 288 centred.
  EXPECT_EQ(form.Frames.LastPictureRect(), QRect(32, 0, 288, 288));
  const QImage frame(enc + "inp0003.bmp");
  ASSERT_EQ(frame.size(), QSize(352, 288));
  EXPECT_TRUE(isRed(frame.pixelColor(176, 144)));
  EXPECT_EQ(frame.pixelColor(10, 144), QColor(Qt::black));
}
