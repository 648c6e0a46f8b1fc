#include "FxPaintFX.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace kalvora {

namespace {

using Lut = std::array<std::uint8_t, 256>;

bool usable(const Bitmap24* b) { return b && !b->isEmpty(); }

// Source and destination of a two-bitmap filter: both present, source not empty; a separate
// destination of another size first takes the source's size.
bool prepare(Bitmap24* source, Bitmap24* dest) {
  if (!usable(source) || !dest) return false;
  if (dest != source && (dest->width() != source->width() || dest->height() != source->height()))
    dest->setSize(source->width(), source->height());
  return true;
}

// Every byte of the pixels (not the row padding) through the table.
void applyLut(Bitmap24& b, const Lut& lut) {
  const int n = b.width() * 3;
  for (int y = 0; y < b.height(); ++y) {
    std::uint8_t* p = b.scanLine(y);
    for (int i = 0; i < n; ++i) p[i] = lut[p[i]];
  }
}

// Round: nearest, ties to even (the default rounding mode).
inline double roundEven(double v) { return std::nearbyint(v); }

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

// Wrapped bilinear sample of src at (fx, fy), single precision.
inline void wrappedSample(const Bitmap24& src, float fx, float fy, std::uint8_t out[3]) {
  const int w = src.width(), h = src.height();
  const float tx = std::trunc(fx), ty = std::trunc(fy);
  float wx[2], wy[2];
  if (fy >= 0) {
    wy[1] = fy - ty;
    wy[0] = 1 - wy[1];
  } else {
    wy[0] = ty - fy;
    wy[1] = 1 - wy[0];
  }
  if (fx >= 0) {
    wx[1] = fx - tx;
    wx[0] = 1 - wx[1];
  } else {
    wx[0] = tx - fx;
    wx[1] = 1 - wx[0];
  }
  // Wrap in double before converting: the point may lie far outside (near the fish-eye rim).
  auto wrap = [](double t, int n) -> int {
    if (t < 0) return (n - 1) - int(std::fmod(-t, double(n)));
    if (t > n - 1) return int(std::fmod(t, double(n)));
    return int(t);
  };
  const int ix = wrap(tx, w), iy = wrap(ty, h);
  float sum[3] = {0, 0, 0};
  for (int dx = 0; dx < 2; ++dx) {
    int col = ix + dx == w ? 0 : ix + dx;
    for (int dy = 0; dy < 2; ++dy) {
      int row = iy + dy == h ? 0 : iy + dy;
      const std::uint8_t* p = src.scanLine(row) + 3 * col;
      const float weight = wx[dx] * wy[dy];
      for (int k = 0; k < 3; ++k) sum[k] = sum[k] + p[k] * weight;
    }
  }
  for (int k = 0; k < 3; ++k) out[k] = TFxPaintFX::IntToByte(int(std::nearbyint(sum[k])));
}

}  // namespace

// ---- Colour adjustment ---------------------------------------------------------------------------

void TFxPaintFX::Lightness(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  applyLut(*bitmap, lightnessLut(amount));
}

void TFxPaintFX::Contrast(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  applyLut(*bitmap, contrastLut(amount));
}

void TFxPaintFX::Saturation(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  AdjustColors(bitmap, 0, amount, 0);
}

void TFxPaintFX::AdjustColors(Bitmap24* bitmap, int lightness, int saturation, int contrast) {
  if (!usable(bitmap)) return;
  const Lut light = lightnessLut(lightness);
  const Lut con = contrastLut(contrast);
  const int w = bitmap->width(), h = bitmap->height();
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
  const std::uint8_t* t = table.data();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    std::uint8_t* end = p + 3 * w;
    for (; p != end; p += 3) {
      const int b = light[p[0]], g = light[p[1]], r = light[p[2]];
      const std::uint8_t* row = t + div3(b + g + r) * 256;
      p[0] = row[b];
      p[1] = row[g];
      p[2] = row[r];
    }
  }
}

// ---- Noise ---------------------------------------------------------------------------------------

void TFxPaintFX::AddColorNoise(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  FxRandom& rnd = random();
  const int half = amount / 2;
  for (int y = 0; y < bitmap->height(); ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    for (int x = 0; x < bitmap->width(); ++x, p += 3)
      for (int k = 0; k < 3; ++k) p[k] = IntToByte(p[k] + rnd.random(amount) - half);
  }
}

void TFxPaintFX::AddMonoNoise(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  FxRandom& rnd = random();
  const int half = amount / 2;
  for (int y = 0; y < bitmap->height(); ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    for (int x = 0; x < bitmap->width(); ++x, p += 3) {
      const int n = rnd.random(amount) - half;
      for (int k = 0; k < 3; ++k) p[k] = IntToByte(p[k] + n);
    }
  }
}

// ---- Blur ----------------------------------------------------------------------------------------

void TFxPaintFX::SplitBlur(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap) || amount <= 0) return;
  const int w = bitmap->width(), h = bitmap->height();
  // Column byte offsets of the left and right partners, kept inside the row.
  std::vector<int> left(static_cast<std::size_t>(w)), right(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    int l = x - amount < 0 ? x : x - amount;
    int r = x >= w - amount ? w - x : x + amount;
    left[std::size_t(x)] = 3 * std::clamp(l, 0, w - 1);
    right[std::size_t(x)] = 3 * std::clamp(r, 0, w - 1);
  }
  for (int y = 0; y < h; ++y) {
    int up = y - amount < 0 ? y : y - amount;
    int lo = y >= h - amount ? h - y : y + amount;
    const std::uint8_t* upper = bitmap->scanLine(std::clamp(up, 0, h - 1));
    const std::uint8_t* lower = bitmap->scanLine(std::clamp(lo, 0, h - 1));
    std::uint8_t* p = bitmap->scanLine(y);
    for (int x = 0; x < w; ++x) {
      const int l = left[std::size_t(x)], r = right[std::size_t(x)];
      for (int k = 0; k < 3; ++k)
        p[3 * x + k] = std::uint8_t((upper[l + k] + lower[l + k] + upper[r + k] + lower[r + k]) >> 2);
    }
  }
}

void TFxPaintFX::GaussianBlur(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap)) return;
  for (int i = 0; i <= amount; ++i) SplitBlur(bitmap, 3);
}

// ---- Seamless edges and mosaic -------------------------------------------------------------------

void TFxPaintFX::MakeSeamless(Bitmap24* bitmap, int amount) {
  if (!usable(bitmap) || amount == 0) return;
  const int w = bitmap->width(), h = bitmap->height();
  // A band as high as the picture would blend towards a row past the end: the last row is the limit.
  const int hb = std::min(h / amount, h - 1);
  const int wb = w / amount;
  std::memcpy(bitmap->scanLine(0), bitmap->scanLine(h - 1), std::size_t(w) * 3);
  if (hb > 0) {
    const std::uint8_t* r0 = bitmap->scanLine(0);
    const std::uint8_t* rb = bitmap->scanLine(hb);
    for (int y = 1; y < hb; ++y) {
      std::uint8_t* p = bitmap->scanLine(y);
      for (int i = 0; i < 3 * w; ++i)
        p[i] = IntToByte(int(roundEven(double(rb[i] - r0[i]) / hb * y + r0[i])));
    }
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    std::memcpy(p + 3 * (w - 1), p, 3);
    if (wb <= 0) continue;
    const std::uint8_t* last = p + 3 * (w - 1);
    for (int i = 1; i < wb; ++i) {
      const std::uint8_t* far = p + 3 * (w - wb);
      std::uint8_t* q = p + 3 * (w - 1 - i);
      for (int k = 0; k < 3; ++k) q[k] = IntToByte(int(roundEven(double(far[k] - last[k]) / wb * i + last[k])));
    }
  }
}

void TFxPaintFX::Mosaic(Bitmap24* bitmap, int size) {
  if (!usable(bitmap) || size <= 1) return;
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
  if (amount == 0 || !prepare(source, dest)) return;
  const int w = source->width(), h = source->height();
  const float cx = float(w - 1) / 2, cy = float(h - 1) / 2;
  const double pi = std::numbers::pi;
  for (int y = 0; y < dest->height(); ++y) {
    for (int x = 0; x < dest->width(); ++x) {
      const double dx = x - double(cx), dy = y - double(cy);
      const double r = std::sqrt(dx * dx + dy * dy);
      float fx = cx, fy = cy;
      if (r != 0) {
        double a;
        if (dx != 0) {
          a = std::atan(dy / dx);
          if (dx < 0) a += pi;
        } else {
          a = dy > 0 ? pi / 2 : -pi / 2;
        }
        const double theta = a - r / amount + pi / 2;
        fx = float(r * std::cos(theta) + cx);
        fy = float(r * std::sin(theta) + cy);
      }
      std::uint8_t px[3];
      wrappedSample(*source, fx, fy, px);
      std::memcpy(dest->scanLine(y) + 3 * x, px, 3);
    }
  }
}

void TFxPaintFX::FishEye(Bitmap24* source, Bitmap24* dest, float amount) {
  if (!prepare(source, dest)) return;
  const float xmid = float(source->width()) / 2, ymid = float(source->height()) / 2;
  const float rmax = float(dest->width()) * amount;
  if (!(rmax > 0) || !std::isfinite(rmax)) return;
  // k and r2 carry over from the previous pixel where they are not computed (r1 = rmax, k = 0).
  float k = 0, r2 = 0;
  for (int y = 0; y < dest->height(); ++y) {
    for (int x = 0; x < dest->width(); ++x) {
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
      std::uint8_t px[3];
      wrappedSample(*source, fx, fy, px);
      std::memcpy(dest->scanLine(y) + 3 * x, px, 3);
    }
  }
}

// ---- Relief and channel filters --------------------------------------------------------------------

void TFxPaintFX::Emboss(Bitmap24* bitmap) {
  if (!usable(bitmap)) return;
  const int w = bitmap->width(), h = bitmap->height();
  for (int y = 0; y + 1 < h; ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    const std::uint8_t* q = bitmap->scanLine(y + 1) + 9;
    for (int i = 0; i < 3 * (w - 3); ++i) p[i] = std::uint8_t((p[i] + 255 - q[i]) >> 1);
  }
}

namespace {
void channelFilter(Bitmap24* bitmap, int channel, int lower, int upper, bool clearOthers) {
  if (!usable(bitmap)) return;
  for (int y = 0; y < bitmap->height(); ++y) {
    std::uint8_t* p = bitmap->scanLine(y);
    for (int x = 0; x < bitmap->width(); ++x, p += 3) {
      const int c = p[channel];
      const std::uint8_t v = (lower < c && c < upper) ? 255 : 0;
      if (clearOthers) p[0] = p[1] = p[2] = 0;
      p[channel] = v;
    }
  }
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
  if (!usable(map) || !std::isfinite(scale) || !std::isfinite(amplitude) || !prepare(source, dest)) return;
  if (scale < 10) scale = 10;
  if (amplitude < 5) amplitude = 5;
  // Offsets beyond any picture side are all the same to the bounds test below.
  auto offset = [](double v) { return int(std::clamp(roundEven(v), -1e9, 1e9)); };
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
      if (nx >= 0 && nx < w && ny >= 0 && ny < h)
        std::memmove(dest->scanLine(y) + 3 * x, source->scanLine(int(ny)) + 3 * nx, 3);
    }
  }
}

// ---- Tiles -----------------------------------------------------------------------------------------

namespace {
void texturize(Bitmap24* bitmap, int amount, bool overlap) {
  if (!usable(bitmap)) return;
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
  if (!prepare(source, dest)) return;
  const int w = source->width();
  for (int y = 0; y < source->height(); ++y) {
    const std::uint8_t* s = source->scanLine(y);
    std::uint8_t* d = dest->scanLine(y);
    for (int x = 0; x < w; ++x, s += 3, d += 3) {
      const bool invert = (s[0] + s[1] + s[2]) / 3 > threshold;
      for (int k = 0; k < 3; ++k) d[k] = invert ? std::uint8_t(255 - s[k]) : s[k];
    }
  }
}

void TFxPaintFX::Posterize(Bitmap24* source, Bitmap24* dest, int level) {
  if (level == 0 || !prepare(source, dest)) return;
  Lut lut;
  for (int c = 0; c < 256; ++c) {
    const double v = roundEven(double(c) / level) * level;
    lut[c] = v >= 255 ? 255 : v <= 0 ? 0 : std::uint8_t(v);
  }
  if (dest != source)
    for (int y = 0; y < source->height(); ++y)
      std::memcpy(dest->scanLine(y), source->scanLine(y), std::size_t(source->stride()));
  applyLut(*dest, lut);
}

}  // namespace kalvora
