// The sound track of a production: titles probed, MP3 decoded by lame (a recording stand-in,
// and the real program on an MP3 made at build time), WAV copied, the parts joined to
// "Input.wav" of the slideshow's length, checked with ffprobe.
#include "AudioFixture.h"
#include "SoundTrack.h"
#include "fWave.h"
#include "waveio.h"

using namespace audiotest;

namespace {
class SoundTrackTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    music = tmp.path() + "/Meine Musik 'alt'/";
    work = tmp.path() + "/enc oder's \"Ordner\"/";
    QDir().mkpath(music);
    QDir().mkpath(work);
    host.WriteLog = [this](const QString& s) { log << s; };
    host.SetMemo = [this](const QString& s) { memo << s; };
    track = std::make_unique<TSoundTrack>(host);
    track->FEncoderFolder = work;
  }
  QString title(const QString& name, const QByteArray& bytes) {
    const QString path = music + name;
    EXPECT_TRUE(write(path, bytes));
    track->FAudioList << path;
    return path;
  }
  // A stand-in for lame: records its arguments (NUL-separated) and working folder, then runs
  // the given shell lines.
  QString fakeLame(const QByteArray& body) {
    const QString path = tmp.path() + "/fake lame";
    const QByteArray script = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" + tmp.path().toUtf8() + "/args\"\npwd > \"" +
                              tmp.path().toUtf8() + "/cwd\"\n" + body + "\n";
    EXPECT_TRUE(write(path, script));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  QStringList recordedArgs() {
    QStringList out;
    for (const QByteArray& a : testsupport::readBytes(tmp.path() + "/args").split('\0')) out << QString::fromUtf8(a);
    if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
  }
  qint64 inputFrames() {
    TFileWaveStream in(work + "Input.wav", nullptr);
    return in.Length();
  }
  QString formatMessage(const QString& name) {
    return GetLanguageText(10012) + " " + name + " " + GetLanguageText(10013) + "\n\n" + GetLanguageText(10014) +
           "\n\n" + GetLanguageText(10015);
  }

  QString music, work;
  QStringList log, memo;
  TSoundTrackHost host;
  std::unique_ptr<TSoundTrack> track;
  TWaveForm waveForm;
};
}  // namespace

TEST(SoundSeconds, RunningTimePlusFour) {
  EXPECT_EQ(TSoundTrack::SoundSeconds(10, 5, false, 0, 25), 54);
  EXPECT_EQ(TSoundTrack::SoundSeconds(10, 5, true, 131, 25), 59);
  EXPECT_EQ(TSoundTrack::SoundSeconds(5, 2, true, 96, 25), 18);
  EXPECT_EQ(TSoundTrack::SoundSeconds(3, 2.5, false, 0, 25), 12);  // 7.5 rounds to 8
  EXPECT_EQ(TSoundTrack::SoundSeconds(5, 2.5, false, 0, 25), 16);  // 12.5 rounds to 12
  EXPECT_EQ(TSoundTrack::SoundSeconds(0, 5, false, 0, 25), 4);
}

TEST_F(SoundTrackTest, AThirtySecondTitleIsRepeatedAndCut) {
  title("Lied 1.wav", wave(44100, 2, 30 * 44100));
  ASSERT_TRUE(track->PrepareTitles());
  EXPECT_TRUE(QFileInfo::exists(work + "Inp001.wav"));
  EXPECT_TRUE(log.contains("     Fertig: Inp001.wav wurde kopiert"));
  ASSERT_TRUE(track->MakeSoundTrack(54, &waveForm));
  EXPECT_EQ(inputFrames(), 2383000);  // the second pass ends on the first block reaching 2 381 400
  EXPECT_EQ(QFileInfo(work + "Input.wav").size(), 46 + 4 * 2383000);
  EXPECT_FALSE(QFileInfo::exists(work + "Inp001.wav"));
  EXPECT_TRUE(log.contains("     Audio: 54 sec"));
  EXPECT_EQ(log.count("     read audio Inp001.wav"), 2);
  EXPECT_TRUE(memo.contains("Audio createdInput.wav"));
  if (have("ffprobe")) {
    const auto p = probe(work + "Input.wav");
    EXPECT_EQ(p["codec_name"], "pcm_s16le");
    EXPECT_EQ(p["duration_ts"], "2383000");
  }
  // The repeat starts again at the first sample.
  const QByteArray out = testsupport::readBytes(work + "Input.wav");
  EXPECT_EQ(out.mid(46 + 4 * 30 * 44100, 4000), samples(1000, 2, 16));
}

TEST_F(SoundTrackTest, TwoTitlesOfFortySecondsAreNotRepeated) {
  title("a.wav", wave(44100, 2, 40 * 44100));
  title("Musik.ogg", QByteArray("OggS"));  // passed over silently
  title("b.WAV", wave(44100, 2, 40 * 44100));
  ASSERT_TRUE(track->PrepareTitles());
  EXPECT_TRUE(QFileInfo::exists(work + "Inp001.wav"));
  EXPECT_FALSE(QFileInfo::exists(work + "Inp002.wav"));
  EXPECT_TRUE(QFileInfo::exists(work + "Inp003.wav"));
  ASSERT_TRUE(track->MakeSoundTrack(54, &waveForm));
  EXPECT_EQ(inputFrames(), 2384000);
  EXPECT_EQ(log.count("     read audio Inp001.wav"), 1);
  EXPECT_EQ(log.count("     read audio Inp003.wav"), 1);
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

TEST_F(SoundTrackTest, OtherSampleFormatsBecomeSixteenBitPcm) {
  title("acht bit.wav", wave(44100, 2, 4 * 44100, 8));
  title("float.wav", wave(44100, 2, 4 * 44100, 32, true));
  title("24 bit.wav", wave(44100, 2, 2 * 44100, 24));
  ASSERT_TRUE(track->PrepareTitles());
  ASSERT_TRUE(track->MakeSoundTrack(10, &waveForm));
  EXPECT_EQ(inputFrames(), 10 * 44100);
  if (have("ffprobe")) {
    const auto p = probe(work + "Input.wav");
    EXPECT_EQ(p["codec_name"], "pcm_s16le");
    EXPECT_EQ(p["sample_rate"], "44100");
    EXPECT_EQ(p["channels"], "2");
    EXPECT_EQ(p["bits_per_sample"], "16");
    EXPECT_NEAR(p["duration"].toDouble(), 10.0, 0.001);
  }
  // Each part keeps its samples, scaled to 16 bits.
  const QByteArray out = testsupport::readBytes(work + "Input.wav").mid(46);
  auto at = [&](qint64 frame, int channel) {
    return qint16(quint16(uchar(out[int(frame * 4 + channel * 2)]) | uchar(out[int(frame * 4 + channel * 2 + 1)]) << 8));
  };
  for (qint64 f : {qint64(100), qint64(4 * 44100 + 100), qint64(8 * 44100 + 100)})
    for (int c : {0, 1}) {
      const qint64 local = f % (4 * 44100);
      EXPECT_NEAR(at(f, c), sampleAt(local, c) * 32767, 300) << f << " " << c;
    }
}

TEST_F(SoundTrackTest, WrongFormatsStopTheRunWithTheMessage) {
  title("gut.wav", wave(44100, 2, 44100));
  title("hoch.mp3", frames(QByteArray("\xFF\xFB\x94\x64", 4), 384, 300));  // 48 kHz
  title("danach.wav", wave(44100, 2, 44100));
  track->LameProgram = fakeLame("exit 0");
  EXPECT_FALSE(track->PrepareTitles());
  EXPECT_EQ(prompter.messageTexts(), QStringList{formatMessage("hoch.mp3")});
  EXPECT_TRUE(QFileInfo::exists(work + "Inp001.wav"));  // the run's failure block clears it
  EXPECT_FALSE(QFileInfo::exists(work + "Inp002.wav"));
  EXPECT_FALSE(QFileInfo::exists(work + "Inp003.wav"));
  EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/args"));  // the decoder never ran
  EXPECT_TRUE(log.contains("   Audio Info: MP3 MPEG 1 Layer III   Samplingrate: 48000"));
  EXPECT_TRUE(log.contains("wrong Samplerate / or not Stereo"));
  EXPECT_EQ(track->FAudioIndex, 1);

  track->FAudioList.clear();
  title("mono.wav", wave(44100, 1, 44100));
  EXPECT_FALSE(track->PrepareTitles());
  EXPECT_EQ(prompter.messageTexts().last(), formatMessage("mono.wav"));
  EXPECT_TRUE(memo.contains("Audio Info: WAV Version: 1  16 Bit  Samplingrate: 44100"));
}

TEST_F(SoundTrackTest, LameGetsEachPathAsOneLiteralArgument) {
  const QString mp3 = title("Lied \"eins\" $(touch x) `touch y`.mp3", cdFrames(200));
  track->LameProgram = fakeLame("cp \"" + tmp.path().toUtf8() + "/part.wav\" \"$2\"");
  write(tmp.path() + "/part.wav", wave(44100, 2, 44100));
  ASSERT_TRUE(track->PrepareTitles()) << track->FailureText.toStdString();
  EXPECT_EQ(recordedArgs(), (QStringList{mp3, work + "Inp001.wav", "--decode"}));
  EXPECT_EQ(QString::fromUtf8(testsupport::readBytes(tmp.path() + "/cwd")).trimmed() + "/", work);
  for (const QString& folder : {work, music, tmp.path() + "/", QDir::currentPath() + "/"}) {
    EXPECT_FALSE(QFileInfo::exists(folder + "x")) << folder.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + "y")) << folder.toStdString();
  }
  EXPECT_EQ(testsupport::readBytes(work + "Inp001.wav"), wave(44100, 2, 44100));
  EXPECT_TRUE(memo.contains("Audio Nr.1 MP3 to WAV ...please wait!"));
  EXPECT_TRUE(log.contains("        Fertig: lame"));
  ASSERT_TRUE(track->MakeSoundTrack(2, &waveForm));
  EXPECT_EQ(inputFrames(), 2 * 44100);  // two passes of 11 blocks and 100 frames
}

TEST_F(SoundTrackTest, AFailingDecoderFailsThePreparation) {
  title("lied.mp3", cdFrames(200));
  write(tmp.path() + "/part.wav", wave(44100, 2, 44100));
  // Half a file, then an error.
  track->LameProgram = fakeLame("head -c 20000 \"" + tmp.path().toUtf8() + "/part.wav\" > \"$2\"\nexit 1");
  EXPECT_FALSE(track->PrepareTitles());
  EXPECT_FALSE(QFileInfo::exists(work + "Inp001.wav"));
  EXPECT_TRUE(log.last().startsWith("FEHLER: lame endete mit Fehler (1)"));
  EXPECT_FALSE(track->FailureText.isEmpty());
  // Success claimed, but no file or an empty one.
  for (const QByteArray& body : {QByteArray("exit 0"), QByteArray(": > \"$2\"")}) {
    log.clear();
    track->LameProgram = fakeLame(body);
    EXPECT_FALSE(track->PrepareTitles());
    EXPECT_EQ(log.last(), "FEHLER: " + work + "Inp001.wav wurde nicht erzeugt!");
    EXPECT_FALSE(QFileInfo::exists(work + "Inp001.wav"));
  }
  // A decoder that cannot be started.
  track->LameProgram = tmp.path() + "/no such lame";
  EXPECT_FALSE(track->PrepareTitles());
  EXPECT_EQ(prompter.messageTexts().last(), "Error starting no such lame");
  // A stale part of an earlier run does not pass for a decoded one.
  write(work + "Inp001.wav", wave(44100, 2, 100));
  track->LameProgram = fakeLame("exit 0");
  EXPECT_FALSE(track->PrepareTitles());
}

TEST_F(SoundTrackTest, AnMp3MadeByLameDecodesAndJoins) {
  const QString made = QStringLiteral(KALVORA_TEST_MP3);
  if (made.isEmpty() || !QFileInfo::exists(made) || !have("lame")) GTEST_SKIP() << "no lame at build time";
  const QString path = music + "Ton (3 s).mp3";
  ASSERT_TRUE(QFile::copy(made, path));
  track->FAudioList << path;
  ASSERT_TRUE(track->PrepareTitles()) << track->FailureText.toStdString();
  ASSERT_TRUE(track->MakeSoundTrack(7, &waveForm)) << track->FailureText.toStdString();
  const qint64 frames = inputFrames();
  EXPECT_GE(frames, 7 * 44100);
  EXPECT_LT(frames, 7 * 44100 + TWaveForm::BlockFrames);
  const auto p = probe(work + "Input.wav");
  EXPECT_EQ(p["codec_name"], "pcm_s16le");
  EXPECT_EQ(p["sample_rate"], "44100");
  EXPECT_EQ(p["channels"], "2");
  EXPECT_EQ(p["duration_ts"], QString::number(frames));
}

TEST_F(SoundTrackTest, LimitsOfTheJoin) {
  // A sound track past 4 GB is refused before anything is written.
  title("a.wav", wave(44100, 2, 100));
  ASSERT_TRUE(track->PrepareTitles());
  EXPECT_FALSE(track->MakeSoundTrack(25000, &waveForm));
  EXPECT_TRUE(prompter.messageTexts().last().contains("4 GB"));
  EXPECT_FALSE(QFileInfo::exists(work + "Input.wav"));
  EXPECT_FALSE(QFileInfo::exists(work + "Inp001.wav"));

  // Only empty parts: one pass that adds nothing ends the join.
  write(work + "e1.wav", wave(44100, 2, 0));
  write(work + "e2.wav", wave(44100, 2, 0));
  waveForm.FileList = QStringList{work + "e1.wav", work + "e2.wav"};
  waveForm.OutputFileName = work + "Input.wav";
  waveForm.Seconds = 5;
  EXPECT_EQ(waveForm.MakeInputWav(), 0);
  EXPECT_EQ(inputFrames(), 0);

  // A part of another channel count stops the join; no half sound track is left.
  write(work + "m.wav", wave(44100, 1, 44100));
  write(work + "s.wav", wave(44100, 2, 44100));
  waveForm.FileList = QStringList{work + "s.wav", work + "m.wav"};
  EXPECT_THROW(waveForm.MakeInputWav(), EWaveError);
  EXPECT_FALSE(QFileInfo::exists(work + "Input.wav"));
  // A damaged part: the wave classes' message.
  write(work + "d.wav", QByteArray("RIFF\4\0\0\0WAVE", 12));
  waveForm.FileList = QStringList{work + "d.wav"};
  try {
    waveForm.MakeInputWav();
    ADD_FAILURE();
  } catch (const EWaveError& e) {
    EXPECT_STREQ(e.what(), "Couldn't find 'fmt' chunk!");
  }
  waveForm.FileList.clear();
  EXPECT_EQ(waveForm.MakeInputWav(), 0);  // nothing to join: no file
  EXPECT_FALSE(QFileInfo::exists(work + "Input.wav"));
}

TEST_F(SoundTrackTest, TheProgressWindowShowsTheJoinAndStopsOnAbort) {
  write(work + "Inp001.wav", wave(44100, 2, 6 * 44100));
  waveForm.FileList = QStringList{work + "Inp001.wav"};
  waveForm.OutputFileName = work + "Input.wav";
  waveForm.Seconds = 5;
  waveForm.Label1->setText("alt");
  waveForm.show();
  EXPECT_EQ(waveForm.Label1->text(), "");  // emptied when the window comes up
  EXPECT_EQ(waveForm.ProgressBar1->value(), 0);
  EXPECT_EQ(waveForm.MakeInputWav(), 56 * 4000);  // the 56th block passes 220 500
  EXPECT_EQ(waveForm.Label2->text(), "Aktuelle Datei: Inp001.wav");
  EXPECT_EQ(waveForm.Label1->text(), "100%");
  EXPECT_EQ(waveForm.Label4->text(), "Position: 5 Sekunden");
  EXPECT_EQ(waveForm.ProgressBar1->value(), 0);  // back to 0 at the end

  // The run's abort flag ends the join between blocks; the file written so far stays whole.
  int asked = 0;
  waveForm.OnAborted = [&] { return ++asked > 2; };
  waveForm.Seconds = 60;
  const qint64 frames = waveForm.MakeInputWav();
  waveForm.OnAborted = nullptr;
  EXPECT_GT(frames, 0);
  EXPECT_LT(frames, 60 * 44100);
  EXPECT_EQ(inputFrames(), frames);
  waveForm.hide();
}
