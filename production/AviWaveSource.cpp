#include "AviWaveSource.h"

#include <algorithm>
#include <cstring>

namespace avi {

namespace {
uint32_t le32(const char* p) {
  auto* u = reinterpret_cast<const uchar*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
uint16_t le16(const char* p) {
  auto* u = reinterpret_cast<const uchar*>(p);
  return uint16_t(u[0] | u[1] << 8);
}
}  // namespace

WaveSource::Status WaveSource::open(const QString& path) {
  file_.setFileName(path);
  if (!file_.open(QIODevice::ReadOnly)) return OpenError;
  const int64_t fileSize = file_.size();
  const QByteArray riff = file_.read(12);
  if (riff.size() < 12) return riff.size() < 0 ? ReadError : BadFormat;
  if (!riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") return BadFormat;
  int64_t pos = 12;
  bool haveFormat = false;
  while (pos + 8 <= fileSize) {
    if (!file_.seek(pos)) return ReadError;
    // Fixed-size heads read into local buffers: their fields are parsed from there.
    char ck[8];
    if (file_.read(ck, 8) != 8) return ReadError;
    const int64_t size = le32(ck + 4);
    const int64_t body = pos + 8;
    if (std::memcmp(ck, "fmt ", 4) == 0) {
      if (size < 16 || size > 4096 || body + size > fileSize) return BadFormat;
      char head[16];
      if (file_.read(head, 16) != 16) return ReadError;
      QByteArray fmt(head, 16);
      fmt += file_.read(size - 16);
      if (fmt.size() != size) return ReadError;
      const uint16_t channels = le16(head + 2);
      avgBytesPerSec_ = le32(head + 8);
      blockAlign_ = le16(head + 12);
      if (channels == 0 || blockAlign_ == 0 || avgBytesPerSec_ == 0) return BadFormat;
      // WAVEFORMATEX: 18 bytes with cbSize naming the extra bytes that follow.
      if (fmt.size() < 18) fmt.append(18 - fmt.size(), '\0');
      const int extra = int(fmt.size()) - 18;
      fmt[16] = char(extra & 0xFF);
      fmt[17] = char(extra >> 8);
      format_ = fmt;
      haveFormat = true;
    } else if (std::memcmp(ck, "data", 4) == 0) {
      if (!haveFormat) return BadFormat;
      int64_t bytes = std::min<int64_t>(size, fileSize - body);
      bytes -= bytes % blockAlign_;
      dataBytes_ = bytes;
      return file_.seek(body) ? Ok : ReadError;
    }
    pos = body + size + (size & 1);
  }
  return haveFormat ? NoData : BadFormat;
}

bool WaveSource::read(char* out, int64_t size) { return file_.read(out, size) == size; }

}  // namespace avi
