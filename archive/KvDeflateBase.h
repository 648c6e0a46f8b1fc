#pragma once
// Shared pieces of the compression engine: settings, engine errors, the logger,
// the bit reader, canonical Huffman tables and the decompressor's output window.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "KvStream.h"

namespace kv {

enum : int {
  dfoStored = 0x01,
  dfoStatic = 0x02,
  dfoDynamic = 0x04,
  dfoLazyMatch = 0x08,
  dfoDeflate64 = 0x10,
  dfoAdler32 = 0x20,
  dfoTestOnly = 0x40000000,
};

class TKvDeflateHelper {
 public:
  TKvDeflateHelper() = default;
  void Assign(const TKvDeflateHelper& other);

  int GoodMatchLength() const { return goodMatch_; }
  void SetGoodMatchLength(int v) { setTuning(goodMatch_, v); }
  int MaxChainSteps() const { return maxChain_; }
  void SetMaxChainSteps(int v) { setTuning(maxChain_, v); }
  int MaxLazyMatch() const { return maxLazy_; }
  void SetMaxLazyMatch(int v) { setTuning(maxLazy_, v); }
  int Options() const { return options_; }
  void SetOptions(int v) {
    if (v != options_) levelLetter_ = '?';
    options_ = v;
  }
  char LevelLetter() const { return levelLetter_; }

  int64_t HeaderCheck = -1;
  std::string LogFileName;
  std::function<void(int)> OnProgressPercent;
  int64_t StopAfterSize = 0;
  std::string CipherPassword;
  int64_t SourceSize = 0;
  int WindowSize = 32768;
  // Our addition: output beyond this many bytes is an error (-1: no limit).
  int64_t OutputLimit = -1;
  // Results.
  int64_t PackedSize = 0;
  int64_t PlainSize = 0;

 private:
  void setTuning(int& field, int v) {
    if (v != -1 && v < 4) v = 4;
    if (v != field) levelLetter_ = '?';
    field = v;
  }
  int goodMatch_ = 8, maxChain_ = 32, maxLazy_ = 16, options_ = 0x0F;
  char levelLetter_ = 'n';
};

// Engine errors stand outside the library's tree and carry no code.
class EKvAbortProgress : public std::runtime_error { using std::runtime_error::runtime_error; };
class EKvPartSizedInflate : public std::runtime_error {
 public:
  EKvPartSizedInflate() : std::runtime_error("part-sized inflate") {}
};
class EKvInflatePasswordError : public std::runtime_error { using std::runtime_error::runtime_error; };
class EKvInternalInflateError : public std::runtime_error { using std::runtime_error::runtime_error; };
class EKvInternalDeflateError : public std::runtime_error { using std::runtime_error::runtime_error; };
class EKvInflateError : public std::runtime_error {
 public:
  explicit EKvInflateError(const std::string& cause)
      : std::runtime_error("Tamsor inflate error, possibly a corrupted compressed stream. (Internal cause: " +
                           cause + ")") {}
};
class EKvDeflateError : public std::runtime_error {
 public:
  explicit EKvDeflateError(const std::string& cause)
      : std::runtime_error("Tamsor deflate error. (Internal cause: " + cause + ")") {}
};

// Write-only log stream.
class TKvLogger : public KvStream {
 public:
  explicit TKvLogger(const std::string& fileName);
  ~TKvLogger() override;
  void LogLine(const std::string& s);
  int LineEndStyle = 0;  // 0 CR LF, 1 LF, other: none
  int64_t Read(void*, int64_t) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
 private:
  void flush();
  std::unique_ptr<KvFileStream> file_;
  std::vector<uint8_t> buf_;
};

// Bit reader over a stream, least significant bit first, in 32-bit words.
class TKvDfInBitStream {
 public:
  TKvDfInBitStream(KvStream* stream, int64_t streamSize, std::function<void(int)> onProgress);
  ~TKvDfInBitStream();
  void ByteAlign();
  uint32_t PeekBits(int n);
  void DiscardBits(int n);
  int ReadBit();
  uint32_t ReadBits(int n);
  void ReadBuffer(void* buffer, int64_t count);
 private:
  bool fill();
  bool loadWord(uint32_t& w);
  KvStream* stream_;
  uint32_t bitBuf_ = 0;
  int bitCount_ = 0;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0;
  int64_t bytesRead_ = 0;
  int pad_ = 0;
  int peeked_ = 0;
  int64_t size_;
  std::function<void(int)> progress_;
};

enum TKvHuffmanUsage { huEncode = 0, huDecode = 1, huBoth = 2 };

// Canonical Huffman table as RFC 1951 builds it; over-subscribed lengths are refused.
class TKvDfDecodeHuffmanTree {
 public:
  TKvDfDecodeHuffmanTree(int alphabetSize, TKvHuffmanUsage usage, int maxCodeLen);
  void Build(const uint8_t* codeLengths, int firstExtraSymbol, const uint8_t* extraBits, int count, int startIndex);
  int32_t Decode(uint32_t bits) const;
  int32_t Encode(int symbol) const;
  int LookupBitLength() const { return lookup_; }
 private:
  int alphabet_, maxLen_, lookup_ = 0;
  TKvHuffmanUsage usage_;
  std::vector<int32_t> decode_, encode_;
  uint32_t mask_ = 0;
};

// Output and history of the decompressor. Keeps the last 32 KiB (64 KiB for
// Deflate64) for back-references and writes the rest to the target in large chunks.
class TKvDfOutputWindow {
 public:
  TKvDfOutputWindow(KvStream* stream, TKvLogger* logger, bool testOnly, int64_t stopSize, bool useCRC32,
                    bool deflate64, int64_t outputLimit = -1);
  ~TKvDfOutputWindow();
  void PutLiteral(uint8_t b);
  void PutMatch(int length, int distance);
  void PutBuffer(const void* buffer, int64_t count);
  uint32_t FinalChecksum();
  int64_t ProducedCount() const;
  void FlushAll();

  // For the decoder's inner loop.
  uint8_t* buf_ = nullptr;
  size_t pos_ = 0;        // write position
  size_t checkPos_ = 0;   // the next position where something must be looked at
  int64_t before_ = 0;    // bytes of output that lie before buf_[0]
  void Check();           // stop size, output limit, flush
  // Stored data straight into a memory target: room for n bytes there, or nullptr when
  // they must go through the window. DirectEnd takes the bytes written; the window then
  // reads its history back from the target only when a coded block needs it.
  uint8_t* DirectBegin(size_t n);
  void DirectCopy(uint8_t* to, const uint8_t* from, size_t n);  // copies and checksums
  void DirectChecksum(const uint8_t* p, size_t n);              // bytes already in place
  void DirectEnd(size_t n);
  void Refresh() {
    if (stale_) reload();
  }
 private:
  void reload();
  void recompute();
  void flushPending();
  KvStream* stream_;
  bool testOnly_, crc32_;
  int64_t stop_, limit_;
  size_t history_, threshold_;
  size_t flushed_ = 0;
  int64_t counted_ = 0;
  uint32_t check_;
  bool stale_ = false;
  std::unique_ptr<uint8_t[]> storage_;
};

}  // namespace kv
