#include "Rasterizers.h"

namespace kalvora::raster {

void TRasterizer::SetSampler(TCustomSampler* sampler) {
  if (sampler == sampler_) return;
  sampler_ = sampler;
  Changed();
}

void TRasterizer::Rasterize(TBitmap32* dst, const TRect& dstRect, const TBitmap32* src) {
  TCombineInfo info;
  info.SrcAlpha = static_cast<std::int32_t>(src->MasterAlpha());
  info.DrawMode = src->DrawMode();
  info.CombineMode = src->CombineMode();
  info.CombineCallBack = src->OnPixelCombine;
  info.TransparentColor = src->OuterColor();
  if (info.DrawMode == TDrawMode::dmCustom && !info.CombineCallBack) info.DrawMode = TDrawMode::dmOpaque;
  Rasterize(dst, dstRect, info);
}

void TRasterizer::Rasterize(TBitmap32* dst, const TRect& dstRect, const TCombineInfo& info) {
  info_ = info;
  blendMemEx_ = BLEND_MEM_EX[static_cast<int>(info.CombineMode)];
  blendLineEx_ = BLEND_LINE_EX[static_cast<int>(info.CombineMode)];
  if (dst == nullptr) return;
  const std::int32_t updateCount = dst->UpdateCount();
  if (sampler_ == nullptr) return;
  sampler_->PrepareSampling();
  TRect r;
  IntersectRect(r, dstRect, dst->BoundsRect());
  if (sampler_->HasBounds()) IntersectRect(r, r, sampler_->GetSampleBounds());
  struct Restore {
    TBitmap32* dst;
    std::int32_t count;
    TCustomSampler* sampler;
    ~Restore() {
      while (dst->UpdateCount() > count) dst->EndUpdate();
      sampler->FinalizeSampling();
    }
  } restore{dst, updateCount, sampler_};
  DoRasterize(dst, r);
}

void TRasterizer::AssignRow(TColor32* dst, const TColor32* colors, std::int32_t count) const {
  switch (info_.DrawMode) {
    case TDrawMode::dmOpaque: MoveLongword(colors, dst, count); break;
    case TDrawMode::dmBlend:
      blendLineEx_(colors, dst, count, static_cast<TColor32>(info_.SrcAlpha));
      EMMS();
      break;
    case TDrawMode::dmCustom:
      if (info_.CombineCallBack) {
        for (std::int32_t i = 0; i < count; ++i) info_.CombineCallBack(colors[i], dst[i], static_cast<TColor32>(info_.SrcAlpha));
      } else {
        blendLineEx_(colors, dst, count, static_cast<TColor32>(info_.SrcAlpha));
        EMMS();
      }
      break;
    case TDrawMode::dmTransparent:
      for (std::int32_t i = 0; i < count; ++i)
        if (colors[i] != info_.TransparentColor) dst[i] = colors[i];
      break;
  }
}

void TRegularRasterizer::DoRasterize(TBitmap32* dst, TRect r) {
  std::int32_t counter = 0;
  const std::int32_t w = r.Width();
  // Samplers with a block path are asked for bands of rows; each row is then combined and
  // reported exactly as in the row by row run.
  constexpr std::int32_t kBand = 16;
  bool blocks = w > 0;
  if (w > 0 && row_.size() < static_cast<std::size_t>(w) * kBand) row_.resize(static_cast<std::size_t>(w) * kBand);
  for (std::int32_t j = r.Top; j < r.Bottom && w > 0;) {
    const std::int32_t h = r.Bottom - j < kBand ? r.Bottom - j : kBand;
    std::int32_t rows = 1;
    if (blocks && sampler_->GetSampleBlockInt(r.Left, j, w, h, row_.data())) {
      rows = h;
    } else {
      blocks = false;
      sampler_->GetSampleRowInt(r.Left, j, w, row_.data());
    }
    for (std::int32_t k = 0; k < rows; ++k, ++j) {
      AssignRow(dst->PixelPtr(r.Left, j), row_.data() + static_cast<std::ptrdiff_t>(k) * w, w);
      ++counter;
      if (counter == UpdateRowCount) {
        dst->Changed(TRect{r.Left, j - counter, r.Right, j});
        counter = 0;
      }
    }
  }
  dst->Changed(TRect{r.Left, r.Bottom - counter - 1, r.Right, r.Bottom});
}

}  // namespace kalvora::raster
