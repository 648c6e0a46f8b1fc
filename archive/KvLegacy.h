#pragma once
// The old PKWARE methods: shrink (1), reduce (2-5) and implode (6).
#include <cstdint>
#include <functional>

#include "KvCrypt.h"
#include "KvStream.h"

namespace kv {

struct KvLegacyJob {
  int method = 0;
  uint16_t flags = 0;             // bit 1: 8 KiB dictionary, bit 2: literal tree (method 6)
  int64_t compressedSize = 0;     // without the encryption header
  int64_t uncompressedSize = 0;
  KvStream* input = nullptr;      // positioned at the data
  KvStream* output = nullptr;
  TKvZDecoder* decoder = nullptr; // set for encrypted data, header already checked
  std::function<void(int)> progress;  // percent; may raise to stop
};

// Answers the CRC-32 of what was written.
uint32_t KvLegacyExtract(const KvLegacyJob& job);

// The window stream of the old decoders: write-only at its end, the last 32 KiB readable.
class TKvSlidingWindowStream : public KvStream {
 public:
  explicit TKvSlidingWindowStream(KvStream* target);
  ~TKvSlidingWindowStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  void Flush();
 private:
  void writeChunk(int index);
  static constexpr int kChunk = 8192;
  uint8_t chunks_[5][kChunk] = {};
  int order_[5] = {0, 1, 2, 3, 4};
  int64_t chunk0Offset_ = -32768;
  int lastFill_ = 0;
  int64_t position_ = 0, size_ = 0;
  bool dirty_ = false;
  KvStream* target_;
};

}  // namespace kv
