#include "AudioProbe.h"

#include <QFile>

namespace {
quint32 le32(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }
quint16 le16(const uchar* p) { return quint16(p[0] | p[1] << 8); }

AudioInfo failed(const QString& type, const char* why) {
  AudioInfo info;
  info.typeText = type;
  info.error = QString::fromLatin1(why);
  return info;
}

QString channelText(int channels) {
  if (channels == 2) return "STEREO";
  if (channels == 1) return "MONO";
  return QString::number(channels) + " CHANNELS";
}

// Bit rates in kbit/s by [version is MPEG-1][layer 1..3 - 1][index].
const int kBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

struct FrameHeader {
  int version = 0;  // 1, 2 or 25 (MPEG 2.5)
  int layer = 0;
  int bitrate = 0;  // kbit/s, 0: free format
  int sampleRate = 0;
  int channelMode = 0;
  int length = 0;  // bytes, 0 when unknown (free format)
};

bool parseHeader(const uchar* p, FrameHeader& h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int versionBits = (p[1] >> 3) & 3;
  const int layerBits = (p[1] >> 1) & 3;
  const int bitrateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  h.layer = 4 - layerBits;
  static const int rates[3] = {44100, 48000, 32000};
  h.sampleRate = rates[rateIndex] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
  h.bitrate = kBitrates[h.version == 1 ? 1 : 0][h.layer - 1][bitrateIndex];
  h.channelMode = p[3] >> 6;
  const int padding = (p[2] >> 1) & 1;
  if (h.bitrate == 0) {
    h.length = 0;
  } else if (h.layer == 1) {
    h.length = (12 * h.bitrate * 1000 / h.sampleRate + padding) * 4;
  } else {
    const int factor = (h.layer == 3 && h.version != 1) ? 72 : 144;
    h.length = factor * h.bitrate * 1000 / h.sampleRate + padding;
  }
  return true;
}

bool sameStream(const FrameHeader& a, const FrameHeader& b) {
  return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}
}  // namespace

AudioInfo ProbeWaveData(const QByteArray& data, qint64 fileSize) {
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  const qint64 n = data.size();
  if (n < 12 || memcmp(p, "RIFF", 4) != 0 || memcmp(p + 8, "WAVE", 4) != 0)
    return failed("WAVE", "Not a wave file!");
  qint64 pos = 12;
  AudioInfo info;
  info.typeText = "WAVE";
  bool haveFormat = false;
  while (pos + 8 <= n) {
    const quint32 size = le32(p + pos + 4);
    const bool isFormat = memcmp(p + pos, "fmt ", 4) == 0;
    const bool isData = memcmp(p + pos, "data", 4) == 0;
    const qint64 end = pos + 8 + qint64(size);
    if (end > fileSize) return failed("WAVE", "A chunk of the wave file reaches past the end of the file.");
    if (isFormat) {
      if (size < 16 || end > n) return failed("WAVE", "The format chunk of the wave file is broken.");
      const uchar* f = p + pos + 8;
      const int tag = le16(f);
      const int channels = le16(f + 2);
      const quint32 rate = le32(f + 4);
      info.bitsPerSample = le16(f + 14);
      if (channels == 0 || rate == 0) return failed("WAVE", "The format chunk of the wave file is broken.");
      info.subTypeText = tag == 1 ? "PCM" : tag == 3 ? "IEEE FLOAT" : tag == 0xFFFE ? "EXTENSIBLE"
                                                                   : "FORMAT " + QString::number(tag);
      info.sampleRate = QString::number(rate);
      info.channelMode = channelText(channels);
      info.channelDetail = info.channelMode;
      haveFormat = true;
    }
    if (isData) {
      if (!haveFormat) return failed("WAVE", "The wave file has no format chunk before its data.");
      info.ok = true;
      return info;
    }
    pos = end + (size & 1);
  }
  if (!haveFormat) return failed("WAVE", "The wave file has no format chunk.");
  return failed("WAVE", "The wave file has no data chunk.");
}

AudioInfo ProbeMp3Data(const QByteArray& data) {
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  const qint64 n = data.size();
  qint64 pos = 0;
  // ID3v2 tags (there may be more than one) come first.
  while (pos + 10 <= n && memcmp(p + pos, "ID3", 3) == 0) {
    const uchar* h = p + pos;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return failed("MP3", "The ID3 tag of the MP3 file is broken.");
    const qint64 size = (qint64(h[6]) << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
    pos += 10 + size + ((h[5] & 0x10) ? 10 : 0);
  }
  // The first frame header whose successor is a header of the same stream (or the end).
  for (; pos + 4 <= n; ++pos) {
    FrameHeader h;
    if (!parseHeader(p + pos, h)) continue;
    if (h.length > 0) {
      const qint64 next = pos + h.length;
      if (next + 4 <= n) {
        FrameHeader h2;
        if (!parseHeader(p + next, h2) || !sameStream(h, h2)) continue;
      } else if (next > n) {
        continue;
      }
    } else {
      continue;  // free-format streams are not used by the production
    }
    AudioInfo info;
    info.ok = true;
    info.typeText = "MP3";
    static const char* layers[] = {"I", "II", "III"};
    info.subTypeText = QString("MPEG %1 Layer %2").arg(h.version == 25 ? "2.5" : QString::number(h.version),
                                                        layers[h.layer - 1]);
    info.sampleRate = QString::number(h.sampleRate);
    info.bitrateKbps = h.bitrate;
    static const char* modes[] = {"STEREO", "JOINT STEREO", "DUAL CHANNEL", "MONO"};
    info.channelDetail = modes[h.channelMode];
    info.channelMode = h.channelMode == 3 ? "MONO" : "STEREO";
    return info;
  }
  return failed("MP3", "No valid MPEG audio frame header was found in the MP3 file.");
}

AudioInfo ProbeAudioFile(const QString& path) {
  const bool mp3 = path.toUpper().contains(".MP3");
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return failed(mp3 ? "MP3" : "WAVE", "The file cannot be read.");
  const qint64 size = f.size();
  if (mp3) {
    // Tags with pictures can be large; the first frames follow within the first megabytes.
    return ProbeMp3Data(f.read(8 << 20));
  }
  // The chunks before the data hold the format; the data itself is not needed.
  QByteArray head = f.read(1 << 20);
  return ProbeWaveData(head, size);
}
