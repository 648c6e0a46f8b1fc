#include "KvDeflate.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "KvChecksum.h"
#include "KvCrypt.h"

namespace kv {

namespace {

const uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint32_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
                                7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
const uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Symbol tables built once: lengths 3..258, distances through a short and a medium table.
struct Tables {
  uint8_t len[256];
  uint8_t shortDist[256];
  uint8_t mediumDist[256];
  Tables() {
    for (int s = 0; s < 28; ++s)
      for (int l = kLenBase[s]; l < kLenBase[s] + (1 << kLenExtra[s]) && l <= 258; ++l) len[l - 3] = uint8_t(s);
    len[255] = 28;  // 258
    for (int s = 0; s < 30; ++s)
      for (uint32_t d = kDistBase[s]; d < kDistBase[s] + (1u << kDistExtra[s]); ++d) {
        if (d <= 256) shortDist[d - 1] = uint8_t(s);
        else mediumDist[(d - 1) >> 7] = uint8_t(s);
      }
  }
};
const Tables& tables() {
  static const Tables t;
  return t;
}

inline int lenSym(int length) { return length <= 258 ? 257 + tables().len[length - 3] : 285; }
inline int distSym(uint32_t d) {
  if (d <= 256) return tables().shortDist[d - 1];
  if (d <= 32768) return tables().mediumDist[(d - 1) >> 7];
  return d <= 49152 ? 30 : 31;
}

// Bit writer into a byte buffer that goes to the stream in large pieces.
class BitWriter {
 public:
  explicit BitWriter(KvStream* s) : s_(s), buf_(new uint8_t[kChunk + 64]) {}
  void Put(uint32_t bits, int count) {
    acc_ |= uint64_t(bits) << n_;
    n_ += count;
    if (n_ >= 32) {
      uint32_t w = uint32_t(acc_);
      std::memcpy(buf_.get() + len_, &w, 4);  // little-endian hosts only, as everywhere here
      len_ += 4;
      acc_ >>= 32;
      n_ -= 32;
      if (len_ >= kChunk) Drain();
    }
  }
  void Align() {
    while (n_ > 0) {
      buf_[len_++] = uint8_t(acc_);
      acc_ >>= 8;
      n_ = n_ > 8 ? n_ - 8 : 0;
    }
    acc_ = 0;
    if (len_ >= kChunk) Drain();
  }
  void Bytes(const uint8_t* p, size_t count) {
    while (count > 0) {
      size_t room = kChunk - len_;
      size_t n = std::min(room, count);
      std::memcpy(buf_.get() + len_, p, n);
      len_ += n;
      p += n;
      count -= n;
      if (len_ >= kChunk) Drain();
    }
  }
  void Drain() {
    if (!len_) return;
    if (s_->Write(buf_.get(), int64_t(len_)) != int64_t(len_))
      throw EKvInternalDeflateError("could not write to the output stream");
    written_ += int64_t(len_);
    len_ = 0;
  }
  void Finish() {
    Align();
    Drain();
  }
  int64_t Written() const { return written_; }

 private:
  static constexpr size_t kChunk = 1 << 16;
  KvStream* s_;
  std::unique_ptr<uint8_t[]> buf_;
  size_t len_ = 0;
  uint64_t acc_ = 0;
  int n_ = 0;
  int64_t written_ = 0;
};

// Canonical codes, bit-reversed for the least-significant-first writer.
void makeCodes(const uint8_t* lens, int count, uint16_t* codes) {
  int blCount[16] = {0};
  for (int i = 0; i < count; ++i) blCount[lens[i]]++;
  blCount[0] = 0;
  int next[16] = {0};
  int code = 0;
  for (int b = 1; b < 16; ++b) {
    code = (code + blCount[b - 1]) << 1;
    next[b] = code;
  }
  for (int i = 0; i < count; ++i) {
    int l = lens[i];
    if (!l) {
      codes[i] = 0;
      continue;
    }
    uint32_t c = uint32_t(next[l]++), r = 0;
    for (int k = 0; k < l; ++k) r |= ((c >> k) & 1u) << (l - 1 - k);
    codes[i] = uint16_t(r);
  }
}

struct Item {
  uint32_t litOrLen;  // literal byte, or match length
  uint32_t dist;      // 0 for a literal
};

// The input is either memory, used where it lies, or a stream read into a buffer that
// slides by whole windows, so a file of any size needs only that buffer. Positions are
// offsets into the buffer; base_ is the input offset of its first byte.
class Encoder {
 public:
  // sizeHint: the input's size when known (it sizes the hash tables), else SIZE_MAX.
  Encoder(const uint8_t* data, size_t size, KvStream* src, size_t sizeHint, KvStream* out, const TKvDeflateHelper& h,
          int modes)
      : d_(data), n_(size), src_(src), w_(out), h_(h), modes_(modes) {
    d64_ = (h.Options() & dfoDeflate64) != 0;
    maxLen_ = d64_ ? 65538 : 258;
    int win = h.WindowSize;
    if (d64_ && win == 32768) win = 65536;
    int maxWin = d64_ ? 65536 : 32768;
    if (win < 256 || win > maxWin || (win & (win - 1))) win = maxWin;
    window_ = uint32_t(win);
    mask_ = window_ - 1;
    if (!src_) sizeHint = size;
    // Wide tables keep chains short on large inputs; small inputs need not clear them.
    int bits = 10;
    while (bits < kHashBits && (size_t(1) << bits) < sizeHint) ++bits;
    hashShift_ = 32 - bits;
    head_.assign(size_t(1) << bits, -1);
    hash3Shift_ = 32 - std::min(bits, kHash3Bits);
    head3_.assign(size_t(1) << std::min(bits, kHash3Bits), -1);
    prev_.assign(src_ ? size_t(window_) : std::min<size_t>(window_, std::max<size_t>(n_, 1)), -1);
    good_ = h.GoodMatchLength();
    lazy_ = h.MaxLazyMatch();
    chain_ = h.MaxChainSteps();
    items_.reserve(32768 + 8);
    adler_ = (h.Options() & dfoAdler32) != 0;
    check_ = adler_ ? 1 : 0;
    if (src_) {
      eof_ = false;
      srcStart_ = src_->Position();
      // Room for a window of history, a longest match ahead and a large read.
      look_ = size_t(maxLen_) + 64;
      cap_ = kChunk + 2 * size_t(window_) + look_;
      own_.reset(new uint8_t[cap_]);
      d_ = own_.get();
      n_ = 0;
    }
    if (h.OnProgressPercent) {
      progressTotal_ = h.SourceSize > 0 ? h.SourceSize : sizeHint != SIZE_MAX ? int64_t(sizeHint) : 0;
    }
  }

  void Run() {
    if (src_) run<true>();
    else run<false>();
  }
  int64_t Written() const { return w_.Written(); }
  int64_t PlainCount() const { return read_; }
  uint32_t Checksum() const { return check_; }

 private:
  static constexpr int kHashBits = 17;
  static constexpr size_t kChunk = size_t(1) << 20;  // a whole number of any window
  static constexpr int kHash3Bits = 14;
  static constexpr int kNice = 64;
  static uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  // Chains link positions whose next four bytes hash alike; a one-entry table per
  // three-byte hash still finds the short near matches the chains would miss.
  uint32_t hash4(uint32_t v) const { return (v * 0x9E3779B1u) >> hashShift_; }
  uint32_t hash3(uint32_t v) const { return ((v & 0xFFFFFFu) * 0x9E3779B1u) >> hash3Shift_; }
  void insert(size_t p) {
    if (p + 4 > n_) return;
    uint32_t v = load32(d_ + p);
    uint32_t h = hash4(v);
    prev_[p & mask_] = head_[h];
    head_[h] = int32_t(p);
    head3_[hash3(v)] = int32_t(p);
  }
  // Longest match at p, longer than prevLen; inserts p into the chains.
  bool search(size_t p, int prevLen, int& len, uint32_t& dist);
  void addLiteral(uint8_t b) {
    items_.push_back({b, 0});
    litFreq_[b]++;
    ++lits_;
    ++blockBytes_;
    if (!b) zeroLiteral_ = true;
  }
  void addMatch(int len, uint32_t dist) {
    // Symbols ride along in the top byte, so writing need not look them up again.
    uint32_t ls = uint32_t(lenSym(len)), ds = uint32_t(distSym(dist));
    items_.push_back({uint32_t(len) | ((ls - 257) << 24), dist | (ds << 24)});
    litFreq_[ls]++;
    distFreq_[ds]++;
    ++matches_;
    blockBytes_ += uint32_t(len);
  }
  bool blockFull() const;
  void startBlock();
  void writeBlock(bool last);
  void writeStatic(bool last);
  void writeStored(bool last);
  void writeItems(const uint16_t* lc, const uint8_t* ll, const uint16_t* dc, const uint8_t* dl);
  uint64_t staticBits() const;

  const uint8_t* d_;
  size_t n_;
  KvStream* src_;  // null: all input is in d_
  BitWriter w_;
  const TKvDeflateHelper& h_;
  int modes_;
  bool d64_;
  int maxLen_;
  uint32_t window_, mask_;
  std::vector<int32_t> head_, head3_, prev_;
  int hashShift_ = 32 - kHashBits, hash3Shift_ = 32 - kHash3Bits;
  int good_, lazy_, chain_;
  bool firstBlock_ = true, zeroLiteral_ = false;

  std::vector<Item> items_;
  uint32_t litFreq_[286] = {0};
  uint32_t distFreq_[32] = {0};
  uint32_t lits_ = 0, matches_ = 0, blockBytes_ = 0;
  int64_t blockStart_ = 0;  // input offset

  // Streamed input.
  template <bool kStreamed>
  void run();
  size_t refill(size_t pos);
  void slide(size_t delta);
  void putPlain(int64_t at, size_t count);
  void progress(int64_t at);
  std::unique_ptr<uint8_t[]> own_;
  bool eof_ = true, adler_ = false;
  int64_t srcStart_ = 0, base_ = 0, read_ = 0;
  size_t cap_ = 0, look_ = 0;
  uint32_t check_ = 0;
  int64_t progressTotal_ = 0, nextProgress_ = 4096;
};

size_t Encoder::refill(size_t pos) {
  size_t slid = 0;
  if (cap_ - n_ < look_ && pos > 2 * size_t(window_)) {
    // Whole windows, so a position keeps its slot in the chain ring.
    slid = (pos - window_) / window_ * window_;
    slide(slid);
  }
  while (!eof_ && n_ < cap_) {
    int64_t got = src_->Read(own_.get() + n_, int64_t(cap_ - n_));
    if (got <= 0) {
      eof_ = true;
      break;
    }
    const uint8_t* p = own_.get() + n_;
    check_ = adler_ ? KvAdler32(check_, p, size_t(got)) : KvCrc32(check_, p, size_t(got));
    n_ += size_t(got);
    read_ += got;
  }
  return slid;
}

void Encoder::slide(size_t delta) {
  std::memmove(own_.get(), own_.get() + delta, n_ - delta);
  n_ -= delta;
  base_ += int64_t(delta);
  // Links to what slid out could only have been too far back anyway.
  const int32_t dd = int32_t(delta);
  auto rebase = [dd](std::vector<int32_t>& v) {
    for (int32_t& e : v) e = e >= dd ? e - dd : -1;
  };
  rebase(head_);
  rebase(head3_);
  rebase(prev_);
}

// Plain bytes of the input at an offset: from the buffer, or read again from the source
// for what has slid out of it.
void Encoder::putPlain(int64_t at, size_t count) {
  while (count > 0) {
    if (at >= base_) {
      w_.Bytes(d_ + (at - base_), count);
      return;
    }
    size_t k = size_t(std::min<int64_t>(int64_t(count), base_ - at));
    std::vector<uint8_t> tmp(k);
    int64_t back = srcStart_ + read_;
    if (src_->Seek(srcStart_ + at, soBeginning) != srcStart_ + at)
      throw EKvInternalDeflateError("could not read the input again");
    for (size_t done = 0; done < k;) {
      int64_t got = src_->Read(tmp.data() + done, int64_t(k - done));
      if (got <= 0) throw EKvInternalDeflateError("could not read the input again");
      done += size_t(got);
    }
    src_->Seek(back, soBeginning);
    w_.Bytes(tmp.data(), k);
    at += int64_t(k);
    count -= k;
  }
}

// Every 4096 bytes of input; the handler stops the run by raising.
void Encoder::progress(int64_t at) {
  nextProgress_ = (at / 4096 + 1) * 4096;
  if (progressTotal_ <= 0) return;
  int64_t pct = (at * 100 + progressTotal_ / 2) / progressTotal_;
  h_.OnProgressPercent(int(std::min<int64_t>(pct, 100)));
}

bool Encoder::search(size_t p, int prevLen, int& len, uint32_t& dist) {
  len = 0;
  dist = 0;
  if (p + 4 > n_) return false;
  const uint8_t* cur = d_ + p;
  uint32_t first = load32(cur);
  uint32_t hsh = hash4(first);
  int32_t cand = head_[hsh];
  prev_[p & mask_] = cand;
  head_[hsh] = int32_t(p);
  uint32_t h3 = hash3(first);
  int32_t cand3 = head3_[h3];
  head3_[h3] = int32_t(p);
  // The next position's buckets are wanted next; fetch them while this one is searched.
  if (p + 5 <= n_) {
    uint32_t nx = load32(cur + 1);
    __builtin_prefetch(&head_[hash4(nx)]);
    __builtin_prefetch(&head3_[hash3(nx)]);
  }
  int limit = int(std::min<size_t>(n_ - p, size_t(maxLen_)));
  int best = 2;
  uint32_t bestDist = 0;
  if (prevLen > 0) {
    if (prevLen >= limit) return false;
    best = prevLen;
  } else if (cand3 >= 0 && p - size_t(cand3) <= std::min<size_t>(4096, window_) && ((load32(d_ + cand3) ^ first) & 0xFFFFFFu) == 0) {
    best = 3;
    bestDist = uint32_t(p - size_t(cand3));
  }
  int good = std::min(good_, limit);
  // Long chains are asked for the best ratio: then only the longest match ends a search.
  int nice = std::min(std::max(chain_ >= 256 ? 258 : kNice, good_), limit);
  int steps = best >= good ? std::max(1, chain_ / 4) : chain_;
  while (cand >= 0 && steps-- > 0) {
    uint32_t distance = uint32_t(p - size_t(cand));
    if (distance == 0 || distance > window_) break;
    const uint8_t* m = d_ + cand;
    // The last bytes a longer match would need, then the first four.
    if (best < 3 || (load32(m + best - 3) == load32(cur + best - 3))) {
      if (load32(m) == first) {
        int l = 4;
        while (l + 8 <= limit) {
          uint64_t a, b;
          std::memcpy(&a, cur + l, 8);
          std::memcpy(&b, m + l, 8);
          if (a != b) {
            l += __builtin_ctzll(a ^ b) >> 3;
            goto done;
          }
          l += 8;
        }
        while (l < limit && m[l] == cur[l]) ++l;
      done:
        if (l > limit) l = limit;
        if (l > best) {
          best = l;
          bestDist = distance;
          if (best >= nice) break;
        }
      }
    }
    int32_t nxt = prev_[size_t(cand) & mask_];
    if (nxt >= cand) break;  // a stale link from a previous turn of the ring
    cand = nxt;
  }
  if (best >= 3 && best > prevLen && bestDist) {
    len = best;
    dist = bestDist;
    return true;
  }
  return false;
}

bool Encoder::blockFull() const {
  uint32_t total = lits_ + matches_;
  if (total && (total & 0x1FFF) == 0 && matches_ < lits_) {
    uint64_t est = uint64_t(lits_) * 8 + uint64_t(matches_) * 13;
    for (int s = 4; s < 32; ++s) est += uint64_t(distFreq_[s]) * kDistExtra[s];
    if (est / 8 < blockBytes_ / 2) return true;
  }
  return matches_ >= 32768 || total >= 32768;
}

void Encoder::startBlock() {
  items_.clear();
  std::memset(litFreq_, 0, sizeof litFreq_);
  std::memset(distFreq_, 0, sizeof distFreq_);
  litFreq_[256] = 1;
  lits_ = matches_ = 0;
  blockBytes_ = 0;
}

uint64_t Encoder::staticBits() const {
  uint64_t bits = 3 + 7;
  for (int s = 0; s < 144; ++s) bits += uint64_t(litFreq_[s]) * 8;
  for (int s = 144; s < 256; ++s) bits += uint64_t(litFreq_[s]) * 9;
  for (int s = 257; s < 280; ++s) bits += uint64_t(litFreq_[s]) * (7 + kLenExtra[s - 257]);
  for (int s = 280; s < 285; ++s) bits += uint64_t(litFreq_[s]) * (8 + kLenExtra[s - 257]);
  bits += uint64_t(litFreq_[285]) * (d64_ ? 24 : 8);
  for (int s = 0; s < 32; ++s) bits += uint64_t(distFreq_[s]) * (5 + kDistExtra[s]);
  return bits;
}

void Encoder::writeItems(const uint16_t* lc, const uint8_t* ll, const uint16_t* dc, const uint8_t* dl) {
  // A code and its extra bits go out in one piece (at most 31 bits).
  for (const Item& it : items_) {
    if (!it.dist) {
      w_.Put(lc[it.litOrLen], ll[it.litOrLen]);
      continue;
    }
    uint32_t len = it.litOrLen & 0xFFFFFFu;
    int s = 257 + int(it.litOrLen >> 24);
    if (s == 285) {
      if (d64_) w_.Put(lc[s] | ((len - 3) << ll[s]), ll[s] + 16);
      else w_.Put(lc[s], ll[s]);
    } else {
      int e = kLenExtra[s - 257];
      w_.Put(lc[s] | ((len - kLenBase[s - 257]) << ll[s]), ll[s] + e);
    }
    int ds = int(it.dist >> 24);
    uint32_t dist = it.dist & 0xFFFFFFu;
    if (ds >= 30 && !d64_)
      throw std::logic_error("TKvDfLZStream.Encode: a Deflate64 distance symbol has been generated for Deflate");
    w_.Put(dc[ds] | ((dist - kDistBase[ds]) << dl[ds]), dl[ds] + kDistExtra[ds]);
  }
  w_.Put(lc[256], ll[256]);
}

void Encoder::writeStatic(bool last) {
  static const struct St {
    uint8_t ll[288], dl[32];
    uint16_t lc[288], dc[32];
    St() {
      for (int i = 0; i < 288; ++i) ll[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
      for (int i = 0; i < 32; ++i) dl[i] = 5;
      makeCodes(ll, 288, lc);
      makeCodes(dl, 32, dc);
    }
  } st;
  w_.Put(last ? 3 : 2, 3);
  writeItems(st.lc, st.ll, st.dc, st.dl);
}

void Encoder::writeStored(bool last) {
  size_t count = blockBytes_;
  int64_t at = blockStart_;
  // An empty last block still has to close the stream.
  do {
    size_t piece = std::min<size_t>(count, 65535);
    bool final = last && piece == count;
    w_.Put(final ? 1 : 0, 3);
    w_.Align();
    uint8_t hdr[4] = {uint8_t(piece), uint8_t(piece >> 8), uint8_t(~piece), uint8_t(~piece >> 8)};
    w_.Bytes(hdr, 4);
    putPlain(at, piece);
    at += int64_t(piece);
    count -= piece;
  } while (count > 0);
}

void Encoder::writeBlock(bool last) {
  if (modes_ == 2) {
    writeStatic(last);
  } else {
    // Code lengths; at least two codes in each tree keep every decoder happy.
    uint32_t lf[286], df[32];
    std::memcpy(lf, litFreq_, sizeof lf);
    std::memcpy(df, distFreq_, sizeof df);
    int nd = d64_ ? 32 : 30;
    auto atLeastTwo = [](uint32_t* f, int count) {
      int used = 0;
      for (int i = 0; i < count; ++i) used += f[i] != 0;
      for (int i = 0; i < count && used < 2; ++i)
        if (!f[i]) {
          f[i] = 1;
          ++used;
        }
    };
    atLeastTwo(lf, 286);
    atLeastTwo(df, nd);
    uint8_t lens[286 + 32] = {0};
    GenerateCodeLengths(15, lf, 285, lens, 0);
    int hlit = 286;
    while (hlit > 257 && !lens[hlit - 1]) --hlit;
    uint8_t dl[32] = {0};
    GenerateCodeLengths(15, df, nd - 1, dl, 0);
    int hdist = nd;
    while (hdist > 1 && !dl[hdist - 1]) --hdist;
    uint8_t all[286 + 32];
    std::memcpy(all, lens, size_t(hlit));
    std::memcpy(all + hlit, dl, size_t(hdist));
    std::vector<TKvCodeLenSymbol> cls = KvCodeLenSymbols(all, hlit + hdist);
    uint32_t cf[19] = {0};
    for (auto& c : cls) cf[c.Symbol]++;
    atLeastTwo(cf, 19);
    uint8_t cl[19];
    GenerateCodeLengths(7, cf, 18, cl, 0);
    int hclen = 19;
    while (hclen > 4 && !cl[kCodeLenOrder[hclen - 1]]) --hclen;

    uint64_t dyn = 3 + 14 + uint64_t(hclen) * 3;
    for (auto& c : cls) dyn += cl[c.Symbol] + (c.Symbol == 16 ? 2 : c.Symbol == 17 ? 3 : c.Symbol == 18 ? 7 : 0);
    for (int s = 0; s < 286; ++s) {
      uint32_t f = litFreq_[s];
      if (!f) continue;
      uint64_t extra = s < 257 ? 0 : s == 285 ? (d64_ ? 16 : 0) : kLenExtra[s - 257];
      dyn += uint64_t(f) * (lens[s] + extra);
    }
    for (int s = 0; s < nd; ++s) dyn += uint64_t(distFreq_[s]) * (dl[s] + kDistExtra[s]);

    if (modes_ != 4) {
      uint64_t stat = staticBits();
      uint64_t stored = (uint64_t(blockBytes_) + 4) * 8;
      if (!(dyn <= stat && dyn <= stored)) {
        if (stat < dyn && stat <= stored) writeStatic(last);
        else writeStored(last);
        return;
      }
    }
    uint16_t lc[286], dc[32], cc[19];
    makeCodes(lens, 286, lc);
    makeCodes(dl, 32, dc);
    makeCodes(cl, 19, cc);
    w_.Put(last ? 5 : 4, 3);
    w_.Put(uint32_t(hlit - 257) + uint32_t(hdist - 1) * 32 + uint32_t(hclen - 4) * 1024, 14);
    for (int i = 0; i < hclen; ++i) w_.Put(cl[kCodeLenOrder[i]], 3);
    for (auto& c : cls) {
      w_.Put(cc[c.Symbol], cl[c.Symbol]);
      if (c.Symbol == 16) w_.Put(c.Extra, 2);
      else if (c.Symbol == 17) w_.Put(c.Extra, 3);
      else if (c.Symbol == 18) w_.Put(c.Extra, 7);
    }
    writeItems(lc, lens, dc, dl);
  }
}

// Input from memory needs no refills: that loop stays as lean as it always was.
template <bool kStreamed>
void Encoder::run() {
  size_t pos = 0;
  if (kStreamed) refill(0);
  startBlock();
  blockStart_ = 0;
  int pLen = 0;
  uint32_t pDist = 0;
  auto newBlockIfFull = [&]() {
    if (!blockFull()) return;
    writeBlock(false);
    blockStart_ += int64_t(blockBytes_);
    startBlock();
  };
  auto hashRange = [&](size_t from, size_t count) {
    for (size_t i = 0; i < count; ++i) insert(from + i);
  };
  const bool reports = bool(h_.OnProgressPercent);
  for (;;) {
    // A longest match and its hashing must find their bytes in the buffer.
    if constexpr (kStreamed) {
      if (!eof_ && n_ - pos < look_) pos -= refill(pos);
    }
    if (n_ - pos < 3) break;
    if (reports && base_ + int64_t(pos) >= nextProgress_) progress(base_ + int64_t(pos));
    if (firstBlock_ && blockBytes_ >= 1024) {
      if (h_.LevelLetter() == 'n' && !zeroLiteral_) {
        good_ = good_ >= INT_MAX / 2 ? good_ : good_ * 2;
        lazy_ = lazy_ >= INT_MAX / 2 ? lazy_ : lazy_ * 2;
        chain_ = chain_ >= INT_MAX / 2 ? chain_ : chain_ * 2;
      }
      firstBlock_ = false;
    }
    if (!pLen) newBlockIfFull();
    int mLen;
    uint32_t mDist;
    bool found = search(pos, pLen, mLen, mDist);
    if (found && mLen == 3 && mDist > 4096) found = false;
    if (found) {
      if (pLen) {
        addLiteral(d_[pos - 1]);
        newBlockIfFull();
      }
      pLen = mLen;
      pDist = mDist;
      ++pos;
      if (pLen >= lazy_) {
        addMatch(pLen, pDist);
        hashRange(pos, size_t(pLen - 1));
        pos += size_t(pLen - 1);
        pLen = 0;
      }
    } else if (pLen) {
      addMatch(pLen, pDist);
      hashRange(pos + 1, size_t(pLen - 2));
      pos += size_t(pLen - 1);
      pLen = 0;
    } else {
      addLiteral(d_[pos]);
      ++pos;
    }
  }
  if (pLen) {
    addMatch(pLen, pDist);
    pos += size_t(pLen - 1);
  }
  while (pos < n_) addLiteral(d_[pos++]);
  writeBlock(true);
  w_.Finish();
}

// Reads up to count bytes; fewer only at the end of the stream.
size_t readUpTo(KvStream* s, uint8_t* to, size_t count) {
  size_t done = 0;
  while (done < count) {
    int64_t got = s->Read(to + done, int64_t(count - done));
    if (got <= 0) break;
    done += size_t(got);
  }
  return done;
}

}  // namespace

int TKvDfTranslator::LengthSymbol(int length) {
  if (length < 3 || length > 65538) throw std::logic_error("TKvDfTranslator.Translate: length should be 3..65536");
  return lenSym(length);
}
int TKvDfTranslator::DistanceSymbol(int distance) {
  if (distance < 1 || distance > 65536)
    throw std::logic_error("TKvDfTranslator.Translate: distance should be 1..65536");
  return distSym(uint32_t(distance));
}

void GenerateCodeLengths(int maxCodeLen, const uint32_t* weights, int highIndex, uint8_t* codeLengths,
                         int startIndex) {
  if (maxCodeLen < 1 || maxCodeLen > 15)
    throw std::logic_error("GenerateCodeLengths: the maximum code length should be in the range 1..15");
  int count = highIndex + 1;
  if (count < 1 || count > 286)
    throw std::logic_error("GenerateCodeLengths: the weight array must have 1..286 elements");
  if (count >= (1 << maxCodeLen))
    throw std::logic_error("GenerateCodeLengths: the package-merge algorithm should always be feasible");
  uint8_t* out = codeLengths + startIndex;
  std::memset(out, 0, size_t(count));
  struct Node {
    uint64_t weight;
    int left, right;  // children of a package; left < 0 for a leaf, right = symbol
  };
  std::vector<Node> nodes;
  std::vector<int> leaves;
  for (int i = 0; i < count; ++i)
    if (weights[i]) {
      leaves.push_back(int(nodes.size()));
      nodes.push_back({weights[i], -1, i});
    }
  if (leaves.empty()) {
    out[0] = 1;
    return;
  }
  if (leaves.size() == 1) {
    out[nodes[0].right] = 1;
    return;
  }
  std::stable_sort(leaves.begin(), leaves.end(), [&](int a, int b) { return nodes[a].weight < nodes[b].weight; });
  std::vector<int> list = leaves, next;
  for (int round = 1; round < maxCodeLen; ++round) {
    std::vector<int> packages;
    for (size_t i = 0; i + 1 < list.size(); i += 2) {
      packages.push_back(int(nodes.size()));
      nodes.push_back({nodes[list[i]].weight + nodes[list[i + 1]].weight, list[i], list[i + 1]});
    }
    next.clear();
    size_t a = 0, b = 0;
    while (a < leaves.size() || b < packages.size()) {
      if (b >= packages.size() || (a < leaves.size() && nodes[leaves[a]].weight <= nodes[packages[b]].weight))
        next.push_back(leaves[a++]);
      else
        next.push_back(packages[b++]);
    }
    list.swap(next);
  }
  // Children are always older than their package, so one backward pass spreads the counts.
  std::vector<uint32_t> reached(nodes.size(), 0);
  size_t take = 2 * leaves.size() - 2;
  for (size_t i = 0; i < take && i < list.size(); ++i) reached[size_t(list[i])]++;
  for (size_t i = nodes.size(); i-- > 0;) {
    if (!reached[i]) continue;
    if (nodes[i].left < 0) {
      out[nodes[i].right] = uint8_t(out[nodes[i].right] + reached[i]);
    } else {
      reached[size_t(nodes[i].left)] += reached[i];
      reached[size_t(nodes[i].right)] += reached[i];
    }
  }
}

std::vector<TKvCodeLenSymbol> KvCodeLenSymbols(const uint8_t* lengths, int count) {
  std::vector<TKvCodeLenSymbol> out;
  int i = 0;
  while (i < count) {
    uint8_t v = lengths[i];
    int run = 1;
    while (i + run < count && lengths[i + run] == v) ++run;
    i += run;
    if (v == 0) {
      while (run > 0) {
        if (run < 3) {
          for (; run > 0; --run) out.push_back({0, 0});
        } else if (run <= 10) {
          out.push_back({17, uint8_t(run - 3)});
          run = 0;
        } else {
          int n = std::min(run, 138);
          out.push_back({18, uint8_t(n - 11)});
          run -= n;
        }
      }
    } else {
      out.push_back({v, 0});
      int rest = run - 1;
      while (rest >= 3) {
        int n = std::min(rest, 6);
        out.push_back({16, uint8_t(n - 3)});
        rest -= n;
      }
      for (; rest > 0; --rest) out.push_back({v, 0});
    }
  }
  return out;
}

uint32_t Deflate(KvStream* aSource, KvStream* aDest, TKvDeflateHelper* aHelper) {
  if (!aSource) throw std::logic_error("Deflate: aSource stream cannot be nil");
  if (!aDest) throw std::logic_error("Deflate: aDest stream cannot be nil");
  TKvDeflateHelper h;
  if (aHelper) {
    if (!(aHelper->Options() & (dfoStored | dfoStatic | dfoDynamic)))
      throw std::logic_error("Deflate: aHelper.Options must enable some kind of archiving");
    h.Assign(*aHelper);
  }
  if (!(h.Options() & dfoLazyMatch)) h.SetMaxLazyMatch(0);
  auto unlimited = [](int v) { return v == -1 ? INT_MAX : v; };
  int good = unlimited(h.GoodMatchLength()), chain = unlimited(h.MaxChainSteps()),
      lazy = unlimited(h.MaxLazyMatch());
  char letter = h.LevelLetter();
  h.SetGoodMatchLength(good);
  h.SetMaxChainSteps(chain);
  h.SetMaxLazyMatch(lazy);
  (void)letter;

  int64_t destStart = aDest->Position();
  std::unique_ptr<TKvDfEncryptStream> crypt;
  KvStream* out = aDest;
  if (!h.CipherPassword.empty()) {
    crypt = std::make_unique<TKvDfEncryptStream>(aDest, h.CipherPassword, uint32_t(h.HeaderCheck));
    out = crypt.get();
  }
  // Memory input is used where it lies; anything else is read as it goes.
  const uint8_t* src = nullptr;
  size_t srcSize = 0;
  KvStream* stream = nullptr;
  size_t hint = SIZE_MAX;
  if (auto* ms = dynamic_cast<KvMemoryStream*>(aSource)) {
    int64_t at = std::clamp<int64_t>(ms->Position(), 0, int64_t(ms->Data().size()));
    src = ms->Data().data() + at;
    srcSize = ms->Data().size() - size_t(at);
    ms->Seek(0, soEnd);
  } else {
    stream = aSource;
    try {
      int64_t left = aSource->Size() - aSource->Position();
      if (left >= 0) hint = size_t(left);
    } catch (...) {
    }
  }
  const bool adler = h.Options() & dfoAdler32;
  uint32_t check = 0;
  int64_t plain = 0;
  int modes = h.Options() & 7;
  if (modes == 1) {
    // Whole-stream stored: the last piece is the one that ends the data; nothing at all
    // still needs one empty final block.
    BitWriter w(out);
    if (!stream) {
      check = adler ? KvAdler32(1, src, srcSize) : KvCrc32(0, src, srcSize);
      size_t pos = 0;
      do {
        size_t piece = std::min<size_t>(srcSize - pos, 65535);
        bool last = pos + piece == srcSize;
        uint8_t hdr[5] = {uint8_t(last ? 1 : 0), uint8_t(piece), uint8_t(piece >> 8), uint8_t(~piece),
                          uint8_t(~piece >> 8)};
        w.Bytes(hdr, 5);
        w.Bytes(src + pos, piece);
        pos += piece;
        if (h.OnProgressPercent && srcSize) h.OnProgressPercent(int(pos * 100 / srcSize));
      } while (pos < srcSize);
      plain = int64_t(srcSize);
    } else {
      // One piece read ahead tells whether the one in hand is the last.
      check = adler ? 1 : 0;
      std::vector<uint8_t> cur(65535), next(65535);
      size_t have = readUpTo(stream, cur.data(), cur.size());
      int64_t total = h.SourceSize > 0 ? h.SourceSize : hint != SIZE_MAX ? int64_t(hint) : 0;
      for (;;) {
        size_t more = have == cur.size() ? readUpTo(stream, next.data(), next.size()) : 0;
        check = adler ? KvAdler32(check, cur.data(), have) : KvCrc32(check, cur.data(), have);
        uint8_t hdr[5] = {uint8_t(more ? 0 : 1), uint8_t(have), uint8_t(have >> 8), uint8_t(~have),
                          uint8_t(~have >> 8)};
        w.Bytes(hdr, 5);
        w.Bytes(cur.data(), have);
        plain += int64_t(have);
        if (h.OnProgressPercent && total > 0) h.OnProgressPercent(int(std::min<int64_t>(plain * 100 / total, 100)));
        if (!more) break;
        cur.swap(next);
        have = more;
      }
    }
    w.Finish();
  } else {
    Encoder enc(src, srcSize, stream, hint, out, h, modes);
    enc.Run();
    if (stream) {
      check = enc.Checksum();
      plain = enc.PlainCount();
    } else {
      check = adler ? KvAdler32(1, src, srcSize) : KvCrc32(0, src, srcSize);
      plain = int64_t(srcSize);
    }
    if (h.OnProgressPercent) h.OnProgressPercent(100);
  }
  if (aHelper) {
    aHelper->PlainSize = plain;
    aHelper->PackedSize = aDest->Position() - destStart;
  }
  return check;
}

}  // namespace kv
