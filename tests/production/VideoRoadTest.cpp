// The two roads through the frames: plain mode into an AVI that ffprobe reads, and high quality
// with the real capture window over a stub paint effect.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>

#include "AviWriter.h"
#include "EveryPercent.h"
#include "FrameConversion.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"
#include "fCapture.h"

namespace {

class VideoRoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = tmp.path() + "/Kalvora/";
    enc = tmp.path() + "/DVD Diashow/encoder/";
    app = tmp.path() + "/app/";
    for (const QString& d : {root + "Archive_0001", enc, app}) QDir().mkpath(d);
    conv.FArchiveRoot = root;
    conv.FArchiveFolder = "Archive_0001";
    conv.FEncoderFolder = enc;
    conv.FAppDir = app;
    conv.FSecondsPerPicture = "2";
    conv.SetFrameSize(true, "VCD");
    QByteArray list;
    const QSize sizes[] = {{3000, 2000}, {2000, 3000}, {200, 100}, {1100, 1000}, {1000, 1000}};
    for (int i = 0; i < 5; ++i) {
      QImage img(sizes[i], QImage::Format_RGB888);
      img.fill(QColor(40 * i, 200, 90));
      ASSERT_TRUE(img.save(root + QString("Archive_0001/Bild %1.jpg").arg(i + 1), "JPG"));
      list += QString("Bild %1.jpg | Überschrift %1\r\n").arg(i + 1).toUtf8();
    }
    ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/Pictures.ini", list));
    ASSERT_TRUE(videotest::writeFile(app + "Effects.ini", "2000;0;8;4;0\r\n"));
  }
  void TearDown() override { TCaptureForm::PictureFactory = nullptr; }

  testsupport::TempFolder tmp;
  QString root, enc, app;
  TPictureConverter conv;
};

TEST_F(VideoRoadTest, PlainFramesBecomeAPlayableAvi) {
  conv.ConvertPictures();
  TAviWriter writer;
  writer.SetTempFileName(enc + "AWTemp.avi");
  QList<TBitmap*> frames;
  for (const QString& f : QDir(enc).entryList({"*.bmp"}, QDir::Files, QDir::Name)) {
    auto* b = new TBitmap;
    b->LoadFromFile(enc + f);
    frames << b;
    writer.Bitmaps << b;
  }
  ASSERT_EQ(frames.size(), 6);
  ASSERT_TRUE(videotest::writeFile(enc + "Input.wav", videotest::waveBytes(14.0)));
  writer.SetWavFileName(enc + "Input.wav");
  writer.FileName = tmp.path() + "/DVD Diashow/urlaub_koeln_2004__VCD.avi";
  writer.Width = 352;
  writer.Height = 288;
  writer.FrameTime = 2000;
  writer.Stretch = false;
  writer.Write();
  qDeleteAll(frames);
  const QJsonObject p = videotest::probe(writer.FileName);
  const QJsonObject v = videotest::stream(p, "video");
  EXPECT_EQ(v["nb_read_frames"].toString(), "6");
  EXPECT_EQ(v["r_frame_rate"].toString(), "1/2");
  EXPECT_EQ(v["pix_fmt"].toString(), "bgr24");
  EXPECT_EQ(videotest::stream(p, "audio")["sample_rate"].toString(), "44100");
  const QByteArray avi = testsupport::readBytes(writer.FileName);
  const qint64 c = avi.indexOf("00db", avi.indexOf("movi"));
  EXPECT_EQ(avi.mid(c + 8, 304128), testsupport::readBytes(enc + "inp0001.bmp").mid(54));
}

TEST_F(VideoRoadTest, HighQualityWithTheCaptureWindowGivesNinetySixFrames) {
  TCaptureForm::PictureFactory = [](QWidget* parent) { return new videotest::EveryPercent(parent); };
  conv.HighQuality = true;
  int steps = 0;
  conv.ProgressStep = [&] { ++steps; };
  conv.ConvertPictures();
  const QStringList files = QDir(enc).entryList({"*.jpg"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 96);
  EXPECT_EQ(files.last(), "Test_0095.jpg");
  EXPECT_EQ(testsupport::readBytes(enc + "Test_quantity.nno"),
            "Test_0000.jpg*50\r\nTest_0019.jpg*50\r\nTest_0038.jpg*50\r\nTest_0057.jpg*50\r\n"
            "Test_0076.jpg*50\r\nTest_0095.jpg*100\r\n");
  EXPECT_EQ(steps, 10);  // five pictures and five transitions
  // A grabbed frame shows what the component drew.
  const QColor g = QImage(enc + "Test_0001.jpg").pixelColor(100, 100);
  EXPECT_LT(g.red(), 30);
  EXPECT_GT(g.green(), 80);
  EXPECT_EQ(QImageReader(enc + "Test_0001.jpg").size(), QSize(352, 288));
}

}  // namespace
