#pragma once
// The stream family the archive classes work on: 64-bit positions, seek origins 0/1/2.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

enum : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class KvStream {
 public:
  virtual ~KvStream() = default;
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, int origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size);
  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t p) { Seek(p, soBeginning); }
  // Whole reads and writes; a short one raises the stream read or write error.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes (all when count is 0) from source; answers the bytes copied.
  int64_t CopyFrom(KvStream& source, int64_t count);
  // Streams held in plain memory lend their bytes so a decoder can write into them once
  // instead of copying through a buffer: room for count bytes at the position (the bytes
  // before it readable too), or nullptr where the stream has no such memory. The pointer
  // holds until the stream is next used; SpanWritten(n) then moves past the n bytes filled.
  virtual uint8_t* WritableSpan(int64_t count);
  virtual void SpanWritten(int64_t n);
  // The reading side: up to count bytes at the position lent in place (count set to how
  // many) and the position moved past them, or nullptr where the stream cannot.
  virtual const uint8_t* ReadSpan(int64_t& count);
};

// File open modes (the low bits as the class library had them).
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

// A plain file; sharing modes mean nothing here.
// Writes all of buffer to fd, retrying on EINTR; raises on a write error.
int64_t KvWriteFd(int fd, const void* buffer, int64_t count);

class KvFileStream : public KvStream {
 public:
  KvFileStream(const std::string& fileName, uint16_t mode);
  // Takes over an open descriptor.
  KvFileStream(int fd, const std::string& fileName);
  ~KvFileStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  int Handle() const { return fd_; }
  const std::string& FileName() const { return name_; }
 private:
  int fd_ = -1;
  std::string name_;
};

class KvMemoryStream : public KvStream {
 public:
  KvMemoryStream() = default;
  explicit KvMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return int64_t(data_.size()); }
  void SetSize(int64_t size) override;
  std::vector<uint8_t>& Data() { return data_; }
  uint8_t* WritableSpan(int64_t count) override;
  void SpanWritten(int64_t n) override;
  const uint8_t* ReadSpan(int64_t& count) override;
 private:
  std::vector<uint8_t> data_;
  int64_t pos_ = 0;
  size_t sizeBeforeSpan_ = 0;
};

// A read-only window of at most Limit bytes, read on from the base's current position;
// it never asks its base for more, so a decoder cannot run past an entry's data.
class KvLimitedStream : public KvStream {
 public:
  KvLimitedStream(KvStream& base, int64_t limit) : base_(base), limit_(limit) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return limit_; }
  int64_t Consumed() const { return done_; }
 private:
  KvStream& base_;
  int64_t limit_;
  int64_t done_ = 0;
};

}  // namespace kv
