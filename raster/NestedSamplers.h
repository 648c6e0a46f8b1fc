#pragma once
// Samplers that wrap another sampler: the transformer (samples at reverse-transformed points),
// the nearest transformer (whole pixels) and the super sampler (a grid average per pixel).
#include <cstdint>
#include <vector>

#include "Persistent.h"
#include "RasterErrors.h"

namespace kalvora::raster {

class TTransformation;

// Operations that must reach a missing wrapped sampler raise ENestedException
// "Nested sampler is nil".
class TNestedSampler : public TCustomSampler {
 public:
  explicit TNestedSampler(TCustomSampler* sampler = nullptr) { SetSampler(sampler); }
  TCustomSampler* Sampler() const { return sampler_; }
  void SetSampler(TCustomSampler* sampler) { sampler_ = sampler; }  // not owned
  void Assign(const TNestedSampler& source) { SetSampler(source.sampler_); }

  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override;
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  void PrepareSampling() override;
  void FinalizeSampling() override;
  bool HasBounds() override;
  TRect GetSampleBounds() override;

 protected:
  TCustomSampler* Wrapped() const;
  TCustomSampler* sampler_ = nullptr;
};

class TTransformer : public TNestedSampler {
 public:
  TTransformer(TCustomSampler* sampler, TTransformation* transformation);
  TTransformation* Transformation() const { return transformation_; }
  void SetTransformation(TTransformation* transformation) { transformation_ = transformation; }  // not owned

  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override;
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  void PrepareSampling() override;
  bool HasBounds() override;
  TRect GetSampleBounds() override;

 protected:
  TTransformation* Transform() const;
  TTransformation* transformation_ = nullptr;
};

class TNearestTransformer : public TTransformer {
 public:
  using TTransformer::TTransformer;
  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override;
  // Negative source coordinates floor (no read outside the source through an unchecked reader).
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  void GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out) override;
  bool GetSampleBlockInt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                         TColor32* out) override;

 private:
  std::vector<TPoint> points_;
};

// Averages SamplingX x SamplingY sub-samples per pixel, each channel rounded to nearest.
// Counts below 1 give 0; counts above 256 are taken as 256.
class TSuperSampler : public TNestedSampler {
 public:
  explicit TSuperSampler(TCustomSampler* sampler);
  std::int32_t SamplingX() const { return samplingX_; }
  std::int32_t SamplingY() const { return samplingY_; }
  void SetSamplingX(std::int32_t value);
  void SetSamplingY(std::int32_t value);
  TColor32 GetSampleFixed(TFixed x, TFixed y) override;
  TColor32 GetSampleInt(std::int32_t x, std::int32_t y) override { return GetSampleFixed(Fixed(x), Fixed(y)); }
  TColor32 GetSampleFloat(TFloat x, TFloat y) override { return GetSampleFixed(Fixed(x), Fixed(y)); }

 private:
  std::int32_t samplingX_ = 4, samplingY_ = 4;
  TFixed stepX_ = 0, stepY_ = 0, offsetX_ = 0, offsetY_ = 0;
};

}  // namespace kalvora::raster
