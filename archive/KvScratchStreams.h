#pragma once
// Scratch streams: a paged memory stream that swaps to a temporary file, and a bit
// bucket that swallows output but keeps the last bytes readable.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KvStream.h"

namespace kv {

class TKvVirtualMemoryStream : public KvStream {
 public:
  TKvVirtualMemoryStream();
  ~TKvVirtualMemoryStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  void SetSize(int64_t size) override;
  int64_t CacheBytes() const { return memSize_; }
  void SetCacheBytes(int64_t bytes);
  std::string SwapFolder;
  const std::string& SwapFileName() const { return swapName_; }
  int PageCount() const { return int(pages_.size()); }

 private:
  static constexpr int64_t kPage = 4096;
  struct Page {
    int64_t offset;
    int64_t stamp;
    bool dirty;
    std::unique_ptr<uint8_t[]> data;
  };
  Page* pageFor(int64_t offset);
  void touch(Page* p);
  void evict(size_t index, std::unique_ptr<uint8_t[]>& reuse);
  // Writes the dirty page at index with the dirty pages that follow it in one call.
  void swapWriteRun(size_t index);
  void swapRead(Page& p);
  void openSwap();

  Page* current_ = nullptr;
  int64_t counter_ = 0;
  int64_t memSize_ = 102400;
  int limit_ = 25;
  std::vector<std::unique_ptr<Page>> pages_;  // ordered by offset
  int64_t pos_ = 0, size_ = 0;
  std::string swapName_;
  int swapFd_ = -1;
  int64_t swapSize_ = 0;
  // Swap reads fetch a window of following pages at once: a sequential read back
  // costs one call per window instead of one per page.
  static constexpr int64_t kReadAhead = 128 * 1024;
  std::unique_ptr<uint8_t[]> ahead_;
  int64_t aheadStart_ = 0, aheadLen_ = 0;
};

class TKvBitBucketStream : public KvStream {
 public:
  explicit TKvBitBucketStream(int bufferSize);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  int RingSize() const { return ring_; }
 private:
  std::vector<uint8_t> buf_;
  int ring_;
  int64_t readIdx_ = 0, writeIdx_ = 0, pos_ = 0, size_ = 0;
};

}  // namespace kv
