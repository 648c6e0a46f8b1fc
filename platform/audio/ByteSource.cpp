#include "ByteSource.h"

#include <algorithm>
#include <cstring>

namespace kalvora::audio {

QByteArray ByteSource::read(qint64 pos, qint64 len) {
  if (pos < 0 || len <= 0) return {};
  const qint64 avail = std::max<qint64>(0, std::min(len, size() - pos));
  QByteArray out(avail, '\0');
  const qint64 n = avail > 0 ? readAt(pos, out.data(), avail) : 0;
  out.truncate(std::max<qint64>(0, n));
  return out;
}

qint64 BufferSource::readAt(qint64 pos, char* buf, qint64 len) {
  if (pos < 0 || len < 0) return -1;
  if (pos >= data_.size()) return 0;
  const qint64 n = std::min(len, data_.size() - pos);
  memcpy(buf, data_.constData() + pos, size_t(n));
  return n;
}

qint64 DeviceSource::readAt(qint64 pos, char* buf, qint64 len) {
  if (pos < 0 || len < 0 || !device_->seek(pos)) return -1;
  qint64 done = 0;
  while (done < len) {
    const qint64 n = device_->read(buf + done, len - done);
    if (n < 0) return -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

FileSource::FileSource(const QString& path) : file_(path) { file_.open(QIODevice::ReadOnly); }

qint64 FileSource::readAt(qint64 pos, char* buf, qint64 len) {
  if (!file_.isOpen()) return -1;
  DeviceSource d(&file_);
  return d.readAt(pos, buf, len);
}

}  // namespace kalvora::audio
