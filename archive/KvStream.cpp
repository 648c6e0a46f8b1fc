#include "KvStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "KvErrors.h"

namespace kv {

int64_t KvStream::Size() {
  int64_t p = Seek(0, soCurrent);
  int64_t s = Seek(0, soEnd);
  Seek(p, soBeginning);
  return s;
}

void KvStream::SetSize(int64_t) { throw EKvStreamWriteError("Stream cannot change its size"); }

void KvStream::ReadBuffer(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    int64_t n = Read(p, count);
    if (n <= 0) throw EKvStreamReadError("Stream read error");
    p += n;
    count -= n;
  }
}

void KvStream::WriteBuffer(const void* buffer, int64_t count) {
  auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    int64_t n = Write(p, count);
    if (n <= 0) throw EKvStreamWriteError("Stream write error");
    p += n;
    count -= n;
  }
}

int64_t KvStream::CopyFrom(KvStream& source, int64_t count) {
  std::vector<uint8_t> buf(65536);
  int64_t done = 0;
  bool all = count == 0;
  while (all || done < count) {
    int64_t want = all ? int64_t(buf.size()) : std::min<int64_t>(int64_t(buf.size()), count - done);
    int64_t n = source.Read(buf.data(), want);
    if (n <= 0) {
      if (all) break;
      throw EKvStreamReadError("Stream read error");
    }
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

KvFileStream::KvFileStream(const std::string& fileName, uint16_t mode) : name_(fileName) {
  if (mode == fmCreate) {
    fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EKvFileCreateError("Cannot create file " + fileName + ": " + std::strerror(errno), errno);
    return;
  }
  int access = mode & 3;
  int flags = access == fmOpenWrite ? O_WRONLY : access == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  fd_ = ::open(fileName.c_str(), flags | O_CLOEXEC);
  if (fd_ < 0) throw EKvFileOpenError("Cannot open file " + fileName + ": " + std::strerror(errno), errno);
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EKvFileOpenError("Cannot open file " + fileName + ": " + std::strerror(EISDIR), EISDIR);
  }
}

KvFileStream::KvFileStream(int fd, const std::string& fileName) : fd_(fd), name_(fileName) {}

KvFileStream::~KvFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t KvFileStream::Read(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) break;
      throw EKvStreamReadError(std::string("Stream read error: ") + std::strerror(errno));
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t KvWriteFd(int fd, const void* buffer, int64_t count) {
  auto* p = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, p + done, size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EKvStreamWriteError(std::string("Stream write error: ") + std::strerror(errno), errno);
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t KvFileStream::Write(const void* buffer, int64_t count) { return KvWriteFd(fd_, buffer, count); }

int64_t KvFileStream::Seek(int64_t offset, int origin) {
  int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(fd_, off_t(offset), whence);
  if (r < 0) return ::lseek(fd_, 0, SEEK_CUR);
  return r;
}

int64_t KvFileStream::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

void KvFileStream::SetSize(int64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0)
    throw EKvStreamWriteError(std::string("Stream write error: ") + std::strerror(errno), errno);
  if (Position() > size) Seek(size, soBeginning);
}

int64_t KvMemoryStream::Read(void* buffer, int64_t count) {
  int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, int64_t(data_.size()) - pos_));
  if (n > 0) std::memcpy(buffer, data_.data() + pos_, size_t(n));
  pos_ += n;
  return n;
}

int64_t KvMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (pos_ + count > int64_t(data_.size())) data_.resize(size_t(pos_ + count));
  std::memcpy(data_.data() + pos_, buffer, size_t(count));
  pos_ += count;
  return count;
}

int64_t KvMemoryStream::Seek(int64_t offset, int origin) {
  int64_t base = origin == soCurrent ? pos_ : origin == soEnd ? int64_t(data_.size()) : 0;
  int64_t p = base + offset;
  if (p >= 0) pos_ = p;
  return pos_;
}

uint8_t* KvStream::WritableSpan(int64_t) { return nullptr; }

void KvStream::SpanWritten(int64_t) {}

const uint8_t* KvStream::ReadSpan(int64_t&) { return nullptr; }

const uint8_t* KvMemoryStream::ReadSpan(int64_t& count) {
  count = std::max<int64_t>(0, std::min<int64_t>(count, int64_t(data_.size()) - pos_));
  const uint8_t* p = data_.data() + pos_;
  pos_ += count;
  return p;
}

uint8_t* KvMemoryStream::WritableSpan(int64_t count) {
  sizeBeforeSpan_ = data_.size();
  size_t end = size_t(pos_ + std::max<int64_t>(count, 0));
  if (end > data_.size()) data_.resize(end);
  return data_.data() + pos_;
}

void KvMemoryStream::SpanWritten(int64_t n) {
  pos_ += n;
  // Room handed out but not filled (a cut input) does not stay in the stream.
  size_t keep = std::max(sizeBeforeSpan_, size_t(pos_));
  if (data_.size() > keep) data_.resize(keep);
}

void KvMemoryStream::SetSize(int64_t size) {
  data_.resize(size_t(std::max<int64_t>(0, size)));
  pos_ = std::min(pos_, size);
}

int64_t KvLimitedStream::Read(void* buffer, int64_t count) {
  int64_t n = std::min(count, limit_ - done_);
  if (n <= 0) return 0;
  n = base_.Read(buffer, n);
  if (n > 0) done_ += n;
  return n;
}

int64_t KvLimitedStream::Seek(int64_t offset, int origin) {
  int64_t target = origin == soCurrent ? done_ + offset : origin == soEnd ? limit_ + offset : offset;
  target = std::clamp<int64_t>(target, 0, limit_);
  if (target != done_) {
    base_.Seek(target - done_, soCurrent);
    done_ = target;
  }
  return done_;
}

}  // namespace kv
