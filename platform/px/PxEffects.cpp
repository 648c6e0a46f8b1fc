#include "PxEffects.h"

#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "PxBitmap.h"
#include "PxFile.h"

namespace px {

namespace {

struct Range {
  int first, last;
};
constexpr Range kEffectRanges[] = {{1000, 1001},   {2000, 2554},   {3000, 3005},   {4000, 4029},
                                   {5000, 5263},   {6000, 6525},   {7000, 7263},   {8000, 8259},
                                   {9000, 9001},   {10000, 10003}, {11000, 11006}, {12000, 12009},
                                   {13000, 13007}, {14000, 14007}, {15000, 15035}, {16000, 16035}};
constexpr Range kGradientRanges[] = {{1000, 1015}, {2000, 2007}, {3000, 3001}, {4000, 4001}, {5000, 5007}};

constexpr double kTwoPi = 6.283185307179586;

// Anchor points (fractions of the area) for iris and circle centres and radial gradients.
constexpr double kAnchors[9][2] = {{0.5, 0.5},   {0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75},
                                   {0.5, 0.25},  {0.5, 0.75},  {0.25, 0.5},  {0.75, 0.5}};

// Reveal-time map: for every pixel of the area the progress (0..1) at which it turns new.
struct TimeMap {
  int code = -1, grain = 0, w = 0, h = 0;
  std::vector<float> t;
  double softness = 0;  // width of the soft edge in progress units
  double extent = 1;    // pixels the reveal travels (to turn wand sizes into progress units)
};

bool IsMapFamily(int family) {
  return family != 1000 && family != 3000 && family != 11000 && family != 14000;
}

int Family(int code) { return code / 1000 * 1000; }

// Maps raw values onto [0, 1): the first pixel turns at 0, the last just before 1, so the reveal
// uses the whole run whatever part of the pattern the area holds.
void Normalise(std::vector<float>& v) {
  if (v.empty()) return;
  auto [mn, mx] = std::minmax_element(v.begin(), v.end());
  const double lo = *mn, span = double(*mx) - lo;
  const double scale = span > 0 ? 1.0 / (span * (1 + 1e-6) + 1e-9) : 0.0;
  for (float& f : v) f = float((f - lo) * scale);
}

std::vector<int> RandomRanks(int n, int seed) {
  std::vector<int> order(size_t(std::max(n, 0)));
  std::iota(order.begin(), order.end(), 0);
  std::mt19937 gen(uint32_t(seed) * 2654435761u + 7u);
  std::shuffle(order.begin(), order.end(), gen);
  std::vector<int> rank(order.size());
  for (size_t i = 0; i < order.size(); ++i) rank[size_t(order[i])] = int(i);
  return rank;
}

// Order of squares along a spiral from the outside inwards.
std::vector<int> SpiralRanks(int cols, int rows, bool clockwise) {
  std::vector<int> rank(size_t(cols) * size_t(rows), 0);
  int left = 0, top = 0, right = cols - 1, bottom = rows - 1, n = 0;
  auto put = [&](int x, int y) { rank[size_t(y) * size_t(cols) + size_t(x)] = n++; };
  while (left <= right && top <= bottom) {
    if (clockwise) {
      for (int x = left; x <= right; ++x) put(x, top);
      for (int y = top + 1; y <= bottom; ++y) put(right, y);
      if (top < bottom) for (int x = right - 1; x >= left; --x) put(x, bottom);
      if (left < right) for (int y = bottom - 1; y > top; --y) put(left, y);
    } else {
      for (int y = top; y <= bottom; ++y) put(left, y);
      for (int x = left + 1; x <= right; ++x) put(x, bottom);
      if (left < right) for (int y = bottom - 1; y >= top; --y) put(right, y);
      if (top < bottom) for (int x = right - 1; x > left; --x) put(x, top);
    }
    ++left, ++top, --right, --bottom;
  }
  return rank;
}

// Sets every pixel's raw value from fn(pixel centre x, y, column, row).
template <class Fn>
void FillMap(TimeMap& m, Fn fn) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) m.t[size_t(y) * size_t(m.w) + size_t(x)] = float(fn(x + 0.5, y + 0.5, x, y));
}

// The pattern families. Each fills the raw values of its variant `sub` (the code within the
// family) and sets its soft edge and how far the reveal travels; BuildMap normalises them.

// A wipe from a side or corner (sub % 8), with a soft edge ((sub / 8) % 10) and waves (sub / 80).
void WipeMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const int dir = sub % 8, soft = (sub / 8) % 10, wave = sub / 80;
  const double amp = wave * 0.02, period = 48.0;
  FillMap(m, [&](double x, double y, int, int) {
    double u = x / W, v = y / H, r;
    switch (dir) {
      case 0: r = u + amp * (1 + std::sin(y * kTwoPi / period)); break;
      case 1: r = 1 - u + amp * (1 + std::sin(y * kTwoPi / period)); break;
      case 2: r = v + amp * (1 + std::sin(x * kTwoPi / period)); break;
      case 3: r = 1 - v + amp * (1 + std::sin(x * kTwoPi / period)); break;
      case 4: r = u + v; break;
      case 5: r = 1 - u + v; break;
      case 6: r = u + 1 - v; break;
      default: r = 2 - u - v; break;
    }
    if (dir >= 4) r += amp * (1 + std::sin((x - y) * kTwoPi / period));
    return r;
  });
  m.softness = soft * 0.04;
  m.extent = dir < 2 ? W : dir < 4 ? H : W + H;
}

// Bands across or down, every band wiped row by row (or column by column) at once.
void BandMap(TimeMap& m, int sub) {
  const int band = std::max(2, 4 * m.grain * (1 + (sub / 4) % 8)), dir = sub % 4;
  FillMap(m, [&](double, double, int x, int y) {
    int p = dir < 2 ? y % band : x % band;
    return double(dir % 2 == 0 ? p : band - 1 - p) + 0.5;
  });
  m.extent = band;
}

// A checkerboard: the cells of one colour first, each cell wiped in the variant's direction.
void CheckerMap(TimeMap& m, int sub) {
  const int cell = std::max(2, 4 * m.grain + 2 * ((sub / 4) % 66)), dir = sub % 4;
  FillMap(m, [&](double, double, int x, int y) {
    int parity = ((x / cell) + (y / cell)) % 2;
    double f = dir % 2 == 0 ? double(x % cell) / cell : double(y % cell) / cell;
    if (dir >= 2) f = 1 - f - 1.0 / cell;
    return parity + f + 0.001;
  });
  m.extent = 2.0 * cell;
}

// Blocks, rows or columns of the grain's size in a random order (the same for the same code).
void RandomBlockMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const int b = std::max(1, m.grain), mode = sub % 3;
  const int cols = (W + b - 1) / b, rows = (H + b - 1) / b;
  const int n = mode == 0 ? cols * rows : mode == 1 ? rows : cols;
  const auto rank = RandomRanks(n, m.code);
  FillMap(m, [&](double, double, int x, int y) {
    int idx = mode == 0 ? (y / b) * cols + x / b : mode == 1 ? y / b : x / b;
    return double(rank[size_t(idx)]) + 1;
  });
  m.extent = b;
}

// An iris from an anchor ((sub / 4) % 9): rectangle or diamond (7000), ellipse or circle
// (8000), opening or (odd sub) closing, with a soft edge ((sub / 36) % 8).
void IrisMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const bool round = Family(m.code) == 8000;
  const int shape = sub % 4, anchor = (sub / 4) % 9, soft = (sub / 36) % 8;
  const double cx = kAnchors[anchor][0] * W, cy = kAnchors[anchor][1] * H;
  const double hw = std::max(cx, W - cx), hh = std::max(cy, H - cy);
  const bool closing = shape % 2 == 1;
  FillMap(m, [&](double x, double y, int, int) {
    double dx = std::fabs(x - cx), dy = std::fabs(y - cy), r;
    if (!round) r = shape < 2 ? std::max(dx / hw, dy / hh) : dx / hw + dy / hh;
    else r = shape < 2 ? std::hypot(dx / hw, dy / hh) : std::hypot(dx, dy) / std::max(hw, hh);
    return r;
  });
  if (closing) {
    float mx = *std::max_element(m.t.begin(), m.t.end());
    for (float& f : m.t) f = mx - f;
  }
  m.softness = soft * 0.03;
  m.extent = std::max(hw, hh);
}

// A clock hand from twelve o'clock, clockwise (0) or anticlockwise (1).
void ClockMap(TimeMap& m, int sub) {
  const double cx = m.w / 2.0, cy = m.h / 2.0;
  FillMap(m, [&](double x, double y, int, int) {
    double a = std::atan2(x - cx, cy - y);
    if (a < 0) a += kTwoPi;
    return sub == 0 ? a : kTwoPi - a;
  });
  m.extent = std::max(m.w, m.h) * 3.0;
}

// Squares along a spiral, clockwise or not, from the outside in or (sub 2, 3) the inside out.
void SpiralMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const int s = std::max(2, 8 * m.grain), cols = (W + s - 1) / s, rows = (H + s - 1) / s;
  auto rank = SpiralRanks(cols, rows, sub % 2 == 0);
  const int n = cols * rows;
  FillMap(m, [&](double, double, int x, int y) {
    int r = rank[size_t((y / s) * cols + x / s)];
    return double(sub < 2 ? r : n - 1 - r) + 1;
  });
  m.extent = s;
}

// From the centre lines, their cross or the diagonals outwards, or (odd sub) inwards.
void CentreMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  FillMap(m, [&](double x, double y, int, int) {
    double dx = std::fabs(x / W - 0.5), dy = std::fabs(y / H - 0.5);
    double d1 = std::fabs(x / W - y / H), d2 = std::fabs(x / W + y / H - 1);
    switch (sub) {
      case 0: return dy;
      case 1: return 0.5 - dy;
      case 2: return dx;
      case 3: return 0.5 - dx;
      case 4: return std::min(dx, dy);
      case 5: return 0.5 - std::min(dx, dy);
      case 6: return d1;
      case 7: return 1 - d1;
      case 8: return d2;
      default: return 1 - d2;
    }
  });
  m.extent = std::max(W, H) / 2.0;
}

// Strips (rows for even sub, columns for odd) wiped from alternate sides.
void StripMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const int s = std::max(1, 2 * m.grain * (1 + sub / 2));
  FillMap(m, [&](double x, double y, int xi, int yi) {
    if (sub % 2 == 0) return (yi / s) % 2 == 0 ? x : W - x;
    return (xi / s) % 2 == 0 ? y : H - y;
  });
  m.extent = sub % 2 == 0 ? W : H;
}

// Bars of 1 .. 18 pixels, across or down, in a random order.
void RandomBarMap(TimeMap& m, int sub) {
  const int W = m.w, H = m.h;
  const int bar = 1 + (sub / 2) % 18;
  const bool horizontal = sub % 2 == 0;
  const int n = ((horizontal ? H : W) + bar - 1) / bar;
  const auto rank = RandomRanks(n, m.code);
  FillMap(m, [&](double, double, int x, int y) { return double(rank[size_t((horizontal ? y : x) / bar)]) + 1; });
  // The wand marks the next bars to come, a wand's width of them, not most of the picture.
  m.extent = horizontal ? H : W;
}

// A fan of 2 .. 7 blades turning clockwise or not, starting at a multiple of 30 degrees.
void FanMap(TimeMap& m, int sub) {
  const int blades = sub % 6 + 2;
  const bool cw = (sub / 6) % 2 == 0;
  const double start = (sub / 12) * 30.0 * kTwoPi / 360.0;
  const double cx = m.w / 2.0, cy = m.h / 2.0;
  FillMap(m, [&](double x, double y, int, int) {
    double a = std::atan2(x - cx, cy - y);
    if (!cw) a = -a;
    a -= start;
    double f = std::fmod(a * blades / kTwoPi, 1.0);
    if (f < 0) f += 1;
    return f + 1e-4;
  });
  m.extent = std::max(m.w, m.h) * 3.0 / blades;
}

struct MapFamily {
  int family;
  void (*fill)(TimeMap& m, int sub);
};
constexpr MapFamily kMapFamilies[] = {
    {2000, WipeMap},    {4000, BandMap},   {5000, CheckerMap},    {6000, RandomBlockMap},
    {7000, IrisMap},    {8000, IrisMap},   {9000, ClockMap},      {10000, SpiralMap},
    {12000, CentreMap}, {13000, StripMap}, {15000, RandomBarMap}, {16000, FanMap},
};

// The map of a code; a family that is painted rather than revealed leaves every value 0.
void BuildMap(TimeMap& m, int code, int grain, int W, int H) {
  m.code = code, m.grain = grain, m.w = W, m.h = H;
  m.t.assign(size_t(W) * size_t(H), 0.f);
  m.softness = 0;
  m.extent = std::max(1, std::max(W, H));
  const int family = Family(code);
  for (const MapFamily& f : kMapFamilies)
    if (f.family == family) f.fill(m, code - family);
  Normalise(m.t);
}

TimeMap& CachedMap(int code, int grain, int W, int H) {
  static TimeMap cache;
  if (cache.code != code || cache.grain != grain || cache.w != W || cache.h != H) BuildMap(cache, code, grain, W, H);
  return cache;
}

inline uint32_t Blend(uint32_t a, uint32_t b, int w256) {
  const uint32_t rb = ((a & 0xFF00FFu) * uint32_t(256 - w256) + (b & 0xFF00FFu) * uint32_t(w256)) >> 8;
  const uint32_t g = ((a & 0x00FF00u) * uint32_t(256 - w256) + (b & 0x00FF00u) * uint32_t(w256)) >> 8;
  return 0xFF000000u | (rb & 0xFF00FFu) | (g & 0x00FF00u);
}

void ComposeMap(QImage& canvas, const QImage& from, const QImage& to, const QRect& area, const TimeMap& m,
                double t, const EffectSettings& s) {
  const double soft = m.softness;
  const double thr = t * (1 + soft);
  const double wand = (s.wandSize > 0 && t < 1) ? s.wandSize / std::max(1.0, m.extent) : 0.0;
  const uint32_t wandPx = 0xFF000000u | s.wandRgb;
  for (int y = 0; y < area.height(); ++y) {
    const int cy = area.top() + y;
    auto* out = reinterpret_cast<uint32_t*>(canvas.scanLine(cy)) + area.left();
    auto* a = reinterpret_cast<const uint32_t*>(from.constScanLine(cy)) + area.left();
    auto* b = reinterpret_cast<const uint32_t*>(to.constScanLine(cy)) + area.left();
    const float* tm = &m.t[size_t(y) * size_t(area.width())];
    for (int x = 0; x < area.width(); ++x) {
      const double tv = tm[x];
      uint32_t px;
      if (soft > 0) {
        double f = (thr - tv) / soft;
        px = f >= 1 ? b[x] : f <= 0 ? a[x] : Blend(a[x], b[x], int(f * 256));
      } else {
        px = tv < thr ? b[x] : a[x];
      }
      if (wand > 0 && tv >= thr && tv < thr + wand) px = wandPx;  // just ahead of the edge
      out[x] = px;
    }
  }
}

void CopyArea(QImage& canvas, const QImage& src, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    std::copy_n(reinterpret_cast<const uint32_t*>(src.constScanLine(y)) + area.left(), area.width(),
                reinterpret_cast<uint32_t*>(canvas.scanLine(y)) + area.left());
}

void ComposePainted(QImage& canvas, const QImage& from, const QImage& to, const QRect& area, int code, double t) {
  const int family = Family(code), sub = code - family;
  const int W = area.width(), H = area.height();
  if (t >= 1 || code == 1000) {
    CopyArea(canvas, to, area);
    return;
  }
  QPainter p(&canvas);
  p.setClipRect(area);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const QImage fromPart = from.copy(area), toPart = to.copy(area);
  if (family == 3000) {
    const int dx = sub == 0 || sub == 4 ? -1 : sub == 1 ? 1 : 0, dy = sub == 2 || sub == 5 ? -1 : sub == 3 ? 1 : 0;
    const int ox = int(std::lround((1 - t) * W)) * dx, oy = int(std::lround((1 - t) * H)) * dy;
    if (sub < 4) p.drawImage(area.topLeft() + QPoint(ox - dx * W, oy - dy * H), fromPart);
    else p.drawImage(area.topLeft(), fromPart);
    p.drawImage(area.topLeft() + QPoint(ox, oy), toPart);
  } else if (family == 11000) {
    if (sub == 6) {
      p.drawImage(area.topLeft(), toPart);
      const int w = int(W * (1 - t)), h = int(H * (1 - t));
      if (w > 0 && h > 0) p.drawImage(QRect(area.left() + (W - w) / 2, area.top() + (H - h) / 2, w, h), fromPart);
    } else {
      p.drawImage(area.topLeft(), fromPart);
      const int w = std::max(1, int(W * t)), h = std::max(1, int(H * t));
      QRect r;
      switch (sub) {
        case 0: r = QRect(area.left() + (W - w) / 2, area.top() + (H - h) / 2, w, h); break;
        case 1: r = QRect(area.left(), area.top(), w, h); break;
        case 2: r = QRect(area.right() + 1 - w, area.top(), w, h); break;
        case 3: r = QRect(area.left(), area.bottom() + 1 - h, w, h); break;
        case 4: r = QRect(area.right() + 1 - w, area.bottom() + 1 - h, w, h); break;
        default: r = QRect(area.left(), area.top(), w, H); break;
      }
      p.drawImage(r, toPart);
    }
  } else if (family == 14000) {
    const int maxBlock = 16 * (1 + sub % 8);
    const bool second = t >= 0.5;
    const double f = second ? (1 - t) * 2 : t * 2;
    const int block = std::max(1, int(std::lround(1 + (maxBlock - 1) * f)));
    // Around the coarsest blocks the old picture fades into the new one, so the middle of the
    // effect holds both instead of jumping from one to the other.
    const double mix = std::clamp((t - 0.3) / 0.4, 0.0, 1.0);
    QImage blended;
    if (mix > 0 && mix < 1) {
      blended = fromPart.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      const QImage other = toPart.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      const int w256 = int(mix * 256);
      for (int y = 0; y < H; ++y) {
        auto* d = reinterpret_cast<uint32_t*>(blended.scanLine(y));
        const auto* o = reinterpret_cast<const uint32_t*>(other.constScanLine(y));
        for (int x = 0; x < W; ++x) d[x] = Blend(d[x], o[x], w256);
      }
    }
    const QImage& src = !blended.isNull() ? blended : second ? toPart : fromPart;
    if (block <= 1) {
      p.drawImage(area.topLeft(), src);
    } else {
      QImage small = src.scaled(std::max(1, W / block), std::max(1, H / block), Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation);
      p.drawImage(area, small.scaled(W, H, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
  }
}

}  // namespace

bool IsValidEffectCode(int code) {
  for (const Range& r : kEffectRanges)
    if (code >= r.first && code <= r.last) return true;
  return false;
}

bool IsValidGradientStyle(int code) {
  for (const Range& r : kGradientRanges)
    if (code >= r.first && code <= r.last) return true;
  return false;
}

int EfxComposeFrame(QImage& canvas, const QImage& from, const QImage& to, const QRect& area,
                    const EffectSettings& s, double t) {
  if (!IsValidEffectCode(s.code)) return kInvalidParam;
  if (canvas.size() != from.size() || canvas.size() != to.size() || canvas.depth() != 32 || from.depth() != 32 ||
      to.depth() != 32)
    return kInvalidParam;
  const QRect a = area.intersected(canvas.rect());
  if (a.isEmpty()) return kOk;
  t = std::clamp(t, 0.0, 1.0);
  const int family = Family(s.code);
  if (s.code == 1001) {
    const int w = int(std::lround(t * 256));
    for (int y = a.top(); y <= a.bottom(); ++y) {
      auto* o = reinterpret_cast<uint32_t*>(canvas.scanLine(y));
      auto* f = reinterpret_cast<const uint32_t*>(from.constScanLine(y));
      auto* n = reinterpret_cast<const uint32_t*>(to.constScanLine(y));
      for (int x = a.left(); x <= a.right(); ++x) o[x] = w >= 256 ? n[x] : Blend(f[x], n[x], w);
    }
    return kOk;
  }
  if (!IsMapFamily(family)) {
    ComposePainted(canvas, from, to, a, s.code, t);
    return kOk;
  }
  const TimeMap& m = CachedMap(s.code, std::clamp(s.grain, 1, 256), a.width(), a.height());
  ComposeMap(canvas, from, to, a, m, t, s);
  return kOk;
}

int EfxRunPass(QImage& canvas, const QImage& from, const QImage& toIn, const QRect& area,
               const EffectSettings& s, int pass, int maxPasses, const std::function<void(const QRect&)>& onStep) {
  if (!IsValidEffectCode(s.code) || maxPasses < 1 || pass < 1) return kInvalidParam;
  if (canvas.size() != from.size() || canvas.size() != toIn.size()) return kInvalidParam;
  const QRect a = area.intersected(canvas.rect());
  QImage to = toIn;
  if (s.useTransparent && !a.isEmpty()) {
    // Pixels of the new picture in the transparent colour keep what was there.
    to.detach();
    const uint32_t key = s.transparentRgb & 0xFFFFFFu;
    for (int y = a.top(); y <= a.bottom(); ++y) {
      auto* n = reinterpret_cast<uint32_t*>(to.scanLine(y));
      auto* f = reinterpret_cast<const uint32_t*>(from.constScanLine(y));
      for (int x = a.left(); x <= a.right(); ++x)
        if ((n[x] & 0xFFFFFFu) == key) n[x] = f[x];
    }
  }
  if (pass > maxPasses) {
    const int st = EfxComposeFrame(canvas, from, to, a, s, 1.0);
    if (onStep && st == kOk) onStep(a);
    return st;
  }
  int s0 = 100 * (pass - 1) / maxPasses, s1 = 100 * pass / maxPasses;
  if (s1 <= s0) s1 = s0 + 1;
  const StatusCallback cb = GetStatusCallback();
  // The plain paint is drawn once; its steps only report.
  if (s.code == 1000) {
    int st = EfxComposeFrame(canvas, from, to, a, s, 1.0);
    if (st != kOk) return st;
    if (onStep) onStep(a);
  }
  for (int step = s0 + 1; step <= s1; ++step) {
    if (s.code != 1000) {
      int st = EfxComposeFrame(canvas, from, to, a, s, step / 100.0);
      if (st != kOk) return st;
      if (onStep) onStep(a);
    }
    if (s.delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s.delay));
    if (cb.fn && cb.fn(std::min(step, 100), cb.user) == 0) {
      EfxComposeFrame(canvas, from, to, a, s, 1.0);
      if (onStep) onStep(a);
      return kAborted;
    }
  }
  return kOk;
}

QImage GradientImage(QSize size, int style, QColor start, QColor end, int steps) {
  if (!IsValidGradientStyle(style) || size.isEmpty()) return QImage();
  steps = std::clamp(steps, 2, 265);
  QImage img(size, QImage::Format_RGB32);
  const int W = size.width(), H = size.height(), family = style / 1000 * 1000, sub = style - family;
  std::vector<QRgb> band(static_cast<size_t>(steps));
  for (int i = 0; i < steps; ++i) {
    double f = double(i) / (steps - 1);
    band[size_t(i)] = qRgb(int(std::lround(start.red() + (end.red() - start.red()) * f)),
                           int(std::lround(start.green() + (end.green() - start.green()) * f)),
                           int(std::lround(start.blue() + (end.blue() - start.blue()) * f)));
  }
  std::vector<float> v(size_t(W) * size_t(H));
  const double ang = sub * kTwoPi / 16, ca = std::cos(ang), sa = std::sin(ang);
  const double ax = kAnchors[sub % 9][0] * W, ay = kAnchors[sub % 9][1] * H;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double px = x + 0.5, py = y + 0.5, r;
      double dx = px - W / 2.0, dy = py - H / 2.0;
      switch (family) {
        case 1000: r = dx * ca + dy * sa; break;
        case 2000: r = std::hypot(px - ax, py - ay); break;
        case 3000: r = std::max(std::fabs(dx) / W, std::fabs(dy) / H); break;
        case 4000: r = std::fabs(dx) / W + std::fabs(dy) / H; break;
        default: {
          double a = std::atan2(dx, -dy) - sub * kTwoPi / 8;
          r = std::fmod(a + 2 * kTwoPi, kTwoPi);
        }
      }
      if ((family == 3000 || family == 4000) && sub == 1) r = -r;
      v[size_t(y) * size_t(W) + size_t(x)] = float(r);
    }
  auto [mn, mx] = std::minmax_element(v.begin(), v.end());
  const double lo = *mn, span = std::max(1e-9, double(*mx) - lo);
  for (int y = 0; y < H; ++y) {
    auto* o = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < W; ++x) {
      int i = int((v[size_t(y) * size_t(W) + size_t(x)] - lo) / span * steps);
      o[x] = band[size_t(std::clamp(i, 0, steps - 1))];
    }
  }
  return img;
}

QImage PatternImage(const QImage& background, int style, QColor back, QColor fore) {
  QImage img = background.convertToFormat(QImage::Format_RGB32);
  if (style == 1) return img;
  QPainter p(&img);
  if (style < 0 || style > 7) style = 0;
  p.fillRect(img.rect(), back);
  static const Qt::BrushStyle kHatch[8] = {Qt::NoBrush,      Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
                                            Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
  if (style >= 2) p.fillRect(img.rect(), QBrush(fore, kHatch[style]));
  return img;
}

}  // namespace px
