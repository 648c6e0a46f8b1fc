#pragma once
// Drawing a source rectangle of one bitmap into a destination rectangle of another: block copy,
// nearest, bilinear, separable kernel and draft scaling, each followed by the combine step of the
// drawing mode (opaque, blend or merge with the source's master alpha, callback, transparent).
#include <cstdint>
#include <vector>

#include "Bitmap32.h"

namespace kalvora::raster {

class TCustomResampler;
class TCustomKernel;

struct TPointRec {
  std::int32_t Pos = 0;
  std::int32_t Weight = 0;  // 1/256 units
};
using TCluster = std::vector<TPointRec>;
using TMappingTable = std::vector<TCluster>;

// Raises EBitmapException "Destination bitmap is nil" / "Source bitmap is nil".
void CheckBitmaps(const TBitmap32* dst, const TBitmap32* src);
// False for an empty rectangle; raises ESrcInvalidException "Source rectangle is invalid" when
// it reaches outside the source.
bool CheckSrcRect(const TBitmap32* src, const TRect& srcRect);

void StretchTransfer(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                     TCustomResampler* resampler, TDrawMode combineOp, const TPixelCombineEvent& callback);
// Unscaled copy of srcRect to (dstX, dstY), limited to dstClip and both bitmaps.
void BlockTransfer(TBitmap32* dst, std::int32_t dstX, std::int32_t dstY, TRect dstClip, TBitmap32* src,
                   TRect srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback);
void StretchNearest(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                    TDrawMode combineOp, const TPixelCombineEvent& callback);
void StretchHorzStretchVertLinear(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                                  TDrawMode combineOp, const TPixelCombineEvent& callback);
void Resample(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect, TCustomKernel* kernel,
              TDrawMode combineOp, const TPixelCombineEvent& callback);
void DraftResample(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                   TCustomKernel* kernel, TDrawMode combineOp, const TPixelCombineEvent& callback);
TMappingTable BuildMappingTable(std::int32_t dstLo, std::int32_t dstHi, std::int32_t clipLo, std::int32_t clipHi,
                                std::int32_t srcLo, std::int32_t srcHi, TCustomKernel* kernel);

// The average of a block of pixels (row stride in pixels), each channel rounded to nearest.
using TBlockAverage = TColor32 (*)(std::uint32_t width, std::uint32_t height, const TColor32* src,
                                   std::uint32_t rowStride);
// Bilinear blend: weights in the upper 16 bits of wx and wy (256 = all on the first pixel).
using TInterpolatorProc = TColor32 (*)(std::uint32_t wx, std::uint32_t wy, const TColor32* p1, const TColor32* p2);
extern TBlockAverage BlockAverage;
extern TInterpolatorProc Interpolator;
// The edge convention of all scaling: pixel areas (true) or pixel centres (false).
extern bool FullEdge;

}  // namespace kalvora::raster
