#include "WaveHeader.h"

#include <algorithm>
#include <cstring>

namespace kalvora::audio {

namespace {
quint32 le32(const char* p) {
  const auto* u = reinterpret_cast<const uchar*>(p);
  return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}
quint16 le16(const char* p) {
  const auto* u = reinterpret_cast<const uchar*>(p);
  return quint16(u[0] | u[1] << 8);
}
void put16(QByteArray& b, quint16 v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}
void put32(QByteArray& b, quint32 v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

// Walks the chunks of the RIFF form from pos to end looking for id; false when it is not
// there or a chunk before it runs past the end.
bool findChunk(ByteSource& src, qint64 pos, qint64 end, const char* id, qint64& chunkPos, quint32& size) {
  char head[8];
  while (pos + 8 <= end) {
    if (src.readAt(pos, head, 8) != 8) return false;
    const quint32 s = le32(head + 4);
    if (memcmp(head, id, 4) == 0) {
      chunkPos = pos;
      size = s;
      return true;
    }
    pos += 8 + qint64(s) + (s & 1);  // odd chunks carry a pad byte
  }
  return false;
}
}  // namespace

QByteArray WaveFormat::bytes() const {
  QByteArray b;
  put16(b, formatTag);
  put16(b, channels);
  put32(b, samplesPerSec);
  put32(b, avgBytesPerSec);
  put16(b, blockAlign);
  put16(b, bitsPerSample);
  put16(b, quint16(extra.size()));
  return b + extra;
}

WaveFormat WaveFormat::pcm16(quint32 rate, quint16 channels) {
  WaveFormat f;
  f.formatTag = WAVE_FORMAT_PCM;
  f.channels = channels;
  f.samplesPerSec = rate;
  f.blockAlign = quint16(channels * 2);
  f.avgBytesPerSec = rate * f.blockAlign;
  f.bitsPerSample = 16;
  return f;
}

QString ReadWaveLayout(ByteSource& src, WaveLayout& layout) {
  layout = WaveLayout();
  const qint64 fileSize = src.size();
  char head[12];
  if (fileSize < 12 || src.readAt(0, head, 12) != 12) return "Invalid multimedia file!";
  if (memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0) return "Not a wave file!";
  layout.riffSize = le32(head + 4);
  const qint64 riffEnd = std::min<qint64>(8 + qint64(layout.riffSize), fileSize);

  qint64 fmtPos = 0;
  quint32 fmtSize = 0;
  if (!findChunk(src, 12, riffEnd, "fmt ", fmtPos, fmtSize)) return "Couldn't find 'fmt' chunk!";
  if (fmtSize < 16) return "Abnormal 'fmt' size!";
  layout.fmtSize = fmtSize;
  const qint64 fmtEnd = fmtPos + 8 + qint64(fmtSize);
  char f[18];
  if (fmtPos + 8 + 16 > fileSize || src.readAt(fmtPos + 8, f, 16) != 16) return "Error reading 'fmt' chunk!";
  WaveFormat& w = layout.format;
  w.formatTag = le16(f);
  w.channels = le16(f + 2);
  w.samplesPerSec = le32(f + 4);
  w.avgBytesPerSec = le32(f + 8);
  w.blockAlign = le16(f + 12);
  w.bitsPerSample = le16(f + 14);
  // Non-PCM formats carry an extra size; a 16-byte "fmt " of such a format has none.
  if (w.formatTag != WAVE_FORMAT_PCM && fmtSize >= 18) {
    if (src.readAt(fmtPos + 8 + 16, f + 16, 2) != 2) return "Error reading 'waveformatex' length!";
    const quint16 cb = le16(f + 16);
    if (cb > 0) {
      if (fmtPos + 8 + 18 + qint64(cb) > std::min(fmtEnd, fileSize)) return "Error reading 'waveformatex'!";
      w.extra = src.read(fmtPos + 8 + 18, cb);
      if (w.extra.size() != cb) return "Error reading 'waveformatex'!";
    }
  }
  if (w.formatTag == WAVE_FORMAT_MPEGLAYER3) return "MPEG Layer-3 compression is not supported.";
  // A format that cannot describe samples: nothing could be read or timed from it.
  if (w.channels == 0 || w.samplesPerSec == 0 || w.blockAlign == 0) return "Error reading 'fmt' chunk!";
  if (w.formatTag == WAVE_FORMAT_PCM) {
    const int bits = w.bitsPerSample;
    if ((bits != 8 && bits != 16 && bits != 24 && bits != 32) || w.blockAlign != w.channels * bits / 8)
      return "Error reading 'fmt' chunk!";
  }

  qint64 dataPos = 0;
  quint32 dataSize = 0;
  if (!findChunk(src, 12, riffEnd, "data", dataPos, dataSize)) return "Couldn't find 'data' chunk!";
  if (dataPos + 8 + qint64(dataSize) > fileSize) return "Error reading from file.";
  layout.dataOffset = dataPos + 8;
  layout.dataSize = dataSize;
  return {};
}

}  // namespace kalvora::audio
