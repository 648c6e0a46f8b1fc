#pragma once
// The resampler family: every TBitmap32 owns one. A resampler answers point samples of its
// bitmap and copies a source rectangle into a destination rectangle, scaling when the sizes differ.
#include <cstdint>
#include <functional>
#include <memory>

#include "Bitmap32.h"
#include "Containers.h"

namespace kalvora::raster {

enum class TPixelAccessMode : std::uint8_t { pamUnsafe, pamSafe, pamWrap };
// The nested sampler Transform creates over a resampler.
enum class TTransformerClass : std::uint8_t { tcTransformer, tcNearestTransformer };

class TCustomKernel;
class TLinearKernel;

class TCustomResampler : public TCustomSampler {
 public:
  virtual const char* ClassName() const = 0;
  // The support radius of the sampling filter.
  virtual TFloat GetWidth() = 0;
  virtual void Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                        const TRect& srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) = 0;
  // Copies the published settings from a resampler of the same class.
  virtual void Assign(const TCustomResampler& source);
};

class TBitmap32Resampler;

// Hands a new resampler to its bitmap once the whole object is built. It is a defaulted argument
// of the resampler constructors, so it lives to the end of the expression that creates the
// resampler, past the most derived constructor: the bitmap's change notification then sees the
// finished resampler, and a constructor that fails leaves the bitmap with its old one.
class TResamplerInstall {
 public:
  TResamplerInstall() = default;
  TResamplerInstall(const TResamplerInstall&) = delete;
  TResamplerInstall& operator=(const TResamplerInstall&) = delete;
  ~TResamplerInstall() noexcept(false);

 private:
  friend class TBitmap32Resampler;
  TBitmap32* bitmap_ = nullptr;
  TBitmap32Resampler* resampler_ = nullptr;
  int uncaught_ = 0;
};

class TBitmap32Resampler : public TCustomResampler {
 public:
  // A non-null bitmap takes this resampler as its own (and owns it from then on) at the end of
  // the expression that creates it. Derived constructors pass install on.
  explicit TBitmap32Resampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall());
  ~TBitmap32Resampler() override;
  TBitmap32* Bitmap() const { return bitmap_; }
  TTransformerClass TransformerClass() const { return transformerClass_; }
  TPixelAccessMode PixelAccessMode() const { return pixelAccessMode_; }
  void SetPixelAccessMode(TPixelAccessMode value);

  void Changed() override;
  void PrepareSampling() override;
  bool HasBounds() override { return true; }
  TRect GetSampleBounds() override;
  void Assign(const TCustomResampler& source) override;

 protected:
  TBitmap32* bitmap_;
  TRect clipRect_;
  TTransformerClass transformerClass_ = TTransformerClass::tcTransformer;
  TPixelAccessMode pixelAccessMode_ = TPixelAccessMode::pamSafe;

 private:
  friend class TResamplerInstall;
  TResamplerInstall* pendingInstall_ = nullptr;
};

class TNearestResampler : public TBitmap32Resampler {
 public:
  explicit TNearestResampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall());
  const char* ClassName() const override { return "TNearestResampler"; }
  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override;
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  void GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out) override;
  TFloat GetWidth() override { return 1; }
  void Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src, const TRect& srcRect,
                TDrawMode combineOp, const TPixelCombineEvent& callback) override;
  // The pixel read of the access mode, for callers that walk many samples.
  TColor32 Read(std::int32_t x, std::int32_t y) const;
};

class TLinearResampler : public TBitmap32Resampler {
 public:
  explicit TLinearResampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall());
  ~TLinearResampler() override;
  const char* ClassName() const override { return "TLinearResampler"; }
  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override;
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  TFloat GetWidth() override { return 1; }
  void Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src, const TRect& srcRect,
                TDrawMode combineOp, const TPixelCombineEvent& callback) override;

 protected:
  TColor32 ReadFixed(TFixed x, TFixed y) const;
  std::unique_ptr<TLinearKernel> linearKernel_;
};

class TDraftResampler : public TLinearResampler {
 public:
  explicit TDraftResampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall());
  const char* ClassName() const override { return "TDraftResampler"; }
  void Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src, const TRect& srcRect,
                TDrawMode combineOp, const TPixelCombineEvent& callback) override;
};

// The resampler registry: TNearestResampler, TLinearResampler, TDraftResampler, TKernelResampler.
using TResamplerFactory = std::function<TCustomResampler*(TBitmap32* bitmap)>;
const TClassList<TResamplerFactory>& ResamplerList();

}  // namespace kalvora::raster
