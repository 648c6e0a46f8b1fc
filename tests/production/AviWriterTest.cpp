// The AVI writer as the production run uses it: frames named by their BMP files, a WAV sound
// track, and what ffprobe makes of the result.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "AviWriter.h"
#include "BmpFile.h"
#include "SmallDisk.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"

using namespace videotest;

namespace {

class AviWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writer.SetTempFileName(tmp.file("work/AWTemp.avi"));
    QDir().mkpath(tmp.file("work"));
    writer.OnProgress = [this](QObject*, TProgressStage, uint8_t, bool, const QRect&, const QString& msg) {
      messages << msg;
    };
  }
  void TearDown() override { qDeleteAll(owned); }

  // n BMP frames of w x h on disk, named like the production run names them.
  void addBmpFrames(int n, int w, int h) {
    for (int i = 0; i < n; ++i) {
      const QString path = tmp.file(QString("work/inp%1.bmp").arg(i + 1, 4, 10, QChar('0')));
      ASSERT_TRUE(SaveBmp24(framePicture(w, h, i), path));
      auto* b = new TBitmap;
      b->LoadFromFile(path);
      owned << b;
      writer.Bitmaps << b;
    }
  }
  QString errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const EAviWriterError& e) {
      return e.Message();
    }
    return {};
  }

  testsupport::TempFolder tmp;
  TAviWriter writer;
  QStringList messages;
  QList<QObject*> owned;
};

// The form types and sizes of the file's top-level RIFF chunks, read from their headers.
QList<QPair<QByteArray, qint64>> riffChunks(const QString& path) {
  QList<QPair<QByteArray, qint64>> out;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return out;
  for (qint64 pos = 0; pos + 12 <= f.size();) {
    if (!f.seek(pos)) break;
    const QByteArray h = f.read(12);
    if (h.size() < 12 || h.left(4) != "RIFF") break;
    const qint64 size = qFromLittleEndian<quint32>(h.constData() + 4);
    out << qMakePair(h.mid(8, 4), size);
    pos += 8 + size + (size & 1);
  }
  return out;
}

// Finds the first chunk with the given id after the movi list.
qint64 findChunk(const QByteArray& avi, const char* id) {
  const qint64 movi = avi.indexOf("movi");
  return movi < 0 ? -1 : avi.indexOf(id, movi);
}

TEST_F(AviWriterTest, TwentyFramesOfFiveSecondsWithOneHundredSecondsOfSound) {
  addBmpFrames(20, 352, 288);
  ASSERT_TRUE(writeFile(tmp.file("work/Input.wav"), waveBytes(100.0)));
  writer.FileName = tmp.file("urlaub_VCD.avi");
  writer.Width = 352;
  writer.Height = 288;
  writer.FrameTime = 5000;
  writer.Stretch = false;
  writer.SetWavFileName(tmp.file("work/Input.wav"));
  writer.Write();

  const QJsonObject p = probe(writer.FileName);
  ASSERT_FALSE(p.isEmpty());
  EXPECT_TRUE(p["format"].toObject()["format_name"].toString().contains("avi"));
  EXPECT_NEAR(p["format"].toObject()["duration"].toString().toDouble(), 100.0, 0.01);
  const QJsonObject v = stream(p, "video");
  EXPECT_EQ(v["codec_name"].toString(), "rawvideo");
  EXPECT_EQ(v["pix_fmt"].toString(), "bgr24");
  EXPECT_EQ(v["width"].toInt(), 352);
  EXPECT_EQ(v["height"].toInt(), 288);
  EXPECT_EQ(v["nb_read_frames"].toString(), "20");
  EXPECT_EQ(v["r_frame_rate"].toString(), "1/5");
  EXPECT_NEAR(v["duration"].toString().toDouble(), 100.0, 0.01);
  EXPECT_TRUE(decodesCleanly(writer.FileName));
  const QJsonObject a = stream(p, "audio");
  EXPECT_EQ(a["codec_name"].toString(), "pcm_s16le");
  EXPECT_EQ(a["sample_rate"].toString(), "44100");
  EXPECT_EQ(a["channels"].toInt(), 2);
  EXPECT_EQ(a["nb_frames"].toString(), "4410000");  // 100 s of sample frames

  // Frame 0 carries the bytes of its BMP file as they are; every frame is indexed as a key frame.
  const QByteArray avi = testsupport::readBytes(writer.FileName);
  const QByteArray bmp = testsupport::readBytes(tmp.file("work/inp0001.bmp"));
  const qint64 c = findChunk(avi, "00db");
  ASSERT_GT(c, 0);
  EXPECT_EQ(qFromLittleEndian<quint32>(avi.constData() + c + 4), 304128u);
  EXPECT_EQ(avi.mid(c + 8, 304128), bmp.mid(54));
  const qint64 avih = avi.indexOf("avih");
  EXPECT_EQ(qFromLittleEndian<quint32>(avi.constData() + avih + 8), 5000000u);  // microseconds per frame
  EXPECT_EQ(qFromLittleEndian<quint32>(avi.constData() + avih + 20), 0x110u);  // index, interleaved
  EXPECT_EQ(qFromLittleEndian<quint32>(avi.constData() + avih + 24), 20u);
  const qint64 idx1 = avi.lastIndexOf("idx1");
  ASSERT_GT(idx1, 0);
  EXPECT_EQ(avi.mid(idx1 + 8, 4), "00db");
  EXPECT_EQ(qFromLittleEndian<quint32>(avi.constData() + idx1 + 12), 0x10u);
  EXPECT_EQ(avi.indexOf("AVIX"), -1);  // small files stay AVI 1.0

  EXPECT_FALSE(QFile::exists(writer.TempFileName()));
  EXPECT_EQ(messages.first(), " Video mit 20 Bildern erzeugen");
  EXPECT_TRUE(messages.contains("Bild Nr.20 schreiben"));
  EXPECT_TRUE(messages.contains("Audio zu Video hinzufügen"));
  EXPECT_EQ(messages.last().left(15), ".. bitte warten");
  EXPECT_EQ(messages[messages.size() - 2], "Video speichern");
}

TEST_F(AviWriterTest, WithoutSoundTheFileHasOneStream) {
  addBmpFrames(3, 352, 288);
  writer.FileName = tmp.file("a.avi");
  writer.Width = 352;
  writer.Height = 288;
  writer.FrameTime = 2000;
  // The name can be cleared again after a run with music.
  writer.SetWavFileName(tmp.file("x.wav"));
  writer.SetWavFileName("");
  EXPECT_EQ(writer.WavFileName(), "");
  writer.Write();
  const QJsonObject p = probe(writer.FileName);
  EXPECT_EQ(p["streams"].toArray().size(), 1);
  EXPECT_EQ(stream(p, "video")["nb_read_frames"].toString(), "3");
  EXPECT_EQ(stream(p, "video")["r_frame_rate"].toString(), "1/2");
}

TEST_F(AviWriterTest, WavFileNameTakesOnlyWavNames) {
  writer.SetWavFileName("/x/Input.WAV");
  EXPECT_EQ(writer.WavFileName(), "/x/Input.WAV");
  EXPECT_EQ(errorOf([&] { writer.SetWavFileName("/x/song.mp3"); }),
            "WavFileName must name a file with the .wav extension");
  EXPECT_EQ(writer.WavFileName(), "/x/Input.WAV");
  writer.SetWavFileName("/X/input.wav");  // the same name in another case changes nothing
  EXPECT_EQ(writer.WavFileName(), "/x/Input.WAV");
}

TEST_F(AviWriterTest, BadListsAreRefusedBeforeAnyFileIsWritten) {
  writer.FileName = tmp.file("out.avi");
  writer.Width = 352;
  writer.Height = 288;
  EXPECT_EQ(errorOf([&] { writer.Write(); }), "No bitmaps on the Bitmaps list");
  addBmpFrames(3, 352, 288);
  QObject notABitmap;
  writer.Bitmaps.insert(3, &notABitmap);
  EXPECT_EQ(errorOf([&] { writer.Write(); }), "Bitmaps[3] is not a TBitmap");
  writer.Bitmaps[3] = nullptr;
  EXPECT_EQ(errorOf([&] { writer.Write(); }), "Bitmaps[3] is not a TBitmap");
  EXPECT_FALSE(QFile::exists(writer.FileName));
  EXPECT_FALSE(QFile::exists(writer.TempFileName()));
}

TEST_F(AviWriterTest, AWrongPixelFormatLeavesNoWorkFile) {
  for (QImage::Format f : {QImage::Format_RGB16, QImage::Format_RGB555}) {
    addBmpFrames(2, 352, 288);
    auto* b = new TBitmap;
    owned << b;
    b->Assign(QImage(352, 288, f));
    writer.Bitmaps << b;
    writer.FileName = tmp.file("out.avi");
    writer.Width = 352;
    writer.Height = 288;
    EXPECT_EQ(errorOf([&] { writer.Write(); }), "Invalid pixel foramt");
    EXPECT_FALSE(QFile::exists(writer.FileName));
    EXPECT_FALSE(QFile::exists(writer.TempFileName()));
    writer.Bitmaps.clear();
  }
}

TEST_F(AviWriterTest, AFrameFileGoneBeforeWritingLeavesNoWorkFile) {
  addBmpFrames(3, 352, 288);
  ASSERT_TRUE(QFile::remove(tmp.file("work/inp0002.bmp")));
  writer.FileName = tmp.file("out.avi");
  writer.Width = 352;
  writer.Height = 288;
  EXPECT_EQ(errorOf([&] { writer.Write(); }), "Invalid bitmap");
  EXPECT_FALSE(QFile::exists(writer.FileName));
  EXPECT_FALSE(QFile::exists(writer.TempFileName()));
  TBitmap missing;
  EXPECT_THROW(missing.LoadFromFile(tmp.file("work/inp0002.bmp")), EInvalidGraphic);
}

TEST(BmpFile, AFrameSavedOnAFullDiskFailsAndKeepsTheOldFile) {
  testsupport::TempFolder tmp;
  testsupport::SmallDisk disk(tmp.file("klein"), 64);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString path = tmp.file("klein/inp0001.bmp");
  ASSERT_TRUE(SaveBmp24(framePicture(4, 4, 0), path));
  const QByteArray before = testsupport::readBytes(path);
  ASSERT_TRUE(disk.fill());
  EXPECT_FALSE(SaveBmp24(framePicture(64, 64, 1), path));
  EXPECT_EQ(testsupport::readBytes(path), before);
  EXPECT_EQ(QDir(tmp.file("klein")).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "inp0001.bmp"}));
}

TEST_F(AviWriterTest, SoundFileErrorsKeepTheOldVideo) {
  addBmpFrames(2, 64, 48);
  writer.Width = 64;
  writer.Height = 48;
  writer.FileName = tmp.file("out.avi");
  ASSERT_TRUE(writeFile(writer.FileName, "the previous video"));
  struct Case {
    QByteArray bytes;  // empty: no file
    QString message;
  };
  QByteArray noData = waveBytes(0.1);
  noData.replace(noData.indexOf("data"), 4, "junk");
  QByteArray zeroAlign = waveBytes(0.1);
  zeroAlign[32] = 0;  // block align 0
  const Case cases[] = {
      {{}, "A disk error occurred while opening the audio file."},
      {"not a wave at all", "The file could not be read, indicating a corrupt file or an unrecognized format."},
      {zeroAlign, "The file could not be read, indicating a corrupt file or an unrecognized format."},
      {noData, "Unable to get audio stream"},
  };
  for (const Case& c : cases) {
    const QString wav = tmp.file("music.wav");
    QFile::remove(wav);
    if (!c.bytes.isEmpty()) {
      ASSERT_TRUE(writeFile(wav, c.bytes));
    }
    writer.SetWavFileName(wav);
    EXPECT_EQ(errorOf([&] { writer.Write(); }), c.message);
    EXPECT_EQ(testsupport::readBytes(writer.FileName), "the previous video");
    EXPECT_FALSE(QFile::exists(writer.TempFileName()));
  }
}

TEST_F(AviWriterTest, PicturesOfAnotherSizeAreStretchedOrPlacedTopLeft) {
  auto* b = new TBitmap;
  owned << b;
  QImage small(4, 2, QImage::Format_RGB32);
  small.fill(QColor(10, 20, 30));
  small.setPixelColor(3, 1, QColor(200, 0, 0));
  b->Assign(small);
  writer.Bitmaps << b;
  writer.Width = 8;
  writer.Height = 4;
  writer.FileName = tmp.file("s.avi");
  auto frame = [&] {
    writer.Write();
    const QByteArray avi = testsupport::readBytes(writer.FileName);
    return avi.mid(findChunk(avi, "00db") + 8, 8 * 3 * 4);
  };
  auto pixel = [](const QByteArray& f, int x, int y) {  // bottom-up BGR rows of 24 bytes
    const char* p = f.constData() + (3 - y) * 24 + x * 3;
    return QColor(uchar(p[2]), uchar(p[1]), uchar(p[0]));
  };
  writer.Stretch = false;
  QByteArray f = frame();
  EXPECT_EQ(pixel(f, 3, 1), QColor(200, 0, 0));
  EXPECT_EQ(pixel(f, 7, 3), QColor(10, 20, 30));  // the rest in the colour of pixel (0, 0)
  writer.Stretch = true;
  f = frame();
  EXPECT_EQ(pixel(f, 7, 3), QColor(200, 0, 0));
  EXPECT_EQ(pixel(f, 0, 0), QColor(10, 20, 30));
}

// The OpenDML form, with the segment limit lowered so it runs in a moment.
TEST_F(AviWriterTest, PastTheSegmentLimitTheFileGoesOpenDml) {
  addBmpFrames(30, 352, 288);
  ASSERT_TRUE(writeFile(tmp.file("work/Input.wav"), waveBytes(64.0)));
  writer.SetWavFileName(tmp.file("work/Input.wav"));
  writer.FileName = tmp.file("big.avi");
  writer.Width = 352;
  writer.Height = 288;
  writer.FrameTime = 2000;
  writer.SegmentLimit = 2 << 20;
  writer.Write();
  const QByteArray avi = testsupport::readBytes(writer.FileName);
  for (const char* tag : {"indx", "odml", "dmlh", "AVIX", "ix00", "ix01", "idx1"})
    EXPECT_GE(avi.indexOf(tag), 0) << tag;
  EXPECT_GE(avi.count("AVIX"), 5);
  const QJsonObject p = probe(writer.FileName);
  EXPECT_EQ(stream(p, "video")["nb_read_frames"].toString(), "30");
  EXPECT_EQ(stream(p, "audio")["nb_frames"].toString(), QString::number(64 * 44100));
  EXPECT_NEAR(stream(p, "video")["duration"].toString().toDouble(), 60.0, 0.01);
  // Every sample comes back: ffmpeg decodes the whole sound track of all segments.
  EXPECT_EQ(decodedAudioBytes(writer.FileName), 64 * 44100 * 4);
  EXPECT_TRUE(decodesCleanly(writer.FileName));
}

// A file past 1 GiB, 22 frames of 4096 x 4096: 1.1 GB in the temporary folder while it runs.
TEST_F(AviWriterTest, LargeFilePastOneGibibyte) {
  auto* b = new TBitmap;
  owned << b;
  b->Assign(framePicture(4096, 4096, 1));
  for (int i = 0; i < 22; ++i) writer.Bitmaps << b;
  ASSERT_TRUE(writeFile(tmp.file("work/Input.wav"), waveBytes(30.0)));
  writer.SetWavFileName(tmp.file("work/Input.wav"));
  writer.FileName = tmp.file("large.avi");
  writer.Width = 4096;
  writer.Height = 4096;
  writer.FrameTime = 1000;
  writer.Write();
  const qint64 size = QFileInfo(writer.FileName).size();
  EXPECT_GT(size, qint64(1) << 30);
  // OpenDML: an "AVI " RIFF and "AVIX" RIFFs after it, none past 1 GiB, together the whole file.
  const auto chunks = riffChunks(writer.FileName);
  ASSERT_GE(chunks.size(), 2);
  qint64 total = 0;
  for (int i = 0; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].first, i == 0 ? QByteArray("AVI ") : QByteArray("AVIX")) << i;
    EXPECT_LE(chunks[i].second, qint64(1) << 30) << i;
    total += 8 + chunks[i].second + (chunks[i].second & 1);
  }
  EXPECT_EQ(total, size);
  const QJsonObject p = probe(writer.FileName, "-count_packets");
  EXPECT_EQ(stream(p, "video")["nb_read_packets"].toString(), "22");
  EXPECT_EQ(decodedAudioBytes(writer.FileName), 30 * 44100 * 4);
}

}  // namespace
