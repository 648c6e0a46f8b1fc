#include "Gradient.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kalvora {

void TGradientStyle::Assign(const TGradientStyle& other) {
  borderColor_ = other.borderColor_;
  colorTo_ = other.colorTo_;
  colorFrom_ = other.colorFrom_;
  direction_ = other.direction_;
  changed();
}

void DrawGradientRect(QPainter& p, TColor from, TColor to, bool direction, const QRect& rect,
                      int steps, TColor border) {
  if (steps <= 0) steps = 1;
  const TColor a = ColorToRGB(from), b = ColorToRGB(to);
  const int r0 = int(a & 0xFF), g0 = int((a >> 8) & 0xFF), b0 = int((a >> 16) & 0xFF);
  const double dr = (int(b & 0xFF) - r0) / double(steps);
  const double dg = (int((b >> 8) & 0xFF) - g0) / double(steps);
  const double db = (int((b >> 16) & 0xFF) - b0) / double(steps);
  // QRect's right() is inclusive; the bands run between exclusive edges (left + width), so the
  // last band ends on the rectangle's edge.
  const int x0 = rect.left(), y0 = rect.top();
  const int x1 = rect.left() + rect.width(), y1 = rect.top() + rect.height();
  const double band = (direction ? (x1 - x0) : (y1 - y0)) / double(steps);
  p.save();
  p.setPen(Qt::NoPen);
  for (int i = 0; i < steps; ++i) {
    const QColor c(std::clamp(r0 + int(std::lround(i * dr)), 0, 255),
                   std::clamp(g0 + int(std::lround(i * dg)), 0, 255),
                   std::clamp(b0 + int(std::lround(i * db)), 0, 255));
    const int start = int(std::lround(i * band));
    int end = start + int(band) + 1;
    QRect r;
    if (direction) {
      end = std::min(x0 + end, x1);
      r = QRect(QPoint(x0 + start, y0), QPoint(end - 1, y1 - 1));
    } else {
      end = std::min(y0 + end, y1);
      r = QRect(QPoint(x0, y0 + start), QPoint(x1 - 1, end - 1));
    }
    if (r.isValid()) p.fillRect(r, c);
  }
  if (border != clNone) {
    p.setBrush(Qt::NoBrush);
    p.setPen(ToQColor(border));
    p.drawRect(rect.adjusted(0, 0, -1, -1));
  }
  p.restore();
}

}  // namespace kalvora
