#include "FxResample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

namespace kalvora {

// ---- Kernels (single precision) ----------------------------------------------------------------

float BoxKernel(float t) { return t > -0.5f && t <= 0.5f ? 1.0f : 0.0f; }

float TriangleKernel(float t) {
  const float a = std::fabs(t);
  return a < 1.0f ? 1.0f - a : 0.0f;
}

float HermiteKernel(float t) {
  const float a = std::fabs(t);
  return a < 1.0f ? (2.0f * a - 3.0f) * a * a + 1.0f : 0.0f;
}

float BellKernel(float t) {
  const float a = std::fabs(t);
  if (a < 0.5f) return 0.75f - a * a;
  if (a < 1.5f) {
    const float d = a - 1.5f;
    return 0.5f * d * d;
  }
  return 0.0f;
}

float BSplineKernel(float t) {
  const float a = std::fabs(t);
  if (a < 1.0f) return 0.5f * a * a * a - a * a + 2.0f / 3.0f;
  if (a < 2.0f) {
    const float d = 2.0f - a;
    return d * d * d / 6.0f;
  }
  return 0.0f;
}

namespace {
float sinc(float t) {
  if (t == 0.0f) return 1.0f;
  const float x = std::numbers::pi_v<float> * t;
  return std::sin(x) / x;
}
}  // namespace

float Lanczos3Kernel(float t) { return std::fabs(t) < 3.0f ? sinc(t) * sinc(t / 3.0f) : 0.0f; }

float MitchellKernel(float t) {
  const float a = std::fabs(t);
  if (a < 1.0f) return (7.0f * a * a * a - 12.0f * a * a + 16.0f / 3.0f) / 6.0f;
  if (a < 2.0f) return (-7.0f / 3.0f * a * a * a + 12.0f * a * a - 20.0f * a + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

const std::array<FxResampleKernel, 7>& ResampleKernels() {
  static const std::array<FxResampleKernel, 7> table = {{
      {"Box", BoxKernel, 0.5f},
      {"Triangle", TriangleKernel, 1.0f},
      {"Hermite", HermiteKernel, 1.0f},
      {"Bell", BellKernel, 1.5f},
      {"B-Spline", BSplineKernel, 2.0f},
      {"Lanczos3", Lanczos3Kernel, 3.0f},
      {"Mitchell", MitchellKernel, 2.0f},
  }};
  return table;
}

const FxResampleKernel* FindResampleKernel(std::string_view name) {
  for (const auto& k : ResampleKernels()) {
    const std::string_view n = k.name;
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
      return &k;
  }
  return nullptr;
}

// ---- Resampler -------------------------------------------------------------------------------------

namespace {

constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

// The taps of every output position along one axis.
struct Taps {
  std::vector<int> first;         // first source index of output i
  std::vector<int> count;         // number of taps of output i
  std::vector<std::int32_t> w;    // weights, `stride` per output
  int stride = 0;
};

Taps makeTaps(int srcN, int dstN, const FxResampleKernel& k) {
  const double scale = double(dstN) / srcN;
  const double widen = scale < 1 ? 1 / scale : 1.0;  // shrinking stretches the kernel
  const double support = std::max(k.support * widen, 0.5);
  Taps t;
  t.stride = int(std::ceil(support * 2)) + 2;
  t.first.resize(std::size_t(dstN));
  t.count.resize(std::size_t(dstN));
  t.w.assign(std::size_t(dstN) * std::size_t(t.stride), 0);
  std::vector<double> f(std::size_t(t.stride));
  for (int i = 0; i < dstN; ++i) {
    const double centre = (i + 0.5) / scale;
    int lo = std::max(int(std::floor(centre - support)), 0);
    int hi = std::min(int(std::ceil(centre + support)), srcN - 1);
    // Keep within the stride (rounding at the edges can add one).
    if (hi - lo + 1 > t.stride) hi = lo + t.stride - 1;
    double total = 0;
    int n = 0;
    for (int j = lo; j <= hi; ++j, ++n) {
      f[std::size_t(n)] = k.kernel(float((j + 0.5 - centre) / widen));
      total += f[std::size_t(n)];
    }
    std::int32_t* w = &t.w[std::size_t(i) * std::size_t(t.stride)];
    if (total == 0) {  // nothing under the kernel: the nearest pixel
      lo = std::clamp(int(centre), 0, srcN - 1);
      n = 1;
      w[0] = kOne;
    } else {
      int sum = 0, biggest = 0;
      for (int m = 0; m < n; ++m) {
        w[m] = std::int32_t(std::lround(f[std::size_t(m)] / total * kOne));
        sum += w[m];
        if (std::abs(w[m]) > std::abs(w[biggest])) biggest = m;
      }
      w[biggest] += kOne - sum;  // the weights sum to exactly one
      // Drop zero weights at both ends.
      int a = 0, b = n;
      while (a < b - 1 && w[a] == 0) ++a;
      while (b - 1 > a && w[b - 1] == 0) --b;
      if (a > 0) std::copy(w + a, w + b, w);
      lo += a;
      n = b - a;
    }
    t.first[std::size_t(i)] = lo;
    t.count[std::size_t(i)] = n;
  }
  return t;
}

inline std::uint8_t toByte(std::int32_t acc) {
  const std::int32_t v = (acc + (kOne >> 1)) >> kShift;
  return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Rows srcY .. srcY + rows - 1 of src to rows dstY .. of dst, along x.
void horizontal(const Bitmap24& src, int srcY, Bitmap24& dst, int dstY, int rows, const Taps& t) {
  const int dstW = dst.width();
  for (int r = 0; r < rows; ++r) {
    const std::uint8_t* s = src.scanLine(srcY + r);
    std::uint8_t* d = dst.scanLine(dstY + r);
    for (int x = 0; x < dstW; ++x) {
      const std::int32_t* w = &t.w[std::size_t(x) * std::size_t(t.stride)];
      const std::uint8_t* p = s + 3 * t.first[std::size_t(x)];
      std::int32_t b = 0, g = 0, rr = 0;
      for (int m = 0, n = t.count[std::size_t(x)]; m < n; ++m, p += 3) {
        b += w[m] * p[0];
        g += w[m] * p[1];
        rr += w[m] * p[2];
      }
      d[3 * x] = toByte(b);
      d[3 * x + 1] = toByte(g);
      d[3 * x + 2] = toByte(rr);
    }
  }
}

// Output rows y0 .. y1 - 1 along y. Source row i of the taps is row i - srcOffset of src; output
// row y goes to row y - dstOffset of dst.
void vertical(const Bitmap24& src, int srcOffset, Bitmap24& dst, int dstOffset, int y0, int y1, const Taps& t,
              std::vector<std::int32_t>& acc) {
  const int bytes = dst.width() * 3;
  acc.resize(std::size_t(bytes));
  for (int y = y0; y < y1; ++y) {
    const std::int32_t* w = &t.w[std::size_t(y) * std::size_t(t.stride)];
    const int first = t.first[std::size_t(y)] - srcOffset;
    std::fill(acc.begin(), acc.end(), 0);
    std::int32_t* a = acc.data();
    for (int m = 0, n = t.count[std::size_t(y)]; m < n; ++m) {
      const std::uint8_t* s = src.scanLine(first + m);
      const std::int32_t wm = w[m];
      for (int i = 0; i < bytes; ++i) a[i] += wm * s[i];
    }
    std::uint8_t* d = dst.scanLine(y - dstOffset);
    for (int i = 0; i < bytes; ++i) d[i] = toByte(a[i]);
  }
}

// Source rows the output rows y0 .. y1 - 1 read: [lo, hi).
std::pair<int, int> sourceRows(const Taps& t, int y0, int y1) {
  int lo = t.first[std::size_t(y0)], hi = lo;
  for (int y = y0; y < y1; ++y) {
    lo = std::min(lo, t.first[std::size_t(y)]);
    hi = std::max(hi, t.first[std::size_t(y)] + t.count[std::size_t(y)]);
  }
  return {lo, hi};
}

// fn(first, end) over parts of 0 .. count - 1, on up to `threads` threads.
template <class Fn>
void parallelRows(int count, int threads, Fn fn) {
  threads = std::clamp(threads, 1, std::max(count, 1));
  if (threads <= 1) {
    fn(0, count);
    return;
  }
  std::vector<std::thread> pool;
  for (int i = 0; i < threads; ++i) {
    const int a = int(static_cast<long long>(count) * i / threads);
    const int b = int(static_cast<long long>(count) * (i + 1) / threads);
    pool.emplace_back([=] { fn(a, b); });
  }
  for (auto& th : pool) th.join();
}

// Output rows are made in strips: the intermediate rows of one strip stay small and in cache,
// and no picture-sized intermediate is ever allocated.
constexpr int kStrip = 32;

}  // namespace

Bitmap24 Resample(const Bitmap24& source, int newWidth, int newHeight, const FxResampleKernel& kernel, int threads) {
  if (source.isEmpty() || newWidth < 1 || newHeight < 1 || !kernel.kernel) return Bitmap24();
  const Taps tx = makeTaps(source.width(), newWidth, kernel);
  const Taps ty = makeTaps(source.height(), newHeight, kernel);
  Bitmap24 out(newWidth, newHeight);
  // Do the pass that shrinks more first: less work for the second.
  const double costXFirst = double(source.height()) * newWidth * tx.stride + double(newHeight) * newWidth * ty.stride;
  const double costYFirst = double(newHeight) * source.width() * ty.stride + double(newHeight) * newWidth * tx.stride;
  const bool xFirst = costXFirst <= costYFirst;
  int span = kStrip;  // rows of the strip buffer
  if (xFirst)
    for (int y = 0; y < newHeight; y += kStrip) {
      const auto [lo, hi] = sourceRows(ty, y, std::min(y + kStrip, newHeight));
      span = std::max(span, hi - lo);
    }
  const int strips = (newHeight + kStrip - 1) / kStrip;
  parallelRows(strips, threads, [&](int s0, int s1) {
    Bitmap24 mid(xFirst ? newWidth : source.width(), span);
    std::vector<std::int32_t> acc;
    for (int s = s0; s < s1; ++s) {
      const int y0 = s * kStrip, y1 = std::min(y0 + kStrip, newHeight);
      if (xFirst) {
        const auto [lo, hi] = sourceRows(ty, y0, y1);
        horizontal(source, lo, mid, 0, hi - lo, tx);
        vertical(mid, lo, out, 0, y0, y1, ty, acc);
      } else {
        vertical(source, 0, mid, y0, y0, y1, ty, acc);
        horizontal(mid, 0, out, y0, y1 - y0, tx);
      }
    }
  });
  return out;
}

}  // namespace kalvora
