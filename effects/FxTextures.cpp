#include "FxTextures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "FxBrushes.h"

namespace kalvora {

namespace {
inline int ch(TColor c, int k) { return int((c >> (8 * k)) & 0xFF); }  // 0 red, 1 green, 2 blue
inline TColor rgb(int r, int g, int b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }
}  // namespace

TColor LightShade(TColor p) {
  const int g = (ch(p, 0) + ch(p, 1) + ch(p, 2)) / 3 + 510;
  const TColor q = rgb(std::min((g + ch(p, 0)) >> 2, 255), std::min((g + ch(p, 1)) >> 2, 255),
                       std::min((g + ch(p, 2)) >> 2, 255));
  return BlendColors(p, q, 36);
}

TColor DarkShade(TColor p) {
  const TColor d = rgb(int(ch(p, 0) * 0.82), int(ch(p, 1) * 0.82), int(ch(p, 2) * 0.82));
  return BlendColors(p, d, 52);
}

const std::array<std::int16_t, 25>& RingKernel() {
  static const std::array<std::int16_t, 25> k = {1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0,
                                                 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1};
  return k;
}

void RingFilter(Bitmap24& bitmap) {
  if (bitmap.isEmpty()) return;
  const auto kernel = RingKernel();  // copied before each use
  int divisor = 0;
  for (auto v : kernel) divisor += v;
  if (divisor == 0) divisor = 1;
  const Bitmap24 src = bitmap;
  const int w = bitmap.width(), h = bitmap.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sum[3] = {0, 0, 0};
      for (int j = 0; j < 5; ++j) {
        const std::uint8_t* row = src.scanLine(std::clamp(y + j - 2, 0, h - 1));
        for (int i = 0; i < 5; ++i) {
          const int wgt = kernel[std::size_t(j * 5 + i)];
          if (!wgt) continue;
          const std::uint8_t* p = row + 3 * std::clamp(x + i - 2, 0, w - 1);
          for (int k = 0; k < 3; ++k) sum[k] += wgt * p[k];
        }
      }
      std::uint8_t* d = bitmap.scanLine(y) + 3 * x;
      for (int k = 0; k < 3; ++k) d[k] = ClampByte(sum[k] / divisor);
    }
}

bool DrawTexture(TFxCanvas& canvas, const QString& tool, QPoint p1, QPoint p2, FxRandom& random) {
  const bool lines = tool == QLatin1String("texlines"), rects = tool == QLatin1String("texrects");
  const bool ovals = tool == QLatin1String("texovals"), poly = tool == QLatin1String("texpoly");
  const bool curves = tool == QLatin1String("texcurves");
  if (!lines && !rects && !ovals && !poly && !curves) return false;
  const long long dx = static_cast<long long>(p2.x()) - p1.x(), dy = static_cast<long long>(p2.y()) - p1.y();
  const long long length = std::llabs(std::llround(std::sqrt(double(dx * dx + dy * dy))));
  const long long least = lines ? 1 : 3;
  const long long cw = std::max(std::max(std::llabs(dx), 1LL), least);
  const long long chh = std::max(std::max(std::llabs(dy), 1LL), least);
  const long long v = std::llround(double(chh) / double(cw) * double(length));
  const int L = int(std::min<long long>(length, 1 << 30)), V = int(std::min<long long>(v, 1 << 30));
  const TColor pen = canvas.Pen.Color, brush = canvas.Brush.Color;
  const TBrushStyle brushStyle = canvas.Brush.Style;
  const TColor light = LightShade(pen), dark = DarkShade(pen);
  const int w = canvas.width(), h = canvas.height();
  auto rnd = [&](long long base, int n) { return int(std::clamp<long long>(base + random.random(n), -(1 << 30), 1 << 30)); };
  if (rects || ovals) canvas.Brush.Style = bsSolid;
  for (long long cy = 0; cy <= h - 1; cy += chh) {
    for (long long cx = 0; cx <= w - 1; cx += cw) {
      const int times = (rects || ovals) ? 3 : 10;
      for (int n = 0; n < times; ++n) {
        if (lines || rects || ovals) {
          const int px = rnd(cx, L), py = rnd(cy, V);
          const int qx = rnd(cx, L), qy = rnd(cy, V);
          if (lines) {
            canvas.Pen.Color = pen;
            canvas.MoveTo(px, py), canvas.LineTo(qx, qy);
            canvas.Pen.Color = light;
            canvas.MoveTo(px - 1, py - 1), canvas.LineTo(qx - 1, qy - 1);
            canvas.Pen.Color = dark;
            canvas.MoveTo(px + 1, py + 1), canvas.LineTo(qx + 1, qy + 1);
          } else {
            auto shape = [&](int l, int t, int r, int b) {
              if (rects)
                canvas.Rectangle(l, t, r, b);
              else
                canvas.Ellipse(l, t, r, b);
            };
            canvas.Pen.Color = canvas.Brush.Color = dark;
            shape(px, py, qx + 2, qy + 2);
            canvas.Pen.Color = canvas.Brush.Color = light;
            shape(px - 2, py - 2, qx, qy);
            canvas.Pen.Color = canvas.Brush.Color = pen;
            shape(px, py, qx, qy);
          }
        } else {
          std::vector<QPoint> pts;
          for (int k = 0; k < 4; ++k) {
            const int x = rnd(cx, L);
            pts.emplace_back(x, rnd(cy, V));
          }
          canvas.Pen.Color = pen;
          if (poly)
            canvas.Polygon(pts);
          else
            canvas.PolyBezier(pts);
        }
      }
    }
  }
  canvas.Pen.Color = pen;
  canvas.Brush.Color = brush;
  canvas.Brush.Style = brushStyle;
  return true;
}

bool InterferenceRect(Bitmap24& b, int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (!b.contains(x1, y1) || !b.contains(x2, y2)) return false;
  constexpr long long one = 0x100000;
  const long long hs = x1 == x2 ? 1 : one / (x2 - x1);
  const long long vs = y1 == y2 ? 1 : one / (y2 - y1);
  const Bgr tl = b.pixel(x1, y1), tr = b.pixel(x2, y1), bl = b.pixel(x1, y2), br = b.pixel(x2, y2);
  const std::uint8_t TL[3] = {tl.b, tl.g, tl.r}, TR[3] = {tr.b, tr.g, tr.r};
  const std::uint8_t BL[3] = {bl.b, bl.g, bl.r}, BR[3] = {br.b, br.g, br.r};
  for (int row = y1; row <= y2; ++row) {
    const long long v = (row - y1) * vs, u = one - v;
    std::uint8_t* p = b.scanLine(row);
    for (int k = 0; k < 3; ++k) {
      const long long S = TL[k] * u + TR[k] * v;
      const long long E = BL[k] * u + BR[k] * v;
      long long value = (S >> 20) << 20;
      const long long step = ((E >> 20) - (S >> 20)) * hs;
      for (int x = x1; x <= x2; ++x, value += step) p[3 * x + k] = ClampByte(int(value >> 20));
    }
  }
  return true;
}

void InterferenceColumn(Bitmap24& b, int x1, int y1, int x2, int y2) {
  if (b.isEmpty()) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const TColor a = ColorFromBgr(b.pixel(0, y1)), c = ColorFromBgr(b.pixel(x2, y2));
  for (long long row = std::max(y1, 0); row <= y2 && row < b.height(); ++row)
    DrawGradientRow(b, int(row), x1, x2, a, c, true);
}

}  // namespace kalvora
