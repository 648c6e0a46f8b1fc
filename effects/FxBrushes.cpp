#include "FxBrushes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kalvora {

namespace {
constexpr double kPi = std::numbers::pi;
inline int ch(TColor c, int k) { return int((c >> (8 * k)) & 0xFF); }  // 0 red, 1 green, 2 blue
inline TColor rgb(int r, int g, int b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }
inline int roundi(double v) {
  const double r = std::nearbyint(v);
  return r >= 2147483647.0 ? 2147483647 : r <= -2147483648.0 ? -2147483647 - 1 : int(r);
}
}  // namespace

QPoint RotatePoint(QPoint centre, QPoint p, double angle) {
  double dx = p.x() - centre.x();
  const double dy = p.y() - centre.y();
  if (dx == 0) dx = 0.001;
  const double r = std::sqrt(dx * dx + dy * dy);
  const double a = std::atan2(dy, dx) + angle;
  return QPoint(roundi(centre.x() + r * std::cos(a)), roundi(centre.y() + r * std::sin(a)));
}

QPoint ScalePoint(QPoint centre, QPoint p, double factor) {
  double dx = p.x() - centre.x();
  const double dy = p.y() - centre.y();
  if (dx == 0) dx = 0.001;
  const double r = std::sqrt(dx * dx + dy * dy) * factor;
  const double a = std::atan2(dy, dx);
  return QPoint(roundi(centre.x() + r * std::cos(a)), roundi(centre.y() + r * std::sin(a)));
}

TColor MixColors(TColor a, TColor b) {
  return rgb((ch(a, 0) + ch(b, 0)) >> 1, (ch(a, 1) + ch(b, 1)) >> 1, (ch(a, 2) + ch(b, 2)) >> 1);
}

TColor BlendColors(TColor a, TColor b, int percent) {
  const long long p = std::min<long long>(std::llabs(percent), 100);
  int c[3];
  for (int k = 0; k < 3; ++k) c[k] = int(ch(a, k) * p / 100 + ch(b, k) * (100 - p) / 100);
  return rgb(c[0], c[1], c[2]);
}

void RoundBrushPixels(Bitmap24& patch, int kind) {
  const int w = patch.width(), h = patch.height();
  if (kind == 13) {
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x) {
        std::uint8_t* p = patch.scanLine(y) + 3 * x;
        const std::uint8_t* up = patch.scanLine(y - 1) + 3 * x;
        const std::uint8_t* down = patch.scanLine(y + 1) + 3 * x;
        for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(roundi((p[k - 3] + p[k + 3] + up[k] + down[k]) / 4.0));
      }
    return;
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = patch.scanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      std::uint8_t& b = p[0];
      std::uint8_t& g = p[1];
      std::uint8_t& r = p[2];
      switch (kind) {
        case 0: g = 0, r = 0; break;
        case 1: b = 0, r = 0; break;
        case 2: b = 0, g = 0; break;
        case 3: b = 0; break;
        case 4: g = 0; break;
        case 5: r = 0; break;
        case 6: b = std::uint8_t(b * 9 / 10); break;
        case 7: g = std::uint8_t(g * 9 / 10); break;
        case 8: r = std::uint8_t(r * 9 / 10); break;
        case 9:
          for (int k = 0; k < 3; ++k) p[k] = std::uint8_t(roundi(p[k] * 10 / 11.0));
          break;
        case 10:
          for (int k = 0; k < 3; ++k) p[k] = ClampByte(roundi(p[k] * 11 / 10.0));
          break;
        case 11: {
          const std::uint8_t v = std::uint8_t(roundi((b + g + r) / 3.0));
          b = g = r = v;
          break;
        }
        case 12: {
          const std::uint8_t old = b;
          b = g, g = r, r = old;
          break;
        }
        default: return;
      }
    }
  }
}

// ---- Gradient lines --------------------------------------------------------------------------------

void SmoothPixel(Bitmap24& bitmap, int x, int y) {
  if (x < 1 || y < 1 || x >= bitmap.width() - 1 || y >= bitmap.height() - 1) return;
  std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
  const std::uint8_t* up = bitmap.scanLine(y - 1) + 3 * x;
  const std::uint8_t* down = bitmap.scanLine(y + 1) + 3 * x;
  for (int k = 0; k < 3; ++k) p[k] = std::uint8_t((p[k - 3] + p[k + 3] + up[k] + down[k]) >> 2);
}

namespace {
// The gradient along one line of `count` positions; `put(i, bgr)` writes position i (0 = the
// first end). Positions before `skip` are stepped over arithmetically (they lie outside).
template <class Put>
void gradient(long long n, TColor c1, TColor c2, long long skip, long long count, Put put) {
  float value[3], step[3];
  int lo[3], hi[3];
  for (int k = 0; k < 3; ++k) {
    value[k] = float(ch(c1, k));
    step[k] = n == 0 ? 0.0f : float(ch(c2, k) - ch(c1, k)) / float(n);
    lo[k] = std::min(ch(c1, k), ch(c2, k));
    hi[k] = std::max(ch(c1, k), ch(c2, k));
    if (skip > 0) value[k] += step[k] * float(skip);
  }
  for (long long i = std::max(skip, 0LL); i < count; ++i) {
    int c[3];
    for (int k = 0; k < 3; ++k) {
      value[k] += step[k];
      // The running value may not pass the end colour.
      c[k] = std::clamp(roundi(value[k]), lo[k], hi[k]);
    }
    put(i, Bgr{std::uint8_t(c[2]), std::uint8_t(c[1]), std::uint8_t(c[0])});
  }
}
}  // namespace

void DrawGradientRow(Bitmap24& bitmap, int y, int x1, int x2, TColor c1, TColor c2, bool smooth) {
  if (y < 0 || y >= bitmap.height()) return;
  if (x1 > x2) std::swap(x1, x2);
  const long long n = static_cast<long long>(x2) - x1;
  const long long skip = -static_cast<long long>(x1);
  const long long count = std::min<long long>(n + 1, static_cast<long long>(bitmap.width()) - x1);
  std::uint8_t* row = bitmap.scanLine(y);
  gradient(n, c1, c2, skip, count, [&](long long i, Bgr c) {
    std::memcpy(row + 3 * (x1 + i), &c, 3);
  });
  if (smooth) {
    if (x1 > INT_MIN) SmoothPixel(bitmap, x1 - 1, y);
    if (x2 < INT_MAX) SmoothPixel(bitmap, x2 + 1, y);
  }
}

void DrawGradientColumn(Bitmap24& bitmap, int x, int y1, int y2, TColor c1, TColor c2, bool smooth) {
  if (x < 0 || x >= bitmap.width()) return;
  if (y1 > y2) std::swap(y1, y2);
  const long long n = static_cast<long long>(y2) - y1;
  const long long skip = -static_cast<long long>(y1);
  const long long count = std::min<long long>(n + 1, static_cast<long long>(bitmap.height()) - y1);
  gradient(n, c1, c2, skip, count, [&](long long i, Bgr c) {
    std::memcpy(bitmap.scanLine(int(y1 + i)) + 3 * x, &c, 3);
  });
  if (smooth) {
    if (y1 > INT_MIN) SmoothPixel(bitmap, x, y1 - 1);
    if (y2 < INT_MAX) SmoothPixel(bitmap, x, y2 + 1);
  }
}

void FillGradientRows(Bitmap24& bitmap, int y1, int y2, int x1, int x2, TColor c1, TColor c2, bool smooth) {
  if (y1 > y2) std::swap(y1, y2);
  for (long long y = std::max(y1, 0); y <= y2 && y < bitmap.height(); ++y)
    DrawGradientRow(bitmap, int(y), x1, x2, c1, c2, smooth);
}

// ---- Shaded ellipse and spheres ---------------------------------------------------------------------

void FillShadedEllipse(Bitmap24& bitmap, int cx, int cy, int a, int b, TColor c1, TColor c2) {
  // 64 bits throughout: 2 A^2 B overflows 32 bits from radii of about a thousand.
  const long long A = a, B = b;
  long long xo = 0, yo = B, e = 1, t = 2 * A * A * B - 1, d = t / 2;
  auto clampInt = [](long long v) { return int(std::clamp<long long>(v, -(1LL << 30), 1LL << 30)); };
  while (yo >= 0) {
    // Rows wholly outside the bitmap are not drawn; the scan still runs to keep its shape.
    for (long long row : {cy + yo, cy - yo}) {
      if (row >= 0 && row < bitmap.height()) {
        DrawGradientRow(bitmap, int(row), clampInt(cx - xo), clampInt(cx + xo), c1, c2, true);
      }
    }
    if (d >= 0) {
      e += 2 * B * B;
      d = d - e - 1;
      ++xo;
    }
    if (d < 0) {
      t -= 2 * A * A;
      d = d + t - 1;
      --yo;
    }
  }
}

bool DrawSphereRow(Bitmap24& bitmap, const QString& tool, int x1, int y1, int x2, int y2, TColor c1, TColor c2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const long long w = static_cast<long long>(x2) - x1, h = static_cast<long long>(y2) - y1;
  const long long hw = w / 2, hh = h / 2;
  auto sphere = [&](long long x, long long y, long long rx, long long ry) {
    if (std::llabs(x) > (1LL << 30) || std::llabs(y) > (1LL << 30) || rx > (1LL << 30) || ry > (1LL << 30)) return;
    FillShadedEllipse(bitmap, int(x), int(y), int(rx), int(ry), c1, c2);
  };
  if (tool == QLatin1String("intersphere")) {
    sphere(x1 + hw, y1 + hh, hw, hh);
    return true;
  }
  const bool multi = tool == QLatin1String("multisphere"), droplet = tool == QLatin1String("dropletsphere");
  const bool wave = tool == QLatin1String("wavesphere"), rising = tool == QLatin1String("risingwavesphere");
  if (!multi && !droplet && !wave && !rising) return false;
  const long long n = std::max(hw, hh) / (std::min(hw, hh) + 1);
  if (n <= 0) return false;  // equal half sides: no row to lay out
  const long long cw = w / n, chh = h / n;
  const bool alongX = cw > chh;
  const long long c = alongX ? cw : chh, length = alongX ? w : h;
  if (length <= 0) return false;
  const long long r0 = (c / 2) * 4 / 5;
  for (long long i = 0; i < n; ++i) {
    long long pos, radius;
    if (multi) {
      pos = i * c + c / 2, radius = c / 2;
    } else if (droplet) {
      pos = i * c + r0, radius = r0;
    } else {
      pos = i * c + r0;
      const double phase = (wave || !alongX) ? pos * kPi / length - kPi / 2 : pos * kPi / length;
      radius = std::llabs(roundi(std::sin(phase) * r0));
    }
    if (alongX)
      sphere(x1 + pos, y1 + hh, radius, radius);
    else
      sphere(x1 + hw, y1 + pos, radius, radius);
  }
  return true;
}

// ---- Lens, masks, stars ------------------------------------------------------------------------------

void RippleLens(const Bitmap24& a, Bitmap24& b, double amount) {
  const int r = a.width() / 2, m = a.height() / 2;
  if (r <= 0) return;
  if (amount < 1) amount = 1;
  const double k = r / amount;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const double dx = x - r, dy = r - y;
      const double dist = std::sqrt(dx * dx + dy * dy);
      const double s = std::sin(dist / r * amount * 2 * kPi) * k;
      const double d = dist + s;
      if (!(d > 0 && d < r)) continue;
      const double ang = std::atan2(dy, dx);
      b.setPixel(roundi(d * std::cos(ang)) + r, roundi(d * std::sin(ang)) + m, a.pixel(x, y));
    }
}

void DrawMaskedPatch(TFxCanvas& canvas, int x, int y, const Bitmap24& patch) {
  if (patch.isEmpty()) return;
  Bitmap24 mask(patch.width(), patch.height(), Bgr{255, 255, 255});
  TFxCanvas m(mask);
  m.Pen.Color = 0, m.Brush.Color = 0;
  m.Ellipse(0, 0, patch.width(), patch.height());
  // Outside the disc the patch turns white, and white is not drawn.
  Bitmap24 shaped = patch;
  for (int j = 0; j < patch.height(); ++j)
    for (int i = 0; i < patch.width(); ++i)
      if (mask.pixel(i, j) == Bgr{255, 255, 255}) shaped.setPixel(i, j, Bgr{255, 255, 255});
  canvas.DrawTransparent(x, y, shaped, 0xFFFFFF);
}

std::vector<QPoint> StarVertices(QPoint centre, QPoint p, int starpoints, bool polygon) {
  if (starpoints <= 0) return {};
  const int n = std::min(starpoints, kMaxFigurePoints);
  int k = 1;
  if (!polygon) {
    switch (starpoints) {
      case 5: k = 2; break;
      case 7: k = 3; break;
      case 9: k = 4; break;
      case 11: k = 5; break;
      default: k = 1; break;
    }
  }
  const double step = 2 * k * kPi / n;
  std::vector<QPoint> v{p};
  for (int i = 1; i < n; ++i) v.push_back(RotatePoint(centre, v.back(), step));
  return v;
}

}  // namespace kalvora
