#pragma once
// Rasterizers fill a rectangle of a destination bitmap with the colours of a sampler, combined
// into the destination by a drawing mode.
#include <cstdint>
#include <vector>

#include "Bitmap32.h"
#include "Persistent.h"

namespace kalvora::raster {

struct TCombineInfo {
  std::int32_t SrcAlpha = 255;
  TDrawMode DrawMode = TDrawMode::dmOpaque;
  TCombineMode CombineMode = TCombineMode::cmBlend;
  TPixelCombineEvent CombineCallBack;
  TColor32 TransparentColor = 0;
};

class TRasterizer : public TThreadPersistent {
 public:
  TCustomSampler* Sampler() const { return sampler_; }
  void SetSampler(TCustomSampler* sampler);  // not owned
  // The combine settings come from the source bitmap (master alpha, drawing and combine mode,
  // callback, outer colour as the transparent colour).
  void Rasterize(TBitmap32* dst, const TRect& dstRect, const TBitmap32* src);
  void Rasterize(TBitmap32* dst, const TRect& dstRect, const TCombineInfo& info);
  void Assign(const TRasterizer& source) { SetSampler(source.sampler_); }

 protected:
  virtual void DoRasterize(TBitmap32* dst, TRect dstRect) = 0;
  // Combines count sampled colours into the destination pixels.
  void AssignRow(TColor32* dst, const TColor32* colors, std::int32_t count) const;

  TCustomSampler* sampler_ = nullptr;
  TCombineInfo info_;
  TBlendMemEx blendMemEx_ = nullptr;
  TBlendLineEx blendLineEx_ = nullptr;
};

class TRegularRasterizer : public TRasterizer {
 public:
  // Rows after which the finished rows are reported; 0 reports only the end of the run.
  std::int32_t UpdateRowCount = 0;

 protected:
  void DoRasterize(TBitmap32* dst, TRect dstRect) override;

 private:
  std::vector<TColor32> row_;
};

}  // namespace kalvora::raster
