#pragma once
// Random access to the bytes of a file or of a buffer, so the header readers work the same on
// both and read only the bytes they need.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace kalvora::audio {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual qint64 size() const = 0;
  // Reads up to len bytes at pos into buf; the number read (0 past the end), -1 on an error.
  virtual qint64 readAt(qint64 pos, char* buf, qint64 len) = 0;
  // Up to len bytes at pos (fewer at the end, empty on an error).
  QByteArray read(qint64 pos, qint64 len);
};

class BufferSource : public ByteSource {
 public:
  explicit BufferSource(QByteArray data) : data_(std::move(data)) {}
  qint64 size() const override { return data_.size(); }
  qint64 readAt(qint64 pos, char* buf, qint64 len) override;

 private:
  QByteArray data_;
};

// Over a device opened for reading (not owned).
class DeviceSource : public ByteSource {
 public:
  explicit DeviceSource(QIODevice* device) : device_(device) {}
  qint64 size() const override { return device_->size(); }
  qint64 readAt(qint64 pos, char* buf, qint64 len) override;

 private:
  QIODevice* device_;
};

class FileSource : public ByteSource {
 public:
  // Opens the file read-only; isOpen() tells whether that worked.
  explicit FileSource(const QString& path);
  bool isOpen() const { return file_.isOpen(); }
  qint64 size() const override { return file_.size(); }
  qint64 readAt(qint64 pos, char* buf, qint64 len) override;

 private:
  QFile file_;
};

}  // namespace kalvora::audio
