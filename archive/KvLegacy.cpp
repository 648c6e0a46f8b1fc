#include "KvLegacy.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "KvChecksum.h"
#include "KvErrors.h"
#include "KvUtils.h"

namespace kv {
namespace {

// Input: bits least significant first, decrypted as they come; past the end zeros
// come and Overrun is set, so a decoder stops instead of spinning.
class BitIn {
 public:
  BitIn(const KvLegacyJob& j) : job_(j), left_(j.compressedSize) {}
  uint32_t Bits(int n) {
    while (cnt_ < n) {
      bits_ |= uint32_t(nextByte()) << cnt_;
      cnt_ += 8;
    }
    uint32_t v = bits_ & ((1u << n) - 1);
    bits_ >>= n;
    cnt_ -= n;
    return v;
  }
  bool Overrun = false;
 private:
  uint8_t nextByte() {
    if (pos_ == end_) {
      if (left_ <= 0) {
        Overrun = true;
        return 0;
      }
      int64_t want = std::min<int64_t>(left_, sizeof buf_);
      int64_t got = job_.input->Read(buf_, want);
      if (got <= 0) {
        if (!seen_) throw EKvReadError();
        Overrun = true;
        left_ = 0;
        return 0;
      }
      seen_ = true;
      if (job_.decoder) job_.decoder->DecodeInPlace(buf_, size_t(got));
      left_ -= got;
      pos_ = 0;
      end_ = size_t(got);
    }
    return buf_[pos_++];
  }
  const KvLegacyJob& job_;
  int64_t left_;
  uint8_t buf_[4096];
  size_t pos_ = 0, end_ = 0;
  uint32_t bits_ = 0;
  int cnt_ = 0;
  bool seen_ = false;
};

// Output: a 64 KiB ring written out in 32 KiB pieces with the CRC and progress.
class Out {
 public:
  explicit Out(const KvLegacyJob& j) : job_(j), ring_(kRing) {}
  bool Full() const { return total_ >= job_.uncompressedSize; }
  void Put(uint8_t b) {
    ring_[size_t(total_ & (kRing - 1))] = b;
    ++total_;
    if (total_ - flushed_ >= kRing / 2 || Full()) Flush();
  }
  void Copy(int64_t dist, int64_t len) {
    for (int64_t i = 0; i < len && !Full(); ++i) {
      int64_t from = total_ - dist;
      Put(from < 0 ? 0 : ring_[size_t(from & (kRing - 1))]);
    }
  }
  void Flush() {
    while (flushed_ < total_) {
      size_t at = size_t(flushed_ & (kRing - 1));
      size_t n = size_t(std::min<int64_t>(total_ - flushed_, int64_t(kRing - at)));
      crc_ = KvCrc32Raw(crc_, ring_.data() + at, n);
      job_.output->WriteBuffer(ring_.data() + at, int64_t(n));
      flushed_ += int64_t(n);
    }
    if (job_.progress) job_.progress(KvRatioPercent(total_, job_.uncompressedSize));
  }
  uint32_t Crc() const { return ~crc_; }
 private:
  static constexpr int64_t kRing = 65536;
  const KvLegacyJob& job_;
  std::vector<uint8_t> ring_;
  int64_t total_ = 0, flushed_ = 0;
  uint32_t crc_ = 0xFFFFFFFFu;
};

void unshrink(BitIn& in, Out& out) {
  constexpr int kFree = -1, kRoot = -2;
  std::vector<int16_t> parent(8192, kFree);
  std::vector<uint8_t> suffix(8192, 0);
  for (int c = 0; c < 256; ++c) {
    parent[size_t(c)] = kRoot;
    suffix[size_t(c)] = uint8_t(c);
  }
  parent[256] = kRoot;  // the control code is never a string
  int codeSize = 9, nextFree = 257;
  std::vector<uint8_t> stack(8192);
  if (out.Full()) return;
  int prev = int(in.Bits(codeSize));
  if (in.Overrun) return;
  if (prev > 255) throw EKvZipInvalid();
  out.Put(uint8_t(prev));
  while (!out.Full()) {
    int code = int(in.Bits(codeSize));
    if (in.Overrun) break;
    if (code == 256) {
      int sub = int(in.Bits(codeSize));
      if (in.Overrun) break;
      if (sub == 1) {
        if (++codeSize > 13) throw EKvZipInvalid();
      } else if (sub == 2) {
        // Partial clear: every code that is nobody's prefix becomes free.
        std::vector<bool> hasChild(8192, false);
        for (int c = 257; c < 8192; ++c)
          if (parent[size_t(c)] >= 257) hasChild[size_t(parent[size_t(c)])] = true;
        for (int c = 257; c < 8192; ++c)
          if (!hasChild[size_t(c)]) parent[size_t(c)] = kFree;
        nextFree = 257;
        while (nextFree < 8192 && parent[size_t(nextFree)] != kFree) ++nextFree;
      } else {
        throw EKvZipInvalid();
      }
      continue;
    }
    bool kwkwk = false;
    if (code >= 257 && parent[size_t(code)] == kFree) {
      if (code != nextFree) throw EKvZipInvalid();
      kwkwk = true;
    }
    int n = 0;
    for (int c = kwkwk ? prev : code; c != kRoot;) {
      if (c < 0 || c == 256 || n >= 8191 || parent[size_t(c)] == kFree) throw EKvZipInvalid();
      stack[size_t(n++)] = suffix[size_t(c)];
      c = parent[size_t(c)] == kRoot ? kRoot : parent[size_t(c)];
    }
    uint8_t first = stack[size_t(n - 1)];
    if (nextFree < 8192) {
      parent[size_t(nextFree)] = int16_t(prev);
      suffix[size_t(nextFree)] = first;
      while (nextFree < 8192 && parent[size_t(nextFree)] != kFree) ++nextFree;
    }
    for (int i = n - 1; i >= 0 && !out.Full(); --i) out.Put(stack[size_t(i)]);
    if (kwkwk && !out.Full()) out.Put(first);
    prev = code;
  }
}

void unreduce(BitIn& in, Out& out, int factor) {
  if (factor < 1 || factor > 4) throw EKvZipInvalidFactor();
  static const uint8_t kLenMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
  static const uint8_t kShift[5] = {0, 7, 6, 5, 4};
  uint8_t followers[256][32];
  uint8_t count[256];
  for (int x = 255; x >= 0; --x) {
    count[x] = uint8_t(in.Bits(6));
    if (count[x] > 32) throw EKvZipInvalid();
    for (int i = 0; i < count[x]; ++i) followers[x][i] = uint8_t(in.Bits(8));
  }
  auto bitsFor = [](int n) {
    int b = 1;
    while ((1 << b) < n) ++b;
    return b;
  };
  int last = 0, state = 0, len = 0, v = 0;
  while (!out.Full()) {
    int c;
    if (count[last] == 0) {
      c = int(in.Bits(8));
    } else if (in.Bits(1)) {
      c = int(in.Bits(8));
    } else {
      int i = int(in.Bits(bitsFor(count[last])));
      if (i >= count[last]) throw EKvZipInvalid();
      c = followers[last][i];
    }
    if (in.Overrun) break;
    last = c;
    switch (state) {
      case 0:
        if (c != 0x90) out.Put(uint8_t(c));
        else state = 1;
        break;
      case 1:
        if (c == 0) {
          out.Put(0x90);
          state = 0;
        } else {
          v = c;
          len = c & kLenMask[factor];
          state = len == kLenMask[factor] ? 2 : 3;
        }
        break;
      case 2:
        len += c;
        state = 3;
        break;
      default: {
        int64_t dist = int64_t(v >> kShift[factor]) * 256 + c + 1;
        out.Copy(dist, len + 3);
        state = 0;
      }
    }
  }
}

// A Shannon-Fano tree as the implode method sends it, decoded as a canonical code
// on the complemented bits.
struct SFTree {
  int count[17] = {0};
  std::vector<int> symbols;
  void Read(BitIn& in, int n) {
    int entries = int(in.Bits(8)) + 1;
    std::vector<int> lens;
    for (int e = 0; e < entries; ++e) {
      int b = int(in.Bits(8));
      int len = (b & 15) + 1, rep = (b >> 4) + 1;
      if (int(lens.size()) + rep > n) throw EKvZipInvalid();
      lens.insert(lens.end(), size_t(rep), len);
    }
    if (int(lens.size()) != n || in.Overrun) throw EKvZipInvalid();
    for (int l : lens) count[l]++;
    int left = 1;
    for (int l = 1; l <= 16; ++l) {
      left = (left << 1) - count[l];
      if (left < 0) throw EKvZipInvalid();
    }
    for (int l = 1; l <= 16; ++l)
      for (int s = 0; s < n; ++s)
        if (lens[size_t(s)] == l) symbols.push_back(s);
  }
  int Decode(BitIn& in) const {
    int code = 0, first = 0, index = 0;
    for (int l = 1; l <= 16; ++l) {
      code |= int(in.Bits(1) ^ 1);
      int c = count[l];
      if (code - first < c) return symbols[size_t(index + code - first)];
      index += c;
      first = (first + c) << 1;
      code <<= 1;
    }
    throw EKvZipInvalid();
  }
};

void explode(BitIn& in, Out& out, uint16_t flags) {
  bool litTree = flags & 4;
  int dictBits = (flags & 2) ? 7 : 6;
  int minMatch = litTree ? 3 : 2;
  SFTree lit, len, dist;
  if (litTree) lit.Read(in, 256);
  len.Read(in, 64);
  dist.Read(in, 64);
  while (!out.Full()) {
    if (in.Bits(1)) {
      int c = litTree ? lit.Decode(in) : int(in.Bits(8));
      if (in.Overrun) break;
      out.Put(uint8_t(c));
    } else {
      int low = int(in.Bits(dictBits));
      int high = dist.Decode(in);
      int64_t d = (int64_t(high) << dictBits) + low + 1;
      int l = len.Decode(in);
      if (l == 63) l += int(in.Bits(8));
      if (in.Overrun) break;
      out.Copy(d, l + minMatch);
    }
  }
}

}  // namespace

uint32_t KvLegacyExtract(const KvLegacyJob& job) {
  BitIn in(job);
  Out out(job);
  switch (job.method) {
    case 1: unshrink(in, out); break;
    case 2: case 3: case 4: case 5: unreduce(in, out, job.method - 1); break;
    case 6: explode(in, out, job.flags); break;
    default: throw EKvZipInvalidMethod();
  }
  out.Flush();
  return out.Crc();
}

// ---- the window stream ----

TKvSlidingWindowStream::TKvSlidingWindowStream(KvStream* target) : target_(target) {}

TKvSlidingWindowStream::~TKvSlidingWindowStream() {
  if (dirty_) {
    try {
      Flush();
    } catch (...) {
    }
  }
}

void TKvSlidingWindowStream::writeChunk(int index) {
  int64_t off = chunk0Offset_ + int64_t(index) * kChunk;
  if (off < 0) return;
  int n = index == 4 ? lastFill_ : kChunk;
  if (off + n > size_) n = int(std::max<int64_t>(0, size_ - off));
  if (n <= 0) return;
  if (target_->Seek(off, soBeginning) != off)
    throw std::runtime_error("TKvSlidingWindowStream.bsWriteChunk: seek failed");
  if (target_->Write(chunks_[order_[index]], n) != n)
    throw std::runtime_error("TKvSlidingWindowStream.bsWriteChunk: write failed");
}

void TKvSlidingWindowStream::Flush() {
  for (int i = 0; i < 5; ++i) writeChunk(i);
  dirty_ = false;
}

int64_t TKvSlidingWindowStream::Write(const void* buffer, int64_t count) {
  if (position_ != size_) throw std::runtime_error("TKvSlidingWindowStream.Write: Not at end of stream");
  count = std::min<int64_t>(count, 32768);
  auto* p = static_cast<const uint8_t*>(buffer);
  for (int64_t i = 0; i < count; ++i) {
    chunks_[order_[4]][lastFill_++] = p[i];
    ++size_;
    if (lastFill_ == kChunk) {
      writeChunk(0);
      int old = order_[0];
      for (int k = 0; k < 4; ++k) order_[k] = order_[k + 1];
      order_[4] = old;
      std::memset(chunks_[old], 0, kChunk);
      chunk0Offset_ += kChunk;
      lastFill_ = 0;
    }
  }
  position_ = size_;
  dirty_ = true;
  return count;
}

int64_t TKvSlidingWindowStream::Read(void* buffer, int64_t count) {
  count = std::max<int64_t>(0, std::min<int64_t>({count, 32768, size_ - position_}));
  auto* p = static_cast<uint8_t*>(buffer);
  for (int64_t i = 0; i < count; ++i) {
    int64_t rel = position_ - chunk0Offset_;
    p[i] = chunks_[order_[rel / kChunk]][rel % kChunk];
    ++position_;
  }
  return count;
}

int64_t TKvSlidingWindowStream::Seek(int64_t offset, int origin) {
  int64_t target;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: target = position_ + offset; break;
    case soEnd: target = size_ + offset; break;
    default: throw std::runtime_error("TKvSlidingWindowStream.Seek: invalid origin");
  }
  if (target < std::max<int64_t>(0, chunk0Offset_) || target > size_)
    throw std::runtime_error("TKvSlidingWindowStream.Seek: invalid new position");
  position_ = target;
  return position_;
}

}  // namespace kv
