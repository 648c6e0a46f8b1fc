#include "Resamplers.h"

#include <cmath>
#include <exception>
#include <utility>

#include "Kernels.h"
#include "Transfer.h"

namespace kalvora::raster {

namespace {
inline std::int32_t RoundToInt(TFloat v) { return static_cast<std::int32_t>(std::lrint(v)); }
}  // namespace

void TCustomResampler::Assign(const TCustomResampler& source) { (void)source; }

TResamplerInstall::~TResamplerInstall() noexcept(false) {
  if (resampler_ == nullptr) return;
  TBitmap32Resampler* r = resampler_;
  r->pendingInstall_ = nullptr;
  resampler_ = nullptr;
  // Leaving an expression by an exception: take the resampler quietly (a handler must not
  // raise a second exception here).
  if (std::uncaught_exceptions() > uncaught_)
    bitmap_->InstallResampler(r);
  else
    bitmap_->SetResampler(r);
}

TBitmap32Resampler::TBitmap32Resampler(TBitmap32* bitmap, TResamplerInstall&& install) : bitmap_(bitmap) {
  if (bitmap_ != nullptr) {
    clipRect_ = bitmap_->ClipRect();
    install.bitmap_ = bitmap_;
    install.resampler_ = this;
    install.uncaught_ = std::uncaught_exceptions();
    pendingInstall_ = &install;
  }
}

TBitmap32Resampler::~TBitmap32Resampler() {
  // a derived constructor failed: the bitmap never sees this resampler
  if (pendingInstall_ != nullptr) pendingInstall_->resampler_ = nullptr;
}

void TBitmap32Resampler::SetPixelAccessMode(TPixelAccessMode value) {
  if (value == pixelAccessMode_) return;
  pixelAccessMode_ = value;
  Changed();
}

void TBitmap32Resampler::Changed() {
  TCustomResampler::Changed();
  if (bitmap_ != nullptr) bitmap_->Changed();
}

void TBitmap32Resampler::PrepareSampling() {
  if (bitmap_ != nullptr) clipRect_ = bitmap_->ClipRect();
}

TRect TBitmap32Resampler::GetSampleBounds() { return bitmap_ != nullptr ? bitmap_->ClipRect() : TRect{}; }

void TBitmap32Resampler::Assign(const TCustomResampler& source) {
  if (const auto* s = dynamic_cast<const TBitmap32Resampler*>(&source)) SetPixelAccessMode(s->pixelAccessMode_);
}

// ---------------------------------------------------------------- nearest
TNearestResampler::TNearestResampler(TBitmap32* bitmap, TResamplerInstall&& install)
    : TBitmap32Resampler(bitmap, std::move(install)) {
  transformerClass_ = TTransformerClass::tcNearestTransformer;
}

TColor32 TNearestResampler::Read(std::int32_t x, std::int32_t y) const {
  if (bitmap_ == nullptr) return 0;
  switch (pixelAccessMode_) {
    case TPixelAccessMode::pamUnsafe: return bitmap_->Pixel(x, y);
    case TPixelAccessMode::pamSafe: return bitmap_->PixelS(x, y);
    case TPixelAccessMode::pamWrap: return bitmap_->PixelW(x, y);
  }
  return 0;
}

TColor32 TNearestResampler::GetSampleInt(std::int32_t x, std::int32_t y) { return Read(x, y); }

TColor32 TNearestResampler::GetSampleFixed(TFixed x, TFixed y) { return Read(FixedRound(x), FixedRound(y)); }

TColor32 TNearestResampler::GetSampleFloat(TFloat x, TFloat y) { return Read(RoundToInt(x), RoundToInt(y)); }

void TNearestResampler::GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out) {
  if (bitmap_ != nullptr && pixelAccessMode_ == TPixelAccessMode::pamSafe) {
    const TRect& c = bitmap_->ClipRect();
    if (y >= c.Top && y < c.Bottom && x >= c.Left && static_cast<std::int64_t>(x) + count <= c.Right) {
      MoveLongword(bitmap_->PixelPtr(x, y), out, count);
      return;
    }
  }
  for (std::int32_t i = 0; i < count; ++i) out[i] = Read(x + i, y);
}

void TNearestResampler::Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                                 const TRect& srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  StretchNearest(dst, dstRect, dstClip, src, srcRect, combineOp, callback);
}

// ---------------------------------------------------------------- linear
TLinearResampler::TLinearResampler(TBitmap32* bitmap, TResamplerInstall&& install)
    : TBitmap32Resampler(bitmap, std::move(install)), linearKernel_(std::make_unique<TLinearKernel>()) {}

TLinearResampler::~TLinearResampler() = default;

TColor32 TLinearResampler::ReadFixed(TFixed x, TFixed y) const {
  if (bitmap_ == nullptr) return 0;
  switch (pixelAccessMode_) {
    case TPixelAccessMode::pamUnsafe: return bitmap_->PixelX(x, y);
    case TPixelAccessMode::pamSafe: return bitmap_->PixelXS(x, y);
    case TPixelAccessMode::pamWrap: return bitmap_->PixelXW(x, y);
  }
  return 0;
}

TColor32 TLinearResampler::GetSampleInt(std::int32_t x, std::int32_t y) { return ReadFixed(Fixed(x), Fixed(y)); }

TColor32 TLinearResampler::GetSampleFixed(TFixed x, TFixed y) { return ReadFixed(x, y); }

TColor32 TLinearResampler::GetSampleFloat(TFloat x, TFloat y) {
  return ReadFixed(static_cast<TFixed>(std::lrint(static_cast<double>(x) * 65536.0)),
                   static_cast<TFixed>(std::lrint(static_cast<double>(y) * 65536.0)));
}

void TLinearResampler::Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                                const TRect& srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  if (dstRect.Width() > srcRect.Width() && dstRect.Height() > srcRect.Height() && srcRect.Width() > 1 &&
      srcRect.Height() > 1)
    StretchHorzStretchVertLinear(dst, dstRect, dstClip, src, srcRect, combineOp, callback);
  else
    Resample(dst, dstRect, dstClip, src, srcRect, linearKernel_.get(), combineOp, callback);
}

// ---------------------------------------------------------------- draft
TDraftResampler::TDraftResampler(TBitmap32* bitmap, TResamplerInstall&& install)
    : TLinearResampler(bitmap, std::move(install)) {}

void TDraftResampler::Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                               const TRect& srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  DraftResample(dst, dstRect, dstClip, src, srcRect, linearKernel_.get(), combineOp, callback);
}

}  // namespace kalvora::raster
