#include "NestedSamplers.h"

#include <cmath>

#include "Resamplers.h"
#include "Transforms.h"

namespace kalvora::raster {

// ---------------------------------------------------------------- nested
TCustomSampler* TNestedSampler::Wrapped() const {
  if (sampler_ == nullptr) throw ENestedException("Nested sampler is nil");
  return sampler_;
}

TColor32 TNestedSampler::GetSampleInt(std::int32_t x, std::int32_t y) { return Wrapped()->GetSampleInt(x, y); }
TColor32 TNestedSampler::GetSampleFixed(TFixed x, TFixed y) { return Wrapped()->GetSampleFixed(x, y); }
TColor32 TNestedSampler::GetSampleFloat(TFloat x, TFloat y) { return Wrapped()->GetSampleFloat(x, y); }
void TNestedSampler::PrepareSampling() { Wrapped()->PrepareSampling(); }
void TNestedSampler::FinalizeSampling() { Wrapped()->FinalizeSampling(); }
bool TNestedSampler::HasBounds() { return Wrapped()->HasBounds(); }
TRect TNestedSampler::GetSampleBounds() { return Wrapped()->GetSampleBounds(); }

// ---------------------------------------------------------------- transformer
TTransformer::TTransformer(TCustomSampler* sampler, TTransformation* transformation) {
  SetTransformation(transformation);
  SetSampler(sampler);
}

TTransformation* TTransformer::Transform() const {
  if (transformation_ == nullptr) throw ENestedException("Transformation is nil");
  return transformation_;
}

TColor32 TTransformer::GetSampleInt(std::int32_t x, std::int32_t y) {
  TFixed u, v;
  Transform()->ReverseTransformFixed(Fixed(x), Fixed(y), u, v);
  return Wrapped()->GetSampleFixed(u, v);
}

TColor32 TTransformer::GetSampleFixed(TFixed x, TFixed y) {
  TFixed u, v;
  Transform()->ReverseTransformFixed(x, y, u, v);
  return Wrapped()->GetSampleFixed(u, v);
}

TColor32 TTransformer::GetSampleFloat(TFloat x, TFloat y) {
  TFloat u, v;
  Transform()->ReverseTransformFloat(x, y, u, v);
  return Wrapped()->GetSampleFloat(u, v);
}

void TTransformer::PrepareSampling() {
  TNestedSampler::PrepareSampling();
  if (!Transform()->TransformValid()) transformation_->PrepareTransform();
}

bool TTransformer::HasBounds() { return Transform()->HasTransformedBounds() && TNestedSampler::HasBounds(); }

TRect TTransformer::GetSampleBounds() { return Transform()->GetTransformedBounds(FloatRect(TNestedSampler::GetSampleBounds())); }

// ---------------------------------------------------------------- nearest transformer
TColor32 TNearestTransformer::GetSampleInt(std::int32_t x, std::int32_t y) {
  std::int32_t u, v;
  Transform()->ReverseTransformInt(x, y, u, v);
  return Wrapped()->GetSampleInt(u, v);
}

TColor32 TNearestTransformer::GetSampleFixed(TFixed x, TFixed y) {
  TFixed u, v;
  Transform()->ReverseTransformFixed(x, y, u, v);
  return Wrapped()->GetSampleInt(u >> 16, v >> 16);
}

TColor32 TNearestTransformer::GetSampleFloat(TFloat x, TFloat y) {
  TFloat u, v;
  Transform()->ReverseTransformFloat(x, y, u, v);
  return Wrapped()->GetSampleInt(static_cast<std::int32_t>(std::lrint(u)), static_cast<std::int32_t>(std::lrint(v)));
}

void TNearestTransformer::GetSampleRowInt(std::int32_t x, std::int32_t y, std::int32_t count, TColor32* out) {
  if (count <= 0) return;
  TCustomSampler* wrapped = Wrapped();
  TTransformation* t = Transform();
  auto* nearest = dynamic_cast<TNearestResampler*>(wrapped);
  if (nearest != nullptr && nearest->Bitmap() != nullptr &&
      nearest->PixelAccessMode() == TPixelAccessMode::pamSafe) {
    if (auto* remap = dynamic_cast<TRemapTransformation*>(t)) {
      remap->ReverseTransformRowReadS(x, y, count, *nearest->Bitmap(), out);
      return;
    }
  }
  if (points_.size() < static_cast<std::size_t>(count)) points_.resize(static_cast<std::size_t>(count));
  t->ReverseTransformRowInt(x, y, count, points_.data());
  if (nearest != nullptr) {
    for (std::int32_t i = 0; i < count; ++i) out[i] = nearest->Read(points_[static_cast<std::size_t>(i)].X, points_[static_cast<std::size_t>(i)].Y);
  } else {
    for (std::int32_t i = 0; i < count; ++i)
      out[i] = wrapped->GetSampleInt(points_[static_cast<std::size_t>(i)].X, points_[static_cast<std::size_t>(i)].Y);
  }
}

bool TNearestTransformer::GetSampleBlockInt(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                            TColor32* out) {
  auto* nearest = dynamic_cast<TNearestResampler*>(Wrapped());
  auto* remap = dynamic_cast<TRemapTransformation*>(Transform());
  if (nearest == nullptr || remap == nullptr || nearest->Bitmap() == nullptr ||
      nearest->PixelAccessMode() != TPixelAccessMode::pamSafe)
    return false;
  // Whole rows in order: the map streams and the row read asks ahead for the source rows to come.
  for (std::int32_t r = 0; r < height; ++r)
    remap->ReverseTransformRowReadS(x, y + r, width, *nearest->Bitmap(), out + static_cast<std::ptrdiff_t>(r) * width);
  return true;
}

// ---------------------------------------------------------------- super sampler
TSuperSampler::TSuperSampler(TCustomSampler* sampler) : TNestedSampler(sampler) {
  SetSamplingX(4);
  SetSamplingY(4);
}

void TSuperSampler::SetSamplingX(std::int32_t value) {
  samplingX_ = value > 256 ? 256 : value;
  if (samplingX_ >= 1) {
    stepX_ = Fixed(1.0f / samplingX_);
    offsetX_ = Fixed((1.0f / samplingX_ - 1.0f) / 2.0f);
  }
}

void TSuperSampler::SetSamplingY(std::int32_t value) {
  samplingY_ = value > 256 ? 256 : value;
  if (samplingY_ >= 1) {
    stepY_ = Fixed(1.0f / samplingY_);
    offsetY_ = Fixed((1.0f / samplingY_ - 1.0f) / 2.0f);
  }
}

TColor32 TSuperSampler::GetSampleFixed(TFixed x, TFixed y) {
  TCustomSampler* wrapped = Wrapped();
  if (samplingX_ < 1 || samplingY_ < 1) return 0;
  std::uint32_t sb = 0, sg = 0, sr = 0, sa = 0;
  auto add = [](TFixed a, TFixed b) {
    return static_cast<TFixed>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
  };
  TFixed y0 = add(y, offsetY_);
  const TFixed x0 = add(x, offsetX_);
  for (std::int32_t j = 0; j < samplingY_; ++j) {
    TFixed x1 = x0;
    for (std::int32_t i = 0; i < samplingX_; ++i) {
      const TColor32 c = wrapped->GetSampleFixed(x1, y0);
      sb += c & 0xFF;
      sg += (c >> 8) & 0xFF;
      sr += (c >> 16) & 0xFF;
      sa += c >> 24;
      x1 = add(x1, stepX_);
    }
    y0 = add(y0, stepY_);
  }
  const std::uint32_t n = static_cast<std::uint32_t>(samplingX_) * static_cast<std::uint32_t>(samplingY_);
  const std::uint32_t h = n / 2;
  return ((sa + h) / n) << 24 | ((sr + h) / n) << 16 | ((sg + h) / n) << 8 | ((sb + h) / n);
}

}  // namespace kalvora::raster
