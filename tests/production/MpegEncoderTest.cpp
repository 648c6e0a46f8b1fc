// The MPEG encoder layer on a small work folder: ffprobe reads what it writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include "MpegEncoder.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"

using kalvora::mpeg::EncodeStatus;

namespace {

bool haveVcdImager() { return !QStandardPaths::findExecutable("vcdimager").isEmpty(); }

// vcdimager (the oracle) builds a disc image of kind "vcd2" or "svcd" from the file; empty when
// it accepts it, else what it said.
QString vcdImagerRejects(const QString& mpg, const QString& kind, const QString& folder) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.start("vcdimager", {"-t", kind, "-c", folder + "/image.cue", "-b", folder + "/image.bin", mpg});
  if (!p.waitForFinished(120000)) return "timeout";
  const QString said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  const bool imaged = QFileInfo(folder + "/image.bin").size() > 0;
  QFile::remove(folder + "/image.bin");
  QFile::remove(folder + "/image.cue");
  if (p.exitCode() != 0 || !imaged || said.contains("error", Qt::CaseInsensitive)) return "rejected: " + said;
  return {};
}

class MpegEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work = tmp.path() + "/enc oder's/";
    QDir().mkpath(work);
  }
  // Three key frames of w x h with the given repeat counts, a transition frame of another size
  // between the first two, and `seconds` of sound.
  void makeFolder(int w, int h, double seconds) {
    ASSERT_TRUE(videotest::framePicture(w, h, 0).save(work + "Test_0000.jpg"));
    ASSERT_TRUE(videotest::framePicture(640, 480, 1).save(work + "Test_0001.jpg"));
    ASSERT_TRUE(videotest::framePicture(w, h, 2).save(work + "Test_0002.jpg"));
    ASSERT_TRUE(videotest::framePicture(w, h, 3).save(work + "Test_0010.jpg"));
    ASSERT_TRUE(videotest::writeFile(work + "Test_quantity.nno",
                                     "Test_0000.jpg*25\r\nTest_0002.jpg*50\r\nTest_0010.jpg*24\r\n"));
    // Not ours: never part of the video.
    ASSERT_TRUE(videotest::framePicture(w, h, 9).save(work + "Urlaub.jpg"));
    if (seconds > 0) {
      ASSERT_TRUE(videotest::writeFile(work + "Input.wav", videotest::waveBytes(seconds)));
    }
  }
  kalvora::mpeg::EncodeResult encode(const QString& out) {
    const QByteArray f = work.toUtf8(), o = out.toUtf8();
    const char* fp = f.constData();
    const char* op = o.constData();
    OpenMPDX(&fp, &op);
    EncodeMPDX();
    return MPDXResult();
  }
  testsupport::TempFolder tmp;
  QString work;
};

TEST(MpegPlan, NumericOrderRepeatsAndNtscRetiming) {
  testsupport::TempFolder tmp;
  const QString d = tmp.path() + "/";
  for (const char* n : {"Test_0010.jpg", "Test_0002.jpg", "Test_0000.jpg", "Test_x.jpg", "Bild.jpg"})
    ASSERT_TRUE(videotest::writeFile(d + n, "x"));
  ASSERT_TRUE(videotest::writeFile(d + "Test_quantity.nno", "Test_0000.jpg*125\r\nTest_0010.jpg*100\r\n"));
  const auto plan = kalvora::mpeg::ReadFramePlan(d);
  ASSERT_EQ(plan.size(), 3);
  EXPECT_TRUE(plan[0].File.endsWith("Test_0000.jpg"));
  EXPECT_TRUE(plan[1].File.endsWith("Test_0002.jpg"));
  EXPECT_TRUE(plan[2].File.endsWith("Test_0010.jpg"));
  EXPECT_EQ(plan[1].Count25, 1);
  EXPECT_EQ(kalvora::mpeg::RetimePlan(plan, 25, 1).size(), 226u);
  // 5 s + 0.04 s + 4 s at 29.97 fps: each picture keeps its seconds.
  const auto ntsc = kalvora::mpeg::RetimePlan(plan, 30000, 1001);
  EXPECT_EQ(ntsc.size(), size_t(std::ceil(9.04 * 30000 / 1001)));
  EXPECT_EQ(std::count(ntsc.begin(), ntsc.end(), 0), 150);  // ceil(5 * 29.97)
}

TEST_F(MpegEncoderTest, PalVcdIsAnMpeg1ProgramStreamWithSoundEndingWithTheVideo) {
  makeFolder(352, 288, 10.0);
  const QString out = tmp.path() + "/urlaub_VCD.mpg";
  const auto r = encode(out);
  ASSERT_EQ(r.Status, EncodeStatus::Done) << r.ErrorText.toStdString();
  EXPECT_FALSE(QFileInfo::exists(out + ".part"));
  EXPECT_EQ(r.VideoFrames, 25 + 1 + 50 + 24);
  const auto p = videotest::probe(out, "-count_packets");
  EXPECT_EQ(p["format"].toObject()["format_name"].toString(), "mpeg");
  const auto v = videotest::stream(p, "video");
  EXPECT_EQ(v["codec_name"].toString(), "mpeg1video");
  EXPECT_EQ(v["width"].toInt(), 352);
  EXPECT_EQ(v["height"].toInt(), 288);
  EXPECT_EQ(v["r_frame_rate"].toString(), "25/1");
  EXPECT_EQ(v["nb_read_packets"].toString().toInt(), 100);
  const auto a = videotest::stream(p, "audio");
  EXPECT_EQ(a["codec_name"].toString(), "mp2");
  EXPECT_EQ(a["sample_rate"].toString(), "44100");
  EXPECT_EQ(a["channels"].toInt(), 2);
  // 4 s of video; the sound ends within one MP2 frame after it.
  EXPECT_GE(r.AudioSamples, 4 * 44100);
  EXPECT_LT(r.AudioSamples, 4 * 44100 + 1152);
  EXPECT_TRUE(videotest::decodesCleanly(out));
  if (!haveVcdImager()) GTEST_SKIP() << "vcdimager is not installed: the file was not tried as a VCD disc image";
  const QString said = vcdImagerRejects(out, "vcd2", tmp.path());
  EXPECT_TRUE(said.isEmpty()) << said.toStdString();
}

TEST_F(MpegEncoderTest, NtscSvcdWithoutSoundPadsSilence) {
  makeFolder(480, 480, 0);
  const QString out = tmp.path() + "/urlaub_SVCD.mpg";
  const auto r = encode(out);
  ASSERT_EQ(r.Status, EncodeStatus::Done) << r.ErrorText.toStdString();
  const auto p = videotest::probe(out, "-count_packets");
  const auto v = videotest::stream(p, "video");
  EXPECT_EQ(v["codec_name"].toString(), "mpeg2video");
  EXPECT_EQ(v["width"].toInt(), 480);
  EXPECT_EQ(v["height"].toInt(), 480);
  EXPECT_EQ(v["r_frame_rate"].toString(), "30000/1001");
  EXPECT_EQ(r.VideoFrames, 120);  // ceil(4 s x 29.97)
  EXPECT_EQ(videotest::stream(p, "audio")["codec_name"].toString(), "mp2");
  if (!haveVcdImager()) GTEST_SKIP() << "vcdimager is not installed: the file was not tried as a SVCD disc image";
  const QString said = vcdImagerRejects(out, "svcd", tmp.path());
  EXPECT_TRUE(said.isEmpty()) << said.toStdString();
}

TEST_F(MpegEncoderTest, AbortAndFailureLeaveNothingBehind) {
  makeFolder(352, 288, 1.0);
  const QString out = tmp.path() + "/urlaub_VCD.mpg";
  SetMPDXProgress([](int64_t done, int64_t) { return done < 10; });
  auto r = encode(out);
  SetMPDXProgress(nullptr);
  EXPECT_EQ(r.Status, EncodeStatus::Aborted);
  EXPECT_FALSE(QFileInfo::exists(out));
  EXPECT_FALSE(QFileInfo::exists(out + ".part"));

  ASSERT_TRUE(videotest::writeFile(work + "Test_0002.jpg", "kein Bild"));
  r = encode(out);
  EXPECT_EQ(r.Status, EncodeStatus::Failed);
  EXPECT_FALSE(r.ErrorText.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(out));
  EXPECT_FALSE(QFileInfo::exists(out + ".part"));

  QDir(work).removeRecursively();
  QDir().mkpath(work);
  r = encode(out);
  EXPECT_EQ(r.Status, EncodeStatus::Failed);
  EXPECT_FALSE(QFileInfo::exists(out));
}

// The packets' key frame flags of the video stream, in order.
QString keyFlags(const QString& path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", "packet=flags", "-of", "csv=p=0", path});
  if (!p.waitForFinished(120000)) return {};
  QString out;
  for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
    if (!line.isEmpty()) out += line.startsWith('K') ? 'K' : '.';
  return out;
}

// The disc sectors of a program stream: every 2324 bytes a pack starts; the mux rate its first
// pack declares (in 50 bytes per second, MPEG-1 or MPEG-2 pack header); -1 when not so.
int sectorMuxRate(const QByteArray& f) {
  if (f.size() < 2324 || f.size() % 2324 != 0) return -1;
  for (qsizetype at = 0; at < f.size(); at += 2324)
    if (f.mid(at, 4) != QByteArray("\x00\x00\x01\xBA", 4)) return -1;
  const auto b = [&](int i) { return int(uint8_t(f[i])); };
  if ((b(4) & 0xC0) == 0x40) return b(10) << 14 | b(11) << 6 | b(12) >> 2;  // MPEG-2
  return (b(9) & 0x7F) << 15 | b(10) << 7 | b(11) >> 1;                  // MPEG-1
}

// Every disc kind is encoded as ffmpeg's target of the same kind encodes it: the video's bit rate
// and buffer, its key frame every 15 (PAL) or 18 (NTSC) frames, the MP2 sound's rates (stereo), sectors of
// 2324 bytes each starting a pack at the target's mux rate, and the scan offsets SVCD players read.
TEST_F(MpegEncoderTest, EveryDiscKindHasTheRatesAndSectorsOfItsTarget) {
  struct Case {
    const char* target;
    int w, h;
    const char* out;
  };
  const Case cases[] = {{"pal-vcd", 352, 288, "/k_VCD.mpg"},
                        {"ntsc-vcd", 352, 240, "/k_VCD.mpg"},
                        {"pal-svcd", 480, 576, "/k_SVCD.mpg"},
                        {"ntsc-svcd", 480, 480, "/k_SVCD.mpg"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    makeFolder(c.w, c.h, 4.0);
    const QString out = tmp.path() + c.out;
    QFile::remove(out);
    const auto r = encode(out);
    ASSERT_EQ(r.Status, EncodeStatus::Done) << r.ErrorText.toStdString();
    const QString reference = tmp.path() + "/" + c.target + ".mpg";
    QProcess ff;
    ff.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25:duration=2", "-f",
                        "lavfi", "-i", "sine=duration=2", "-target", c.target, reference});
    ASSERT_TRUE(ff.waitForFinished(120000) && ff.exitCode() == 0) << ff.readAllStandardError().toStdString();
    const auto ours = videotest::probe(out, "-count_packets"), theirs = videotest::probe(reference, "-count_packets");
    const auto v = videotest::stream(ours, "video"), rv = videotest::stream(theirs, "video");
    EXPECT_EQ(v["bit_rate"].toString().toStdString(), rv["bit_rate"].toString().toStdString());
    EXPECT_EQ(QJsonDocument(v["side_data_list"].toArray()).toJson().toStdString(),
              QJsonDocument(rv["side_data_list"].toArray()).toJson().toStdString());
    const auto a = videotest::stream(ours, "audio"), ra = videotest::stream(theirs, "audio");
    for (const char* key : {"codec_name", "bit_rate", "sample_rate"})
      EXPECT_EQ(a[key].toString().toStdString(), ra[key].toString().toStdString()) << key;
    EXPECT_EQ(a["channels"].toInt(), 2);
    const QString keys = keyFlags(out), refKeys = keyFlags(reference);
    // From the second key frame on: before it the first group is shorter by the B frames.
    const auto gopOf = [](const QString& k) {
      const int second = int(k.indexOf('K', 1));
      return second < 0 ? -1 : int(k.indexOf('K', second + 1)) - second;
    };
    const int gop = gopOf(keys), refGop = gopOf(refKeys);
    EXPECT_EQ(gop, refGop) << keys.toStdString();
    EXPECT_EQ(refGop, QString(c.target).startsWith("pal") ? 15 : 18);
    const QByteArray bytes = testsupport::readBytes(out), refBytes = testsupport::readBytes(reference);
    EXPECT_GT(sectorMuxRate(bytes), 0);
    EXPECT_EQ(sectorMuxRate(bytes), sectorMuxRate(refBytes));
    const QByteArray userData("\x00\x00\x01\xB2", 4);
    EXPECT_EQ(bytes.contains(userData), refBytes.contains(userData));
  }
}

}  // namespace
