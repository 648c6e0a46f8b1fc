#pragma once
// The sound track of an AVI: the format and the sample bytes of a RIFF WAVE file, read as
// they are (any format tag; the AVI carries the WAV's own WAVEFORMATEX). Kept small and
// private to the AVI writer.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace avi {

class WaveSource {
 public:
  enum Status { Ok, OpenError, ReadError, BadFormat, NoData };
  Status open(const QString& path);
  // WAVEFORMATEX with cbSize (at least 18 bytes).
  const QByteArray& waveFormat() const { return format_; }
  uint16_t blockAlign() const { return blockAlign_; }
  uint32_t avgBytesPerSec() const { return avgBytesPerSec_; }
  // Sample bytes (whole blocks; a size past the end of the file is cut to the file).
  int64_t dataBytes() const { return dataBytes_; }
  // Reads the next `size` sample bytes; false on a read error.
  bool read(char* out, int64_t size);

 private:
  QFile file_;
  QByteArray format_;
  uint16_t blockAlign_ = 0;
  uint32_t avgBytesPerSec_ = 0;
  int64_t dataBytes_ = 0;
};

}  // namespace avi
