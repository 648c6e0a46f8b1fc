#include "KvInflate.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "KvCrypt.h"

namespace kv {
namespace {

// Decode table entries: bits 0-7 the bits to take in all (code and extra bits; for a link to
// a subtable, the first level's bits), 8-11 the code bits alone (for a link, the subtable's
// index bits), 12-14 kind, 16-31 value (byte, base length, base distance or subtable offset).
// With the extra bits counted in, a length or distance is one mask and one shift away.
enum Kind : uint32_t { kLit = 0, kLen = 1, kEob = 2, kSub = 3, kBad = 4, kDist = 5 };
constexpr uint32_t kKindMask = 7u << 12;
constexpr uint32_t entry(uint32_t kind, uint32_t value, uint32_t extra) { return extra | (kind << 12) | (value << 16); }
constexpr uint32_t withCode(uint32_t e, uint32_t codeBits) { return e + codeBits + (codeBits << 8); }
constexpr uint32_t link(uint32_t offset, uint32_t primary, uint32_t subBits) {
  return primary | (subBits << 8) | (kSub << 12) | (offset << 16);
}
inline uint32_t eTotal(uint32_t e) { return e & 0xFF; }
inline uint32_t eCode(uint32_t e) { return (e >> 8) & 15; }
inline uint32_t eKind(uint32_t e) { return (e >> 12) & 7; }
inline bool eIsLit(uint32_t e) { return (e & kKindMask) == 0; }
inline uint32_t eValue(uint32_t e) { return e >> 16; }
// Base plus extra bits, from the bit buffer as it stands before the code is taken.
inline uint32_t eDecode(uint32_t e, uint64_t bits) {
  return eValue(e) + uint32_t((bits & ((uint64_t(1) << eTotal(e)) - 1)) >> eCode(e));
}

constexpr int kLitPrimary = 11, kDistPrimary = 8;
constexpr size_t kLitTableSize = (1 << kLitPrimary) + 288 * 32;
constexpr size_t kDistTableSize = (1 << kDistPrimary) + 32 * 128;

const uint16_t kLenBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[32] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
                                257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577,
                                32769, 49153};
const uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
                                7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};

#if defined(__x86_64__)
#define KV_BMI2 __attribute__((target("bmi2")))
const bool kHaveBmi2 = (__builtin_cpu_init(), __builtin_cpu_supports("bmi2"));
#else
#define KV_BMI2
constexpr bool kHaveBmi2 = false;
#endif

std::atomic<bool> gForcePlain{false};

[[noreturn]] void fail(const char* cause) { throw EKvInternalInflateError(cause); }

uint32_t litEntry(int sym, bool d64) {
  if (sym < 256) return entry(kLit, uint32_t(sym), 0);
  if (sym == 256) return entry(kEob, 0, 0);
  if (sym > 285) return entry(kBad, 1, 0);  // invalid length symbol
  if (sym == 285) return d64 ? entry(kLen, 3, 16) : entry(kLen, 258, 0);
  return entry(kLen, kLenBase[sym - 257], kLenExtra[sym - 257]);
}

uint32_t distEntry(int sym, bool d64) {
  if (sym >= 30 && !d64) return entry(kBad, 2, 0);  // invalid distance symbol
  return entry(kDist, kDistBase[sym], kDistExtra[sym]);
}

// Builds a two-level table; over-subscribed lengths are refused, incomplete ones leave
// unused patterns marked bad.
template <typename EntryFor>
void buildTable(const uint8_t* lens, int n, int primary, uint32_t* table, size_t cap, EntryFor entryFor) {
  int count[16] = {0};
  for (int i = 0; i < n; ++i) count[lens[i]]++;
  count[0] = 0;
  int left = 1;
  for (int l = 1; l <= 15; ++l) {
    left = (left << 1) - count[l];
    if (left < 0) fail("over-subscribed set of code lengths [BuildTable]");
  }
  int next[16];
  int code = 0;
  for (int l = 1; l <= 15; ++l) {
    code = (code + count[l - 1]) << 1;
    next[l] = code;
  }
  const size_t psize = size_t(1) << primary;
  const uint32_t bad = entry(kBad, 0, 0);
  // A complete code covers every slot; only an incomplete one leaves gaps to mark.
  const bool gaps = left != 0;
  if (gaps) std::fill(table, table + psize, bad);
  // Longest code per primary prefix, for the subtables, and the prefixes in order seen.
  uint8_t subLen[1 << kLitPrimary];  // primary tables are at most this big
  std::memset(subLen, 0, psize);
  uint16_t prefixes[320];
  int nPrefixes = 0;
  uint16_t revs[320];
  static const auto rev8 = [] {
    std::array<uint8_t, 256> r{};
    for (int i = 0; i < 256; ++i)
      for (int b = 0; b < 8; ++b) r[size_t(i)] = uint8_t(r[size_t(i)] | (((i >> b) & 1) << (7 - b)));
    return r;
  }();
  for (int s = 0; s < n; ++s) {
    int l = lens[s];
    if (!l) continue;
    int c = next[l]++;
    int rev = ((rev8[size_t(c & 0xFF)] << 8) | rev8[size_t(c >> 8)]) >> (16 - l);
    revs[s] = uint16_t(rev);
    if (l > primary) {
      int pre = rev & int(psize - 1);
      if (!subLen[pre]) prefixes[nPrefixes++] = uint16_t(pre);
      subLen[pre] = uint8_t(std::max<int>(subLen[pre], l - primary));
    }
  }
  size_t used = psize;
  for (int k = 0; k < nPrefixes; ++k) {
    const size_t pre = prefixes[k];
    size_t size = size_t(1) << subLen[pre];
    if (used + size > cap) fail("decode table overflow [BuildTable]");
    if (gaps) std::fill(table + used, table + used + size, bad);
    table[pre] = link(uint32_t(used), uint32_t(primary), subLen[pre]);
    used += size;
  }
  for (int s = 0; s < n; ++s) {
    int l = lens[s];
    if (!l) continue;
    uint32_t e = withCode(entryFor(s), uint32_t(l <= primary ? l : l - primary));
    int rev = revs[s];
    if (l <= primary) {
      for (size_t i = size_t(rev); i < psize; i += size_t(1) << l) table[i] = e;
    } else {
      uint32_t p = table[rev & int(psize - 1)];
      size_t base = eValue(p), sub = size_t(1) << eCode(p);
      for (size_t i = size_t(rev >> primary); i < sub; i += size_t(1) << (l - primary)) table[base + i] = e;
    }
  }
}

struct Tables {
  uint32_t lit[kLitTableSize];
  uint32_t dist[kDistTableSize];
};

const Tables& staticTables(bool d64) {
  static const auto make = [](bool d) {
    auto t = std::make_unique<Tables>();
    uint8_t l[288];
    for (int i = 0; i < 144; ++i) l[i] = 8;
    for (int i = 144; i < 256; ++i) l[i] = 9;
    for (int i = 256; i < 280; ++i) l[i] = 7;
    for (int i = 280; i < 288; ++i) l[i] = 8;
    buildTable(l, 288, kLitPrimary, t->lit, kLitTableSize, [d](int s) { return litEntry(s, d); });
    uint8_t dl[32];
    std::fill(dl, dl + 32, 5);
    buildTable(dl, 32, kDistPrimary, t->dist, kDistTableSize, [d](int s) { return distEntry(s, d); });
    return t;
  };
  static const std::unique_ptr<Tables> plain = make(false), wide = make(true);
  return d64 ? *wide : *plain;
}

class Decoder {
 public:
  Decoder(KvStream* src, TKvDfOutputWindow& w, bool d64, int64_t sourceSize, std::function<void(int)> progress)
      : src_(src), w_(w), d64_(d64), size_(sourceSize), progress_(std::move(progress)) {
    in_.resize(kIn + 16);
  }

  void run() {
    for (;;) {
      need(3);
      uint32_t last = take(1);
      uint32_t type = take(1) | (take(1) << 1);
      checkPad();
      if (type == 0) stored();
      else if (type == 1) {
        w_.Refresh();
        const Tables& t = staticTables(d64_);
        data(t.lit, t.dist);
      } else if (type == 2) {
        w_.Refresh();
        dynamic();
      } else fail("starting new block, but invalid block type [Inflate]");
      if (last) break;
    }
  }

  // Bytes read from the source but not used; they go back to it.
  int64_t unread() const { return int64_t(end_ - pos_) + int64_t(cnt_ / 8) - pad_; }

 private:
  static constexpr size_t kIn = 32768;

  bool readMore() {
    if (eof_) return false;
    size_t left = end_ - pos_;
    std::memmove(in_.data(), in_.data() + pos_, left);
    pos_ = 0;
    end_ = left;
    // After a stored block only the next header is fetched: if the block after it is stored
    // too, its bytes then go straight from the source into the window, not through here.
    int64_t want = int64_t(kIn - end_);
    if (afterStored_) want = std::min<int64_t>(want, 16);
    afterStored_ = false;
    int64_t n = src_->Read(in_.data() + end_, want);
    if (n <= 0) {
      eof_ = true;
      return false;
    }
    end_ += size_t(n);
    read_ += n;
    if (progress_ && size_ > 0) progress_(int(std::nearbyint(double(read_) * 100.0 / double(size_))));
    return true;
  }

  void refillSlow() {
    while (cnt_ <= 56) {
      if (pos_ == end_ && !readMore()) {
        // Past the end: zero bits, counted, so that using them is noticed.
        cnt_ += 8;
        ++pad_;
        continue;
      }
      if (end_ - pos_ >= 8) {
        refillFast();
        return;
      }
      bits_ |= uint64_t(in_[pos_++]) << cnt_;
      cnt_ += 8;
    }
  }
  inline void refillFast() {
    uint64_t w;
    std::memcpy(&w, in_.data() + pos_, 8);
    bits_ |= w << cnt_;
    pos_ += (63 - cnt_) >> 3;
    cnt_ |= 56;
  }
  inline void need(unsigned n) {
    if (cnt_ < n) {
      if (end_ - pos_ >= 8 && pad_ == 0) refillFast();
      else refillSlow();
    }
  }
  inline uint32_t take(unsigned n) {
    uint32_t v = uint32_t(bits_ & ((uint64_t(1) << n) - 1));
    bits_ >>= n;
    cnt_ -= n;
    return v;
  }
  inline void checkPad() {
    if (pad_ && cnt_ < unsigned(pad_) * 8) fail("no more compressed data in stream [TKvDfInBitStream.ReadBits]");
  }

  void stored() {
    // Drop to the byte boundary.
    take(cnt_ % 8);
    need(32);
    uint32_t len = take(16), nlen = take(16);
    checkPad();
    if ((len ^ 0xFFFF) != nlen) fail("invalid stored block (length and NOT length do not match) [InflateStoredBlock]");
    // The few whole bytes still in the bit buffer.
    uint8_t held[8];
    size_t k = 0;
    while (len > 0 && cnt_ >= 8 && cnt_ > unsigned(pad_) * 8) {
      held[k++] = uint8_t(take(8));
      --len;
    }
    if (len > 0 && !pad_) {
      if (uint8_t* to = w_.DirectBegin(k + len)) {
        storedDirect(to, held, k, len);
        return;
      }
    }
    w_.Refresh();
    w_.PutBuffer(held, int64_t(k));
    if (cnt_ == 0) bits_ = 0;  // what lay above was read ahead; it is copied below
    if (len > 0 && pad_) fail("no more compressed data in stream [TKvDfInBitStream.ReadBuffer]");
    size_t n = std::min<size_t>(len, end_ - pos_);
    w_.PutBuffer(in_.data() + pos_, int64_t(n));
    pos_ += n;
    len -= uint32_t(n);
    // The rest straight from the source into the window.
    while (len > 0) {
      size_t room = w_.checkPos_ > w_.pos_ ? w_.checkPos_ - w_.pos_ : 1;
      int64_t want = int64_t(std::min<size_t>(len, room));
      int64_t got = src_->Read(w_.buf_ + w_.pos_, want);
      if (got <= 0) {
        eof_ = true;
        fail("no more compressed data in stream [TKvDfInBitStream.ReadBuffer]");
      }
      read_ += got;
      if (progress_ && size_ > 0) progress_(int(std::nearbyint(double(read_) * 100.0 / double(size_))));
      w_.pos_ += size_t(got);
      len -= uint32_t(got);
      if (w_.pos_ >= w_.checkPos_) w_.Check();
    }
    afterStored_ = true;
  }

  // A memory target takes the block in one copy, from the source straight into place.
  void storedDirect(uint8_t* to, const uint8_t* held, size_t k, uint32_t len) {
    w_.DirectCopy(to, held, k);
    if (cnt_ == 0) bits_ = 0;  // what lay above was read ahead; it is copied below
    size_t done = k;
    size_t n = std::min<size_t>(len, end_ - pos_);
    w_.DirectCopy(to + done, in_.data() + pos_, n);
    pos_ += n;
    done += n;
    len -= uint32_t(n);
    while (len > 0) {
      // A source in memory is copied and checksummed in one pass.
      int64_t got = int64_t(len);
      if (const uint8_t* from = src_->ReadSpan(got)) {
        w_.DirectCopy(to + done, from, size_t(got));
      } else {
        got = src_->Read(to + done, int64_t(len));
        if (got > 0) w_.DirectChecksum(to + done, size_t(got));
      }
      if (got <= 0) {
        eof_ = true;
        w_.DirectEnd(done);
        fail("no more compressed data in stream [TKvDfInBitStream.ReadBuffer]");
      }
      read_ += got;
      if (progress_ && size_ > 0) progress_(int(std::nearbyint(double(read_) * 100.0 / double(size_))));
      done += size_t(got);
      len -= uint32_t(got);
    }
    w_.DirectEnd(done);
    afterStored_ = true;
  }

  void dynamic() {
    need(14);
    int hlit = int(take(5)) + 257, hdist = int(take(5)) + 1, hclen = int(take(4)) + 4;
    checkPad();
    if (hlit > 286) fail("count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
    if (!d64_ && hdist > 30) fail("count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");
    static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t cl[19] = {0};
    for (int i = 0; i < hclen; ++i) {
      need(3);
      cl[order[i]] = uint8_t(take(3));
    }
    checkPad();
    // The code-length code: a single level of 7 bits.
    uint32_t clt[128 + 8];
    buildTable(cl, 19, 7, clt, 136, [](int s) { return entry(kLit, uint32_t(s), 0); });
    uint8_t lens[320] = {0};
    int n = hlit + hdist, i = 0;
    while (i < n) {
      need(7 + 7);
      uint32_t e = clt[bits_ & 127];
      if (eKind(e) != kLit) fail("decoded a code length out of range {ReadLitDistCodeLengths}");
      take(eTotal(e));
      int sym = int(eValue(e));
      if (sym < 16) {
        lens[i++] = uint8_t(sym);
      } else {
        int rep;
        uint8_t val = 0;
        if (sym == 16) {
          if (i == 0) fail("repeat of a code length with no previous length {ReadLitDistCodeLengths}");
          val = lens[i - 1];
          rep = 3 + int(take(2));
        } else if (sym == 17) {
          rep = 3 + int(take(3));
        } else {
          rep = 11 + int(take(7));
        }
        if (i + rep > n) fail("repeat of code lengths past the end {ReadLitDistCodeLengths}");
        std::fill(lens + i, lens + i + rep, val);
        i += rep;
      }
      checkPad();
    }
    bool d = d64_;
    buildTable(lens, hlit, kLitPrimary, lit_, kLitTableSize, [d](int s) { return litEntry(s, d); });
    buildTable(lens + hlit, hdist, kDistPrimary, dist_, kDistTableSize, [d](int s) { return distEntry(s, d); });
    data(lit_, dist_);
  }

  inline uint32_t lookup(const uint32_t* t, int primary) {
    uint32_t e = t[bits_ & ((1u << primary) - 1)];
    if (eKind(e) == kSub) {
      take(uint32_t(primary));
      e = t[eValue(e) + (bits_ & ((1u << eCode(e)) - 1))];
    }
    return e;
  }

  // Copies a match; may write up to 15 bytes past its end (the window has room).
  static inline void copyMatch(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    uint8_t* const stop = out + length;
    if (distance >= 16) {
      // Most matches are short: the first 16 bytes without a loop.
      auto copy16 = [](uint8_t* to, const uint8_t* at) {
        uint8_t t[16];
        std::memcpy(t, at, 16);
        std::memcpy(to, t, 16);
      };
      copy16(out, from);
      if (length > 16) {
        copy16(out + 16, from + 16);
        out += 32;
        from += 32;
        while (out < stop) {
          copy16(out, from);
          out += 16;
          from += 16;
        }
      }
    } else if (distance >= 8) {
      do {
        uint64_t v;
        std::memcpy(&v, from, 8);
        std::memcpy(out, &v, 8);
        out += 8;
        from += 8;
      } while (out < stop);
    } else {
      // A short repeat: one word holds the pattern, stored again and again, each time
      // moved on by whole periods, so no store has to be read back.
      uint64_t v = 0;
      for (uint32_t k = 0; k < distance; ++k) v |= uint64_t(from[k]) << (8 * k);
      for (uint32_t filled = distance; filled < 8; filled *= 2) v |= v << (8 * filled);
      const uint32_t step = 8 - 8 % distance;
      do {
        std::memcpy(out, &v, 8);
        out += step;
      } while (out < stop);
    }
  }

  [[noreturn]] static void badLiteral(uint32_t e) {
    if (eKind(e) == kBad && eValue(e) == 1) fail("decoded an invalid length symbol: greater than 285 [DecodeData]");
    fail("decoded an unused literal/length code [DecodeData]");
  }
  [[noreturn]] static void badDistance(uint32_t de) {
    if (eKind(de) == kBad && eValue(de) == 2) fail("decoded an invalid distance symbol: greater than 29 [DecodeData]");
    fail("decoded an unused distance code [DecodeData]");
  }

  // One symbol at a time near the end of the input; true at the end of the block.
  bool slowStep(const uint32_t* lit, const uint32_t* dist) {
    uint8_t* const buf = w_.buf_;
    need(48);
    uint32_t e = lookup(lit, kLitPrimary);
    uint32_t kind = eKind(e);
    if (kind == kLit) {
      take(eTotal(e));
      checkPad();
      buf[w_.pos_++] = uint8_t(eValue(e));
    } else if (kind == kLen) {
      uint32_t length = eDecode(e, bits_);
      take(eTotal(e));
      need(30);
      uint32_t de = lookup(dist, kDistPrimary);
      if (eKind(de) != kDist) badDistance(de);
      uint32_t distance = eDecode(de, bits_);
      take(eTotal(de));
      checkPad();
      if (int64_t(distance) > w_.before_ + int64_t(w_.pos_)) fail("distance too far back [DecodeData]");
      copyMatch(buf + w_.pos_, distance, length);
      w_.pos_ += length;
    } else if (kind == kEob) {
      take(eTotal(e));
      checkPad();
      return true;
    } else {
      badLiteral(e);
    }
    if (w_.pos_ >= w_.checkPos_) w_.Check();
    return false;
  }

  void data(const uint32_t* lit, const uint32_t* dist) {
    for (;;) {
      if (pad_ == 0 && end_ - pos_ >= 48) {
        const bool bmi2 = kHaveBmi2 && !gForcePlain.load(std::memory_order_relaxed);
        if (bmi2 ? fastBmi2(lit, dist) : fastPlain(lit, dist)) return;
        continue;
      }
      if (slowStep(lit, dist)) return;
    }
  }

  // The hot loop twice: once with the variable shifts and masks of BMI2, chosen at start.
  KV_BMI2 bool fastBmi2(const uint32_t* lit, const uint32_t* dist) {
    return fastLoop(lit, dist);
  }
  bool fastPlain(const uint32_t* lit, const uint32_t* dist) { return fastLoop(lit, dist); }

  // Decodes while input and window room last; true at the end of the block.
  __attribute__((always_inline)) inline bool fastLoop(const uint32_t* lit, const uint32_t* dist) {
    constexpr uint32_t litMask = (1u << kLitPrimary) - 1, distMask = (1u << kDistPrimary) - 1;
    // The hot loop keeps its state in locals: stores through the byte pointer
    // would otherwise force the members to be reloaded after every byte.
    uint64_t bits = bits_;
    unsigned cnt = cnt_;
    const uint8_t* const inBase = in_.data();
    const uint8_t* ip = inBase + pos_;
    // A round refills at most twice, seven bytes each, reading eight.
    const uint8_t* const ipSafe = inBase + end_ - 32;
    uint8_t* const buf = w_.buf_;
    uint8_t* out = buf + w_.pos_;
    uint8_t* check = buf + w_.checkPos_;
    int64_t before = w_.before_;
    // Refilling only adds bits above those counted, so an entry looked up
    // before a refill stays good after it.
    // Only the low byte of cnt counts: whole entries are subtracted from it (their low
    // byte is the bit count), which saves extracting the count on every symbol.
    auto refill = [&] {
      uint64_t w;
      std::memcpy(&w, ip, 8);
      bits |= w << (cnt & 63);
      ip += ((cnt & 63) ^ 63) >> 3;
      cnt |= 56;
    };
    auto consume = [&](uint32_t e) {
      bits >>= (e & 63);  // a total is below 32
      cnt -= e;
    };
    auto sub = [&](const uint32_t* t, uint32_t e) {
      consume(e);
      return t[eValue(e) + (bits & ((1u << eCode(e)) - 1))];
    };
    auto flushCheck = [&] {
      if (out >= check) {
        w_.pos_ = size_t(out - buf);
        bits_ = bits;  // an early stop reports the input used so far
        cnt_ = cnt & 0xFF;
        pos_ = size_t(ip - inBase);
        w_.Check();
        out = buf + w_.pos_;
        check = buf + w_.checkPos_;
        before = w_.before_;
      }
    };
    bool eob = false;
    refill();
    uint32_t e = lit[bits & litMask];
    while (ip <= ipSafe) {
      if (eIsLit(e)) {
        // Up to three literals from one refill: each code takes at most 15 bits, so
        // the look-up after them still has the 11 bits of the first level.
        consume(e);
        *out++ = uint8_t(eValue(e));
        e = lit[bits & litMask];
        if (eIsLit(e)) {
          consume(e);
          *out++ = uint8_t(eValue(e));
          e = lit[bits & litMask];
          if (eIsLit(e)) {
            consume(e);
            *out++ = uint8_t(eValue(e));
            e = lit[bits & litMask];
          }
        }
        flushCheck();
        refill();
        continue;
      }
      // Here at least 56 bits are counted: enough for any length code with its extra bits.
      if (eKind(e) == kSub) e = sub(lit, e);
      const uint32_t kind = eKind(e);
      if (kind == kLen) {
        const uint32_t length = eDecode(e, bits);
        consume(e);
        if ((cnt & 0xFF) < 29) refill();
        uint32_t de = dist[bits & distMask];
        if (eKind(de) == kSub) de = sub(dist, de);
        if (eKind(de) != kDist) badDistance(de);
        const uint32_t distance = eDecode(de, bits);
        consume(de);
        if (int64_t(distance) > before + int64_t(out - buf)) fail("distance too far back [DecodeData]");
        // The next entry is looked up before the copy, so both run side by side.
        refill();
        e = lit[bits & litMask];
        copyMatch(out, distance, length);
        out += length;
        flushCheck();
        continue;
      }
      if (kind == kLit) {  // a literal behind a subtable link
        consume(e);
        *out++ = uint8_t(eValue(e));
        flushCheck();
        refill();
        e = lit[bits & litMask];
        continue;
      }
      if (kind == kEob) {
        consume(e);
        eob = true;
        break;
      }
      badLiteral(e);
    }
    bits_ = bits;
    cnt_ = cnt & 0xFF;
    pos_ = size_t(ip - inBase);
    w_.pos_ = size_t(out - buf);
    return eob;
  }

  KvStream* src_;
  TKvDfOutputWindow& w_;
  bool d64_;
  int64_t size_;
  std::function<void(int)> progress_;
  std::vector<uint8_t> in_;
  size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  bool afterStored_ = false;
  int64_t read_ = 0;
  uint64_t bits_ = 0;
  unsigned cnt_ = 0;
  int pad_ = 0;
  uint32_t lit_[kLitTableSize];
  uint32_t dist_[kDistTableSize];
};

}  // namespace

void KvInflateForcePlainLoop(bool plain) { gForcePlain = plain; }

uint32_t Inflate(KvStream* aSource, KvStream* aDest, TKvDeflateHelper* aHelper) {
  if (!aSource) throw std::logic_error("Deflate: aSource stream cannot be nil");
  if (!aDest) throw std::logic_error("Deflate: aDest stream cannot be nil");
  TKvDeflateHelper h;
  if (aHelper) h.Assign(*aHelper);
  int64_t srcStart = aSource->Position();
  int64_t dstStart = aDest->Position();
  if (h.OnProgressPercent && h.SourceSize == -1) h.SourceSize = aSource->Size();
  if (!h.OnProgressPercent) h.SourceSize = 0;
  std::unique_ptr<TKvLogger> logger;
  if (!h.LogFileName.empty()) {
    logger = std::make_unique<TKvLogger>(h.LogFileName);
    logger->LogLine("INFLATING STREAM...");
    logger->LogLine("Need to recompile the app with UseLogging turned on");
  }
  std::unique_ptr<TKvDfDecryptStream> decrypt;
  KvStream* input = aSource;
  if (!h.CipherPassword.empty()) {
    decrypt = std::make_unique<TKvDfDecryptStream>(aSource, uint32_t(h.HeaderCheck), h.CipherPassword);
    if (!decrypt->CheckHeader()) throw EKvInflatePasswordError("Inflate: stream is encrypted but passphrase is wrong");
    input = decrypt.get();
  }
  const int opts = h.Options();
  const bool testOnly = opts & dfoTestOnly;
  uint32_t result = 0;
  int64_t produced = 0;
  {
    TKvDfOutputWindow window(aDest, logger.get(), testOnly, h.StopAfterSize, !(opts & dfoAdler32),
                             opts & dfoDeflate64, h.OutputLimit);
    auto dec = std::make_unique<Decoder>(input, window, opts & dfoDeflate64, h.SourceSize, h.OnProgressPercent);
    bool early = false;
    try {
      dec->run();
    } catch (const EKvPartSizedInflate&) {
      early = true;
    } catch (const EKvAbortProgress&) {
      early = true;
    } catch (const EKvInternalInflateError& e) {
      if (logger) logger->LogLine(std::string("Internal exception raised: ") + e.what());
      throw EKvInflateError(e.what());
    }
    if (!early) result = window.FinalChecksum();
    else window.FlushAll();
    produced = window.ProducedCount();
    int64_t unread = dec->unread();
    if (unread > 0) input->Seek(-unread, soCurrent);
  }
  if (aHelper) {
    aHelper->PlainSize = testOnly ? produced : aDest->Position() - dstStart;
    aHelper->PackedSize = aSource->Position() - srcStart;
  }
  return result;
}

}  // namespace kv
