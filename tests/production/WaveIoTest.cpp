// Wave streams and the PCM reader: written files read back byte for byte, compressed files
// made by FFmpeg decoded as FFmpeg decodes them, and damaged files refused with their message.
#include <QBuffer>

#include "AudioFixture.h"
#include "waveio.h"

using namespace audiotest;

namespace {
// Runs ffmpeg quietly; false when it fails.
bool ffmpeg(const QStringList& args) {
  QProcess p;
  p.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
  return p.waitForFinished(60000) && p.exitCode() == 0;
}

QString message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EWaveError& e) {
    return QString::fromStdString(e.what());
  }
  return QString();
}

// A device that takes only so many bytes.
class LimitedDevice : public QBuffer {
 public:
  explicit LimitedDevice(qint64 limit) : limit_(limit) {}

 protected:
  qint64 writeData(const char* data, qint64 len) override {
    const qint64 n = std::min(len, limit_ - pos());
    return n <= 0 ? -1 : QBuffer::writeData(data, n);
  }

 private:
  qint64 limit_;
};
}  // namespace

TEST(WaveIo, WrittenFilesReadBackExactly) {
  testsupport::TempFolder tmp;
  struct Case {
    int rate, channels, bits;
    qint64 frames;
  };
  for (const Case& c : {Case{44100, 2, 16, 12345}, Case{8000, 1, 8, 101}, Case{48000, 6, 24, 7}}) {
    const QString path = tmp.file(QString("out %1.wav").arg(c.bits));
    WaveFormat f;
    f.formatTag = 1;
    f.channels = quint16(c.channels);
    f.samplesPerSec = quint32(c.rate);
    f.blockAlign = quint16(c.channels * c.bits / 8);
    f.avgBytesPerSec = quint32(c.rate) * f.blockAlign;
    f.bitsPerSample = quint16(c.bits);
    const QByteArray pcm = samples(c.frames, c.channels, c.bits);
    {
      TFileWaveStream out(path, &f);
      // In two parts, as the join writes.
      EXPECT_EQ(out.Write(pcm.constData(), c.frames / 2), c.frames / 2);
      EXPECT_EQ(out.Write(pcm.constData() + c.frames / 2 * f.blockAlign, c.frames - c.frames / 2),
                c.frames - c.frames / 2);
      EXPECT_EQ(out.Length(), c.frames);
      out.Close();
    }
    // RIFF, a "fmt " of 18 bytes (extra size 0), data; an odd data chunk gets its pad byte.
    QByteArray expected = chunk("fmt ", f.bytes()) + chunk("data", pcm);
    expected = riff(expected);
    const QByteArray written = testsupport::readBytes(path);
    EXPECT_EQ(written, expected) << c.bits;
    EXPECT_EQ(written.left(46).mid(16, 4), QByteArray("\x12\0\0\0", 4));

    TFileWaveStream in(path, nullptr);
    EXPECT_EQ(in.DataOffset(), 46);
    TPCMWaveReader reader(&in);
    ASSERT_EQ(reader.Length(), c.frames);
    EXPECT_EQ(reader.Format().bitsPerSample, c.bits);
    QByteArray back(pcm.size() + 64, '\0');
    EXPECT_EQ(reader.Read(back.data(), c.frames + 10), c.frames);  // past the end: only what is there
    EXPECT_EQ(back.left(pcm.size()), pcm);
    EXPECT_EQ(reader.Read(back.data(), 10), 0);
    reader.SetPosition(reader.Length());  // the current position is always accepted
    EXPECT_EQ(message([&] { reader.SetPosition(c.frames + 1); }), "Position out of bounds.");
    reader.SetPosition(1);
    EXPECT_EQ(reader.Read(back.data(), 1), 1);
    EXPECT_EQ(back.left(f.blockAlign), pcm.mid(f.blockAlign, f.blockAlign));
    EXPECT_EQ(message([&] { in.Seek(-1, 0); }), "Seeking to an invalid location in the file.");
  }
}

TEST(WaveIo, WriteFailuresAreReported) {
  const WaveFormat f = WaveFormat::pcm16(44100, 2);
  LimitedDevice tiny(20);
  tiny.open(QIODevice::ReadWrite);
  EXPECT_EQ(message([&] { TWaveStream s(&tiny, &f); }), "Error writing wave format.");
  LimitedDevice half(46 + 400);
  half.open(QIODevice::ReadWrite);
  TWaveStream s(&half, &f);
  const QByteArray pcm = samples(200, 2, 16);
  EXPECT_EQ(message([&] { s.Write(pcm.constData(), 200); }), "Error writing to file.");
  EXPECT_EQ(message([] { TFileWaveStream s("/no/such/folder/x.wav", nullptr); }), "Can't open file stream.");
}

TEST(WaveIo, DamagedFilesAreRefusedWithTheirMessage) {
  testsupport::TempFolder tmp;
  const QByteArray data = chunk("data", samples(10, 2, 16));
  struct Case {
    QByteArray bytes;
    const char* error;
  };
  QByteArray imaBadSpb = riff(chunk("fmt ", fmtBody(0x11, 2, 44100, 4, 2048, QByteArray(2, '\0'))) +
                              chunk("data", QByteArray(2048 * 2, '\0')));
  const Case cases[] = {
      {QByteArray("RIFF"), "Invalid multimedia file!"},
      {riff(chunk("fmt ", fmtBody(85, 2, 44100, 0, 1, QByteArray(12, '\0'))) + data),
       "MPEG Layer-3 compression is not supported."},
      {riff(chunk("fmt ", fmtBody(1, 2, 44100, 16, 0)) + data), "Error reading 'fmt' chunk!"},
      {riff(chunk("fmt ", fmtBody(1, 2, 44100, 16))), "Couldn't find 'data' chunk!"},
      {riff(chunk("fmt ", fmtBody(0x2000, 2, 44100, 16, 4, QByteArray(2, '\0'))) + data), "Can't suggest pcm format."},
  };
  for (const Case& c : cases) {
    const QString path = tmp.file("bad.wav");
    ASSERT_TRUE(write(path, c.bytes));
    EXPECT_EQ(message([&] {
                TFileWaveStream in(path, nullptr);
                TPCMWaveReader reader(&in);
              }),
              c.error);
  }
  // An IMA ADPCM header that says 0 samples per block: one decoded block tells.
  ASSERT_TRUE(write(tmp.file("ima.wav"), imaBadSpb));
  TFileWaveStream in(tmp.file("ima.wav"), nullptr);
  TPCMWaveReader reader(&in);
  EXPECT_EQ(reader.SamplesPerBlock(), (2048 - 4 * 2) * 2 / 2 + 1);
  EXPECT_EQ(reader.Length(), 2 * reader.SamplesPerBlock());
}

TEST(WaveIo, CompressedFilesDecodeAsFFmpegDecodesThem) {
  if (!have("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  testsupport::TempFolder tmp;
  const QString source = tmp.file("tone.wav");
  ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2.3", "-ac", "2", source}));
  struct Case {
    const char* codec;
    int tag;
  };
  for (const Case& c : {Case{"adpcm_ima_wav", 0x11}, Case{"adpcm_ms", 2}, Case{"pcm_alaw", 6}, Case{"pcm_mulaw", 7},
                        Case{"pcm_f32le", 0xFFFE}, Case{"pcm_s24le", 0xFFFE}}) {
    const QString file = tmp.file(QString(c.codec) + ".wav");
    ASSERT_TRUE(ffmpeg({"-i", source, "-c:a", c.codec, file})) << c.codec;
    const QString raw = tmp.file(QString(c.codec) + ".raw");
    ASSERT_TRUE(ffmpeg({"-i", file, "-f", "s16le", "-c:a", "pcm_s16le", raw})) << c.codec;
    const QByteArray reference = testsupport::readBytes(raw);

    TFileWaveStream in(file, nullptr);
    EXPECT_EQ(in.Format().formatTag, c.tag) << c.codec;
    TPCMWaveReader reader(&in);
    EXPECT_EQ(reader.Format().formatTag, 1);
    EXPECT_EQ(reader.Format().bitsPerSample, 16);
    EXPECT_EQ(reader.Format().channels, 2);
    EXPECT_EQ(reader.Length(), reader.SamplesPerBlock() * in.Length()) << c.codec;
    QByteArray pcm(int(reader.Length() * 4), '\0');
    qint64 got = 0;
    for (qint64 n; (n = reader.Read(pcm.data() + got * 4, 1000)) > 0;) got += n;
    EXPECT_EQ(got, reader.Length()) << c.codec;
    // FFmpeg's own reading of the file may drop the last block's padding samples.
    EXPECT_GE(got * 4, reference.size()) << c.codec;
    EXPECT_EQ(pcm.left(reference.size()), reference) << c.codec;
    if (c.tag == 0x11) {
      // IMA ADPCM: whole blocks of the header's samples per block.
      EXPECT_GT(reader.SamplesPerBlock(), 1);
      EXPECT_GE(got, 2.3 * 44100);
      EXPECT_LT(got, 2.3 * 44100 + reader.SamplesPerBlock());
      // Reading from a position inside a later block gives the same frames.
      reader.SetPosition(reader.SamplesPerBlock() * 3 + 17);
      QByteArray part(400, '\0');
      EXPECT_EQ(reader.Read(part.data(), 100), 100);
      EXPECT_EQ(part, pcm.mid(int((reader.SamplesPerBlock() * 3 + 17) * 4), 400));
    }
  }
}
