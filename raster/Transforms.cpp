#include "Transforms.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "NestedSamplers.h"
#include "Rasterizers.h"
#include "RemapRows.h"
#include "Resamplers.h"

namespace kalvora::raster {

namespace {

inline std::int32_t RoundToInt(TFloat v) { return static_cast<std::int32_t>(std::lrint(v)); }
inline TFixed WrapSub(TFixed a, TFixed b) {
  return static_cast<TFixed>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace

// ---------------------------------------------------------------- base
void TTransformation::SetSrcRect(const TFloatRect& value) {
  srcRect_ = value;
  Changed();
}

void TTransformation::Changed() {
  transformValid_ = false;
  TNotifiablePersistent::Changed();
}

void TTransformation::PrepareTransform() {}

namespace {

using TFixedPath = void (TTransformation::*)(TFixed, TFixed, TFixed&, TFixed&);
using TFloatPath = void (TTransformation::*)(TFloat, TFloat, TFloat&, TFloat&);

// The default integer paths go through the fixed ones, the fixed paths through the float ones.
void IntViaFixed(TTransformation& t, TFixedPath path, std::int32_t x, std::int32_t y, std::int32_t& outX,
                 std::int32_t& outY) {
  TFixed fx, fy;
  (t.*path)(Fixed(x), Fixed(y), fx, fy);
  outX = FixedRound(fx);
  outY = FixedRound(fy);
}

void FixedViaFloat(TTransformation& t, TFloatPath path, TFixed x, TFixed y, TFixed& outX, TFixed& outY) {
  TFloat fx, fy;
  (t.*path)(x * FixedToFloat, y * FixedToFloat, fx, fy);
  outX = Fixed(fx);
  outY = Fixed(fy);
}

}  // namespace

void TTransformation::ReverseTransformInt(std::int32_t dstX, std::int32_t dstY, std::int32_t& srcX,
                                          std::int32_t& srcY) {
  IntViaFixed(*this, &TTransformation::ReverseTransformFixed, dstX, dstY, srcX, srcY);
}

void TTransformation::ReverseTransformFixed(TFixed dstX, TFixed dstY, TFixed& srcX, TFixed& srcY) {
  FixedViaFloat(*this, &TTransformation::ReverseTransformFloat, dstX, dstY, srcX, srcY);
}

void TTransformation::ReverseTransformFloat(TFloat, TFloat, TFloat&, TFloat&) {
  throw ETransformNotImplemented(std::string("Reverse transformation is not implemented in ") + ClassName() + ".");
}

void TTransformation::TransformInt(std::int32_t srcX, std::int32_t srcY, std::int32_t& dstX, std::int32_t& dstY) {
  IntViaFixed(*this, &TTransformation::TransformFixed, srcX, srcY, dstX, dstY);
}

void TTransformation::TransformFixed(TFixed srcX, TFixed srcY, TFixed& dstX, TFixed& dstY) {
  FixedViaFloat(*this, &TTransformation::TransformFloat, srcX, srcY, dstX, dstY);
}

void TTransformation::TransformFloat(TFloat, TFloat, TFloat&, TFloat&) {
  throw ETransformNotImplemented(std::string("Forward transformation is not implemented in ") + ClassName() + ".");
}

TRect TTransformation::GetTransformedBounds(const TFloatRect& r) {
  return {RoundToInt(r.Left), RoundToInt(r.Top), RoundToInt(r.Right), RoundToInt(r.Bottom)};
}

void TTransformation::ReverseTransformRowInt(std::int32_t dstX, std::int32_t dstY, std::int32_t count, TPoint* out) {
  for (std::int32_t i = 0; i < count; ++i) ReverseTransformInt(dstX + i, dstY, out[i].X, out[i].Y);
}

namespace {

// A point through one of the transformation's own paths, preparing it first when it is not valid.
template <typename Point, typename Coord>
Point Prepared(TTransformation& t, void (TTransformation::*path)(Coord, Coord, Coord&, Coord&), const Point& p) {
  if (!t.TransformValid()) t.PrepareTransform();
  Point r;
  (t.*path)(p.X, p.Y, r.X, r.Y);
  return r;
}

}  // namespace

TPoint TTransformation::ReverseTransform(const TPoint& p) {
  return Prepared(*this, &TTransformation::ReverseTransformInt, p);
}
TFixedPoint TTransformation::ReverseTransform(const TFixedPoint& p) {
  return Prepared(*this, &TTransformation::ReverseTransformFixed, p);
}
TFloatPoint TTransformation::ReverseTransform(const TFloatPoint& p) {
  return Prepared(*this, &TTransformation::ReverseTransformFloat, p);
}
TPoint TTransformation::Transform(const TPoint& p) { return Prepared(*this, &TTransformation::TransformInt, p); }
TFixedPoint TTransformation::Transform(const TFixedPoint& p) {
  return Prepared(*this, &TTransformation::TransformFixed, p);
}
TFloatPoint TTransformation::Transform(const TFloatPoint& p) {
  return Prepared(*this, &TTransformation::TransformFloat, p);
}

// ---------------------------------------------------------------- remap
TRemapTransformation::TRemapTransformation() : ownMap_(std::make_unique<TVectorMap>()), vectorMap_(ownMap_.get()) {
  ownMap_->SetSize(1, 1);
}

TRemapTransformation::~TRemapTransformation() = default;

void TRemapTransformation::Scale(TFloat sx, TFloat sy) {
  scalingFixed_ = {Fixed(sx), Fixed(sy)};
  scalingFloat_ = {sx, sy};
  Changed();
}

void TRemapTransformation::SetMappingRect(const TFloatRect& rect) {
  mappingRect_ = rect;
  Changed();
}

void TRemapTransformation::PrepareTransform() {
  if (IsRectEmpty(srcRect_)) throw ERasterException("SrcRect is empty!");
  if (IsRectEmpty(mappingRect_)) throw ERasterException("MappingRect is empty!");
  const float srcW = srcRect_.Right - srcRect_.Left, srcH = srcRect_.Bottom - srcRect_.Top;
  const float mapW = mappingRect_.Right - mappingRect_.Left, mapH = mappingRect_.Bottom - mappingRect_.Top;
  const std::int32_t cellsX = vectorMap_->Width() - 1, cellsY = vectorMap_->Height() - 1;
  srcTranslationFloat_ = {srcRect_.Left, srcRect_.Top};
  dstTranslationFloat_ = {mappingRect_.Left, mappingRect_.Top};
  // The grid scales cancel in the product; a map one cell wide or high has none, so its
  // destination scale is 1 and the source scale carries the whole ratio.
  auto scales = [](std::int32_t cells, float srcLength, float mapLength, float& srcScale, float& dstScale) {
    if (cells > 0) {
      srcScale = 1.0f / (static_cast<float>(cells) / srcLength);
      dstScale = static_cast<float>(cells) / mapLength;
    } else {
      srcScale = srcLength / mapLength;
      dstScale = 1.0f;
    }
  };
  scales(cellsX, srcW, mapW, srcScaleFloat_.X, dstScaleFloat_.X);
  scales(cellsY, srcH, mapH, srcScaleFloat_.Y, dstScaleFloat_.Y);
  srcTranslationFixed_ = {Fixed(srcTranslationFloat_.X), Fixed(srcTranslationFloat_.Y)};
  srcScaleFixed_ = {Fixed(srcScaleFloat_.X), Fixed(srcScaleFloat_.Y)};
  combinedScalingFloat_ = {dstScaleFloat_.X * scalingFloat_.X, dstScaleFloat_.Y * scalingFloat_.Y};
  combinedScalingFixed_ = {Fixed(combinedScalingFloat_.X), Fixed(combinedScalingFloat_.Y)};
  dstTranslationFixed_ = {Fixed(dstTranslationFloat_.X), Fixed(dstTranslationFloat_.Y)};
  dstScaleFixed_ = {Fixed(dstScaleFloat_.X), Fixed(dstScaleFloat_.Y)};
  axisX_ = {dstTranslationFixed_.X, dstScaleFixed_.X, combinedScalingFixed_.X, srcScaleFixed_.X, srcTranslationFixed_.X};
  axisY_ = {dstTranslationFixed_.Y, dstScaleFixed_.Y, combinedScalingFixed_.Y, srcScaleFixed_.Y, srcTranslationFixed_.Y};
  transformValid_ = true;
}

void TRemapTransformation::ReverseTransformFloat(TFloat dstX, TFloat dstY, TFloat& srcX, TFloat& srcY) {
  const TFloatVector v = vectorMap_->GetFloatVectorX(dstX - offsetFloat_.X, dstY - offsetFloat_.Y);
  srcX = (v.X * combinedScalingFloat_.X + (dstX - dstTranslationFloat_.X) * dstScaleFloat_.X) * srcScaleFloat_.X +
         srcTranslationFloat_.X;
  srcY = (v.Y * combinedScalingFloat_.Y + (dstY - dstTranslationFloat_.Y) * dstScaleFloat_.Y) * srcScaleFloat_.Y +
         srcTranslationFloat_.Y;
}

void TRemapTransformation::ReverseTransformFixed(TFixed dstX, TFixed dstY, TFixed& srcX, TFixed& srcY) {
  const TFixedVector v = vectorMap_->GetFixedVectorX(WrapSub(dstX, offsetFixed_.X), WrapSub(dstY, offsetFixed_.Y));
  srcX = axisX_.At(dstX, v.X);
  srcY = axisY_.At(dstY, v.Y);
}

void TRemapTransformation::ReverseTransformInt(std::int32_t dstX, std::int32_t dstY, std::int32_t& srcX,
                                               std::int32_t& srcY) {
  // The grid vector itself, read through the clipped form: outside the map it is zero.
  const TFixedVector v = vectorMap_->GetFixedVectorS(dstX - offsetInt_.X, dstY - offsetInt_.Y);
  srcX = axisX_.Rounded(Fixed(dstX), v.X);
  srcY = axisY_.Rounded(Fixed(dstY), v.Y);
}

namespace {

// The vectors of map row y, or nullptr outside the map.
const TFixedVector* MapRow(const TVectorMap& map, std::int32_t y) {
  return (y >= 0 && y < map.Height()) ? map.GetVectors() + static_cast<std::ptrdiff_t>(y) * map.Width() : nullptr;
}

}  // namespace

void TRemapTransformation::ReverseTransformRowInt(std::int32_t dstX, std::int32_t dstY, std::int32_t count,
                                                  TPoint* out) {
  // The vertical part of the row is read once; the vectors of the row come straight from the map.
  const TFixedVector* row = MapRow(*vectorMap_, dstY - offsetInt_.Y);
  const std::int32_t mapW = vectorMap_->Width();
  const TFixed fy = Fixed(dstY);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t x = dstX + i;
    const std::int32_t mx = x - offsetInt_.X;
    TFixedVector v{};
    if (row != nullptr && mx >= 0 && mx < mapW) v = row[mx];
    out[i].X = axisX_.Rounded(Fixed(x), v.X);
    out[i].Y = axisY_.Rounded(fy, v.Y);
  }
}

void TRemapTransformation::ReverseTransformRowReadS(std::int32_t dstX, std::int32_t dstY, std::int32_t count,
                                                    const TBitmap32& src, TColor32* out) {
  const TFixedVector* row = MapRow(*vectorMap_, dstY - offsetInt_.Y);
  const std::int32_t mapW = vectorMap_->Width();
  const TFixed fy = Fixed(dstY);
  TRemapSource source;
  source.bits = src.Bits();
  source.stride = src.Width();
  source.clip = src.ClipRect();
  source.outer = src.OuterColor();
  // Points of the row whose vector lies outside the map see the zero vector.
  const std::int32_t first = std::clamp<std::int64_t>(static_cast<std::int64_t>(offsetInt_.X) - dstX, 0, count);
  const std::int32_t last = row == nullptr ? first
                                           : static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                                 static_cast<std::int64_t>(offsetInt_.X) + mapW - dstX, first, count));
  auto read = [&source](std::int32_t sx, std::int32_t sy) {
    const std::uint32_t ux = static_cast<std::uint32_t>(sx) - static_cast<std::uint32_t>(source.clip.Left);
    const std::uint32_t uy = static_cast<std::uint32_t>(sy) - static_cast<std::uint32_t>(source.clip.Top);
    return (ux < static_cast<std::uint32_t>(source.clip.Right - source.clip.Left) &&
            uy < static_cast<std::uint32_t>(source.clip.Bottom - source.clip.Top))
               ? source.bits[sx + sy * source.stride]
               : source.outer;
  };
  auto zeroVector = [&](std::int32_t i) {
    out[i] = read(axisX_.Rounded(Fixed(dstX + i), 0), axisY_.Rounded(fy, 0));
  };
  for (std::int32_t i = 0; i < first; ++i) zeroVector(i);
  if (last > first) {
    const TFixedVector* v = row + (dstX + first - offsetInt_.X);
    const std::int32_t n = last - first;
    // (x - dt) * ds grows by exactly ds per pixel while x * 65536 - dt stays in range
    const std::int64_t lo = static_cast<std::int64_t>(dstX + first) * 65536 - dstTranslationFixed_.X;
    const std::int64_t hi = static_cast<std::int64_t>(dstX + last) * 65536 - dstTranslationFixed_.X;
    const bool stepping = dstX + first >= -32768 && dstX + last <= 32767 && lo >= INT32_MIN && hi <= INT32_MAX;
    if (stepping) {
      TRemapRun run;
      run.xTerm = FixedMul(WrapSub(Fixed(dstX + first), dstTranslationFixed_.X), dstScaleFixed_.X);
      run.ds = dstScaleFixed_.X;
      run.csX = combinedScalingFixed_.X;
      run.ssX = srcScaleFixed_.X;
      run.stX = srcTranslationFixed_.X;
      run.yTerm = FixedMul(WrapSub(fy, dstTranslationFixed_.Y), dstScaleFixed_.Y);
      run.csY = combinedScalingFixed_.Y;
      run.ssY = srcScaleFixed_.Y;
      run.stY = srcTranslationFixed_.Y;
      TRemapReach reach;
      RemapReadRun(v, n, run, source, out + first, reach);
      PrefetchRowsBelow(source, reach, n);
    } else {
      for (std::int32_t i = first; i < last; ++i, ++v) {
        out[i] = read(axisX_.Rounded(Fixed(dstX + i), v->X), axisY_.Rounded(fy, v->Y));
      }
    }
  }
  for (std::int32_t i = last > first ? last : first; i < count; ++i) zeroVector(i);
}

TRect TRemapTransformation::GetTransformedBounds(const TFloatRect&) {
  return {-2147483647, -2147483647, 2147483647, 2147483647};
}

// ---------------------------------------------------------------- Transform
void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation) {
  auto rasterizer = std::make_unique<TRegularRasterizer>();
  Transform(dst, src, transformation, rasterizer.get());
}

void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, const TRect& dstClip) {
  auto rasterizer = std::make_unique<TRegularRasterizer>();
  Transform(dst, src, transformation, dstClip, rasterizer.get());
}

void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, TRasterizer* rasterizer) {
  if (dst == nullptr) throw EBitmapException("Destination bitmap is nil");
  Transform(dst, src, transformation, dst->BoundsRect(), rasterizer);
}

void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, const TRect& dstClip,
               TRasterizer* rasterizer) {
  if (dst == nullptr) throw EBitmapException("Destination bitmap is nil");
  if (src == nullptr) throw EBitmapException("Source bitmap is nil");
  if (transformation == nullptr) throw ENestedException("Transformation is nil");
  if (rasterizer == nullptr) throw ERasterException("Rasterizer is nil");
  TRect dstRect = transformation->GetTransformedBounds();
  // a failed intersection leaves (0, 0, 0, 0), which the test below lets pass as an empty run
  IntersectRect(dstRect, dstRect, dst->ClipRect());
  IntersectRect(dstRect, dstRect, dstClip);
  if (dstRect.Right < dstRect.Left || dstRect.Bottom < dstRect.Top) return;
  if (!dst->MeasuringMode()) {
    TCustomSampler* resampler = src->Resampler();
    const auto* bitmapResampler = dynamic_cast<const TBitmap32Resampler*>(resampler);
    std::unique_ptr<TTransformer> transformer;
    if (bitmapResampler != nullptr && bitmapResampler->TransformerClass() == TTransformerClass::tcNearestTransformer)
      transformer = std::make_unique<TNearestTransformer>(resampler, transformation);
    else
      transformer = std::make_unique<TTransformer>(resampler, transformation);
    TCustomSampler* previous = rasterizer->Sampler();
    struct Reset {
      TRasterizer* r;
      TCustomSampler* previous;
      ~Reset() {
        EMMS();
        r->SetSampler(previous);
      }
    } reset{rasterizer, previous};
    rasterizer->SetSampler(transformer.get());
    rasterizer->Rasterize(dst, dstRect, src);
  }
  dst->Changed(dstRect);
}

void SetBorderTransparent(TBitmap32* bitmap, const TRect& rect) {
  if (bitmap == nullptr) return;
  TRect r;
  IntersectRect(r, rect, bitmap->BoundsRect());
  const TRect& clip = bitmap->ClipRect();
  if (IsRectEmpty(r) || !(r.Left < clip.Right && r.Top < clip.Bottom && r.Right > clip.Left && r.Bottom > clip.Top))
    return;
  --r.Right;
  --r.Bottom;
  for (std::int32_t x = r.Left; x <= r.Right; ++x) {
    *bitmap->PixelPtr(x, r.Top) &= 0x00FFFFFFu;
    *bitmap->PixelPtr(x, r.Bottom) &= 0x00FFFFFFu;
  }
  for (std::int32_t y = r.Top; y <= r.Bottom; ++y) {
    *bitmap->PixelPtr(r.Left, y) &= 0x00FFFFFFu;
    *bitmap->PixelPtr(r.Right, y) &= 0x00FFFFFFu;
  }
  bitmap->Changed();
}

}  // namespace kalvora::raster
