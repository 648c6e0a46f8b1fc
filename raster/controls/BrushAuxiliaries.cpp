#include "BrushAuxiliaries.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kalvora::raster {

void TGenericBrush::SetPressure(float v) { pressure_ = std::clamp(v, 0.0f, 1.0f); }
void TGenericBrush::SetPinch(float v) { pinch_ = std::clamp(v, -1.0f, 1.0f); }
void TGenericBrush::SetFeather(float v) { feather_ = std::clamp(v, 0.0f, 1.0f); }

namespace {
// A superellipse profile: p = 0 falls off straight, positive p is a fuller dome, negative a spike.
double pinchCurve(double d, double p) {
  if (d <= -1 || d >= 1) return 0;
  if (p >= 1) return 1;
  if (p <= -1) return std::lround(d * 65536) == 0 ? 1 : 0;
  const double b = p > 0 ? 1 / (1 - p) : p + 1;
  return std::pow(std::fabs(1 - std::fabs(std::pow(d, b))), 1 / b);
}

double featherCurve(double d, double f) {
  if (f <= 0) return 1;
  return std::clamp((1 - d) / f, 0.0, 1.0);
}
}  // namespace

float TGenericBrush::Weight(float x, float y) const {
  const double d = std::hypot(double(x), double(y));
  const double w = pinchCurve(d, pinch_) * featherCurve(d, feather_) * pressure_;
  return float(std::clamp(w, 0.0, 1.0));
}

void TBrushLayer::SetCenter(TPoint value) {
  if (value == Center()) return;
  Changed(square());
  centerX_ = value.X;
  centerY_ = value.Y;
  Changed(square());
}

void TBrushLayer::SetRadius(int value) {
  // The outline drawn with the old radius goes too: a smaller brush would leave it behind.
  const TRect before = square();
  radius_ = value;
  const TRect after = square();
  if (after != before) Changed(before);
  Changed(after);
}

void TBrushLayer::Assign(const TCustomLayer& source) {
  if (const auto* b = dynamic_cast<const TBrushLayer*>(&source)) {
    centerX_ = b->centerX_;
    centerY_ = b->centerY_;
    radius_ = b->radius_;
  }
  TPositionedLayer::Assign(source);
}

void TBrushLayer::Paint(TBitmap32* buffer) {
  const float r = float(radius_), x = float(centerX_), y = float(centerY_);
  buffer->MoveToF(x + r, y);
  buffer->SetPenColor(0xA0FFFFFFu);
  int n = radius_ + 4;
  if (n % 2 != 0) ++n;
  const double step = 2 * std::numbers::pi / n;
  for (int i = 1; i <= n; ++i) {
    // Alternately light and dark, so the outline shows on any picture.
    buffer->SetPenColor(buffer->PenColor() ^ 0x00FFFFFFu);
    buffer->LineToXS(Fixed(float(r * std::cos(i * step) + x)), Fixed(float(r * std::sin(i * step) + y)));
  }
  TCustomLayer::Paint(buffer);
}

}  // namespace kalvora::raster
