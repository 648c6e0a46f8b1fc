#include "KvDeflateBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "KvChecksum.h"
#include "KvErrors.h"

namespace kv {

void TKvDeflateHelper::Assign(const TKvDeflateHelper& o) {
  goodMatch_ = o.goodMatch_;
  maxChain_ = o.maxChain_;
  maxLazy_ = o.maxLazy_;
  options_ = o.options_;
  levelLetter_ = o.levelLetter_;
  HeaderCheck = o.HeaderCheck;
  LogFileName = o.LogFileName;
  OnProgressPercent = o.OnProgressPercent;
  StopAfterSize = o.StopAfterSize;
  CipherPassword = o.CipherPassword;
  SourceSize = o.SourceSize;
  WindowSize = o.WindowSize;
  OutputLimit = o.OutputLimit;
}

// ---- logger ----

TKvLogger::TKvLogger(const std::string& fileName) {
  if (fileName.empty()) throw std::logic_error("TKvLogger.Create: a filename must be provided for the logger");
  file_ = std::make_unique<KvFileStream>(fileName, fmCreate);
  buf_.reserve(4096);
}

TKvLogger::~TKvLogger() {
  try {
    flush();
  } catch (...) {
  }
}

void TKvLogger::flush() {
  if (buf_.empty()) return;
  int64_t n = file_->Write(buf_.data(), int64_t(buf_.size()));
  buf_.erase(buf_.begin(), buf_.begin() + std::max<int64_t>(0, n));
}

void TKvLogger::LogLine(const std::string& s) {
  Write(s.data(), int64_t(s.size()));
  if (LineEndStyle == 0) Write("\r\n", 2);
  else if (LineEndStyle == 1) Write("\n", 1);
}

int64_t TKvLogger::Read(void*, int64_t) {
  throw std::logic_error("TKvLogger.Read: loggers are write-only, no reading allowed");
}

int64_t TKvLogger::Write(const void* buffer, int64_t count) {
  auto* p = static_cast<const uint8_t*>(buffer);
  for (int64_t i = 0; i < count; ++i) {
    buf_.push_back(p[i]);
    if (buf_.size() >= 4096) flush();
  }
  return count;
}

int64_t TKvLogger::Seek(int64_t offset, int origin) {
  if (offset == 0 && (origin == soCurrent || origin == soEnd)) return file_->Position() + int64_t(buf_.size());
  throw std::logic_error("TKvLogger.Seek: loggers are write-only, no seeking allowed");
}

// ---- bit reader ----

TKvDfInBitStream::TKvDfInBitStream(KvStream* stream, int64_t streamSize, std::function<void(int)> onProgress)
    : stream_(stream), buf_(16384 + 4), size_(streamSize) {
  if (!stream) throw std::logic_error("TKvDfInBitStream.Create: Cannot create a bit stream wrapping a nil stream");
  if (onProgress && streamSize >= 1) progress_ = std::move(onProgress);
}

TKvDfInBitStream::~TKvDfInBitStream() {
  // Hand back what was read ahead, so the stream ends right after the compressed data.
  int64_t unread = int64_t(end_ - pos_) - pad_ + bitCount_ / 8;
  if (unread > 0) {
    try {
      stream_->Seek(-unread, soCurrent);
    } catch (...) {
    }
  }
}

bool TKvDfInBitStream::fill() {
  if (end_ - pos_ >= 4) throw std::logic_error("TKvDfInBitStream.ibsFillBuffer: the buffer should be almost empty");
  size_t left = end_ - pos_;
  std::memmove(buf_.data(), buf_.data() + pos_, left);
  pos_ = 0;
  end_ = left;
  int64_t n = 1;
  while (pad_ == 0 && end_ < 4 && n > 0) {
    n = stream_->Read(buf_.data() + end_, int64_t(16384 - end_));
    if (n > 0) {
      end_ += size_t(n);
      bytesRead_ += n;
      if (progress_) progress_(int(std::nearbyint(double(bytesRead_) * 100.0 / double(size_))));
    }
    if (n <= 0 && end_ % 4 != 0) {
      size_t padTo = (end_ + 3) / 4 * 4;
      pad_ = int(padTo - end_);
      std::memset(buf_.data() + end_, 0, size_t(pad_));
      end_ = padTo;
    }
  }
  return end_ > 0;
}

bool TKvDfInBitStream::loadWord(uint32_t& w) {
  if (end_ - pos_ < 4 && !fill()) return false;
  if (end_ - pos_ < 4) return false;
  std::memcpy(&w, buf_.data() + pos_, 4);
  pos_ += 4;
  return true;
}

void TKvDfInBitStream::ByteAlign() {
  int drop = bitCount_ % 8;
  bitBuf_ = drop == 32 ? 0 : bitBuf_ >> drop;
  bitCount_ -= drop;
}

uint32_t TKvDfInBitStream::PeekBits(int n) {
  if (n < 0 || n > 32)
    throw std::logic_error("TKvDfInBitStream.PeekBits: count of bits must be between 1 and 32 inclusive");
  peeked_ = n;
  auto low = [](uint64_t v, int k) { return k >= 32 ? uint32_t(v) : uint32_t(v & ((1ull << k) - 1)); };
  if (n <= bitCount_) return low(bitBuf_, n);
  uint32_t next = 0;
  if (end_ - pos_ < 4) fill();
  if (end_ - pos_ >= 4) std::memcpy(&next, buf_.data() + pos_, 4);
  uint64_t v = uint64_t(bitBuf_) | (uint64_t(next) << bitCount_);
  return low(v, n);
}

void TKvDfInBitStream::DiscardBits(int n) {
  if (n < 1 || n > 32)
    throw EKvInternalInflateError("count of bits must be between 1 and 32 inclusive [TKvDfInBitStream.DiscardBits]");
  if (n > peeked_) throw std::logic_error("TKvDfInBitStream.DiscardBits: discarding more bits than peeked");
  if (n <= bitCount_) {
    bitBuf_ = n == 32 ? 0 : bitBuf_ >> n;
    bitCount_ -= n;
  } else {
    uint32_t w;
    if (!loadWord(w)) throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.DiscardBits]");
    int more = n - bitCount_;
    bitBuf_ = more == 32 ? 0 : w >> more;
    bitCount_ = 32 - more;
  }
  // Bits of the zero padding are not data.
  if (pad_ > 0 && end_ - pos_ == 0 && bitCount_ < pad_ * 8)
    throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.DiscardBits]");
}

int TKvDfInBitStream::ReadBit() {
  if (bitCount_ == 0) {
    uint32_t w;
    if (!loadWord(w)) throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.ReadBit]");
    bitBuf_ = w;
    bitCount_ = 32;
  }
  int b = int(bitBuf_ & 1);
  bitBuf_ >>= 1;
  --bitCount_;
  if (pad_ > 0 && end_ - pos_ == 0 && bitCount_ < pad_ * 8)
    throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.ReadBit]");
  return b;
}

uint32_t TKvDfInBitStream::ReadBits(int n) {
  if (n < 1 || n > 16)
    throw EKvInternalInflateError("count of bits must be between 1 and 16 inclusive [TKvDfInBitStream.ReadBits]");
  uint32_t r;
  if (n <= bitCount_) {
    r = bitBuf_ & ((1u << n) - 1);
    bitBuf_ >>= n;
    bitCount_ -= n;
  } else {
    uint32_t w;
    if (!loadWord(w)) throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.ReadBits]");
    int more = n - bitCount_;
    r = (bitBuf_ | (w << bitCount_)) & ((1u << n) - 1);
    bitBuf_ = w >> more;
    bitCount_ = 32 - more;
  }
  if (pad_ > 0 && end_ - pos_ == 0 && bitCount_ < pad_ * 8)
    throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.ReadBits]");
  return r;
}

void TKvDfInBitStream::ReadBuffer(void* buffer, int64_t count) {
  if (bitCount_ % 8 != 0)
    throw std::logic_error("TKvDfInBitStream.ReadBuffer. cannot read a buffer unless the stream is byte-aligned");
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0 && bitCount_ > 0) {
    *p++ = uint8_t(bitBuf_);
    bitBuf_ = bitCount_ == 8 ? 0 : bitBuf_ >> 8;
    bitCount_ -= 8;
    --count;
  }
  while (count > 0) {
    if (end_ - pos_ == 0 || (pad_ > 0 && int64_t(end_ - pos_) <= pad_)) {
      if (pad_ > 0 || (end_ - pos_ < 4 && !fill()) || end_ - pos_ == 0)
        throw EKvInternalInflateError("no more compressed data in stream [TKvDfInBitStream.ReadBuffer]");
    }
    size_t avail = end_ - pos_ - size_t(pad_);
    size_t n = std::min<size_t>(avail, size_t(count));
    std::memcpy(p, buf_.data() + pos_, n);
    pos_ += n;
    p += n;
    count -= int64_t(n);
  }
}

// ---- Huffman table ----

TKvDfDecodeHuffmanTree::TKvDfDecodeHuffmanTree(int alphabetSize, TKvHuffmanUsage usage, int maxCodeLen)
    : alphabet_(alphabetSize), maxLen_(maxCodeLen), usage_(usage) {
  if (alphabetSize < 2)
    throw std::logic_error("TKvDfDecodeHuffmanTree.Create: a huffman tree must be for at least two symbols");
  if (usage != huDecode) encode_.assign(size_t(alphabetSize), -1);
}

void TKvDfDecodeHuffmanTree::Build(const uint8_t* lens, int firstExtraSymbol, const uint8_t* extraBits, int count,
                                   int startIndex) {
  int blCount[16] = {0};
  lookup_ = 0;
  for (int i = 0; i < count; ++i) {
    int l = lens[startIndex + i];
    if (l > maxLen_)
      throw std::logic_error(KvFormat("TKvDfDecodeHuffmanTree.Build: a code length is greater than %d", l));
    blCount[l]++;
    lookup_ = std::max(lookup_, l);
  }
  // A set of lengths that promises more codes than there is room for has no table.
  int left = 1;
  for (int l = 1; l <= 15; ++l) {
    left = (left << 1) - blCount[l];
    if (left < 0) throw EKvInternalInflateError("over-subscribed set of code lengths [Build]");
  }
  if (usage_ != huEncode) {
    decode_.assign(size_t(1) << lookup_, -1);
    mask_ = lookup_ >= 32 ? 0 : ~((1u << lookup_) - 1);
  }
  int next[17] = {0};
  blCount[0] = 0;
  int code = 0;
  for (int l = 1; l <= 15; ++l) {
    code = (code + blCount[l - 1]) << 1;
    next[l] = code;
  }
  for (int i = 0; i < count; ++i) {
    int sym = i;
    int l = lens[startIndex + i];
    if (sym >= alphabet_) break;
    if (l == 0) {
      if (usage_ != huDecode) encode_[size_t(sym)] = -1;
      continue;
    }
    int c = next[l]++;
    int rev = 0;
    for (int b = 0; b < l; ++b) rev |= ((c >> b) & 1) << (l - 1 - b);
    int extra = (extraBits && sym >= firstExtraSymbol) ? extraBits[sym - firstExtraSymbol] : 0;
    if (usage_ != huEncode)
      for (int idx = rev; idx < (1 << lookup_); idx += 1 << l) decode_[size_t(idx)] = (extra << 24) | (l << 16) | sym;
    if (usage_ != huDecode) encode_[size_t(sym)] = (extra << 24) | (l << 16) | rev;
  }
}

int32_t TKvDfDecodeHuffmanTree::Decode(uint32_t bits) const {
  if (bits & mask_)
    throw std::logic_error("TKvDfDecodeHuffmanTree.Decode: trying to decode too many bits, use LookupBitLength property");
  return decode_[bits];
}

int32_t TKvDfDecodeHuffmanTree::Encode(int symbol) const {
  if (symbol < 0 || symbol >= alphabet_)
    throw std::logic_error("TKvDfDecodeHuffmanTree.Encode: trying to encode a symbol that is not in the alphabet");
  int32_t e = encode_[size_t(symbol)];
  if (e == -1) throw std::logic_error("TKvDfDecodeHuffmanTree.Encode: trying to encode a symbol that was not used");
  return e;
}

// ---- output window ----

namespace {
constexpr size_t kChunk = 256 * 1024;
constexpr size_t kSlack = 65538 + 258 + 64;
}  // namespace

TKvDfOutputWindow::TKvDfOutputWindow(KvStream* stream, TKvLogger*, bool testOnly, int64_t stopSize, bool useCRC32,
                                     bool deflate64, int64_t outputLimit)
    : stream_(stream), testOnly_(testOnly), crc32_(useCRC32), stop_(stopSize), limit_(outputLimit) {
  history_ = deflate64 ? 65536 : 32768;
  threshold_ = history_ + kChunk;
  int64_t cut = deflate64 ? 0x18000 : 0x10000;
  if (stop_ > cut) stop_ = cut;
  // Not cleared: only bytes already produced are ever read back.
  storage_.reset(new uint8_t[threshold_ + kSlack]);
  buf_ = storage_.get();
  check_ = crc32_ ? 0xFFFFFFFFu : 1u;
  recompute();
}

TKvDfOutputWindow::~TKvDfOutputWindow() {
  try {
    flushPending();
  } catch (...) {
  }
}

void TKvDfOutputWindow::recompute() {
  size_t c = threshold_;
  if (stop_ > 0) c = std::min<size_t>(c, size_t(std::max<int64_t>(stop_ - before_, 0)));
  if (limit_ >= 0) c = std::min<size_t>(c, size_t(std::max<int64_t>(limit_ + 1 - before_, 0)));
  checkPos_ = c;
}

void TKvDfOutputWindow::flushPending() {
  if (pos_ <= flushed_) return;
  const uint8_t* p = buf_ + flushed_;
  size_t n = pos_ - flushed_;
  check_ = crc32_ ? KvCrc32Raw(check_, p, n) : KvAdler32(check_, p, n);
  if (testOnly_) counted_ += int64_t(n);
  else stream_->WriteBuffer(p, int64_t(n));
  flushed_ = pos_;
}

void TKvDfOutputWindow::Check() {
  int64_t total = before_ + int64_t(pos_);
  if (stop_ > 0 && total >= stop_) throw EKvPartSizedInflate();
  if (limit_ >= 0 && total > limit_) throw EKvInternalInflateError("more output than the entry declares [DecodeData]");
  if (pos_ >= threshold_) {
    flushPending();
    std::memmove(buf_, buf_ + pos_ - history_, history_);
    before_ += int64_t(pos_ - history_);
    pos_ = flushed_ = history_;
  }
  recompute();
}

void TKvDfOutputWindow::FlushAll() { flushPending(); }

uint8_t* TKvDfOutputWindow::DirectBegin(size_t n) {
  // A stop size or an output limit is watched byte by byte in the window.
  if (testOnly_ || stop_ > 0 || (limit_ >= 0 && before_ + int64_t(pos_ + n) > limit_)) return nullptr;
  if (!stream_->WritableSpan(0)) return nullptr;  // asked first: other targets keep their large writes
  flushPending();
  return stream_->WritableSpan(int64_t(n));
}

void TKvDfOutputWindow::DirectCopy(uint8_t* to, const uint8_t* from, size_t n) {
  if (crc32_) {
    check_ = KvCrc32RawCopy(check_, to, from, n);
  } else {
    std::memcpy(to, from, n);
    check_ = KvAdler32(check_, to, n);
  }
}

void TKvDfOutputWindow::DirectChecksum(const uint8_t* p, size_t n) {
  check_ = crc32_ ? KvCrc32Raw(check_, p, n) : KvAdler32(check_, p, n);
}

void TKvDfOutputWindow::DirectEnd(size_t n) {
  stream_->SpanWritten(int64_t(n));
  before_ += int64_t(n);
  stale_ = true;
}

void TKvDfOutputWindow::reload() {
  // All output so far lies in the target, flushed; the window takes its last part back.
  const int64_t total = before_ + int64_t(pos_);
  const size_t k = size_t(std::min<int64_t>(int64_t(history_), total));
  const uint8_t* end = stream_->WritableSpan(0);
  std::memcpy(buf_, end - k, k);
  pos_ = flushed_ = k;
  before_ = total - int64_t(k);
  stale_ = false;
  recompute();
}

void TKvDfOutputWindow::PutLiteral(uint8_t b) {
  buf_[pos_++] = b;
  if (pos_ >= checkPos_) Check();
}

void TKvDfOutputWindow::PutMatch(int length, int distance) {
  if (distance <= 0 || int64_t(distance) > before_ + int64_t(pos_))
    throw EKvInternalInflateError("distance too far back [DecodeData]");
  uint8_t* out = buf_ + pos_;
  const uint8_t* from = out - distance;
  if (length > distance) {
    for (int i = 0; i < length; ++i) out[i] = from[i];
  } else {
    std::memmove(out, from, size_t(length));
  }
  pos_ += size_t(length);
  if (pos_ >= checkPos_) Check();
}

void TKvDfOutputWindow::PutBuffer(const void* buffer, int64_t count) {
  auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    size_t room = checkPos_ > pos_ ? checkPos_ - pos_ : 1;
    size_t n = std::min<size_t>(room, size_t(count));
    std::memcpy(buf_ + pos_, p, n);
    pos_ += n;
    p += n;
    count -= int64_t(n);
    if (pos_ >= checkPos_) Check();
  }
}

uint32_t TKvDfOutputWindow::FinalChecksum() {
  flushPending();
  return crc32_ ? ~check_ : check_;
}

int64_t TKvDfOutputWindow::ProducedCount() const { return before_ + int64_t(pos_); }

}  // namespace kv
