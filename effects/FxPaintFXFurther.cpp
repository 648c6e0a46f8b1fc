// The further filters of TFxPaintFX: marble, smooth rotation, waves, row squeezes, fractals,
// triangles, ripples, height map, blend and the two colour masks.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "FxPaintFX.h"
#include "FxFilterArgs.h"

namespace kalvora {

namespace {

constexpr double kPi = std::numbers::pi;

using fx::PrepareTarget;
using fx::Usable;

inline std::uint8_t* px(Bitmap24& b, int x, int y) { return b.scanLine(y) + 3 * x; }
inline const std::uint8_t* px(const Bitmap24& b, int x, int y) { return b.scanLine(y) + 3 * x; }

// Round(|v|) as a column or row index, or -1 where it is not finite or not below `limit`.
// The range is checked in double before anything is converted, so huge offsets (tan near its
// poles) cannot overflow an integer.
inline int roundedIndex(double v, int limit) {
  const double r = std::nearbyint(std::fabs(v));
  if (!(r < double(limit))) return -1;  // also false for NaN
  return int(r);
}

// Stretches a row of `srcWidth` pixels over the destination columns left .. right - 1 of row y
// (nearest pixel); columns outside the destination are dropped.
void stretchRow(const std::uint8_t* src, int srcWidth, Bitmap24& dest, int y, long long left, long long right) {
  const long long n = right - left;
  if (n <= 0 || srcWidth <= 0) return;
  std::uint8_t* row = dest.scanLine(y);
  const long long from = std::max<long long>(left, 0), to = std::min<long long>(right, dest.width());
  for (long long x = from; x < to; ++x) {
    const long long sx = (x - left) * srcWidth / n;
    std::memcpy(row + 3 * x, src + 3 * sx, 3);
  }
}

// y / (Height - 1), 0 for a one-row picture (which would divide by zero).
inline double rowFraction(int y, int height) { return height > 1 ? double(y) / (height - 1) : 0.0; }

// The common loop of the marble family. P(a) depends on the row, Q(b) on the column.
template <class PFn, class QFn, class OffFn>
void marble(Bitmap24* source, Bitmap24* dest, int scale, double turbulence, PFn pOf, QFn qOf, OffFn offsets,
            bool fromBottomRight, bool resizeDest) {
  if (!Usable(source) || !dest || scale == 0) return;
  if (dest != source) {
    if (resizeDest) dest->setSize(source->width(), source->height());
    *dest = *source;
  }
  const int w = source->width(), h = source->height();
  std::vector<double> q(std::size_t(w), 0.0);
  for (int x = 0; x < w; ++x) q[std::size_t(x)] = qOf((x % scale) / turbulence);
  auto visit = [&](int x, int y, double p) {
    double ox, oy;
    offsets(p, q[std::size_t(x)], ox, oy);
    const int nx = roundedIndex(x + ox, w), ny = roundedIndex(y + oy, h);
    if (nx < 0 || ny < 0) return;
    std::uint8_t c[3];
    std::memcpy(c, px(*source, x, y), 3);
    std::memcpy(px(*dest, nx, ny), c, 3);
  };
  if (!fromBottomRight) {
    for (int y = 0; y < h; ++y) {
      const double p = pOf((y % scale) / turbulence);
      for (int x = 0; x < w; ++x) visit(x, y, p);
    }
  } else {
    for (int y = h - 1; y >= 0; --y) {
      const double p = pOf((y % scale) / turbulence);
      for (int x = w - 1; x >= 0; --x) visit(x, y, p);
    }
  }
}

void sum(double p, double q, double& ox, double& oy) { ox = q + p, oy = p + q; }

}  // namespace

// ---- Marble ---------------------------------------------------------------------------------------

void TFxPaintFX::Marble(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(a) * t; },
         [t](double b) { return -std::sin(b) * t; }, sum, false, true);
}

void TFxPaintFX::Marble2(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(a) * t; },
         [t](double b) { return -std::sin(b) * t; },
         [](double p, double q, double& ox, double& oy) { ox = q - p, oy = p - q; }, false, false);
}

void TFxPaintFX::Marble3(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(a) * t; },
         [t](double b) { return -std::sin(b) * t; },
         [](double p, double q, double& ox, double& oy) { ox = -q + p, oy = -p + q; }, false, false);
}

void TFxPaintFX::Marble4(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::sin(a) * t; },
         [t](double b) { return -std::cos(b) * t; }, sum, false, false);
}

void TFxPaintFX::Marble5(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(a) * t; },
         [t](double b) { return -std::sin(b) * t; }, sum, true, false);
}

void TFxPaintFX::Marble6(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(a) * t; },
         [t](double b) { return -std::tan(b) / t; }, sum, false, false);
}

void TFxPaintFX::Marble7(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::sin(a) * t; },
         [t](double b) { return -std::tan(b) / (t * t); }, sum, false, false);
}

void TFxPaintFX::Marble8(Bitmap24* source, Bitmap24* dest, int scale, double t) {
  marble(source, dest, scale, t, [t](double a) { return std::cos(1.5 * a) * std::sin(a) * t; },
         [t](double b) { return std::cos(b) * (-std::sin(2 * b) * t); }, sum, false, false);
}

// ---- SmoothRotate -----------------------------------------------------------------------------------

void TFxPaintFX::SmoothRotate(Bitmap24* source, Bitmap24* dest, int centreX, int centreY, double angle) {
  if (!PrepareTarget(source, dest)) return;
  const double theta = -angle * kPi / 180;
  const double s = std::sin(theta), c = std::cos(theta);
  const int sw = source->width(), sh = source->height();
  const int ox = (dest->width() - sw) / 2, oy = (dest->height() - sh) / 2;
  for (int y = 0; y < dest->height(); ++y) {
    for (int x = 0; x < dest->width(); ++x) {
      const double tx = (double(x) - centreX) * 2 + 1, ty = (double(y) - centreY) * 2 + 1;
      const double sx = (tx * c - ty * s - 1) / 2 + centreX - ox;
      const double sy = (tx * s + ty * c - 1) / 2 + centreY - oy;
      const double rx = std::nearbyint(sx), ry = std::nearbyint(sy);
      if (!(rx >= 0 && rx < sw && ry >= 0 && ry < sh)) continue;
      const int ix = int(rx), iy = int(ry);
      const double fx = sx - ix, fy = sy - iy;
      const int ix2 = ClampToRange(ix + 1, 0, sw - 1), iy2 = ClampToRange(iy + 1, 0, sh - 1);
      std::uint8_t out[3];
      for (int k = 0; k < 3; ++k) {
        const double p00 = px(*source, ix, iy)[k], p10 = px(*source, ix2, iy)[k];
        const double p01 = px(*source, ix, iy2)[k], p11 = px(*source, ix2, iy2)[k];
        const double top = (p10 - p00) * fx + p00;
        const double bottom = (p11 - p01) * fx + p01;
        out[k] = IntToByte(static_cast<long long>(std::nearbyint((bottom - top) * fy + top)));
      }
      std::memcpy(px(*dest, x, y), out, 3);
    }
  }
}

// ---- Wave ------------------------------------------------------------------------------------------

void TFxPaintFX::Wave(Bitmap24* bitmap, int amount, int style, int inference) {
  if (!Usable(bitmap) || amount <= 0) return;
  const Bitmap24 copy = *bitmap;
  const int w = bitmap->width(), h = bitmap->height();
  const double phi = (kPi / 2) / amount;
  for (int y = h - 1 - 2 * amount; y >= amount; --y) {
    long long offset = 0;
    for (int x = 0; x < w; ++x) {
      const long long ty = y + amount + offset;
      if (ty >= 0 && ty < h) std::memcpy(px(*bitmap, x, int(ty)), px(copy, x, y), 3);
      double f = 0;
      switch (style) {
        case 0: f = std::sin(x * phi); break;
        case 1: f = std::sin(x * phi) * std::cos(x * phi); break;
        case 2: f = std::sin(x * phi) * std::sin(inference * phi * x); break;
        default: break;
      }
      offset = static_cast<long long>(std::nearbyint(amount * f));
    }
  }
}

// ---- Row squeezes -----------------------------------------------------------------------------------

void TFxPaintFX::SqueezeHor(Bitmap24* source, Bitmap24* dest, int style, int amount) {
  if (!PrepareTarget(source, dest)) return;
  const int w = source->width(), h = source->height();
  const int cx = w / 2;
  std::vector<std::uint8_t> row(std::size_t(w) * 3);
  for (int y = 0; y < h; ++y) {
    double dd;
    switch (style) {
      case 7: dd = amount; break;
      case 8: dd = std::nearbyint(double(h - 1 - y) / h * amount); break;
      case 9: dd = std::nearbyint(double(y) / h * amount); break;
      case 10: dd = std::nearbyint(std::fabs(std::cos(rowFraction(y, h) * kPi)) * amount); break;
      case 11:
      case 12: dd = std::nearbyint(std::fabs(std::sin(rowFraction(y, h) * kPi)) * amount); break;
      case 13: dd = std::nearbyint(std::fabs(std::sin(rowFraction(y, h) * 2 * kPi)) * amount); break;
      default: return;  // only the styles 7 .. 13 exist
    }
    // More than half the width would turn the row's rectangle inside out.
    const long long d = static_cast<long long>(std::min(dd, double(w / 2)));
    std::memcpy(row.data(), source->scanLine(y), row.size());
    if (style <= 11)
      stretchRow(row.data(), w, *dest, y, d, w - d);
    else
      stretchRow(row.data(), w, *dest, y, cx - d, cx + d);
  }
}

void TFxPaintFX::SplitRound(Bitmap24* source, Bitmap24* dest, int style, int amount) {
  if (!PrepareTarget(source, dest)) return;
  if (amount == 0) {
    if (dest != source) *dest = *source;
    return;
  }
  const int w = source->width(), h = source->height();
  const int half = w / 2;
  // The squeeze never exceeds half the width (nor goes below nothing).
  const int a = std::clamp(amount, 0, half);
  std::vector<std::uint8_t> left(std::size_t(std::max(half, 1)) * 3), right(left.size());
  for (int y = 0; y < h; ++y) {
    if (half > 0) {
      std::memcpy(left.data(), source->scanLine(y), std::size_t(half) * 3);
      std::memcpy(right.data(), source->scanLine(y) + 3 * half, std::size_t(half) * 3);
    }
    long long d = 1;
    if (style == 14) d = static_cast<long long>(std::nearbyint(std::fabs(std::sin(rowFraction(y, h) * kPi)) * a));
    if (style == 15) d = static_cast<long long>(std::nearbyint(std::fabs(std::cos(rowFraction(y, h) * kPi)) * a));
    if (half <= 0) continue;
    stretchRow(left.data(), half, *dest, y, 0, d);
    stretchRow(right.data(), half, *dest, y, w - 1 - d, w - 1);
  }
}

// ---- Mandelbrot -------------------------------------------------------------------------------------

TColor TFxPaintFX::PaletteColor(int index) {
  static const TColor palette[16] = {0x000000, 0x800000, 0x008000, 0xFFFF00, 0x0000FF, 0x800080,
                                     0x000080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0x008080,
                                     0xFF00FF, 0x808000, 0x00FFFF, 0xFFFFFF};
  return index >= 0 && index < 16 ? palette[index] : 0xFFFFFF;
}

void TFxPaintFX::Mandelbrot(Bitmap24* bitmap, int iterations, bool mandelbrot, double bottom, double right,
                            double top, double left) {
  if (!Usable(bitmap)) return;
  Bgr palette[16];
  for (int i = 0; i < 16; ++i) palette[i] = BgrFromColor(PaletteColor(i));
  const int n = std::max(iterations, 16);
  const int w = bitmap->width(), h = bitmap->height();
  const double dx = (right - left) / w, dy = (bottom - top) / h;
  double cx = 0, cy = 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double zx = x * dx + left, zy = y * dy + top;
      if (mandelbrot) {
        cx = zx, cy = zy;
        zx = 0, zy = 0;
      }
      int count = 0;
      double xx = 0, yy = 0;
      while (count <= n && xx + yy < 4) {
        xx = zx * zx, yy = zy * zy;
        zy = 2 * zx * zy + cy;
        zx = xx - yy + cx;
        ++count;
      }
      const int m = count - 1;
      int index = 0;
      if (m != n) {
        const double v = std::nearbyint(m / (n / 16.0));
        index = v >= 0 && v < 16 ? int(v) : 15;
      }
      std::memcpy(px(*bitmap, x, y), &palette[index], 3);
    }
  }
}

// ---- Triangles, ripples, height map ---------------------------------------------------------------

void TFxPaintFX::Triangles(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  const int p = amount < 5 ? 4 : (amount & ~1);
  const int q = p + 1;
  const int w = bitmap->width();
  for (int y = 0; y < bitmap->height(); ++y) {
    int t = y % p;
    if (t > (q >> 1)) t = p - t;
    if (t == 0) t = q;
    const int u = y % q;
    const int hh = (p + 1) >> 1;
    const int e = std::abs(hh - u) + hh;
    std::uint8_t* row = bitmap->scanLine(y);
    std::uint8_t held[3];
    std::memcpy(held, row, 3);
    for (int x = 0; x < w; ++x) {
      if (x % t == 0) std::memcpy(held, row + 3 * x, 3);
      if (x % e == 1) std::memcpy(held, row + 3 * x, 3);
      std::memcpy(row + 3 * x, held, 3);
    }
  }
}

namespace {
template <class NextK>
void ripple(Bitmap24& b, int amount, NextK next) {
  const int a = std::min(b.height() / 2, amount);
  if (a <= 0) return;  // nothing moves (a negative reach would leave the picture)
  for (int y = b.height() - 1 - a; y >= 0; --y) {
    int k = 0;
    for (int x = 0; x < b.width(); ++x) {
      std::memmove(px(b, x, y + (k & 255)), px(b, x, y), 3);
      k = next(k, a);
    }
  }
}
}  // namespace

void TFxPaintFX::RippleTooth(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  ripple(*bitmap, amount, [](int k, int a) {
    ++k;
    return (k & 255) > a ? 0 : k;
  });
}

void TFxPaintFX::RippleRandom(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  FxRandom& r = random();
  r.randomize();
  ripple(*bitmap, amount, [&r](int, int a) { return r.random(a); });
}

void TFxPaintFX::HeightMap(Bitmap24* bitmap, int amount) {
  if (!Usable(bitmap)) return;
  const Bitmap24 copy = *bitmap;
  const int h = bitmap->height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < bitmap->width(); ++x) {
      const std::uint8_t* p = px(copy, x, y);
      const double lift = std::nearbyint((p[0] + p[1] + p[2]) / 3.0 / 255 * amount);
      const double ny = y - lift;
      if (ny >= 0 && ny < h) std::memcpy(px(*bitmap, x, int(ny)), p, 3);
    }
}

// ---- Blend and masks -------------------------------------------------------------------------------

void TFxPaintFX::Blend(Bitmap24* source1, Bitmap24* source2, double amount, Bitmap24* dest) {
  if (!Usable(source1) || !source2 || !dest) return;
  // Pixels are paired by position: a second source of another size has nothing to pair with.
  if (source2->width() != source1->width() || source2->height() != source1->height()) return;
  if (dest != source1 && dest != source2) dest->setSize(source1->width(), source1->height());
  const int n = source1->width() * 3;
  for (int y = 0; y < source1->height(); ++y) {
    const std::uint8_t* a = source1->scanLine(y);
    const std::uint8_t* b = source2->scanLine(y);
    std::uint8_t* d = dest->scanLine(y);
    for (int i = 0; i < n; ++i) {
      const double v = std::nearbyint((1 - amount) * a[i] + amount * b[i]);
      d[i] = v >= 255 ? 255 : v > 0 ? std::uint8_t(v) : 0;
    }
  }
}

namespace {
void maskColor(Bitmap24* bitmap, TColor color, bool keep) {
  if (!Usable(bitmap)) return;
  const Bgr c = BgrFromColor(color);
  for (int y = 0; y < bitmap->height(); ++y) {
    std::uint8_t* row = bitmap->scanLine(y);
    for (int x = 0; x < bitmap->width(); ++x) {
      std::uint8_t* p = row + 3 * x;
      const bool same = p[0] == c.b && p[1] == c.g && p[2] == c.r;
      if (same != keep) p[0] = p[1] = p[2] = 0;
    }
  }
}
}  // namespace

// Black is the transparent colour of the result: whoever draws it skips black pixels
// (TFxCanvas::DrawTransparent with key colour 0).
void TFxPaintFX::MaskKeepColor(Bitmap24* bitmap, TColor color) { maskColor(bitmap, color, true); }
void TFxPaintFX::MaskRemoveColor(Bitmap24* bitmap, TColor color) { maskColor(bitmap, color, false); }

}  // namespace kalvora
