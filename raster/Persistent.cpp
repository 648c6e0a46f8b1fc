#include "Persistent.h"

#include <QImage>
#include <limits>
#include <stdexcept>

namespace kalvora::raster {

void TNotifiablePersistent::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TNotifiablePersistent::BeginUpdate() { ++updateCount_; }

void TNotifiablePersistent::EndUpdate() {
  if (updateCount_ < 1) throw std::logic_error("Unpaired TThreadPersistent.EndUpdate");
  --updateCount_;
}

void TThreadPersistent::Lock() {
  ++lockCount_;
  lock_.lock();
}

void TThreadPersistent::Unlock() {
  lock_.unlock();
  --lockCount_;
}

bool TCustomMap::SetSize(std::int32_t newWidth, std::int32_t newHeight) {
  if (newWidth < 0) newWidth = 0;
  if (newHeight < 0) newHeight = 0;
  if (newWidth == width_ && newHeight == height_) return false;
  ChangeSize(width_, height_, newWidth, newHeight);
  Changed();
  Resized();
  return true;
}

void TCustomMap::SetSizeFrom(const TCustomMap* source) {
  if (source == nullptr)
    SetSize(0, 0);
  else
    SetSize(source->Width(), source->Height());
}

void TCustomMap::SetSizeFrom(const QImage& graphic) { SetSize(graphic.width(), graphic.height()); }

void TCustomMap::Delete() { SetSize(0, 0); }

bool TCustomMap::Empty() const { return width_ == 0 || height_ == 0; }

void TCustomMap::Resized() {
  if (OnResize) OnResize(this);
}

void TCustomMap::ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                            std::int32_t newHeight) {
  width = newWidth;
  height = newHeight;
}

TColor32 TCustomSampler::GetSampleInt(std::int32_t x, std::int32_t y) {
  return GetSampleFixed(Fixed(x), Fixed(y));
}

TColor32 TCustomSampler::GetSampleFixed(TFixed x, TFixed y) {
  return GetSampleFloat(x * FixedToFloat, y * FixedToFloat);
}

TColor32 TCustomSampler::GetSampleFloat(TFloat x, TFloat y) { return GetSampleFixed(Fixed(x), Fixed(y)); }

TRect TCustomSampler::GetSampleBounds() {
  return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(),
          std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};
}

void TCustomSampler::GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out) {
  for (std::int32_t i = 0; i < count; ++i) out[i] = GetSampleInt(x + i, y);
}

}  // namespace kalvora::raster
