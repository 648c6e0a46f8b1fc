#include "AirBrush.h"

#include <QPainter>
#include <QPolygon>

#include <chrono>
#include <cmath>

#include "Bitmap24Qt.h"

namespace kalvora {

namespace {
std::uint32_t tickCount() {
  using namespace std::chrono;
  return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

const Bgr kWhite{255, 255, 255};
}  // namespace

TAirBrush::TAirBrush() : clock_(tickCount) { lastSpray_ = clock_(); }

TAirBrush::~TAirBrush() = default;

void TAirBrush::setClock(std::function<std::uint32_t()> clock) {
  clock_ = clock ? std::move(clock) : std::function<std::uint32_t()>(tickCount);
  lastSpray_ = clock_();
}

void TAirBrush::setSize(int size) {
  if (size < 10 || size > 200 || size == size_) return;
  size_ = size;
  buildBrush();
}

void TAirBrush::setColor(TColor color) {
  color_ = color;
  buildBrush();
}

void TAirBrush::setIntensity(int intensity) {
  if (intensity < 1 || intensity > 100) return;
  intensity_ = intensity;
}

void TAirBrush::setShape(TAirBrushShape shape) {
  shape_ = shape;
  buildBrush();
}

bool TAirBrush::Ready() {
  const std::uint32_t now = clock_();
  // Unsigned difference: correct across the wrap of the millisecond counter.
  if (std::int64_t(std::uint32_t(now - lastSpray_)) > std::int64_t(interval_)) {
    lastSpray_ = now;
    return true;
  }
  return false;
}

void TAirBrush::buildBrush() {
  const int s = size_;
  brush_ = Bitmap24(s, s, kWhite);
  const Bgr c = BgrFromColor(color_);
  if (shape_ == absSpray) {
    const int m = s / 2;
    for (int y = 0; y < s; y += 3)
      for (int x = 0; x < s; x += 3)
        if ((x - m) * (x - m) + (y - m) * (y - m) < m * m) brush_.setPixel(x, y, c);
    return;
  }
  QImage img = WrapAsQImage(brush_);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(c.r, c.g, c.b));
  const int q = s / 4;
  // Right and bottom edges are exclusive, as on the canvas the brush was designed for.
  auto rect = [&](int l, int t, int r, int b) { p.drawRect(QRect(l, t, r - l, b - t)); };
  switch (shape_) {
    case absRound: p.drawEllipse(QRect(0, 0, s, s)); break;
    case absSquare: rect(0, 0, s, s); break;
    case absLeftSlash: p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(q, 0), QPoint(s - 1, s - 1), QPoint(s - 1 - q, s - 1)})); break;
    case absRightSlash: p.drawPolygon(QPolygon({QPoint(0, s - 1), QPoint(q, s - 1), QPoint(s - 1, 0), QPoint(s - 1 - q, 0)})); break;
    case absHorizontal: rect(0, q, s - 1, s - 1 - q); break;
    case absVertical: rect(q, 0, s - 1 - q, s - 1); break;
    case absSpray: break;
  }
}

namespace {
// Blends the brush into a 24-bit blue-green-red picture given by its bytes.
void sprayInto(const Bitmap24& brush, int intensity, std::uint8_t* bits, int w, int h, qsizetype stride,
               long long x0, long long y0) {
  const double k = intensity / 100.0;
  for (int j = 0; j < brush.height(); ++j) {
    const long long y = y0 + j;
    if (y < 0 || y >= h) continue;
    const std::uint8_t* b = brush.scanLine(j);
    std::uint8_t* row = bits + y * stride;
    for (int i = 0; i < brush.width(); ++i, b += 3) {
      const long long x = x0 + i;
      if (x < 0 || x >= w) continue;
      if (b[0] == 255 && b[1] == 255 && b[2] == 255) continue;
      std::uint8_t* a = row + 3 * x;
      for (int c = 0; c < 3; ++c) {
        const double v = std::nearbyint((1 - k) * a[c] + k * b[c]);
        a[c] = std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
}
}  // namespace

void TAirBrush::Spray(Bitmap24& canvas, int x, int y) {
  if (brush_.isEmpty() || canvas.isEmpty()) return;
  const int h = size_ / 2;
  sprayInto(brush_, intensity_, canvas.bits(), canvas.width(), canvas.height(), canvas.stride(), (long long)x - h,
            (long long)y - h);
}

void TAirBrush::Spray(QImage& canvas, int x, int y) {
  if (brush_.isEmpty() || canvas.isNull()) return;
  const int h = size_ / 2;
  if (canvas.format() == QImage::Format_BGR888) {
    sprayInto(brush_, intensity_, canvas.bits(), canvas.width(), canvas.height(), canvas.bytesPerLine(),
              (long long)x - h, (long long)y - h);
    return;
  }
  const QImage::Format format = canvas.format();
  QImage work = canvas.convertToFormat(QImage::Format_BGR888);
  sprayInto(brush_, intensity_, work.bits(), work.width(), work.height(), work.bytesPerLine(), (long long)x - h,
            (long long)y - h);
  canvas = work.convertToFormat(format);
}

}  // namespace kalvora
