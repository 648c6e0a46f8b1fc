// The audio check window: shown, it fills its panels; used without showing it, it is the
// probe of sample rate and channel mode that the shell and the production ask.
#include <QTest>

#include "AudioFixture.h"
#include "AudioProbe.h"
#include "fCheckAudio.h"

using namespace audiotest;

namespace {
class CheckAudioTest : public AudioTest {
 protected:
  QString put(const QString& name, const QByteArray& bytes) {
    const QString path = tmp.path() + "/" + name;
    EXPECT_TRUE(write(path, bytes));
    return path;
  }
  struct Result {
    QString type, sub, rate, mode;
  };
  Result probe(const QString& path) {
    form.FFileName = path;
    form.ReadInfo();
    return {form.FTypeText, form.FSubTypeText, form.FSampleRate, form.FChannelMode};
  }
  TCheckAudioForm form;
};

QByteArray withHeader(const char* header, int length, int count) { return frames(QByteArray(header, 4), length, count); }
}  // namespace

TEST_F(CheckAudioTest, ProbeResultsByFile) {
  struct Case {
    const char* name;
    QByteArray bytes;
    const char* type;
    const char* sub;
    const char* rate;
    const char* mode;
  };
  QByteArray listFirst = riff(chunk("LIST", QByteArray(27, 'i')) + chunk("fmt ", fmtBody(1, 2, 44100, 16)) +
                              chunk("data", samples(100, 2, 16)));
  const Case cases[] = {
      {"joint.mp3", cdFrames(100), "MPEG 1", "Layer III", "44100", "STEREO"},
      {"stereo.MP3", withHeader("\xFF\xFB\x90\x04", 417, 100), "MPEG 1", "Layer III", "44100", "STEREO"},
      {"dual.mp3", withHeader("\xFF\xFB\x90\x84", 417, 100), "MPEG 1", "Layer III", "44100", ""},
      {"mono.mp3", withHeader("\xFF\xFB\x90\xC4", 417, 100), "MPEG 1", "Layer III", "44100", ""},
      {"low.mp3", withHeader("\xFF\xF3\x90\x44", 261, 200), "MPEG 2", "Layer III", "22050", "STEREO"},
      {"noise.mp3", QByteArray(3000, '\x01'), "", "", "", ""},
      {"tiny.mp3", QByteArray("ID3"), "", "", "", ""},
      {"cd.wav", wave(44100, 2, 100), "1", "16 Bit", "44100", "STEREO"},
      {"high.WAV", wave(48000, 2, 100), "1", "16 Bit", "48000", "STEREO"},
      {"mono.wav", wave(44100, 1, 100), "1", "16 Bit", "44100", ""},
      {"six.wav", wave(44100, 6, 100), "1", "16 Bit", "44100", ""},
      {"float.wav", wave(44100, 2, 100, 32, true), "3", "32 Bit", "44100", "STEREO"},
      {"list first.wav", listFirst, "1", "16 Bit", "44100", "STEREO"},
      {"short.wav", wave(44100, 2, 100).left(40), "", "", "", ""},
      {"rate0.wav", riff(chunk("fmt ", fmtBody(1, 2, 0, 16)) + chunk("data", samples(4, 2, 16))), "", "", "", ""},
      {"x.mp3.wav", wave(44100, 2, 100), "1", "16 Bit", "44100", "STEREO"},  // the last extension counts
      {"Musik.mp3/song.wav", wave(44100, 2, 10), "1", "16 Bit", "44100", "STEREO"},
      {"song.wav.mp3", cdFrames(100), "MPEG 1", "Layer III", "44100", "STEREO"},
  };
  for (const Case& c : cases) {
    const Result r = probe(put(c.name, c.bytes));
    EXPECT_EQ(r.type, c.type) << c.name;
    EXPECT_EQ(r.sub, c.sub) << c.name;
    EXPECT_EQ(r.rate, c.rate) << c.name;
    EXPECT_EQ(r.mode, c.mode) << c.name;
    EXPECT_EQ(form.FErrorText.isEmpty(), QString(c.rate).size() > 0) << c.name;
    // The shell's probe reads the same.
    const AudioInfo info = ProbeAudioFile(tmp.path() + "/" + c.name);
    if (QString(c.rate).isEmpty()) {
      EXPECT_FALSE(info.ok) << c.name;
    } else {
      EXPECT_EQ(info.sampleRate, c.rate) << c.name;
      EXPECT_EQ(info.channelMode == "STEREO", QString(c.mode) == "STEREO") << c.name;
    }
  }
  // Headless, no message comes: the caller tells the user.
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  // An invalid file after a valid one leaves every result empty.
  probe(put("good.mp3", cdFrames(100)));
  const Result r = probe(put("bad.mp3", QByteArray(500, '\0')));
  EXPECT_TRUE(r.type.isEmpty() && r.sub.isEmpty() && r.rate.isEmpty() && r.mode.isEmpty());
  // A path the probe gets as it is: the upper-cased one names no file here.
  const QString mixed = put("Mixed Case/Lied.mp3", cdFrames(100));
  EXPECT_EQ(probe(mixed).rate, "44100");
  EXPECT_TRUE(probe(mixed.toUpper()).rate.isEmpty());
  EXPECT_EQ(form.FErrorText, "The file does not exist: " + mixed.toUpper());
}

TEST_F(CheckAudioTest, ShownTheWindowFillsItsPanels) {
  const QByteArray tag = QByteArray("ID3\x03\0\0\0\0\0\x14", 10) + QByteArray(20, '\0');
  form.FFileName = put("Lied.mp3", tag + cdFrames(300));
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_TRUE(form.MP3Panel->isVisible());
  EXPECT_FALSE(form.WavePanel->isVisible());
  EXPECT_EQ(form.windowTitle(), "Audio Info");
  EXPECT_EQ(form.Label1->text(), "MP3 File");
  const QStringList expected{"Yes", QString::number(30 + 300 * 417) + " bytes", "0 bytes", "CBR 128 kbit/s",
                             "MPEG 1 Layer III", "7,8 sec.", "44100 Hz", "Joint Stereo", "None", "Xing",
                             "No", "300", "No", "Yes"};
  QStringList shown;
  for (QLineEdit* e : {form.ValidEdit, form.FileSizeEdit, form.FirstFrameEdit, form.BitRateEdit, form.MPEGTypeEdit,
                       form.DurationEdit, form.SampleRateEdit, form.ChannelModeEdit, form.EmphasisEdit,
                       form.EncoderEdit, form.CRCEdit, form.FramesEdit, form.CopyrightEdit, form.OriginalEdit}) {
    EXPECT_TRUE(e->isReadOnly());
    shown << e->text();
  }
  EXPECT_EQ(shown, expected);
  form.hide();

  // A WAV file: the WAV panel, with the length from the format's own byte rate.
  form.FFileName = put("Mono Lied.wav", wave(22050, 1, 22050 * 65, 8));
  form.show();
  EXPECT_TRUE(form.WavePanel->isVisible());
  EXPECT_FALSE(form.MP3Panel->isVisible());
  EXPECT_EQ(form.Label1->text(), "WAV File");
  EXPECT_EQ(form.WavChannelModeEdit->text(), "Mono");
  EXPECT_EQ(form.WavDurationEdit->text(), "0:01:05");
  EXPECT_EQ(form.WavSampleRateEdit->text(), "22050 Hz");
  EXPECT_EQ(form.WavBitsEdit->text(), "8");
  EXPECT_EQ(form.WavFormatEdit->text(), "1");
  EXPECT_EQ(form.WavFileSizeEdit->text(), QString::number(4 + 24 + 8 + 22050 * 65) + " bytes");
  EXPECT_EQ(form.WavValidEdit->text(), "");
  EXPECT_TRUE(prompter.messageTexts().isEmpty());

  // Shown on a damaged file, the window says why; the close button closes it.
  form.hide();
  form.FFileName = put("kaputt.wav", QByteArray("RIFF\0\0\0\0WAVEdata", 16));
  form.show();
  EXPECT_EQ(prompter.messageTexts(), QStringList{"Couldn't find 'fmt' chunk!"});
  EXPECT_FALSE(form.WavePanel->isVisible());
  form.FFileName = tmp.path() + "/fehlt.mp3";
  form.hide();
  form.show();
  EXPECT_EQ(prompter.messageTexts().last(), "The file does not exist: " + tmp.path() + "/fehlt.mp3");
  EXPECT_EQ(form.CloseBitBtn->text(), QString::fromUtf8("Schließen"));
  QTest::mouseClick(form.CloseBitBtn, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
}
