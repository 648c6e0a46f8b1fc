// The audio header probe on generated WAV files and on MP3 files made with lame.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "AudioProbe.h"
#include "ProductionFixture.h"
#include "TestSupport.h"
#include "fCheckAudio.h"

using prodtest::waveBytes;

namespace {
QByteArray le32(quint32 v) {
  QByteArray b;
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
  return b;
}

// An MP3 file encoded by lame from a WAV file, or an empty path when lame is missing.
QString makeMp3(const QString& folder, const QString& name, int rate, int channels) {
  const QString lame = QStandardPaths::findExecutable("lame");
  if (lame.isEmpty()) return QString();
  const QString wav = folder + "/" + name + ".wav";
  testsupport::writeBytes(wav, waveBytes(rate, channels, rate / 2));
  const QString mp3 = folder + "/" + name + ".mp3";
  QProcess p;
  p.start(lame, {"--quiet", "-b", "128", wav, mp3});
  const bool done = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  EXPECT_TRUE(done) << "lame failed on " << name.toStdString() << ": " << p.readAllStandardError().toStdString();
  return done && QFileInfo(mp3).size() > 0 ? mp3 : QString();
}
}  // namespace

TEST(AudioProbe, WaveHeaders) {
  struct Case {
    const char* what;
    QByteArray bytes;
    bool ok;
    const char* rate;
    const char* mode;
  };
  QByteArray withList = waveBytes(44100, 2);
  withList.insert(12, QByteArray("LIST") + le32(5) + "abcde" + QByteArray(1, '\0'));  // odd chunk, padded
  QByteArray pastEnd = waveBytes(44100, 2);
  pastEnd.replace(40, 4, le32(1000000));  // data chunk size beyond the file
  QByteArray fmtCut = waveBytes(44100, 2).left(30);
  const Case cases[] = {
      {"cd quality", waveBytes(44100, 2), true, "44100", "STEREO"},
      {"48 kHz", waveBytes(48000, 2), true, "48000", "STEREO"},
      {"mono", waveBytes(44100, 1), true, "44100", "MONO"},
      {"chunk before fmt", withList, true, "44100", "STEREO"},
      {"chunk size past the end", pastEnd, false, "", ""},
      {"format chunk cut off", fmtCut, false, "", ""},
      {"no riff", QByteArray("RIFX") + waveBytes(44100, 2).mid(4), false, "", ""},
      {"empty", QByteArray(), false, "", ""},
  };
  for (const Case& c : cases) {
    const AudioInfo info = ProbeWaveData(c.bytes, c.bytes.size());
    EXPECT_EQ(info.ok, c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(info.sampleRate.toStdString(), c.rate) << c.what;
      EXPECT_EQ(info.channelMode.toStdString(), c.mode) << c.what;
    } else {
      EXPECT_FALSE(info.error.isEmpty()) << c.what;
    }
  }
}

TEST(AudioProbe, Mp3FramesFromLame) {
  testsupport::TempFolder tmp;
  const QString stereo = makeMp3(tmp.path(), "stereo", 44100, 2);
  if (stereo.isEmpty()) GTEST_SKIP() << "lame is not installed";
  const QString high = makeMp3(tmp.path(), "high", 48000, 2);
  const QString mono = makeMp3(tmp.path(), "mono", 44100, 1);
  AudioInfo a = ProbeAudioFile(stereo);
  ASSERT_TRUE(a.ok) << a.error.toStdString();
  EXPECT_EQ(a.typeText, "MP3");
  EXPECT_EQ(a.sampleRate, "44100");
  EXPECT_EQ(a.channelMode, "STEREO");  // lame's joint stereo is stereo
  EXPECT_EQ(a.subTypeText, "MPEG 1 Layer III");
  EXPECT_EQ(ProbeAudioFile(high).sampleRate, "48000");
  EXPECT_EQ(ProbeAudioFile(mono).channelMode, "MONO");

  // Behind an ID3v2 tag, and named in upper case.
  QByteArray tagged = QByteArray("ID3") + QByteArray("\x03\x00\x00\x00\x00\x01\x00", 7) + QByteArray(128, 'x') +
                      testsupport::readBytes(stereo);
  testsupport::writeBytes(tmp.path() + "/TAGGED.MP3", tagged);
  EXPECT_EQ(ProbeAudioFile(tmp.path() + "/TAGGED.MP3").sampleRate, "44100");
}

TEST(AudioProbe, BrokenMp3IsRefusedWithAReason) {
  QByteArray reserved("\xFF\xEB\x90\x44", 4);  // version bits 01: reserved
  reserved += QByteArray(2000, '\0');
  QByteArray single("\xFF\xFB\x90\x44", 4);  // a valid header followed by garbage
  single += QByteArray(100, '\x55') + QByteArray("\xFF\xFB", 2) + QByteArray(3000, '\x11');
  QByteArray badTag = QByteArray("ID3\x03\x00\x00\xFF\xFF\xFF\xFF", 10) + QByteArray(100, '\0');
  for (const QByteArray& bytes : {reserved, single, badTag, QByteArray("ID3"), QByteArray(4096, '\xFF')}) {
    const AudioInfo info = ProbeMp3Data(bytes);
    EXPECT_FALSE(info.ok);
    EXPECT_FALSE(info.error.isEmpty());
    EXPECT_TRUE(info.sampleRate.isEmpty());
  }
}

TEST(AudioProbe, CheckAudioFormReadsTheFileNamedInItsField) {
  testsupport::TempFolder tmp;
  TCheckAudioForm form;
  form.FFileName = tmp.path() + "/song.wav";
  testsupport::writeBytes(form.FFileName, waveBytes(44100, 2));
  form.ReadInfo();
  EXPECT_EQ(form.FSampleRate, "44100");
  EXPECT_EQ(form.FChannelMode, "STEREO");
  EXPECT_TRUE(form.FErrorText.isEmpty());
  form.FFileName = tmp.path() + "/missing.mp3";
  form.ReadInfo();
  EXPECT_TRUE(form.FTypeText.isEmpty());  // an MP3 that cannot be read leaves every result empty
  EXPECT_TRUE(form.FSampleRate.isEmpty());
  EXPECT_FALSE(form.FErrorText.isEmpty());
}
