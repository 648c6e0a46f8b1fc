#include "KvScratchStreams.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "KvErrors.h"
#include "KvUtils.h"

namespace kv {

TKvVirtualMemoryStream::TKvVirtualMemoryStream() {
  auto p = std::make_unique<Page>();
  p->offset = 0;
  p->stamp = 0;
  p->dirty = false;
  p->data.reset(new uint8_t[kPage]());
  pages_.push_back(std::move(p));
}

TKvVirtualMemoryStream::~TKvVirtualMemoryStream() {
  if (swapFd_ >= 0) ::close(swapFd_);
  if (!swapName_.empty()) ::unlink(swapName_.c_str());
}

void TKvVirtualMemoryStream::touch(Page* p) {
  if (counter_ >= 2147483647) {
    for (auto& q : pages_) q->stamp = 0;
    counter_ = 0;
  }
  p->stamp = ++counter_;
}

void TKvVirtualMemoryStream::openSwap() {
  swapName_ = KvMakeTempName(SwapFolder, true);
  if (!swapName_.empty()) swapFd_ = ::open(swapName_.c_str(), O_RDWR | O_CLOEXEC);
  if (swapFd_ < 0) {
    std::string n = swapName_;
    if (!n.empty()) ::unlink(n.c_str());
    swapName_.clear();
    throw EKvVMSErrorOpenSwap(n);
  }
}

void TKvVirtualMemoryStream::swapWriteRun(size_t index) {
  if (swapFd_ < 0) openSwap();
  // Pages are few and ordered by offset; a run of neighbours goes out in one call.
  constexpr size_t kMaxRun = 64;
  iovec iov[kMaxRun];
  size_t n = 0;
  int64_t start = pages_[index]->offset;
  for (size_t j = index; j < pages_.size() && n < kMaxRun; ++j, ++n) {
    Page& q = *pages_[j];
    if (!q.dirty || q.offset != start + int64_t(n) * kPage) break;
    iov[n].iov_base = q.data.get();
    iov[n].iov_len = size_t(kPage);
  }
  int64_t want = int64_t(n) * kPage, done = 0;
  size_t first = 0;
  while (done < want) {
    ssize_t w = ::pwritev(swapFd_, iov + first, int(n - first), start + done);
    if (w <= 0) throw EKvVMSWriteFail(int(kPage), swapName_);
    done += w;
    // Partial writes: step over the finished vectors and into the cut one.
    while (first < n && w >= ssize_t(iov[first].iov_len)) w -= ssize_t(iov[first++].iov_len);
    if (first < n && w > 0) {
      iov[first].iov_base = static_cast<uint8_t*>(iov[first].iov_base) + w;
      iov[first].iov_len -= size_t(w);
    }
  }
  for (size_t j = index; j < index + n; ++j) pages_[j]->dirty = false;
  swapSize_ = std::max(swapSize_, start + want);
  if (aheadLen_ && start < aheadStart_ + aheadLen_ && aheadStart_ < start + want) aheadLen_ = 0;
}

void TKvVirtualMemoryStream::swapRead(Page& p) {
  if (!aheadLen_ || p.offset < aheadStart_ || p.offset + kPage > aheadStart_ + aheadLen_) {
    if (!ahead_) ahead_.reset(new uint8_t[kReadAhead]);
    int64_t want = std::min<int64_t>(kReadAhead, std::max<int64_t>(swapSize_ - p.offset, kPage));
    int64_t got = 0;
    while (got < want) {
      ssize_t r = ::pread(swapFd_, ahead_.get() + got, size_t(want - got), p.offset + got);
      if (r <= 0) break;
      got += r;
    }
    aheadLen_ = 0;
    if (got < kPage) throw EKvVMSReadFail(int(kPage), swapName_);
    aheadStart_ = p.offset;
    aheadLen_ = got & ~(kPage - 1);
  }
  std::memcpy(p.data.get(), ahead_.get() + (p.offset - aheadStart_), size_t(kPage));
}

void TKvVirtualMemoryStream::evict(size_t index, std::unique_ptr<uint8_t[]>& reuse) {
  Page& v = *pages_[index];
  if (v.dirty) swapWriteRun(index);
  reuse = std::move(v.data);
  if (current_ == &v) current_ = nullptr;
  pages_.erase(pages_.begin() + long(index));
}

TKvVirtualMemoryStream::Page* TKvVirtualMemoryStream::pageFor(int64_t offset) {
  offset &= ~(kPage - 1);
  if (current_ && current_->offset == offset) {
    touch(current_);
    return current_;
  }
  auto it = std::lower_bound(pages_.begin(), pages_.end(), offset,
                             [](const std::unique_ptr<Page>& p, int64_t o) { return p->offset < o; });
  if (it != pages_.end() && (*it)->offset == offset) {
    current_ = it->get();
    touch(current_);
    return current_;
  }
  std::unique_ptr<uint8_t[]> mem;
  if (int(pages_.size()) >= limit_) {
    size_t oldest = 0;
    for (size_t i = 1; i < pages_.size(); ++i)
      if (pages_[i]->stamp < pages_[oldest]->stamp) oldest = i;
    evict(oldest, mem);
  }
  if (!mem) mem.reset(new uint8_t[kPage]);
  auto p = std::make_unique<Page>();
  p->offset = offset;
  p->dirty = false;
  p->data = std::move(mem);
  if (offset < swapSize_) swapRead(*p);
  else std::memset(p->data.get(), 0, kPage);
  it = std::lower_bound(pages_.begin(), pages_.end(), offset,
                        [](const std::unique_ptr<Page>& q, int64_t o) { return q->offset < o; });
  current_ = p.get();
  pages_.insert(it, std::move(p));
  touch(current_);
  return current_;
}

void TKvVirtualMemoryStream::SetCacheBytes(int64_t bytes) {
  limit_ = int(std::clamp<int64_t>((bytes + kPage - 1) / kPage, 1, 256));
  while (int(pages_.size()) > limit_) {
    size_t oldest = 0;
    for (size_t i = 1; i < pages_.size(); ++i)
      if (pages_[i]->stamp < pages_[oldest]->stamp) oldest = i;
    std::unique_ptr<uint8_t[]> drop;
    evict(oldest, drop);
  }
  memSize_ = int64_t(limit_) * kPage;
}

int64_t TKvVirtualMemoryStream::Read(void* buffer, int64_t count) {
  count = std::max<int64_t>(0, std::min(count, size_ - pos_));
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    Page* p = pageFor(pos_);
    int64_t in = pos_ - p->offset;
    int64_t n = std::min(count - done, kPage - in);
    std::memcpy(out + done, p->data.get() + in, size_t(n));
    done += n;
    pos_ += n;
  }
  return done;
}

int64_t TKvVirtualMemoryStream::Write(const void* buffer, int64_t count) {
  auto* src = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    Page* p = pageFor(pos_);
    int64_t in = pos_ - p->offset;
    int64_t n = std::min(count - done, kPage - in);
    std::memcpy(p->data.get() + in, src + done, size_t(n));
    p->dirty = true;
    done += n;
    pos_ += n;
  }
  size_ = std::max(size_, pos_);
  return done;
}

int64_t TKvVirtualMemoryStream::Seek(int64_t offset, int origin) {
  switch (origin) {
    case soBeginning: pos_ = offset; break;
    case soCurrent: pos_ += offset; break;
    case soEnd: pos_ = size_ + offset; break;
    default: throw EKvVMSInvalidOrigin(origin);
  }
  if (pos_ < 0) pos_ = 0;
  return pos_;
}

void TKvVirtualMemoryStream::SetSize(int64_t size) {
  if (size >= size_) {
    size_ = size;
    return;
  }
  for (size_t i = pages_.size(); i-- > 0;)
    if (pages_[i]->offset >= size) {
      if (current_ == pages_[i].get()) current_ = nullptr;
      pages_.erase(pages_.begin() + long(i));
    }
  int64_t rounded = (size + kPage - 1) / kPage * kPage;
  if (swapSize_ > rounded) swapSize_ = rounded;
  aheadLen_ = 0;
  size_ = size;
  if (pos_ > size_) pos_ = size_;
}

TKvBitBucketStream::TKvBitBucketStream(int bufferSize) {
  int b = (bufferSize == 4096 || bufferSize == 8192 || bufferSize == 32768) ? bufferSize : 32768;
  ring_ = b + 1024;
  buf_.resize(size_t(ring_));
}

int64_t TKvBitBucketStream::Write(const void* buffer, int64_t count) {
  if (count > ring_) throw EKvBBSWriteTooManyBytes(int(count));
  auto* p = static_cast<const uint8_t*>(buffer);
  int64_t first = std::min<int64_t>(count, ring_ - writeIdx_);
  std::memcpy(buf_.data() + writeIdx_, p, size_t(first));
  std::memcpy(buf_.data(), p + first, size_t(count - first));
  writeIdx_ = (writeIdx_ + count) % ring_;
  size_ += count;
  pos_ = size_;
  readIdx_ = writeIdx_;
  return count;
}

int64_t TKvBitBucketStream::Seek(int64_t offset, int origin) {
  int64_t target;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = pos_ + offset; break;
    case soEnd:
      if (offset == 0) {
        readIdx_ = writeIdx_;
        pos_ = size_;
        return pos_;
      }
      target = size_ + offset;
      break;
    default: throw EKvBBSInvalidOrigin();
  }
  if (target == pos_) return pos_;
  if (target <= size_ - ring_ || target > size_) throw EKvBBSSeekOutsideBuffer();
  readIdx_ = ((writeIdx_ - (size_ - target)) % ring_ + ring_) % ring_;
  pos_ = target;
  return pos_;
}

int64_t TKvBitBucketStream::Read(void* buffer, int64_t count) {
  if (count > ring_ || pos_ + count > size_) throw EKvBBSReadTooManyBytes(int(count));
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t first = std::min<int64_t>(count, ring_ - readIdx_);
  std::memcpy(p, buf_.data() + readIdx_, size_t(first));
  std::memcpy(p + first, buf_.data(), size_t(count - first));
  readIdx_ = (readIdx_ + count) % ring_;
  pos_ += count;
  return count;
}

}  // namespace kv
