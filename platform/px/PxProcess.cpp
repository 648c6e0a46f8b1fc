#include "PxProcess.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <thread>
#include <utility>
#include <vector>

namespace px {

namespace {

inline uint8_t Clamp8(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }
inline int R(uint32_t c) { return int((c >> 16) & 255); }
inline int G(uint32_t c) { return int((c >> 8) & 255); }
inline int B(uint32_t c) { return int(c & 255); }

// Filters work on 24 or 32 bits; palette pictures are converted first.
int MakeTrueColour(Bitmap& bmp) {
  if (bmp.bits >= 24) return DetachBitmap(bmp);
  Bitmap out;
  int st = ConvertBitmap(bmp, out, 24);
  if (st != kOk) return st;
  bmp = std::move(out);
  return kOk;
}

int ViewToStored(Bitmap& bmp) {
  if (bmp.viewPerspective == 0 || bmp.viewPerspective == 1) return kOk;
  return NormalizeViewPerspective(bmp);
}

// Keeps the facts that are not pixels when a new bitmap replaces an old one.
void TakeFacts(const Bitmap& from, Bitmap& to) {
  to.xResolution = from.xResolution;
  to.yResolution = from.yResolution;
  to.paintContrast = from.paintContrast;
  to.paintIntensity = from.paintIntensity;
  to.paintGamma = from.paintGamma;
  to.flags |= from.flags & kFlagTransparency;
  if (to.bits <= 8 && from.bits == to.bits) to.transparentIndex = from.transparentIndex;
}

// ---- Separable resampling with fixed-point weight tables ----------------------------------
struct Taps {
  std::vector<int> first;    // first source index per output index
  std::vector<int> count;    // taps per output index
  std::vector<int> offset;   // into weights
  std::vector<int> weights;  // 14-bit fixed point, each set sums to 16384
};

enum class Kernel { Box, Triangle, CatmullRom };

double KernelValue(Kernel k, double x) {
  x = std::fabs(x);
  if (k == Kernel::Triangle) return x < 1 ? 1 - x : 0;
  // Catmull-Rom (a = -0.5)
  if (x < 1) return 1.5 * x * x * x - 2.5 * x * x + 1;
  if (x < 2) return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
  return 0;
}

Taps MakeTaps(int srcLen, int dstLen, Kernel kernel) {
  Taps t;
  t.first.resize(size_t(dstLen));
  t.count.resize(size_t(dstLen));
  t.offset.resize(size_t(dstLen));
  const double scale = double(srcLen) / dstLen;
  std::vector<double> w;
  for (int i = 0; i < dstLen; ++i) {
    w.clear();
    int first = 0;
    if (kernel == Kernel::Box) {
      // Exact area coverage of [i*scale, (i+1)*scale).
      double a = i * scale, b = (i + 1) * scale;
      first = int(std::floor(a));
      int last = std::min(srcLen - 1, int(std::ceil(b)) - 1);
      for (int j = first; j <= last; ++j) w.push_back(std::min(b, double(j + 1)) - std::max(a, double(j)));
    } else {
      const double widen = std::max(scale, 1.0);
      const double support = (kernel == Kernel::Triangle ? 1.0 : 2.0) * widen;
      const double centre = (i + 0.5) * scale - 0.5;
      first = int(std::floor(centre - support)) + 1;
      int last = int(std::ceil(centre + support)) - 1;
      for (int j = first; j <= last; ++j) w.push_back(KernelValue(kernel, (j - centre) / widen));
      // Fold taps that fall outside onto the edge pixels.
      std::vector<double> folded;
      int f = std::max(0, first), l = std::min(srcLen - 1, last);
      folded.assign(size_t(l - f + 1), 0.0);
      for (int j = first; j <= last; ++j) folded[size_t(std::clamp(j, f, l) - f)] += w[size_t(j - first)];
      w = folded;
      first = f;
    }
    double sum = 0;
    for (double v : w) sum += v;
    if (sum == 0) sum = 1;
    t.first[size_t(i)] = first;
    t.count[size_t(i)] = int(w.size());
    t.offset[size_t(i)] = int(t.weights.size());
    int acc = 0, biggest = 0;
    for (size_t j = 0; j < w.size(); ++j) {
      int q = int(std::lround(w[j] / sum * 16384));
      t.weights.push_back(q);
      acc += q;
      if (std::abs(q) > std::abs(t.weights[size_t(t.offset[size_t(i)] + biggest)])) biggest = int(j);
    }
    if (!w.empty()) t.weights[size_t(t.offset[size_t(i)] + biggest)] += 16384 - acc;
  }
  return t;
}

// Horizontal pass: every row of src (sw wide) to dw wide into dst rows.
void ResampleRows(const Bitmap& src, Bitmap& dst, const Taps& t, int ch) {
  ParallelRows(src.height, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const uint8_t* in = src.scanLine(y);
      uint8_t* out = dst.scanLine(y);
      for (int x = 0; x < dst.width; ++x) {
        const int* w = &t.weights[size_t(t.offset[size_t(x)])];
        const uint8_t* p = in + size_t(t.first[size_t(x)]) * size_t(ch);
        int n = t.count[size_t(x)];
        int acc[4] = {8192, 8192, 8192, 8192};
        for (int k = 0; k < n; ++k, p += ch)
          for (int c = 0; c < ch; ++c) acc[c] += p[c] * w[k];
        for (int c = 0; c < ch; ++c) out[size_t(x) * size_t(ch) + size_t(c)] = Clamp8(acc[c] >> 14);
      }
    }
  }, int64_t(dst.width) * 8);
}

// Vertical pass: rows of src combined into dst rows (same width).
void ResampleCols(const Bitmap& src, Bitmap& dst, const Taps& t) {
  const int rowBytes = dst.rowBytes();
  ParallelRows(dst.height, [&](int y0, int y1) {
    std::vector<int> acc(static_cast<size_t>(rowBytes));
    for (int y = y0; y < y1; ++y) {
      std::fill(acc.begin(), acc.end(), 8192);
      const int* w = &t.weights[size_t(t.offset[size_t(y)])];
      for (int k = 0; k < t.count[size_t(y)]; ++k) {
        const uint8_t* in = src.scanLine(t.first[size_t(y)] + k);
        const int wk = w[k];
        for (int i = 0; i < rowBytes; ++i) acc[size_t(i)] += in[i] * wk;
      }
      uint8_t* out = dst.scanLine(y);
      for (int i = 0; i < rowBytes; ++i) out[i] = Clamp8(acc[size_t(i)] >> 14);
    }
  }, int64_t(rowBytes) * 8);
}

int Resample(const Bitmap& src, Bitmap& dst, int width, int height, Kernel kx, Kernel ky) {
  const int ch = src.bits / 8;
  Bitmap tmp;
  const Bitmap* mid = &src;
  if (width != src.width) {
    int st = CreateBitmap(tmp, width, src.height, src.bits);
    if (st != kOk) return st;
    ResampleRows(src, tmp, MakeTaps(src.width, width, kx), ch);
    mid = &tmp;
  }
  Bitmap out;
  int st = CreateBitmap(out, width, height, src.bits);
  if (st != kOk) return st;
  if (height != src.height) {
    ResampleCols(*mid, out, MakeTaps(src.height, height, ky));
  } else {
    for (int y = 0; y < height; ++y) std::memcpy(out.scanLine(y), mid->scanLine(y), size_t(out.rowBytes()));
  }
  dst = std::move(out);
  return kOk;
}

// ---- Quarter turns --------------------------------------------------------------------------
// quarter: 1 clockwise, 2 half turn, 3 anticlockwise.
int TurnQuarter(const Bitmap& src, Bitmap& dst, int quarter) {
  const int W = src.width, H = src.height;
  const int ow = quarter == 2 ? W : H, oh = quarter == 2 ? H : W;
  Bitmap out;
  int st = CreateBitmap(out, ow, oh, src.bits, &src.palette);
  if (st != kOk) return st;
  auto from = [&](int ox, int oy, int& sx, int& sy) {
    if (quarter == 1) { sx = oy; sy = H - 1 - ox; }
    else if (quarter == 2) { sx = W - 1 - ox; sy = H - 1 - oy; }
    else { sx = W - 1 - oy; sy = ox; }
  };
  if (src.bits >= 8) {
    const int bpp = src.bits / 8;
    ParallelRows(oh, [&](int y0, int y1) {
      for (int oy = y0; oy < y1; ++oy) {
        uint8_t* o = out.scanLine(oy);
        for (int ox = 0; ox < ow; ++ox) {
          int sx, sy;
          from(ox, oy, sx, sy);
          std::memcpy(o + size_t(ox) * size_t(bpp), src.scanLine(sy) + size_t(sx) * size_t(bpp), size_t(bpp));
        }
      }
    }, int64_t(ow) * 4);
  } else {
    for (int oy = 0; oy < oh; ++oy)
      for (int ox = 0; ox < ow; ++ox) {
        int sx, sy;
        from(ox, oy, sx, sy);
        SetIndex(out, ox, oy, GetIndex(src, sx, sy));
      }
  }
  TakeFacts(src, out);
  if (quarter != 2) std::swap(out.xResolution, out.yResolution);
  dst = std::move(out);
  return kOk;
}

// ---- Box blur passes (for the wide Gaussian) --------------------------------------------------
void BoxRows(Bitmap& bmp, int r, int ch) {
  const int W = bmp.width;
  const int64_t mul = (int64_t(1) << 24) / (2 * r + 1);
  ParallelRows(bmp.height, [&](int y0, int y1) {
    std::vector<uint8_t> line(size_t(W) * size_t(ch));
    for (int y = y0; y < y1; ++y) {
      uint8_t* row = bmp.scanLine(y);
      std::memcpy(line.data(), row, line.size());
      for (int c = 0; c < ch; ++c) {
        auto at = [&](int x) { return int(line[size_t(std::clamp(x, 0, W - 1)) * size_t(ch) + size_t(c)]); };
        int64_t sum = 0;
        for (int x = -r; x <= r; ++x) sum += at(x);
        for (int x = 0; x < W; ++x) {
          row[size_t(x) * size_t(ch) + size_t(c)] = uint8_t((sum * mul + (1 << 23)) >> 24);
          sum += at(x + r + 1) - at(x - r);
        }
      }
    }
  }, int64_t(W) * ch * 4);
}

void BoxCols(Bitmap& bmp, int r) {
  const int H = bmp.height, rb = bmp.rowBytes();
  const int64_t mul = (int64_t(1) << 24) / (2 * r + 1);
  // Columns are split between threads; each walks its columns row by row.
  ParallelRows(rb, [&](int c0, int c1) {
    const int n = c1 - c0;
    std::vector<int64_t> sum(size_t(n), 0);
    std::vector<uint8_t> ring(size_t(n) * size_t(H));  // the original column values
    for (int y = 0; y < H; ++y) std::memcpy(&ring[size_t(y) * size_t(n)], bmp.scanLine(y) + c0, size_t(n));
    auto at = [&](int y) { return &ring[size_t(std::clamp(y, 0, H - 1)) * size_t(n)]; };
    for (int y = -r; y <= r; ++y) {
      const uint8_t* p = at(y);
      for (int i = 0; i < n; ++i) sum[size_t(i)] += p[i];
    }
    for (int y = 0; y < H; ++y) {
      uint8_t* o = bmp.scanLine(y) + c0;
      for (int i = 0; i < n; ++i) o[i] = uint8_t((sum[size_t(i)] * mul + (1 << 23)) >> 24);
      const uint8_t* add = at(y + r + 1);
      const uint8_t* sub = at(y - r);
      for (int i = 0; i < n; ++i) sum[size_t(i)] += int(add[i]) - int(sub[i]);
    }
  }, int64_t(H) * 4);
}

// Exact separable Gaussian for small deviations: 14-bit integer weights, a pass along the rows
// into 8 bits, then one down the columns, each rounded. The kernel is symmetric, so each pass adds
// the two pixels at the same distance before weighting them. Each thread works on a band of rows
// with the row pass kept in a ring of 2r + 1 rows, so the picture is read and written once.
namespace gauss {
constexpr int kChunk = 512;  // bytes of a row summed at a time

// out[j] = round(sum of w[r + i] * (row i)[j] for i in -r..r) for j in [0, n), where row i is
// lo(i) on one side and hi(i) on the other: in + i * step along a row, or the rows of a column.
template <class Row>
__attribute__((always_inline)) inline void SymmetricTaps(Row row, int n, const int* w, int r, uint8_t* out) {
  for (int j0 = 0; j0 < n; j0 += kChunk) {
    const int m = std::min(kChunk, n - j0);
    int32_t a[kChunk];
    const uint8_t* c = row(0) + j0;
    for (int j = 0; j < m; ++j) a[j] = 8192 + w[r] * c[j];
    for (int i = 1; i <= r; ++i) {
      const uint8_t* lo = row(-i) + j0;
      const uint8_t* hi = row(i) + j0;
      const int wi = w[r + i];
      for (int j = 0; j < m; ++j) a[j] += wi * (int(lo[j]) + int(hi[j]));
    }
    for (int j = 0; j < m; ++j) out[j0 + j] = uint8_t(std::min(255, a[j] >> 14));
  }
}

void RowTaps(const uint8_t* in, int step, int n, const int* w, int r, uint8_t* out) {
  SymmetricTaps([&](int i) { return in + i * step; }, n, w, r, out);
}
void ColumnTaps(const uint8_t* const* rows, int n, const int* w, int r, uint8_t* out) {
  SymmetricTaps([&](int i) { return rows[r + i]; }, n, w, r, out);
}
// The same with 16-bit lanes: the pixels and the sums of two stay below 2^9 and the weights below
// 2^15, so pairs of terms are weighted and added with one multiply-add into 32 bits. The result is
// exactly the plain one (the final pack saturates where the plain form takes the minimum).
__attribute__((target("avx2"))) inline __m256i Widen(const uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
// Term i of the sums at j: the centre row for 0, the two rows at distance i added, 0 past r.
template <class Row>
__attribute__((target("avx2"))) inline __m256i Term(Row& row, int j, int i, int r) {
  if (i == 0) return Widen(row(0) + j);
  if (i > r) return _mm256_setzero_si256();
  return _mm256_add_epi16(Widen(row(-i) + j), Widen(row(i) + j));
}

template <class Row>
__attribute__((target("avx2"))) inline void SymmetricTapsAvx2(Row row, int n, const int* w, int r, uint8_t* out) {
  constexpr int kMaxPairs = 16;
  const int pairs = (r + 2) / 2;  // terms: the centre and r sums, two a multiply-add
  if (pairs > kMaxPairs) return SymmetricTaps(row, n, w, r, out);
  __m256i weights[kMaxPairs];
  for (int p = 0; p < pairs; ++p) {
    const int a = w[r + 2 * p], b = 2 * p + 1 <= r ? w[r + 2 * p + 1] : 0;
    weights[p] = _mm256_set1_epi32(int((uint32_t(b) << 16) | uint32_t(a & 0xFFFF)));
  }
  const __m256i half = _mm256_set1_epi32(8192);
  int j = 0;
  for (; j + 16 <= n; j += 16) {
    __m256i lo = half, hi = half;
    for (int p = 0; p < pairs; ++p) {
      const __m256i a = Term(row, j, 2 * p, r), b = Term(row, j, 2 * p + 1, r);
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), weights[p]));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), weights[p]));
    }
    const __m256i words = _mm256_packs_epi32(_mm256_srai_epi32(lo, 14), _mm256_srai_epi32(hi, 14));
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm256_castsi256_si128(bytes));
  }
  if (j < n) SymmetricTaps([&](int i) { return row(i) + j; }, n - j, w, r, out + j);
}

__attribute__((target("avx2"))) void RowTapsAvx2(const uint8_t* in, int step, int n, const int* w, int r,
                                                 uint8_t* out) {
  SymmetricTapsAvx2([&](int i) { return in + i * step; }, n, w, r, out);
}
__attribute__((target("avx2"))) void ColumnTapsAvx2(const uint8_t* const* rows, int n, const int* w, int r,
                                                    uint8_t* out) {
  SymmetricTapsAvx2([&](int i) { return rows[r + i]; }, n, w, r, out);
}
bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
}  // namespace gauss

void GaussExact(Bitmap& bmp, double sigma, int ch) {
  const int r = std::max(1, int(std::ceil(3 * sigma)));
  std::vector<double> k(size_t(2 * r + 1));
  double sum = 0;
  for (int i = -r; i <= r; ++i) sum += k[size_t(i + r)] = std::exp(-(i * i) / (2 * sigma * sigma));
  std::vector<int> w(k.size());
  int acc = 0;
  for (size_t i = 0; i < k.size(); ++i) acc += w[i] = int(std::lround(k[i] / sum * 16384));
  w[size_t(r)] += 16384 - acc;
  if (DetachBitmap(bmp) != kOk) return;
  const int W = bmp.width, H = bmp.height, rb = bmp.rowBytes();
  const int ring = 2 * r + 1;
  static const bool avx2 = gauss::HasAvx2();
  const auto rowTaps = avx2 ? gauss::RowTapsAvx2 : gauss::RowTaps;
  const auto columnTaps = avx2 ? gauss::ColumnTapsAvx2 : gauss::ColumnTaps;
  // The row pass of one stored row, edges repeated.
  auto rowPass = [&](int y, std::vector<uint8_t>& padded, uint8_t* out) {
    const uint8_t* in = bmp.scanLine(y);
    padded.resize(size_t(W + 2 * r) * size_t(ch));
    std::memcpy(&padded[size_t(r) * size_t(ch)], in, size_t(rb));
    for (int i = 0; i < r; ++i) {
      std::memcpy(&padded[size_t(i) * size_t(ch)], in, size_t(ch));
      std::memcpy(&padded[size_t(W + r + i) * size_t(ch)], in + size_t(W - 1) * size_t(ch), size_t(ch));
    }
    rowTaps(&padded[size_t(r) * size_t(ch)], ch, rb, w.data(), r, out);
  };
  // The picture is filtered in place, in bands of rows. A band needs the row pass of up to r rows
  // on either side of it, which its neighbours overwrite: those are made first, for every band.
  const int bands = std::clamp(H / 64, 1, 8);
  auto edge = [&](int band) { return int(int64_t(H) * band / bands); };
  std::vector<std::vector<uint8_t>> above(static_cast<size_t>(bands)), below(static_cast<size_t>(bands));
  const int64_t perBand = int64_t(rb) * (2 * r + 1) * std::max(1, H / bands);
  ParallelRows(bands, [&](int b0, int b1) {
    std::vector<uint8_t> padded;
    for (int band = b0; band < b1; ++band) {
      const int top = edge(band), end = edge(band + 1);
      const int from = std::max(0, top - r), to = std::min(H, end + r);
      above[size_t(band)].resize(size_t(top - from) * size_t(rb));
      for (int y = from; y < top; ++y) rowPass(y, padded, &above[size_t(band)][size_t(y - from) * size_t(rb)]);
      below[size_t(band)].resize(size_t(to - end) * size_t(rb));
      for (int y = end; y < to; ++y) rowPass(y, padded, &below[size_t(band)][size_t(y - end) * size_t(rb)]);
    }
  }, int64_t(rb) * 2 * r * 64);
  ParallelRows(bands, [&](int b0, int b1) {
    std::vector<uint8_t> padded;
    std::vector<uint8_t> rows(size_t(ring) * size_t(rb));  // the band's own rows, passed
    std::vector<const uint8_t*> window(static_cast<size_t>(ring));
    for (int band = b0; band < b1; ++band) {
      const int top = edge(band), end = edge(band + 1), from = std::max(0, top - r);
      int done = top - 1;  // the last of the band's rows passed; each is passed before it is written
      for (int y = top; y < end; ++y) {
        for (const int last = std::min(end - 1, y + r); done < last;) {
          ++done;
          rowPass(done, padded, &rows[size_t(done % ring) * size_t(rb)]);
        }
        for (int i = -r; i <= r; ++i) {
          const int at = std::clamp(y + i, 0, H - 1);
          window[size_t(i + r)] = at < top   ? &above[size_t(band)][size_t(at - from) * size_t(rb)]
                                  : at >= end ? &below[size_t(band)][size_t(at - end) * size_t(rb)]
                                              : &rows[size_t(at % ring) * size_t(rb)];
        }
        columnTaps(window.data(), rb, w.data(), r, bmp.scanLine(y));
      }
    }
  }, perBand);
}

// The rectangles of a region cut to the bitmap, or the whole bitmap.
std::vector<QRect> AreaRects(const Bitmap& bmp, const QRegion* region) {
  const QRect all(0, 0, bmp.width, bmp.height);
  std::vector<QRect> out;
  if (!region) {
    out.push_back(all);
    return out;
  }
  for (const QRect& r : region->intersected(all)) out.push_back(r);
  return out;
}

}  // namespace

namespace {
thread_local bool t_serialRows = false;
}

bool SetSerialRows(bool serial) { return std::exchange(t_serialRows, serial); }

void ParallelRows(int count, const std::function<void(int, int)>& fn, int64_t workPerRow) {
  if (count <= 0) return;
  if (t_serialRows) {
    fn(0, count);
    return;
  }
  unsigned hw = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
  int64_t total = int64_t(count) * std::max<int64_t>(1, workPerRow);
  int pieces = int(std::min<int64_t>({int64_t(hw), int64_t(count), total / (1 << 18) + 1}));
  if (pieces <= 1) {
    fn(0, count);
    return;
  }
  std::vector<std::thread> threads;
  threads.reserve(size_t(pieces - 1));
  for (int i = 1; i < pieces; ++i) {
    int a = int(int64_t(count) * i / pieces), b = int(int64_t(count) * (i + 1) / pieces);
    threads.emplace_back([&fn, a, b] { fn(a, b); });
  }
  fn(0, int(int64_t(count) / pieces));
  for (auto& t : threads) t.join();
}

int SizeBitmap(Bitmap& bmp, int width, int height, int flags) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (width <= 0 || height <= 0 || width > limits().maxSide || height > limits().maxSide ||
      int64_t(width) * height > limits().maxPixels)
    return kInvalidSize;
  int st = ViewToStored(bmp);
  if (st != kOk) return st;
  Bitmap out;
  if (flags == 0) {
    st = ResizeBitmap(bmp, out, width, height, 0);
  } else {
    Bitmap work;
    const Bitmap* s = &bmp;
    if (bmp.bits <= 8) {
      st = ConvertBitmap(bmp, work, 24);
      if (st != kOk) return st;
      s = &work;
    }
    Kernel kx, ky;
    if (flags == 4) {
      kx = ky = Kernel::CatmullRom;
    } else {
      kx = width < s->width ? Kernel::Box : Kernel::Triangle;
      ky = height < s->height ? Kernel::Box : Kernel::Triangle;
    }
    st = Resample(*s, out, width, height, kx, ky);
  }
  if (st != kOk) return st;
  TakeFacts(bmp, out);
  bmp = std::move(out);
  return kOk;
}

int RotateBitmap(Bitmap& bmp, int angle, int flags, uint32_t fillColor) {
  if (!bmp.allocated()) return kInvalidBitmap;
  int st = ViewToStored(bmp);
  if (st != kOk) return st;
  int a = ((angle % 36000) + 36000) % 36000;
  if (a == 0) return kOk;
  Bitmap out;
  if (a % 9000 == 0) {
    st = TurnQuarter(bmp, out, a / 9000);
    if (st != kOk) return st;
    if ((flags & 1) == 0 && a != 18000 && bmp.width != bmp.height) {
      // Keep the size: the turned picture centred in a frame of the old size.
      Bitmap framed;
      st = CreateBitmap(framed, bmp.width, bmp.height, out.bits, &out.palette);
      if (st != kOk) return st;
      FillBitmap(framed, fillColor);
      CombineBitmap(framed, (bmp.width - out.width) / 2, (bmp.height - out.height) / 2, out.width, out.height, out, 0,
                    0, 800);
      TakeFacts(out, framed);
      out = std::move(framed);
    }
    bmp = std::move(out);
    return kOk;
  }
  Bitmap work;
  const Bitmap* s = &bmp;
  if (bmp.bits <= 8) {
    st = ConvertBitmap(bmp, work, 24);
    if (st != kOk) return st;
    s = &work;
  }
  const double rad = a / 100.0 * M_PI / 180.0, cs = std::cos(rad), sn = std::sin(rad);
  const int W = s->width, H = s->height;
  int ow = W, oh = H;
  if (flags & 1) {
    ow = std::max(1, int(std::ceil(std::fabs(W * cs) + std::fabs(H * sn) - 1e-6)));
    oh = std::max(1, int(std::ceil(std::fabs(W * sn) + std::fabs(H * cs) - 1e-6)));
  }
  st = CreateBitmap(out, ow, oh, s->bits);
  if (st != kOk) return st;
  const int ch = s->bits / 8;
  const uint8_t fill[4] = {uint8_t(B(fillColor)), uint8_t(G(fillColor)), uint8_t(R(fillColor)), 255};
  ParallelRows(oh, [&](int y0, int y1) {
    for (int oy = y0; oy < y1; ++oy) {
      uint8_t* o = out.scanLine(oy);
      const double dy = oy + 0.5 - oh / 2.0;
      for (int ox = 0; ox < ow; ++ox) {
        const double dx = ox + 0.5 - ow / 2.0;
        const double sx = cs * dx + sn * dy + W / 2.0 - 0.5, sy = -sn * dx + cs * dy + H / 2.0 - 0.5;
        uint8_t* d = o + size_t(ox) * size_t(ch);
        if (sx < -0.5 || sy < -0.5 || sx > W - 0.5 || sy > H - 0.5) {
          std::memcpy(d, fill, size_t(ch));
          continue;
        }
        const double fx = std::clamp(sx, 0.0, double(W - 1)), fy = std::clamp(sy, 0.0, double(H - 1));
        const int x0 = std::min(int(fx), W - 1), yy0 = std::min(int(fy), H - 1);
        const int x1 = std::min(x0 + 1, W - 1), yy1 = std::min(yy0 + 1, H - 1);
        const int wx = int((fx - x0) * 256), wy = int((fy - yy0) * 256);
        const uint8_t* p00 = s->scanLine(yy0) + size_t(x0) * size_t(ch);
        const uint8_t* p01 = s->scanLine(yy0) + size_t(x1) * size_t(ch);
        const uint8_t* p10 = s->scanLine(yy1) + size_t(x0) * size_t(ch);
        const uint8_t* p11 = s->scanLine(yy1) + size_t(x1) * size_t(ch);
        for (int c = 0; c < ch; ++c) {
          int top = p00[c] * (256 - wx) + p01[c] * wx, bot = p10[c] * (256 - wx) + p11[c] * wx;
          d[c] = uint8_t((top * (256 - wy) + bot * wy + 32768) >> 16);
        }
      }
    }
  }, int64_t(ow) * 16);
  TakeFacts(bmp, out);
  bmp = std::move(out);
  return kOk;
}

int RotateBitmapViewPerspective(Bitmap& bmp, int angle) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (angle % 9000 != 0) return kInvalidParam;
  int st = ViewToStored(bmp);
  if (st != kOk) return st;
  int q = (((angle / 9000) % 4) + 4) % 4;
  // Perspectives for clockwise quarter turns of an upright picture.
  static const int kView[4] = {0, 5, 3, 8};
  bmp.viewPerspective = kView[q];
  return kOk;
}

int FlipBitmap(Bitmap& bmp) {
  if (!bmp.allocated()) return kInvalidBitmap;
  int st = ViewToStored(bmp);
  if (st == kOk) st = DetachBitmap(bmp);
  if (st != kOk) return st;
  std::vector<uint8_t> tmp(size_t(bmp.stride));
  for (int y = 0, z = bmp.height - 1; y < z; ++y, --z) {
    std::memcpy(tmp.data(), bmp.scanLine(y), tmp.size());
    std::memcpy(bmp.scanLine(y), bmp.scanLine(z), tmp.size());
    std::memcpy(bmp.scanLine(z), tmp.data(), tmp.size());
  }
  return kOk;
}

int ReverseBitmap(Bitmap& bmp) {
  if (!bmp.allocated()) return kInvalidBitmap;
  int st = ViewToStored(bmp);
  if (st == kOk) st = DetachBitmap(bmp);
  if (st != kOk) return st;
  const int W = bmp.width;
  if (bmp.bits >= 8) {
    const int bpp = bmp.bits / 8;
    ParallelRows(bmp.height, [&](int y0, int y1) {
      uint8_t t[4];
      for (int y = y0; y < y1; ++y) {
        uint8_t* row = bmp.scanLine(y);
        for (int x = 0, z = W - 1; x < z; ++x, --z) {
          std::memcpy(t, row + x * bpp, size_t(bpp));
          std::memcpy(row + x * bpp, row + z * bpp, size_t(bpp));
          std::memcpy(row + z * bpp, t, size_t(bpp));
        }
      }
    }, int64_t(W) * 2);
  } else {
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0, z = W - 1; x < z; ++x, --z) {
        int a = GetIndex(bmp, x, y);
        SetIndex(bmp, x, y, GetIndex(bmp, z, y));
        SetIndex(bmp, z, y, a);
      }
  }
  return kOk;
}

int GrayScaleBitmap(Bitmap& bmp, int bits) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return kInvalidBits;
  auto luma = [](uint32_t c) { return (299 * R(c) + 587 * G(c) + 114 * B(c) + 500) / 1000; };
  if ((bits == 24 || bits == 32) && bmp.bits == bits) {
    int st = DetachBitmap(bmp);
    if (st != kOk) return st;
    const int ch = bits / 8;
    ParallelRows(bmp.height, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        uint8_t* p = bmp.scanLine(y);
        for (int x = 0; x < bmp.width; ++x, p += ch) {
          uint8_t g = uint8_t((299 * p[2] + 587 * p[1] + 114 * p[0] + 500) / 1000);
          p[0] = p[1] = p[2] = g;
        }
      }
    }, int64_t(bmp.width) * 4);
    return kOk;
  }
  Bitmap out;
  std::vector<uint32_t> pal = bits <= 8 ? GreyPalette(1 << bits) : std::vector<uint32_t>();
  int st = CreateBitmap(out, bmp.width, bmp.height, bits, bits <= 8 ? &pal : nullptr);
  if (st != kOk) return st;
  for (int y = 0; y < bmp.height; ++y)
    for (int x = 0; x < bmp.width; ++x) {
      int g = luma(GetPixel(bmp, x, y));
      if (bits == 8) out.scanLine(y)[x] = uint8_t(g);
      else if (bits == 4) SetIndex(out, x, y, (g * 15 + 127) / 255);
      else if (bits == 1) SetIndex(out, x, y, g >= 128 ? 1 : 0);
      else SetPixel(out, x, y, uint32_t(g) * 0x010101u);
    }
  TakeFacts(bmp, out);
  out.viewPerspective = bmp.viewPerspective;
  out.flags &= ~kFlagTransparency;
  bmp = std::move(out);
  return kOk;
}

int SharpenBitmap(Bitmap& bmp, int amount) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (amount < 0 || amount > 1000) return kInvalidParam;
  if (amount == 0) return kOk;
  int st = MakeTrueColour(bmp);
  if (st != kOk) return st;
  Bitmap out;
  st = CopyBitmap(bmp, out);
  if (st != kOk) return st;
  const int W = bmp.width, H = bmp.height, ch = bmp.bits / 8;
  const int k = amount * 4096 / 500;  // strength in 1/4096
  ParallelRows(H, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const uint8_t* up = bmp.scanLine(std::max(0, y - 1));
      const uint8_t* mid = bmp.scanLine(y);
      const uint8_t* dn = bmp.scanLine(std::min(H - 1, y + 1));
      uint8_t* o = out.scanLine(y);
      for (int x = 0; x < W; ++x) {
        const size_t l = size_t(std::max(0, x - 1)) * size_t(ch), c = size_t(x) * size_t(ch),
                     r = size_t(std::min(W - 1, x + 1)) * size_t(ch);
        for (int i = 0; i < 3; ++i) {
          int blur = up[l + i] + 2 * up[c + i] + up[r + i] + 2 * mid[l + i] + 4 * mid[c + i] + 2 * mid[r + i] +
                     dn[l + i] + 2 * dn[c + i] + dn[r + i];
          int diff = mid[c + i] * 16 - blur;  // 16 x (pixel - blur)
          o[c + i] = Clamp8(mid[c + i] + ((diff * k + (1 << 15)) >> 16));
        }
      }
    }
  }, int64_t(W) * 40);
  bmp = std::move(out);
  return kOk;
}

int GaussianFilterBitmap(Bitmap& bmp, int radius) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (radius < 0 || radius > 200) return kInvalidParam;
  if (radius == 0) return kOk;
  int st = MakeTrueColour(bmp);
  if (st != kOk) return st;
  const double sigma = radius / 10.0;
  const int ch = bmp.bits / 8;
  if (sigma <= 3.0) {
    GaussExact(bmp, sigma, ch);
    return kOk;
  }
  // Three box passes whose widths give the wanted deviation.
  const int n = 3;
  const double wIdeal = std::sqrt(12 * sigma * sigma / n + 1);
  int wl = int(std::floor(wIdeal));
  if (wl % 2 == 0) --wl;
  const int wu = wl + 2;
  const double mIdeal = (12 * sigma * sigma - n * wl * wl - 4 * n * wl - 3 * n) / (-4.0 * wl - 4);
  const int m = int(std::lround(mIdeal));
  for (int i = 0; i < n; ++i) {
    const int r = ((i < m ? wl : wu) - 1) / 2;
    BoxRows(bmp, r, ch);
    BoxCols(bmp, r);
  }
  return kOk;
}

int BalanceColors(Bitmap& bmp, const double red[3], const double green[3], const double blue[3]) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (!red || !green || !blue) return kInvalidParam;
  const double* m[3] = {red, green, blue};
  for (auto* row : m)
    for (int i = 0; i < 3; ++i)
      if (!std::isfinite(row[i]) || std::fabs(row[i]) > 1000) return kInvalidParam;
  // table[out][in][v] = v * factor in 1/1024
  std::vector<int> table(size_t(3 * 3 * 256));
  for (int o = 0; o < 3; ++o)
    for (int i = 0; i < 3; ++i)
      for (int v = 0; v < 256; ++v) table[size_t((o * 3 + i) * 256 + v)] = int(std::lround(v * m[o][i] * 1024));
  auto apply = [&](int r, int g, int b, int out[3]) {
    for (int o = 0; o < 3; ++o) {
      int64_t s = int64_t(table[size_t((o * 3 + 0) * 256 + r)]) + table[size_t((o * 3 + 1) * 256 + g)] +
                  table[size_t((o * 3 + 2) * 256 + b)];
      out[o] = int(std::clamp<int64_t>((s + 512) >> 10, 0, 255));
    }
  };
  if (bmp.bits <= 8) {
    int st = DetachBitmap(bmp);
    if (st != kOk) return st;
    for (auto& c : bmp.palette) {
      int o[3];
      apply(R(c), G(c), B(c), o);
      c = uint32_t(o[0] << 16 | o[1] << 8 | o[2]);
    }
    return kOk;
  }
  int st = DetachBitmap(bmp);
  if (st != kOk) return st;
  const int ch = bmp.bits / 8;
  ParallelRows(bmp.height, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      uint8_t* p = bmp.scanLine(y);
      for (int x = 0; x < bmp.width; ++x, p += ch) {
        int o[3];
        apply(p[2], p[1], p[0], o);
        p[2] = uint8_t(o[0]);
        p[1] = uint8_t(o[1]);
        p[0] = uint8_t(o[2]);
      }
    }
  }, int64_t(bmp.width) * 10);
  return kOk;
}

int RemoveRedeyeBitmap(Bitmap& bmp, uint32_t newColor, int threshold, int lightness, const QRegion* region) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (threshold < 0 || threshold > 255 || lightness < 0 || lightness > 200) return kInvalidParam;
  int st = MakeTrueColour(bmp);
  if (st != kOk) return st;
  const int ch = bmp.bits / 8;
  for (const QRect& r : AreaRects(bmp, region)) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      uint8_t* p = bmp.scanLine(y) + size_t(r.left()) * size_t(ch);
      for (int x = r.left(); x <= r.right(); ++x, p += ch) {
        const int rr = p[2], gg = p[1], bb = p[0];
        if (rr - std::max(gg, bb) <= threshold) continue;
        const int bright = (rr + gg + bb) / 3;
        p[2] = Clamp8(R(newColor) * bright * lightness / (255 * 50));
        p[1] = Clamp8(G(newColor) * bright * lightness / (255 * 50));
        p[0] = Clamp8(B(newColor) * bright * lightness / (255 * 50));
      }
    }
  }
  return kOk;
}

int FillBitmap(Bitmap& bmp, uint32_t color, const QRegion* region) {
  if (!bmp.allocated()) return kInvalidBitmap;
  int st = DetachBitmap(bmp);
  if (st != kOk) return st;
  const auto rects = AreaRects(bmp, region);
  if (bmp.bits >= 24) {
    const int ch = bmp.bits / 8;
    const uint8_t px[4] = {uint8_t(B(color)), uint8_t(G(color)), uint8_t(R(color)), 255};
    for (const QRect& r : rects)
      for (int y = r.top(); y <= r.bottom(); ++y) {
        uint8_t* p = bmp.scanLine(y) + size_t(r.left()) * size_t(ch);
        for (int x = r.left(); x <= r.right(); ++x, p += ch) std::memcpy(p, px, size_t(ch));
      }
    return kOk;
  }
  // Nearest palette entry.
  int best = 0;
  long bestD = -1;
  for (size_t i = 0; i < bmp.palette.size(); ++i) {
    const uint32_t c = bmp.palette[i];
    long d = long(R(c) - R(color)) * (R(c) - R(color)) + long(G(c) - G(color)) * (G(c) - G(color)) +
             long(B(c) - B(color)) * (B(c) - B(color));
    if (bestD < 0 || d < bestD) bestD = d, best = int(i);
  }
  for (const QRect& r : rects)
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) SetIndex(bmp, x, y, best);
  return kOk;
}

int CombineBitmap(Bitmap& dst, int left, int top, int width, int height, const Bitmap& src, int srcLeft,
                  int srcTop, int operation) {
  if (!dst.allocated() || !src.allocated()) return kInvalidBitmap;
  if (operation != 800) return kNotSupported;
  if (width < 0 || height < 0) return kInvalidParam;
  // Clip against the destination and the source.
  int64_t l = left, t = top, w = width, h = height, sl = srcLeft, st0 = srcTop;
  auto clip = [&](int64_t& a, int64_t& b, int64_t& len) {
    if (a < 0) { len += a; b -= a; a = 0; }
    if (b < 0) { len += b; a -= b; b = 0; }
  };
  clip(l, sl, w);
  clip(t, st0, h);
  w = std::min({w, int64_t(dst.width) - l, int64_t(src.width) - sl});
  h = std::min({h, int64_t(dst.height) - t, int64_t(src.height) - st0});
  if (w <= 0 || h <= 0) return kOk;
  int st = DetachBitmap(dst);
  if (st != kOk) return st;
  const bool samePalette = dst.bits <= 8 && dst.bits == src.bits && dst.palette == src.palette;
  if ((dst.bits >= 24 && dst.bits == src.bits) || (samePalette && dst.bits == 8)) {
    const int bpp = dst.bits / 8;
    for (int64_t y = 0; y < h; ++y)
      std::memcpy(dst.scanLine(int(t + y)) + l * bpp, src.scanLine(int(st0 + y)) + sl * bpp, size_t(w * bpp));
  } else if (samePalette) {
    for (int64_t y = 0; y < h; ++y)
      for (int64_t x = 0; x < w; ++x) SetIndex(dst, int(l + x), int(t + y), GetIndex(src, int(sl + x), int(st0 + y)));
  } else if (dst.bits >= 24 && src.bits >= 24) {
    const int db = dst.bits / 8, sb = src.bits / 8;
    for (int64_t y = 0; y < h; ++y) {
      uint8_t* d = dst.scanLine(int(t + y)) + l * db;
      const uint8_t* s = src.scanLine(int(st0 + y)) + sl * sb;
      for (int64_t x = 0; x < w; ++x, d += db, s += sb) {
        d[0] = s[0], d[1] = s[1], d[2] = s[2];
        if (db == 4) d[3] = sb == 4 ? s[3] : 255;
      }
    }
  } else {
    for (int64_t y = 0; y < h; ++y)
      for (int64_t x = 0; x < w; ++x) SetPixel(dst, int(l + x), int(t + y), GetPixel(src, int(sl + x), int(st0 + y)));
  }
  return kOk;
}

int CopyBitmapRect(const Bitmap& src, Bitmap& dst, int left, int top, int width, int height) {
  if (!src.allocated()) return kInvalidBitmap;
  if (left < 0) width += left, left = 0;
  if (top < 0) height += top, top = 0;
  width = std::min(width, src.width - left);
  height = std::min(height, src.height - top);
  if (width <= 0 || height <= 0) return kInvalidSize;
  Bitmap out;
  int st = CreateBitmap(out, width, height, src.bits, &src.palette);
  if (st != kOk) return st;
  st = CombineBitmap(out, 0, 0, width, height, src, left, top, 800);
  if (st != kOk) return st;
  TakeFacts(src, out);
  out.transparentIndex = src.transparentIndex;
  dst = std::move(out);
  return kOk;
}

}  // namespace px
