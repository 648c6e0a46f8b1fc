#include "FxCanvas.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kalvora {

FxSurface FxSurface::of(Bitmap24& b) {
  if (b.isEmpty()) return {};
  return FxSurface{b.bits(), b.width(), b.height(), b.stride()};
}

FxSurface FxSurface::of(QImage& image) {
  if (image.isNull()) return {};
  if (image.format() != QImage::Format_BGR888) image = image.convertToFormat(QImage::Format_BGR888);
  return FxSurface{image.bits(), image.width(), image.height(), image.bytesPerLine()};
}

// ---- Raster operations -----------------------------------------------------------------------------

std::uint8_t ApplyPenMode(TPenMode mode, std::uint8_t p, std::uint8_t d) {
  switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return 255;
    case pmNop: return d;
    case pmNot: return std::uint8_t(~d);
    case pmCopy: return p;
    case pmNotCopy: return std::uint8_t(~p);
    case pmMergePenNot: return std::uint8_t(p | ~d);
    case pmMaskPenNot: return std::uint8_t(p & ~d);
    case pmMergeNotPen: return std::uint8_t(~p | d);
    case pmMaskNotPen: return std::uint8_t(~p & d);
    case pmMerge: return std::uint8_t(p | d);
    case pmNotMerge: return std::uint8_t(~(p | d));
    case pmMask: return std::uint8_t(p & d);
    case pmNotMask: return std::uint8_t(~(p & d));
    case pmXor: return std::uint8_t(p ^ d);
    case pmNotXor: return std::uint8_t(~(p ^ d));
  }
  return d;
}

std::uint8_t ApplyRop3(std::uint32_t rop, std::uint8_t p, std::uint8_t s, std::uint8_t d) {
  const unsigned table = (rop >> 16) & 0xFF;
  switch (table) {  // the common ones directly
    case 0xCC: return s;
    case 0x66: return std::uint8_t(s ^ d);
    case 0x88: return std::uint8_t(s & d);
    case 0xEE: return std::uint8_t(s | d);
    default: break;
  }
  // Bit i of the table is the result for pattern bit (i >> 2), source bit (i >> 1), dest bit i & 1.
  unsigned r = 0;
  for (unsigned i = 0; i < 8; ++i)
    if (table & (1u << i)) r |= (i & 4 ? p : ~p) & (i & 2 ? s : ~s) & (i & 1 ? d : ~d);
  return std::uint8_t(r);
}

// ---- Pixels ----------------------------------------------------------------------------------------

TColor TFxCanvas::Pixel(int x, int y) const {
  if (surface_.isEmpty() || x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return 0xFFFFFFFF;
  const std::uint8_t* p = surface_.pixel(x, y);
  return ColorFromBgr(Bgr{p[0], p[1], p[2]});
}

void TFxCanvas::SetPixel(int x, int y, TColor c) {
  if (surface_.isEmpty() || x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return;
  const Bgr b = BgrFromColor(c);
  std::uint8_t* p = surface_.pixel(x, y);
  p[0] = b.b, p[1] = b.g, p[2] = b.r;
}

// ---- Shapes ----------------------------------------------------------------------------------------

namespace {

constexpr QRgb kPenMark = 0xFF00FF00;
constexpr QRgb kBrushMark = 0xFFFF0000;

enum FigureKind { kRect, kEllipse, kRoundRect, kArc, kChord, kPie };

// Coordinates far outside any surface are held within a range QPainter handles exactly.
constexpr int kFar = 1 << 22;
inline int far(long long v) { return int(std::clamp<long long>(v, -kFar, kFar)); }

QPen makePen(const TFxPen& pen, int most) {
  QPen p(QColor::fromRgba(kPenMark));
  // Wider than the surface covers it all anyway.
  const int w = std::clamp(pen.Width, 1, most);
  p.setWidth(w == 1 ? 0 : w);  // 0: the cosmetic one-pixel pen
  p.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
  p.setJoinStyle(Qt::RoundJoin);
  if (w == 1) {
    switch (pen.Style) {
      case psDash: p.setStyle(Qt::DashLine); break;
      case psDot: p.setStyle(Qt::DotLine); break;
      case psDashDot: p.setStyle(Qt::DashDotLine); break;
      case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
      default: break;
    }
  }
  return p;
}

}  // namespace

// Draws the shape (through `paint`, which gets a painter set up for the brush or the pen) into a
// coverage mask over `bounds` and combines the covered pixels with the pen mode.
template <class Paint>
void TFxCanvas::rasterise(QRect bounds, bool fill, bool outline, Paint paint) {
  if (surface_.isEmpty() || (!fill && !outline)) return;
  bounds = bounds.intersected(QRect(0, 0, surface_.width, surface_.height));
  if (bounds.isEmpty()) return;
  QImage mask(bounds.size(), QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-bounds.x(), -bounds.y());
    if (fill) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor::fromRgba(kBrushMark));
      paint(p, false);
    }
    if (outline) {
      p.setPen(makePen(Pen, 2 * std::max(surface_.width, surface_.height) + 16));
      p.setBrush(Qt::NoBrush);
      paint(p, true);
    }
  }
  const Bgr pen = BgrFromColor(Pen.Color), brush = BgrFromColor(Brush.Color);
  for (int y = 0; y < bounds.height(); ++y) {
    const QRgb* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    std::uint8_t* d = surface_.pixel(bounds.x(), bounds.y() + y);
    for (int x = 0; x < bounds.width(); ++x, d += 3) {
      const QRgb v = m[x];
      if (!v) continue;
      const Bgr& c = (v & 0xFF00) ? pen : brush;
      d[0] = ApplyPenMode(Pen.Mode, c.b, d[0]);
      d[1] = ApplyPenMode(Pen.Mode, c.g, d[1]);
      d[2] = ApplyPenMode(Pen.Mode, c.r, d[2]);
    }
  }
}

void TFxCanvas::LineTo(int x, int y) {
  const QPoint from = PenPos;
  PenPos = QPoint(x, y);
  if (surface_.isEmpty() || Pen.Style == psClear || from == PenPos) return;
  const int w = std::clamp(Pen.Width, 1, 1 << 20);
  const long long span = std::max(std::llabs(static_cast<long long>(x) - from.x()), std::llabs(static_cast<long long>(y) - from.y()));
  // Long lines go through QPainter, which clips them before walking.
  if (w == 1 && Pen.Style == psSolid && span < (1 << 16)) {
    // One-pixel lines are ours: exactly the class library's, the end point left out.
    const QRect clip(0, 0, surface_.width, surface_.height);
    const Bgr c = BgrFromColor(Pen.Color);
    long long x0 = from.x(), y0 = from.y();
    const long long x1 = x, y1 = y;
    const long long dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long long err = dx + dy;
    const QRect box = QRect(QPoint(std::min(from.x(), x), std::min(from.y(), y)),
                            QPoint(std::max(from.x(), x), std::max(from.y(), y)));
    if (!box.intersects(clip)) return;
    while (!(x0 == x1 && y0 == y1)) {
      if (x0 >= 0 && y0 >= 0 && x0 < surface_.width && y0 < surface_.height) {
        std::uint8_t* d = surface_.pixel(int(x0), int(y0));
        d[0] = ApplyPenMode(Pen.Mode, c.b, d[0]);
        d[1] = ApplyPenMode(Pen.Mode, c.g, d[1]);
        d[2] = ApplyPenMode(Pen.Mode, c.r, d[2]);
      } else if ((sx > 0 ? x0 >= surface_.width : x0 < 0) || (sy > 0 ? y0 >= surface_.height : y0 < 0)) {
        break;  // moving away from the surface: it never comes back
      }
      const long long e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
    return;
  }
  const QLine line(far(from.x()), far(from.y()), far(x), far(y));
  const QRect bounds = QRect(QPoint(std::min(line.x1(), line.x2()), std::min(line.y1(), line.y2())),
                             QPoint(std::max(line.x1(), line.x2()), std::max(line.y1(), line.y2())))
                           .adjusted(-w, -w, w, w);
  rasterise(bounds, false, true, [&](QPainter& p, bool) { p.drawLine(line); });
}

void TFxCanvas::figure(int kind, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2, int cw,
                       int ch) {
  const int l = far(std::min(left, right)), r = far(std::max(left, right));
  const int t = far(std::min(top, bottom)), b = far(std::max(top, bottom));
  if (r - l < 1 || b - t < 1) return;
  const int w = std::clamp(Pen.Width, 1, 1 << 20);
  const bool outline = Pen.Style != psClear;
  const bool fill = Brush.Style != bsClear && kind != kArc;
  // The figure's pixel box is l .. r - 1: a one-pixel outline along those pixels.
  const QRect box(l, t, r - l - 1, b - t - 1);
  const QRect bounds = QRect(l, t, r - l, b - t).adjusted(-w, -w, w, w);
  double start = 0, span = 360;
  if (kind == kArc || kind == kChord || kind == kPie) {
    const double cx = (l + r - 1) / 2.0, cy = (t + b - 1) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    auto angle = [&](int x, int y) {
      // The radial's direction turned into the ellipse's own parameter angle.
      return std::atan2(-(y - cy) * rx, (x - cx) * ry) * 180 / std::numbers::pi;
    };
    start = angle(x1, y1);
    span = std::fmod(angle(x2, y2) - start + 720, 360);
    if (span <= 0) span = 360;
  }
  const int a16 = int(std::lround(start * 16)), s16 = int(std::lround(span * 16));
  rasterise(bounds, fill, outline, [&](QPainter& p, bool isOutline) {
    // Without a pen the fill covers the whole box.
    const QRect area = isOutline || !outline ? QRect(l, t, r - l, b - t) : box;
    const QRect& shape = isOutline ? box : area;
    switch (kind) {
      case kRect: p.drawRect(shape); break;
      case kEllipse: p.drawEllipse(shape); break;
      case kRoundRect: p.drawRoundedRect(QRectF(shape), cw / 2.0, ch / 2.0); break;
      case kArc:
        if (s16 >= 360 * 16)
          p.drawEllipse(shape);  // the closed arc: exactly the ellipse's outline
        else
          p.drawArc(shape, a16, s16);
        break;
      case kChord: p.drawChord(shape, a16, s16); break;
      case kPie: p.drawPie(shape, a16, s16); break;
      default: break;
    }
  });
}

void TFxCanvas::Rectangle(int left, int top, int right, int bottom) { figure(kRect, left, top, right, bottom); }
void TFxCanvas::Ellipse(int left, int top, int right, int bottom) { figure(kEllipse, left, top, right, bottom); }
void TFxCanvas::RoundRect(int left, int top, int right, int bottom, int cw, int ch) {
  figure(kRoundRect, left, top, right, bottom, 0, 0, 0, 0, cw, ch);
}
void TFxCanvas::Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) { figure(kArc, l, t, r, b, x1, y1, x2, y2); }
void TFxCanvas::Chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  figure(kChord, l, t, r, b, x1, y1, x2, y2);
}
void TFxCanvas::Pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) { figure(kPie, l, t, r, b, x1, y1, x2, y2); }

namespace {
QRect boundsOf(const std::vector<QPoint>& pts, int margin) {
  int l = far(pts[0].x()), r = l, t = far(pts[0].y()), b = t;
  for (const QPoint& q : pts)
    l = std::min(l, far(q.x())), r = std::max(r, far(q.x())), t = std::min(t, far(q.y())), b = std::max(b, far(q.y()));
  return QRect(QPoint(l, t), QPoint(r, b)).adjusted(-margin, -margin, margin, margin);
}
QPolygon farPolygon(const std::vector<QPoint>& pts) {
  QPolygon poly;
  for (const QPoint& q : pts) poly << QPoint(far(q.x()), far(q.y()));
  return poly;
}
}  // namespace

void TFxCanvas::Polygon(const std::vector<QPoint>& points) {
  if (points.size() < 2) return;
  const QPolygon poly = farPolygon(points);
  rasterise(boundsOf(points, std::clamp(Pen.Width, 1, 1 << 20) + 1), Brush.Style != bsClear, Pen.Style != psClear,
            [&](QPainter& p, bool) { p.drawPolygon(poly, Qt::OddEvenFill); });
}

void TFxCanvas::Polyline(const std::vector<QPoint>& points) {
  if (points.size() < 2) return;
  const QPolygon poly = farPolygon(points);
  rasterise(boundsOf(points, std::clamp(Pen.Width, 1, 1 << 20) + 1), false, Pen.Style != psClear,
            [&](QPainter& p, bool) { p.drawPolyline(poly); });
}

void TFxCanvas::PolyBezier(const std::vector<QPoint>& points) {
  if (points.size() < 4) return;
  std::vector<QPoint> flat{points[0]};
  for (std::size_t i = 0; i + 3 < points.size(); i += 3) {
    const QPointF p0 = points[i], p1 = points[i + 1], p2 = points[i + 2], p3 = points[i + 3];
    const double length = QLineF(p0, p1).length() + QLineF(p1, p2).length() + QLineF(p2, p3).length();
    const int steps = int(std::clamp(length / 2, 8.0, 4096.0));
    for (int s = 1; s <= steps; ++s) {
      const double t = double(s) / steps, u = 1 - t;
      const QPointF q = u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
      const QPoint r(int(std::lround(std::clamp(q.x(), -double(kFar), double(kFar)))),
                     int(std::lround(std::clamp(q.y(), -double(kFar), double(kFar)))));
      if (r != flat.back()) flat.push_back(r);
    }
  }
  if (flat.size() < 2) return;
  Polyline(flat);
}

void TFxCanvas::FillRect(int left, int top, int right, int bottom) {
  if (surface_.isEmpty() || Brush.Style == bsClear) return;
  const int l = std::max(left, 0), t = std::max(top, 0);
  const int r = std::min(right, surface_.width), b = std::min(bottom, surface_.height);
  const Bgr c = BgrFromColor(Brush.Color);
  for (int y = t; y < b; ++y) {
    std::uint8_t* d = surface_.pixel(l, y);
    for (int x = l; x < r; ++x, d += 3) d[0] = c.b, d[1] = c.g, d[2] = c.r;
  }
}

void TFxCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  if (surface_.isEmpty() || Brush.Style == bsClear) return;
  if (x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return;
  const Bgr key = BgrFromColor(color & 0xFFFFFF), fill = BgrFromColor(Brush.Color);
  auto same = [&](int px, int py) {
    const std::uint8_t* p = surface_.pixel(px, py);
    return p[0] == key.b && p[1] == key.g && p[2] == key.r;
  };
  const int w = surface_.width, h = surface_.height;
  std::vector<std::uint8_t> seen(std::size_t(w) * std::size_t(h), 0);
  auto inside = [&](int px, int py) {
    if (seen[std::size_t(py) * std::size_t(w) + std::size_t(px)]) return false;
    return style == fsSurface ? same(px, py) : !same(px, py);
  };
  if (!inside(x, y)) return;
  // Scanline fill with an explicit stack: no recursion, whatever the area's shape.
  std::vector<QPoint> stack{QPoint(x, y)};
  while (!stack.empty()) {
    const QPoint s = stack.back();
    stack.pop_back();
    if (!inside(s.x(), s.y())) continue;
    int l = s.x(), r = s.x();
    while (l > 0 && inside(l - 1, s.y())) --l;
    while (r < w - 1 && inside(r + 1, s.y())) ++r;
    for (int i = l; i <= r; ++i) {
      seen[std::size_t(s.y()) * std::size_t(w) + std::size_t(i)] = 1;
      std::uint8_t* d = surface_.pixel(i, s.y());
      d[0] = fill.b, d[1] = fill.g, d[2] = fill.r;
    }
    for (int ny : {s.y() - 1, s.y() + 1}) {
      if (ny < 0 || ny >= h) continue;
      bool run = false;
      for (int i = l; i <= r; ++i) {
        const bool in = inside(i, ny);
        if (in && !run) stack.emplace_back(i, ny);
        run = in;
      }
    }
  }
}

// ---- Bitmap copies ---------------------------------------------------------------------------------

Bitmap24 CopyPart(const Bitmap24& source, int left, int top, int width, int height, Bgr outside) {
  Bitmap24 out(std::max(width, 0), std::max(height, 0), outside);
  for (int y = 0; y < out.height(); ++y) {
    const long long sy = static_cast<long long>(top) + y;
    if (sy < 0 || sy >= source.height()) continue;
    const long long x0 = std::max<long long>(0, -static_cast<long long>(left));
    const long long x1 = std::min<long long>(out.width(), static_cast<long long>(source.width()) - left);
    if (x1 > x0)
      std::memcpy(out.scanLine(y) + 3 * x0, source.scanLine(int(sy)) + 3 * (left + x0), std::size_t(x1 - x0) * 3);
  }
  return out;
}

namespace {
Bitmap24 surfacePart(const FxSurface& s, const QRect& r) {
  Bitmap24 out(r.width(), r.height());
  for (int y = 0; y < r.height(); ++y) std::memcpy(out.scanLine(y), s.pixel(r.x(), r.y() + y), std::size_t(r.width()) * 3);
  return out;
}

// dstRect <- srcRect of src (src already clipped by the caller into `part`, whose pixel (0, 0) is
// srcRect's clipped corner `partOrigin`), nearest pixel; `put` combines one pixel.
template <class Put>
void blit(const FxSurface& dst, const QRect& dstRect, const Bitmap24& part, QPoint partOrigin, const QRect& srcRect,
          Put put) {
  if (dst.isEmpty() || part.isEmpty() || dstRect.width() <= 0 || dstRect.height() <= 0) return;
  const long long dw = dstRect.width(), dh = dstRect.height(), sw = srcRect.width(), sh = srcRect.height();
  const int x0 = std::max(dstRect.x(), 0), y0 = std::max(dstRect.y(), 0);
  const long long x1 = std::min<long long>(static_cast<long long>(dstRect.x()) + dw, dst.width);
  const long long y1 = std::min<long long>(static_cast<long long>(dstRect.y()) + dh, dst.height);
  for (long long y = y0; y < y1; ++y) {
    const long long sy = srcRect.y() + (y - dstRect.y()) * sh / dh - partOrigin.y();
    if (sy < 0 || sy >= part.height()) continue;
    const std::uint8_t* srow = part.scanLine(int(sy));
    std::uint8_t* d = dst.pixel(x0, int(y));
    for (long long x = x0; x < x1; ++x, d += 3) {
      const long long sx = srcRect.x() + (x - dstRect.x()) * sw / dw - partOrigin.x();
      if (sx < 0 || sx >= part.width()) continue;
      put(d, srow + 3 * sx);
    }
  }
}
}  // namespace

void TFxCanvas::CopyRect(const QRect& dstRect, const FxSurface& source, const QRect& srcRect) {
  if (source.isEmpty() || srcRect.width() <= 0 || srcRect.height() <= 0) return;
  const QRect clipped = srcRect.intersected(QRect(0, 0, source.width, source.height));
  if (clipped.isEmpty()) return;
  // A copy first, so a source overlapping the destination reads the old pixels.
  const Bitmap24 part = surfacePart(source, clipped);
  const Bgr pat = BgrFromColor(Brush.Color);
  const std::uint32_t rop = CopyMode;
  blit(surface_, dstRect, part, clipped.topLeft(), srcRect, [&](std::uint8_t* d, const std::uint8_t* s) {
    if (rop == SRCCOPY) {
      std::memcpy(d, s, 3);
      return;
    }
    d[0] = ApplyRop3(rop, pat.b, s[0], d[0]);
    d[1] = ApplyRop3(rop, pat.g, s[1], d[1]);
    d[2] = ApplyRop3(rop, pat.r, s[2], d[2]);
  });
}

void TFxCanvas::Draw(int x, int y, const Bitmap24& bitmap) {
  if (bitmap.isEmpty()) return;
  Bitmap24& b = const_cast<Bitmap24&>(bitmap);  // read only
  CopyRect(QRect(x, y, bitmap.width(), bitmap.height()), FxSurface::of(b), QRect(0, 0, bitmap.width(), bitmap.height()));
}

void TFxCanvas::StretchDraw(const QRect& dstRect, const Bitmap24& bitmap) {
  if (bitmap.isEmpty()) return;
  Bitmap24& b = const_cast<Bitmap24&>(bitmap);  // read only
  CopyRect(dstRect, FxSurface::of(b), QRect(0, 0, bitmap.width(), bitmap.height()));
}

void TFxCanvas::BrushCopy(const QRect& dstRect, const Bitmap24& bitmap, const QRect& srcRect, TColor keyColor) {
  if (bitmap.isEmpty() || srcRect.width() <= 0 || srcRect.height() <= 0) return;
  const QRect clipped = srcRect.intersected(QRect(0, 0, bitmap.width(), bitmap.height()));
  if (clipped.isEmpty()) return;
  const Bitmap24 part = CopyPart(bitmap, clipped.x(), clipped.y(), clipped.width(), clipped.height());
  const Bgr key = BgrFromColor(keyColor);
  blit(surface_, dstRect, part, clipped.topLeft(), srcRect, [&](std::uint8_t* d, const std::uint8_t* s) {
    if (s[0] == key.b && s[1] == key.g && s[2] == key.r) return;
    std::memcpy(d, s, 3);
  });
}

void TFxCanvas::DrawTransparent(int x, int y, const Bitmap24& bitmap, TColor keyColor) {
  const QRect all(0, 0, bitmap.width(), bitmap.height());
  BrushCopy(QRect(x, y, bitmap.width(), bitmap.height()), bitmap, all, keyColor);
}

}  // namespace kalvora
