#include "FxPaintFX.h"

#include "FxFilterArgs.h"
#include "FxTables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace kalvora {

namespace {

using Lut = fx::ByteTable;
using fx::RoundEven;

using fx::PrepareTarget;
using fx::Usable;

void applyLut(Bitmap24& b, const Lut& lut) { fx::ApplyTable(b, lut); }

Lut lightnessLut(int amount) {
  Lut t;
  for (int c = 0; c < 256; ++c) t[c] = TFxPaintFX::IntToByte(c + ((255LL - c) * amount) / 255);
  return t;
}

Lut contrastLut(int amount) {
  Lut t;
  for (int c = 0; c < 256; ++c) {
    long long d = (static_cast<long long>(amount) * std::abs(127 - c)) / 255;
    t[c] = TFxPaintFX::IntToByte(c > 127 ? c + d : c - d);
  }
  return t;
}

// (Amount * d) div 255 for d = -255 .. 255, held within +-512: beyond that every result clamps
// to the same end, so the bytes do not change.
std::array<int, 511> saturationDiff(int amount) {
  std::array<int, 511> t;
  for (int d = -255; d <= 255; ++d) {
    long long v = (static_cast<long long>(amount) * d) / 255;
    t[d + 255] = int(std::clamp(v, -512LL, 512LL));
  }
  return t;
}

// grey := sum div 3 for a sum of three bytes (0 .. 765).
inline int div3(int sum) { return (sum * 683) >> 11; }

// Wrapped bilinear sample (Twist, FishEye), single precision, in two steps: where and with
// which weights to read (Tap), then the reading itself.
struct Tap {
  const std::uint8_t* row[2];
  int col[2];
  float wx[2], wy[2];
};

inline Tap prepareTap(const Bitmap24& src, float fx, float fy) {
  const int w = src.width(), h = src.height();
  const float tx = std::trunc(fx), ty = std::trunc(fy);
  Tap t;
  if (fy >= 0) {
    t.wy[1] = fy - ty;
    t.wy[0] = 1 - t.wy[1];
  } else {
    t.wy[0] = ty - fy;
    t.wy[1] = 1 - t.wy[0];
  }
  if (fx >= 0) {
    t.wx[1] = fx - tx;
    t.wx[0] = 1 - t.wx[1];
  } else {
    t.wx[0] = tx - fx;
    t.wx[1] = 1 - t.wx[0];
  }
  // Wrap before converting: the point may lie far outside (near the fish-eye rim). Values
  // beyond 2^62 are whole numbers in float and wrap through fmod.
  auto wrap = [](float v, int n) -> int {
    if (v >= 0 && v <= float(n - 1)) return int(v);
    const double d = v;
    if (std::fabs(d) < 4.6e18) {
      const long long i = (long long)d;
      return i < 0 ? (n - 1) - int((-i) % n) : int(i % n);
    }
    return d < 0 ? (n - 1) - int(std::fmod(-d, double(n))) : int(std::fmod(d, double(n)));
  };
  const int ix = wrap(tx, w), iy = wrap(ty, h);
  t.col[0] = 3 * ix;
  t.col[1] = ix + 1 == w ? 0 : 3 * (ix + 1);
  t.row[0] = src.scanLine(iy);
  t.row[1] = src.scanLine(iy + 1 == h ? 0 : iy + 1);
  return t;
}

inline void sampleTap(const Tap& t, std::uint8_t* out) {
  float sum[3] = {0, 0, 0};
  for (int dx = 0; dx < 2; ++dx) {
    for (int dy = 0; dy < 2; ++dy) {
      const std::uint8_t* p = t.row[dy] + t.col[dx];
      const float weight = t.wx[dx] * t.wy[dy];
      for (int k = 0; k < 3; ++k) sum[k] = sum[k] + p[k] * weight;
    }
  }
  for (int k = 0; k < 3; ++k) out[k] = TFxPaintFX::IntToByte(int(RoundEven(sum[k])));
}

// One destination row from the sample points fx, fy. The points are all placed first and the
// reads prefetched ahead (they wander across rows); the reads themselves go left to right, so
// with the source as destination later pixels see the ones already written.
void sampleRow(const Bitmap24& src, const float* fx, const float* fy, int n, std::uint8_t* out,
               std::vector<Tap>& taps) {
  taps.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) taps[std::size_t(i)] = prepareTap(src, fx[i], fy[i]);
  constexpr int ahead = 24;
  for (int i = 0; i < n; ++i) {
    if (i + ahead < n) {
      const Tap& f = taps[std::size_t(i + ahead)];
      __builtin_prefetch(f.row[0] + f.col[0]);
      __builtin_prefetch(f.row[1] + f.col[0]);
    }
    std::uint8_t px[3];
    sampleTap(taps[std::size_t(i)], px);
    std::memcpy(out + 3 * i, px, 3);
  }
}

}  // namespace

// ---- Colour adjustment ---------------------------------------------------------------------------

void TFxPaintFX::Lightness(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  applyLut(*bitmap, lightnessLut(amount));
}

void TFxPaintFX::Contrast(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  applyLut(*bitmap, contrastLut(amount));
}

void TFxPaintFX::Saturation(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  AdjustColors(bitmap, 0, amount, 0);
}

namespace {
// Lightness, Saturation and Contrast in one pass over count pixels: light[] is the lightness
// table, table[grey][c] the saturation and contrast of a lightened byte c in a pixel of that
// grey. Four pixels (three words) at a time, so each byte is read and written once.
template <bool kLight>
void fusedRow(std::uint8_t* p, int count, const std::uint8_t* light, const std::uint8_t* table) {
  int x = 0;
  auto L = [&](std::uint32_t v) -> std::uint32_t { return kLight ? light[v] : v; };
  auto row = [&](std::uint32_t b, std::uint32_t g, std::uint32_t r) { return table + div3(int(b + g + r)) * 256; };
  for (; x + 4 <= count; x += 4, p += 12) {
    std::uint32_t w0, w1, w2;
    std::memcpy(&w0, p, 4);
    std::memcpy(&w1, p + 4, 4);
    std::memcpy(&w2, p + 8, 4);
    const std::uint32_t b0 = L(w0 & 255), g0 = L((w0 >> 8) & 255), r0 = L((w0 >> 16) & 255), b1 = L(w0 >> 24);
    const std::uint32_t g1 = L(w1 & 255), r1 = L((w1 >> 8) & 255), b2 = L((w1 >> 16) & 255), g2 = L(w1 >> 24);
    const std::uint32_t r2 = L(w2 & 255), b3 = L((w2 >> 8) & 255), g3 = L((w2 >> 16) & 255), r3 = L(w2 >> 24);
    const std::uint8_t* t0 = row(b0, g0, r0);
    const std::uint8_t* t1 = row(b1, g1, r1);
    const std::uint8_t* t2 = row(b2, g2, r2);
    const std::uint8_t* t3 = row(b3, g3, r3);
    w0 = std::uint32_t(t0[b0]) | std::uint32_t(t0[g0]) << 8 | std::uint32_t(t0[r0]) << 16 | std::uint32_t(t1[b1]) << 24;
    w1 = std::uint32_t(t1[g1]) | std::uint32_t(t1[r1]) << 8 | std::uint32_t(t2[b2]) << 16 | std::uint32_t(t2[g2]) << 24;
    w2 = std::uint32_t(t2[r2]) | std::uint32_t(t3[b3]) << 8 | std::uint32_t(t3[g3]) << 16 | std::uint32_t(t3[r3]) << 24;
    std::memcpy(p, &w0, 4);
    std::memcpy(p + 4, &w1, 4);
    std::memcpy(p + 8, &w2, 4);
  }
  for (; x < count; ++x, p += 3) {
    const std::uint32_t b = L(p[0]), g = L(p[1]), r = L(p[2]);
    const std::uint8_t* t = row(b, g, r);
    p[0] = t[b];
    p[1] = t[g];
    p[2] = t[r];
  }
}
}  // namespace

void TFxPaintFX::AdjustColors(Bitmap24* bitmap, int lightness, int saturation, int contrast) {
  if (!Usable(bitmap)) return;
  const Lut light = lightnessLut(lightness);
  const Lut con = contrastLut(contrast);
  if (saturation == 255) {
    // Saturation 255 changes nothing: one table for both other steps.
    Lut both;
    for (int c = 0; c < 256; ++c) both[c] = con[light[c]];
    applyLut(*bitmap, both);
    return;
  }
  // table[grey][c] = contrast(clamp(grey + (saturation * (c - grey)) div 255)).
  const auto diff = saturationDiff(saturation);
  std::vector<std::uint8_t> table(256 * 256);
  for (int grey = 0; grey < 256; ++grey)
    for (int c = 0; c < 256; ++c) table[grey * 256 + c] = con[IntToByte(grey + diff[c - grey + 255])];
  const int w = bitmap->width();
  for (int y = 0; y < bitmap->height(); ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    // Blocks of 64 pixels by vector where the processor can, the rest through the tables.
    const int done = fx::VectorSaturateRow(p, w, light, saturation, con);
    if (lightness == 0)
      fusedRow<false>(p + 3 * done, w - done, light.data(), table.data());
    else
      fusedRow<true>(p + 3 * done, w - done, light.data(), table.data());
  }
}

// ---- Noise ---------------------------------------------------------------------------------------

namespace {
// p[i] := IntToByte(p[i] + add[i]) without branches (the values are noise: no branch predicts them).
void addClamped(std::uint8_t* p, const int* add, int n) {
  for (int i = 0; i < n; ++i) p[i] = std::uint8_t(std::min(255, std::max(0, p[i] + add[i])));
}
}  // namespace

void TFxPaintFX::AddColorNoise(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  FxRandom& rnd = random();
  const int half = amount / 2;
  const int n = bitmap->width() * 3;
  std::vector<int> draws(static_cast<std::size_t>(n));
  for (int y = 0; y < bitmap->height(); ++y) {
    // Three draws per pixel in the order blue, green, red: the row's bytes in memory order.
    rnd.randomBlock(amount, draws.data(), draws.size());
    for (int& d : draws) d -= half;
    addClamped(bitmap->scanLine(y), draws.data(), n);
  }
}

void TFxPaintFX::AddMonoNoise(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  FxRandom& rnd = random();
  const int half = amount / 2;
  const int w = bitmap->width();
  std::vector<int> draws(static_cast<std::size_t>(w)), bytes(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < bitmap->height(); ++y) {
    // One draw per pixel, added to its three bytes.
    rnd.randomBlock(amount, draws.data(), draws.size());
    for (int x = 0; x < w; ++x) {
      const int d = draws[std::size_t(x)] - half;
      bytes[3 * std::size_t(x)] = bytes[3 * std::size_t(x) + 1] = bytes[3 * std::size_t(x) + 2] = d;
    }
    addClamped(bitmap->scanLine(y), bytes.data(), 3 * w);
  }
}

// ---- Blur ----------------------------------------------------------------------------------------

void TFxPaintFX::SplitBlur(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap) || amount <= 0) return;
  const int w = bitmap->width(), h = bitmap->height();
  // Column byte offsets of the left and right partners, kept inside the row.
  std::vector<int> left(static_cast<std::size_t>(w)), right(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    int l = x - amount < 0 ? x : x - amount;
    int r = x >= w - amount ? w - x : x + amount;
    left[std::size_t(x)] = 3 * std::clamp(l, 0, w - 1);
    right[std::size_t(x)] = 3 * std::clamp(r, 0, w - 1);
  }
  // Columns whose partners are x - Amount and x + Amount.
  const int inFrom = amount, inTo = w - amount;  // [inFrom, inTo)
  for (int y = 0; y < h; ++y) {
    int up = y - amount < 0 ? y : y - amount;
    int lo = y >= h - amount ? h - y : y + amount;
    up = std::clamp(up, 0, h - 1);
    lo = std::clamp(lo, 0, h - 1);
    const std::uint8_t* upper = bitmap->scanLine(up);
    const std::uint8_t* lower = bitmap->scanLine(lo);
    std::uint8_t* p = bitmap->scanLine(y);
    auto one = [&](int x) {
      const int l = left[std::size_t(x)], r = right[std::size_t(x)];
      for (int k = 0; k < 3; ++k)
        p[3 * x + k] = std::uint8_t((upper[l + k] + lower[l + k] + upper[r + k] + lower[r + k]) >> 2);
    };
    if (up == y || lo == y || inFrom >= inTo) {
      // The row reads itself: pixel by pixel, in order.
      for (int x = 0; x < w; ++x) one(x);
      continue;
    }
    for (int x = 0; x < inFrom; ++x) one(x);
    // Reads only other rows here, so the bytes are independent of each other.
    const int d = 3 * amount;
    const std::uint8_t* __restrict u = upper;
    const std::uint8_t* __restrict v = lower;
    std::uint8_t* __restrict q = p;
    for (int i = 3 * inFrom; i < 3 * inTo; ++i)
      q[i] = std::uint8_t((u[i - d] + v[i - d] + u[i + d] + v[i + d]) >> 2);
    for (int x = inTo; x < w; ++x) one(x);
  }
}

void TFxPaintFX::GaussianBlur(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  for (int i = 0; i <= amount; ++i) SplitBlur(bitmap, 3);
}

// ---- Seamless edges and mosaic -------------------------------------------------------------------

void TFxPaintFX::MakeSeamless(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap) || amount == 0) return;
  const int w = bitmap->width(), h = bitmap->height();
  // A band as high as the picture would blend towards a row past the end: the last row is the limit.
  const int hb = std::min(h / amount, h - 1);
  const int wb = w / amount;
  // The quotients (b_far - b_near) / band for every byte difference, formed once.
  auto quotients = [](int band) {
    std::array<double, 511> q{};
    for (int d = -255; d <= 255; ++d) q[std::size_t(d + 255)] = double(d) / band;
    return q;
  };
  std::memcpy(bitmap->scanLine(0), bitmap->scanLine(h - 1), std::size_t(w) * 3);
  if (hb > 0) {
    const auto q = quotients(hb);
    const std::uint8_t* r0 = bitmap->scanLine(0);
    const std::uint8_t* rb = bitmap->scanLine(hb);
    for (int y = 1; y < hb; ++y) {
      std::uint8_t* p = bitmap->scanLine(y);
      for (int i = 0; i < 3 * w; ++i) p[i] = IntToByte(int(RoundEven(q[std::size_t(rb[i] - r0[i] + 255)] * y + r0[i])));
    }
  }
  const auto qc = quotients(wb > 0 ? wb : 1);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    std::memcpy(p + 3 * (w - 1), p, 3);
    if (wb <= 0) continue;
    const std::uint8_t* last = p + 3 * (w - 1);
    for (int i = 1; i < wb; ++i) {
      const std::uint8_t* far = p + 3 * (w - wb);
      std::uint8_t* t = p + 3 * (w - 1 - i);
      for (int k = 0; k < 3; ++k) t[k] = IntToByte(int(RoundEven(qc[std::size_t(far[k] - last[k] + 255)] * i + last[k])));
    }
  }
}

void TFxPaintFX::Mosaic(Bitmap24* bitmap, int size) {
  if (!Usable(bitmap) || size <= 1) return;
  const long long w = bitmap->width(), h = bitmap->height();
  for (long long by = 0; by < h; by += size) {
    const int yEnd = int(std::min(h, by + size));
    for (long long bx = 0; bx < w; bx += size) {
      const std::uint8_t* c = bitmap->scanLine(int(by)) + 3 * bx;
      const std::uint8_t b = c[0], g = c[1], r = c[2];
      const int xEnd = int(std::min(w, bx + size));
      for (int y = int(by); y < yEnd; ++y) {
        std::uint8_t* p = bitmap->scanLine(y);
        for (int x = int(bx); x < xEnd; ++x) {
          p[3 * x] = b;
          p[3 * x + 1] = g;
          p[3 * x + 2] = r;
        }
      }
    }
  }
}

// ---- Swirl and fish-eye ----------------------------------------------------------------------------

void TFxPaintFX::Twist(Bitmap24* source, Bitmap24* dest, int amount) {
  if (amount == 0 || !PrepareTarget(source, dest)) return;
  const int w = source->width(), h = source->height();
  const float cx = float(w - 1) / 2, cy = float(h - 1) / 2;
  const int dw = dest->width();
  std::vector<float> px(static_cast<std::size_t>(dw)), py(static_cast<std::size_t>(dw));
  std::vector<Tap> taps;
  for (int y = 0; y < dest->height(); ++y) {
    const double dy = y - double(cy);
    for (int x = 0; x < dw; ++x) {
      const double dx = x - double(cx);
      const double r = std::sqrt(dx * dx + dy * dy);
      float fx = cx, fy = cy;
      if (r != 0) {
        // theta = angle(dx, dy) - r / Amount + pi / 2, by angle addition:
        // r cos theta = dx sin(r / Amount) - dy cos(r / Amount), r sin theta = dx cos + dy sin.
        const double phi = r / amount;
        const double s = std::sin(phi), c = std::cos(phi);
        fx = float(dx * s - dy * c + cx);
        fy = float(dx * c + dy * s + cy);
      }
      px[std::size_t(x)] = fx;
      py[std::size_t(x)] = fy;
    }
    sampleRow(*source, px.data(), py.data(), dw, dest->scanLine(y), taps);
  }
}

void TFxPaintFX::FishEye(Bitmap24* source, Bitmap24* dest, float amount) {
  if (!PrepareTarget(source, dest)) return;
  const float xmid = float(source->width()) / 2, ymid = float(source->height()) / 2;
  const float rmax = float(dest->width()) * amount;
  if (!(rmax > 0) || !std::isfinite(rmax)) return;
  const int dw = dest->width();
  std::vector<float> px(static_cast<std::size_t>(dw)), py(static_cast<std::size_t>(dw));
  std::vector<Tap> taps;
  // k and r2 carry over from the previous pixel where they are not computed (r1 = rmax, k = 0).
  float k = 0, r2 = 0;
  for (int y = 0; y < dest->height(); ++y) {
    for (int x = 0; x < dw; ++x) {
      const float dx = x - xmid, dy = y - ymid;
      const float r1 = std::sqrt(dx * dx + dy * dy);
      float fx = xmid, fy = ymid;
      if (r1 != 0) {
        if (r1 != rmax) k = 1 / (1 - r1 / rmax) - 1;
        if (k != 0) r2 = rmax / 2 * k;
        fx = dx * r2 / r1 + xmid;
        fy = dy * r2 / r1 + ymid;
        if (!std::isfinite(fx) || !std::isfinite(fy)) fx = xmid, fy = ymid;
      }
      px[std::size_t(x)] = fx;
      py[std::size_t(x)] = fy;
    }
    sampleRow(*source, px.data(), py.data(), dw, dest->scanLine(y), taps);
  }
}

// ---- Relief and channel filters --------------------------------------------------------------------

void TFxPaintFX::Emboss(Bitmap24* bitmap) {
  if (!Usable(bitmap)) return;
  const int w = bitmap->width(), h = bitmap->height();
  for (int y = 0; y + 1 < h; ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    const std::uint8_t* q = bitmap->scanLine(y + 1) + 9;
    for (int i = 0; i < 3 * (w - 3); ++i) p[i] = std::uint8_t((p[i] + 255 - q[i]) >> 1);
  }
}

namespace {
void channelFilter(Bitmap24* bitmap, int channel, int lower, int upper, bool clearOthers) {
  if (!Usable(bitmap)) return;
  Lut pass;
  for (int c = 0; c < 256; ++c) pass[c] = (lower < c && c < upper) ? 255 : 0;
  const Lut other = clearOthers ? Lut{} : fx::IdentityTable();
  fx::ApplyTables(*bitmap, channel == 0 ? pass : other, channel == 1 ? pass : other, channel == 2 ? pass : other);
}
}  // namespace

void TFxPaintFX::FilterRed(Bitmap24* b, int lower, int upper) { channelFilter(b, 2, lower, upper, true); }
void TFxPaintFX::FilterGreen(Bitmap24* b, int lower, int upper) { channelFilter(b, 1, lower, upper, true); }
void TFxPaintFX::FilterBlue(Bitmap24* b, int lower, int upper) { channelFilter(b, 0, lower, upper, true); }
void TFxPaintFX::FilterXRed(Bitmap24* b, int lower, int upper) { channelFilter(b, 2, lower, upper, false); }
void TFxPaintFX::FilterXGreen(Bitmap24* b, int lower, int upper) { channelFilter(b, 1, lower, upper, false); }
void TFxPaintFX::FilterXBlue(Bitmap24* b, int lower, int upper) { channelFilter(b, 0, lower, upper, false); }

// ---- Plasma ----------------------------------------------------------------------------------------

void TFxPaintFX::Plasma(Bitmap24* source, Bitmap24* map, double scale, double amplitude, Bitmap24* dest) {
  if (!Usable(map) || !std::isfinite(scale) || !std::isfinite(amplitude) || !PrepareTarget(source, dest)) return;
  if (scale < 10) scale = 10;
  if (amplitude < 5) amplitude = 5;
  // Offsets beyond any picture side are all the same to the bounds test below.
  auto offset = [](double v) { return int(std::clamp(RoundEven(v), -1e9, 1e9)); };
  int dxt[256], dyt[256];
  for (int i = 0; i < 256; ++i) {
    dxt[i] = offset(-amplitude * std::sin(i / scale));
    dyt[i] = offset(amplitude * std::cos(i / scale));
  }
  const int w = source->width(), h = source->height();
  const int mw = std::min(w, map->width()), mh = std::min(h, map->height());
  for (int y = 0; y < mh; ++y) {
    for (int x = 0; x < mw; ++x) {
      const int k = map->scanLine(y)[3 * x];
      const long long nx = (long long)x + dxt[k], ny = (long long)y + dyt[k];
      if (nx >= 0 && nx < w && ny >= 0 && ny < h) {
        const std::uint8_t* s = source->scanLine(int(ny)) + 3 * nx;
        std::uint8_t* d = dest->scanLine(y) + 3 * x;
        d[0] = s[0], d[1] = s[1], d[2] = s[2];
      }
    }
  }
}

// ---- Tiles -----------------------------------------------------------------------------------------

namespace {
void texturize(Bitmap24* bitmap, int amount, bool overlap) {
  if (!Usable(bitmap)) return;
  const int w = bitmap->width(), h = bitmap->height();
  const int size = std::min({w / 2, h / 2, amount});
  if (size < 1) return;
  // Nearest-neighbour reduction of the whole picture into the tile (centre of each cell).
  Bitmap24 tile(size, size);
  for (int ty = 0; ty < size; ++ty) {
    const std::uint8_t* src = bitmap->scanLine(int(((2LL * ty + 1) * h) / (2LL * size)));
    std::uint8_t* dst = tile.scanLine(ty);
    for (int tx = 0; tx < size; ++tx) std::memcpy(dst + 3 * tx, src + 3 * (((2LL * tx + 1) * w) / (2LL * size)), 3);
  }
  const int step = overlap ? std::max(1, int(std::nearbyint(size * 2.0 / 3))) : size;
  for (int y = 0; y < h; y += step) {
    const int rows = std::min(size, h - y);
    for (int x = 0; x < w; x += step) {
      const int cols = std::min(size, w - x);
      for (int ty = 0; ty < rows; ++ty)
        std::memcpy(bitmap->scanLine(y + ty) + 3 * x, tile.scanLine(ty), std::size_t(cols) * 3);
    }
  }
}
}  // namespace

void TFxPaintFX::TexturizeTile(Bitmap24* bitmap, int amount) { texturize(bitmap, amount, false); }
void TFxPaintFX::TexturizeOverlap(Bitmap24* bitmap, int amount) { texturize(bitmap, amount, true); }

// ---- Solarize and posterize ------------------------------------------------------------------------

void TFxPaintFX::Solarize(Bitmap24* source, Bitmap24* dest, int threshold) {
  if (!PrepareTarget(source, dest)) return;
  const int w = source->width();
  // (b + g + r) div 3 > threshold, as a bound on the sum (the sum is never negative).
  const long long bound = threshold < 0 ? -1 : 3LL * threshold + 2;
  for (int y = 0; y < source->height(); ++y) {
    const int done = fx::VectorSolarizeRow(source->scanLine(y), dest->scanLine(y), w, bound);
    const std::uint8_t* s = source->scanLine(y) + 3 * done;
    std::uint8_t* d = dest->scanLine(y) + 3 * done;
    for (int x = done; x < w; ++x, s += 3, d += 3) {
      const std::uint8_t flip = (s[0] + s[1] + s[2]) > bound ? 255 : 0;
      d[0] = s[0] ^ flip;
      d[1] = s[1] ^ flip;
      d[2] = s[2] ^ flip;
    }
  }
}

void TFxPaintFX::Posterize(Bitmap24* source, Bitmap24* dest, int level) {
  if (level == 0 || !PrepareTarget(source, dest)) return;
  Lut lut;
  for (int c = 0; c < 256; ++c) {
    const double v = RoundEven(double(c) / level) * level;
    lut[c] = v >= 255 ? 255 : v <= 0 ? 0 : std::uint8_t(v);
  }
  if (dest != source)
    for (int y = 0; y < source->height(); ++y)
      std::memcpy(dest->scanLine(y), source->scanLine(y), std::size_t(source->stride()));
  applyLut(*dest, lut);
}

}  // namespace kalvora
