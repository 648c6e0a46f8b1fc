// The header readers on crafted bytes: MPEG audio frames with Xing and VBRI headers, ID3v1
// and ID3v2 tags, and the chunks of RIFF WAVE files, damaged ones included.
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "AudioFixture.h"
#include "ID3v1.h"
#include "ID3v2.h"
#include "MPEGaudio.h"
#include "WaveHeader.h"

using namespace kalvora::audio;
using namespace audiotest;

namespace {
QByteArray id3v2(int major, const QByteArray& body, int declared = -1) {
  const int size = declared < 0 ? int(body.size()) : declared;
  QByteArray h("ID3");
  h.append(char(major));
  h.append('\0');
  h.append('\0');
  for (int shift : {21, 14, 7, 0}) h.append(char((size >> shift) & 0x7F));
  return h + body;
}
QByteArray frame23(const char* id, const QByteArray& data) {
  QByteArray f(id, 4);
  be(f, quint32(data.size()), 4);
  f += QByteArray(2, '\0');
  return f + data;
}
QByteArray id3v1(const QByteArray& title, const QByteArray& comment, char b125, char b126, uchar genre) {
  auto pad = [](QByteArray s, int n) { return s.leftJustified(n, '\0', true); };
  QByteArray t = "TAG" + pad(title, 30) + pad("Artist", 30) + pad("Album  ", 30) + "2004";
  QByteArray c = pad(comment, 30);
  c[28] = b125;
  c[29] = b126;
  return t + c + char(genre);
}
// A frame whose VBR header sits at offset 36, followed by plain frames.
QByteArray vbrFile(const QByteArray& vbr) {
  QByteArray first = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(32, '\0') + vbr;
  first = first.leftJustified(417, '\0', true);
  return first + cdFrames(100);
}
QByteArray xing(quint32 frames, quint32 bytes, const QByteArray& vendor) {
  QByteArray x("Xing");
  be(x, 3, 4);  // flags: frames and bytes
  be(x, frames, 4);
  be(x, bytes, 4);
  x += QByteArray(100, '\0');  // table of contents
  be(x, 0, 3);
  x.append(char(57));  // quality at +119
  return x + vendor.leftJustified(8, '\0', true);
}
}  // namespace

TEST(MPEGaudio, CdFramesGiveTheirHeaderFields) {
  const QByteArray file = cdFrames(200);  // 83 400 bytes
  BufferSource src(file);
  TMPEGaudio m;
  ASSERT_TRUE(m.Read(src));
  EXPECT_TRUE(m.Valid());
  EXPECT_EQ(m.Version(), "MPEG 1");
  EXPECT_EQ(m.Layer(), "Layer III");
  EXPECT_EQ(m.BitRate(), 128);
  EXPECT_EQ(m.SampleRate(), 44100);
  EXPECT_EQ(m.ChannelMode(), "Joint Stereo");
  EXPECT_EQ(m.Emphasis(), "None");
  EXPECT_EQ(m.Frame().Size, 417);
  EXPECT_EQ(m.Frame().Position, 0);
  EXPECT_FALSE(m.Frame().ProtectionBit);
  EXPECT_TRUE(m.Frame().OriginalBit);
  EXPECT_FALSE(m.VBR().Found);
  EXPECT_EQ(m.Frames(), 200);
  EXPECT_NEAR(m.Duration(), 83400 * 8 / 128000.0, 1e-9);
  EXPECT_EQ(m.FileLength(), 83400);
  EXPECT_EQ(m.Encoder(), "Xing");  // zeros behind an original's header
}

TEST(MPEGaudio, FrameLengthsAndTables) {
  struct Case {
    const char* header;
    int length;
    const char* version;
    const char* layer;
    int bitRate;
    int sampleRate;
    const char* mode;
  };
  const Case cases[] = {
      {"\xFF\xFB\x90\x64", 417, "MPEG 1", "Layer III", 128, 44100, "Joint Stereo"},
      {"\xFF\xFB\x92\x64", 418, "MPEG 1", "Layer III", 128, 44100, "Joint Stereo"},  // padding
      {"\xFF\xFB\x94\x04", 384, "MPEG 1", "Layer III", 128, 48000, "Stereo"},
      {"\xFF\xFD\x90\xC4", 522, "MPEG 1", "Layer II", 160, 44100, "Mono"},
      {"\xFF\xFF\x90\x84", 313, "MPEG 1", "Layer I", 288, 44100, "Dual Channel"},
      {"\xFF\xF3\x90\x44", 261, "MPEG 2", "Layer III", 80, 22050, "Joint Stereo"},
      {"\xFF\xE3\x90\x44", 522, "MPEG 2.5", "Layer III", 80, 11025, "Joint Stereo"},
  };
  for (const Case& c : cases) {
    const QByteArray h(c.header, 4);
    const QByteArray file = frames(h, c.length, 400);
    BufferSource src(file);
    TMPEGaudio m;
    ASSERT_TRUE(m.Read(src)) << c.header;
    EXPECT_TRUE(m.Frame().Found) << c.version << c.layer;
    EXPECT_EQ(m.Frame().Size, c.length) << c.version << c.layer;
    EXPECT_EQ(m.Version(), c.version);
    EXPECT_EQ(m.Layer(), c.layer);
    EXPECT_EQ(m.BitRate(), c.bitRate) << c.version << c.layer;
    EXPECT_EQ(m.SampleRate(), c.sampleRate);
    EXPECT_EQ(m.ChannelMode(), c.mode);
  }
  // Headers the test refuses: reserved version, reserved layer, bit rate 0 and 15, rate 3,
  // emphasis 2.
  for (const char* bad : {"\xFF\xEB\x90\x64", "\xFF\xF9\x90\x64", "\xFF\xFB\x00\x64", "\xFF\xFB\xF0\x64",
                          "\xFF\xFB\x9C\x64", "\xFF\xFB\x90\x66"}) {
    EXPECT_FALSE(TMPEGaudio::IsFrameHeader(reinterpret_cast<const uchar*>(bad)));
    const QByteArray file = frames(QByteArray(bad, 4), 417, 20);
    BufferSource src(file);
    TMPEGaudio m;
    ASSERT_TRUE(m.Read(src));
    EXPECT_FALSE(m.Valid());
    EXPECT_EQ(m.Version(), "MPEG ?");  // reset: unknown
    EXPECT_EQ(m.ChannelMode(), "Unknown");
  }
}

TEST(MPEGaudio, TheSearchSkipsTheTagAndFalseSyncs) {
  // A tag holding two frames' worth of sync pattern: never searched.
  const QByteArray tag = id3v2(3, cdFrames(2) + QByteArray(66, '\0'));
  const QByteArray padded = tag + QByteArray(10, '\x11') + cdFrames(50);
  BufferSource src(padded);
  TMPEGaudio m;
  ASSERT_TRUE(m.Read(src));
  EXPECT_EQ(m.ID3v2().Size(), 10 + 900);
  EXPECT_EQ(m.Frame().Position, 10);  // counted from the end of the tag
  EXPECT_TRUE(m.Valid());

  // A sync at 0 whose length does not land on a header is passed over.
  const QByteArray falseSync = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(96, '\x01') + cdFrames(50);
  BufferSource src2(falseSync);
  ASSERT_TRUE(m.Read(src2));
  EXPECT_EQ(m.Frame().Position, 100);
}

TEST(MPEGaudio, XingAndVbriHeaders) {
  {
    BufferSource src(vbrFile(xing(1000, 417000, "LAME3.90")));
    TMPEGaudio m;
    ASSERT_TRUE(m.Read(src));
    EXPECT_TRUE(m.VBR().Found);
    EXPECT_EQ(m.VBR().ID, "Xing");
    EXPECT_EQ(m.VBR().Frames, 1000u);
    EXPECT_EQ(m.VBR().Scale, 57);
    EXPECT_TRUE(m.Frame().Xing);
    EXPECT_EQ(m.Frames(), 1000);
    EXPECT_NEAR(m.Duration(), 1152.0 * 1000 / 44100, 1e-9);  // 26.12 s
    EXPECT_EQ(m.BitRate(), 128);
    EXPECT_EQ(m.EncoderID(), 3);
    EXPECT_EQ(m.Encoder(), "LAME 3.90");
    EXPECT_TRUE(m.Valid());
  }
  struct Vendor {
    const char* vendor;
    const char* encoder;
  };
  for (const Vendor& v : {Vendor{"LAMEx.yz", "LAME"}, Vendor{"GOGO3.10", "GoGo"}, Vendor{"MPGE1.00", "GoGo"},
                          Vendor{"", "Xing"}}) {
    BufferSource src(vbrFile(xing(1000, 417000, v.vendor)));
    TMPEGaudio m;
    ASSERT_TRUE(m.Read(src));
    EXPECT_EQ(m.Encoder(), v.encoder) << v.vendor;
  }
  QByteArray vbri("VBRI");
  be(vbri, 1, 2);       // version
  be(vbri, 0, 2);       // delay
  be(vbri, 75, 2);      // quality: the low byte at +9
  be(vbri, 250000, 4);  // bytes
  be(vbri, 500, 4);     // frames
  BufferSource src(vbrFile(vbri));
  TMPEGaudio m;
  ASSERT_TRUE(m.Read(src));
  EXPECT_EQ(m.VBR().ID, "VBRI");
  EXPECT_EQ(m.VBR().Scale, 75);
  EXPECT_EQ(m.VBR().Bytes, 250000u);
  EXPECT_EQ(m.Frames(), 500);
  EXPECT_EQ(m.BitRate(), int(std::nearbyint(500.0 * 44100 / 144 / 1000)));  // 153
  EXPECT_EQ(m.Encoder(), "FhG");
}

TEST(MPEGaudio, HostileFilesStayInsideTheirBytes) {
  // Counts that make no bit rate: not valid, and no overflow.
  for (const QByteArray& x : {xing(1, 0xFFFFFFFFu, "LAME3.90"), xing(0xFFFFFFFFu, 1, "LAME3.90")}) {
    BufferSource src(vbrFile(x));
    TMPEGaudio m;
    ASSERT_TRUE(m.Read(src));
    EXPECT_FALSE(m.Valid());
  }
  // A Xing id at the very end of the bytes: the smallest frame (MPEG 2, 8 kbit/s, 24 kHz, mono:
  // 24 bytes, 13 of side information) and the next header end the 128-byte file, so the last
  // byte of the byte count, the scale and the vendor lie past the end and count as zero.
  const QByteArray header("\xFF\xF3\x14\xC0", 4);
  QByteArray tail = QByteArray(100, '\0') + header + QByteArray(9, '\0') + "Xing";
  tail = tail.leftJustified(124, '\0') + header;
  ASSERT_EQ(tail.size(), 128);
  BufferSource tailSrc(tail);
  TMPEGaudio m;
  ASSERT_TRUE(m.Read(tailSrc));
  ASSERT_TRUE(m.Frame().Found);
  EXPECT_EQ(m.Frame().Position, 100);
  EXPECT_EQ(m.Frame().Size, 24);
  EXPECT_EQ(m.VBR().ID, "Xing");
  EXPECT_EQ(m.VBR().Frames, 0xFFu);        // bytes 121-124: zeros, then the next header's first
  EXPECT_EQ(m.VBR().Bytes, 0xF314C000u);   // bytes 125-127 of that header; 128 is past the end
  EXPECT_EQ(m.VBR().Scale, 0);
  EXPECT_EQ(m.VBR().VendorID, QByteArray(8, '\0'));
  // One frame and a cut second header: no frame.
  const QByteArray truncated = cdFrames(1) + QByteArray("\xFF\xFB", 2) + QByteArray(200, '\0');
  BufferSource t(truncated);
  ASSERT_TRUE(m.Read(t));
  EXPECT_FALSE(m.Frame().Found);
  EXPECT_FALSE(m.Valid());
  // Under 128 bytes: the ID3v1 read fails, so the file cannot be read.
  BufferSource tiny(QByteArray("\xFF\xFB\x90\x64", 4));
  EXPECT_FALSE(m.Read(tiny));
  // 5 kB of zeros before the frames: found by the second search, from the middle.
  const QByteArray late = QByteArray(9000, '\0') + cdFrames(30);  // 21 510 bytes
  BufferSource lateSrc(late);
  ASSERT_TRUE(m.Read(lateSrc));
  EXPECT_TRUE(m.Frame().Found);
  EXPECT_EQ(m.Frame().Position, (9000 + 417 * 5) - 21510 / 2);  // within the second buffer
  // Only 0xFF bytes.
  BufferSource ff(QByteArray(5000, '\xFF'));
  ASSERT_TRUE(m.Read(ff));
  EXPECT_FALSE(m.Valid());
}

TEST(ID3v1, VersionsAndFields) {
  struct Case {
    char b125, b126;
    int version;
    int track;
    const char* comment;
  };
  const Case cases[] = {
      {'\0', '\7', 2, 7, "A comment of 28 characters.."},
      {'x', 'y', 1, 0, "A comment of 28 characters..xy"},
      {' ', ' ', 1, 0, "A comment of 28 characters.."},
      {' ', 'z', 2, 'z', "A comment of 28 characters.."},
  };
  for (const Case& c : cases) {
    const QByteArray tag = id3v1("Title", "A comment of 28 characters..", c.b125, c.b126, 17);
    BufferSource src(cdFrames(3) + tag);
    TID3v1 t;
    ASSERT_TRUE(t.Read(src));
    EXPECT_TRUE(t.Exists());
    EXPECT_EQ(t.VersionID(), c.version) << c.b125 << c.b126;
    EXPECT_EQ(t.Track(), c.track);
    EXPECT_EQ(t.Comment(), c.comment);
    EXPECT_EQ(t.Title(), "Title");
    EXPECT_EQ(t.Album(), "Album");
    EXPECT_EQ(t.Year(), "2004");
    EXPECT_EQ(t.GenreID(), 17);
    EXPECT_EQ(TID3v1::GenreName(t.GenreID()), "Rock");
  }
  BufferSource none(cdFrames(3));
  TID3v1 t;
  EXPECT_TRUE(t.Read(none));
  EXPECT_FALSE(t.Exists());
  EXPECT_EQ(t.GenreID(), 255);
  BufferSource small(QByteArray(127, 'x'));
  EXPECT_FALSE(t.Read(small));
  EXPECT_EQ(TID3v1::GenreName(147), "Synthpop");
  EXPECT_EQ(TID3v1::GenreName(148), "");
}

TEST(ID3v2, Version23Frames) {
  const QByteArray body = frame23("TIT2", QByteArray(1, '\0') + "Sommer") + frame23("TPE1", QByteArray(1, '\0') + "Band") +
                          frame23("TALB", QByteArray(1, '\0') + "Album") + frame23("TRCK", QByteArray(1, '\0') + "3/12") +
                          frame23("TYER", QByteArray(1, '\0') + "2004") +
                          frame23("TCON", QByteArray(1, '\0') + "(17)Rock") +
                          frame23("COMM", QByteArray(1, '\0') + "eng" + QByteArray(1, '\0') + "Schön") +
                          QByteArray(30, '\0');
  BufferSource src(id3v2(3, body) + cdFrames(10));
  TID3v2 t;
  ASSERT_TRUE(t.Read(src));
  EXPECT_TRUE(t.Exists());
  EXPECT_EQ(t.VersionID(), 3);
  EXPECT_EQ(t.Size(), body.size() + 10);
  EXPECT_EQ(t.Title(), "Sommer");
  EXPECT_EQ(t.Artist(), "Band");
  EXPECT_EQ(t.Album(), "Album");
  EXPECT_EQ(t.Track(), 3);
  EXPECT_EQ(t.Year(), "2004");
  EXPECT_EQ(t.Genre(), "Rock");
  EXPECT_EQ(t.Comment(), QString::fromLatin1(QByteArray("Sch\xC3\xB6n")));  // raw bytes, as stored
}

TEST(ID3v2, TracksLongTextsAndDamagedTags) {
  struct Track {
    const char* text;
    int track;
  };
  for (const Track& c : {Track{"3/12", 3}, Track{"12", 12}, Track{"ab", 0}, Track{"", 0}, Track{" 7 ", 7}}) {
    BufferSource src(id3v2(3, frame23("TRCK", QByteArray(1, '\0') + c.text)) + cdFrames(2));
    TID3v2 t;
    ASSERT_TRUE(t.Read(src));
    EXPECT_EQ(t.Track(), c.track) << c.text;
  }
  // A title of 300 bytes keeps its first 250 (the encoding byte among them); the next frame is
  // still read.
  const QByteArray longTitle = QByteArray(1, '\0') + QByteArray(299, 'A');
  BufferSource longSrc(id3v2(3, frame23("TIT2", longTitle) + frame23("TPE1", QByteArray(1, '\0') + "Band")) +
                       cdFrames(2));
  TID3v2 t;
  ASSERT_TRUE(t.Read(longSrc));
  EXPECT_EQ(t.Title(), QString(249, 'A'));
  EXPECT_EQ(t.Artist(), "Band");
  // A frame size past the tag: read as far as the tag reaches, then stop.
  QByteArray big = frame23("TIT2", QByteArray(1, '\0') + "Kurz");
  big[4] = '\x7F';
  ASSERT_TRUE(t.Read(*std::make_unique<BufferSource>(id3v2(3, big) + cdFrames(2))));
  EXPECT_EQ(t.Title(), "Kurz");
  // A tag size past the file: size 0, so the audio search starts at the file's start.
  BufferSource past(id3v2(3, QByteArray(20, '\0'), 100000) + cdFrames(2));
  ASSERT_TRUE(t.Read(past));
  EXPECT_TRUE(t.Exists());
  EXPECT_EQ(t.Size(), 0);
  // Size bytes with the top bit set are not sync-safe: no size.
  QByteArray notSafe = id3v2(3, QByteArray(200, '\0'));
  notSafe[9] = char(0x90);
  BufferSource ns(notSafe + cdFrames(2));
  ASSERT_TRUE(t.Read(ns));
  EXPECT_EQ(t.Size(), 0);
  // Version 2.4: size, no texts.
  BufferSource v4(id3v2(4, frame23("TIT2", QByteArray(1, '\0') + "Neu")) + cdFrames(2));
  ASSERT_TRUE(t.Read(v4));
  EXPECT_TRUE(t.Exists());
  EXPECT_EQ(t.Size(), 10 + 14);
  EXPECT_EQ(t.Title(), "");
  BufferSource shortFile(QByteArray("ID3\x03", 4));
  EXPECT_FALSE(t.Read(shortFile));
}

// Both tags read from a file on disk; a file that cannot be opened answers False and forgets
// the previous tag.
TEST(ID3, ReadFromFileReadsBothTagsAndForgetsOnAMissingFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString name = dir.filePath("lied.mp3");
  const QByteArray v2 = id3v2(3, frame23("TIT2", QByteArray(1, '\0') + "Anfang") + QByteArray(20, '\0'));
  {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(v2 + cdFrames(4) + id3v1("Ende", "Kommentar", '\0', '\5', 17));
  }
  TID3v1 one;
  TID3v2 two;
  ASSERT_TRUE(one.ReadFromFile(name));
  ASSERT_TRUE(two.ReadFromFile(name));
  EXPECT_TRUE(one.Exists());
  EXPECT_EQ(one.Title(), "Ende");
  EXPECT_EQ(one.Track(), 5);
  EXPECT_TRUE(two.Exists());
  EXPECT_EQ(two.Title(), "Anfang");
  EXPECT_EQ(two.Size(), v2.size());
  const QString missing = dir.filePath("fehlt.mp3");
  EXPECT_FALSE(one.ReadFromFile(missing));
  EXPECT_FALSE(two.ReadFromFile(missing));
  EXPECT_FALSE(one.Exists());
  EXPECT_TRUE(one.Title().isEmpty());
  EXPECT_FALSE(two.Exists());
  EXPECT_EQ(two.Size(), 0);
}

TEST(WaveHeader, ChunkTable) {
  const QByteArray fmt = chunk("fmt ", fmtBody(1, 2, 44100, 16));
  const QByteArray data = chunk("data", samples(10, 2, 16));
  struct Case {
    const char* what;
    QByteArray bytes;
    const char* error;
  };
  QByteArray lateData = riff(fmt + data);
  lateData.replace(40, 4, QByteArray("\x00\x10\x00\x00", 4));  // 4096 bytes, the file has 40
  QByteArray cbPast = riff(chunk("fmt ", fmtBody(0x11, 2, 44100, 4, 2048, QByteArray(2, '\1'))) + data);
  cbPast[36] = char(40);  // extra size 40 in an 20-byte "fmt "
  const Case cases[] = {
      {"plain", riff(fmt + data), ""},
      {"LIST and an odd chunk before fmt", riff(chunk("LIST", "abcde") + chunk("JUNK", "x") + fmt + data), ""},
      {"RIFF size too large", riff(fmt + data, 999999), ""},
      {"empty file", QByteArray(), "Invalid multimedia file!"},
      {"RIFX", QByteArray("RIFX") + riff(fmt + data).mid(4), "Not a wave file!"},
      {"AVI form", QByteArray("RIFF\4\0\0\0AVI ", 12), "Not a wave file!"},
      {"no fmt", riff(data), "Couldn't find 'fmt' chunk!"},
      {"chunk before fmt past the end", riff(chunk("LIST", "ab", 1 << 30) + fmt + data), "Couldn't find 'fmt' chunk!"},
      {"fmt of 14 bytes", riff(chunk("fmt ", fmtBody(1, 2, 44100, 16).left(14)) + data), "Abnormal 'fmt' size!"},
      {"fmt cut by the end", riff(fmt).left(30), "Error reading 'fmt' chunk!"},
      {"extra size past fmt", cbPast, "Error reading 'waveformatex'!"},
      {"MP3 in WAV", riff(chunk("fmt ", fmtBody(85, 2, 44100, 0, 1, QByteArray(12, '\0'))) + data),
       "MPEG Layer-3 compression is not supported."},
      {"block align 0", riff(chunk("fmt ", fmtBody(1, 2, 44100, 16, 0)) + data), "Error reading 'fmt' chunk!"},
      {"sample rate 0", riff(chunk("fmt ", fmtBody(1, 2, 0, 16)) + data), "Error reading 'fmt' chunk!"},
      {"no channels", riff(chunk("fmt ", fmtBody(1, 0, 44100, 16, 4)) + data), "Error reading 'fmt' chunk!"},
      {"12-bit PCM", riff(chunk("fmt ", fmtBody(1, 2, 44100, 12, 4)) + data), "Error reading 'fmt' chunk!"},
      {"no data", riff(fmt + chunk("LIST", "abcd")), "Couldn't find 'data' chunk!"},
      {"data past the end", lateData, "Error reading from file."},
      {"RIFF too short for data", riff(fmt + data, 4 + fmt.size()), "Couldn't find 'data' chunk!"},
  };
  for (const Case& c : cases) {
    BufferSource src(c.bytes);
    WaveLayout layout;
    EXPECT_EQ(ReadWaveLayout(src, layout), QString(c.error)) << c.what;
    if (QString(c.error).isEmpty()) {
      EXPECT_EQ(layout.format.channels, 2) << c.what;
      EXPECT_EQ(layout.format.samplesPerSec, 44100u) << c.what;
      EXPECT_EQ(layout.frames(), 10) << c.what;
      EXPECT_EQ(c.bytes.mid(layout.dataOffset, 40), samples(10, 2, 16)) << c.what;
    }
  }
  // A 16-byte "fmt " of a non-PCM format has no extra size; an 18-byte one may say 0.
  for (bool withCb : {false, true}) {
    BufferSource src(riff(chunk("fmt ", fmtBody(3, 2, 44100, 32, 8, {}, withCb).left(withCb ? 18 : 16)) + data));
    WaveLayout layout;
    EXPECT_EQ(ReadWaveLayout(src, layout), "");
    EXPECT_EQ(layout.format.formatTag, 3);
  }
}
