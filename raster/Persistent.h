#pragma once
// The notification chain under bitmaps, maps and samplers: nested updates and change events,
// a per-object lock, a sized map and the sampler interface.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "RasterMath.h"

class QImage;

namespace kalvora::raster {

class TNotifiablePersistent;
using TNotifyEvent = std::function<void(TNotifiablePersistent* sender)>;

class TNotifiablePersistent {
 public:
  virtual ~TNotifiablePersistent() = default;
  TNotifiablePersistent() = default;
  TNotifiablePersistent(const TNotifiablePersistent&) = delete;
  TNotifiablePersistent& operator=(const TNotifiablePersistent&) = delete;

  virtual void Changed();
  virtual void BeginUpdate();
  // Raises std::logic_error "Unpaired TThreadPersistent.EndUpdate" without a matching
  // BeginUpdate; the count never goes below 0.
  virtual void EndUpdate();

  std::int32_t UpdateCount() const { return updateCount_; }
  TNotifyEvent OnChange;

 protected:
  std::int32_t updateCount_ = 0;
};

class TThreadPersistent : public TNotifiablePersistent {
 public:
  void Lock();
  void Unlock();
  std::int32_t LockCount() const { return lockCount_.load(); }

 private:
  std::recursive_mutex lock_;
  std::atomic<std::int32_t> lockCount_{0};
};

class TCustomMap : public TThreadPersistent {
 public:
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  TRect BoundsRect() const { return {0, 0, width_, height_}; }

  // A negative side counts as 0; true when the size changed.
  virtual bool SetSize(std::int32_t newWidth, std::int32_t newHeight);
  void SetSizeFrom(const TCustomMap* source);  // nullptr gives 0 x 0
  void SetSizeFrom(const QImage& graphic);
  virtual void Delete();
  virtual bool Empty() const;
  virtual void Resized();

  TNotifyEvent OnResize;

 protected:
  virtual void ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                          std::int32_t newHeight);
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

// The abstract source of colour samples. A subclass overrides at least one of the fixed and
// float forms.
class TCustomSampler : public TNotifiablePersistent {
 public:
  virtual TColor32 GetSampleInt(std::int32_t x, std::int32_t y);
  virtual TColor32 GetSampleFixed(TFixed x, TFixed y);
  virtual TColor32 GetSampleFloat(TFloat x, TFloat y);
  virtual void PrepareSampling() {}
  virtual void FinalizeSampling() {}
  virtual bool HasBounds() { return false; }
  virtual TRect GetSampleBounds();
  // The samples GetSampleInt(x + i, y) for i = 0 .. count - 1, into out. Samplers with a
  // faster row path replace it; the results are the same.
  virtual void GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out);
  // The samples of a block (width x height, row after row, into out) when this sampler has a
  // block path that gives the same results as GetSampleInt; false (nothing written) otherwise.
  virtual bool GetSampleBlockInt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                 TColor32* out) {
    (void)x, (void)y, (void)width, (void)height, (void)out;
    return false;
  }
};

}  // namespace kalvora::raster
