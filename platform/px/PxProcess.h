#pragma once
// px processing: geometry, filters, colour, fill and combine on px bitmaps.
//
// What each numeric argument means is ours to decide; these are the definitions:
// - SizeBitmap flags: 0 nearest neighbour (crops and exact pixel copies, keeps the depth),
//   2 area average when shrinking and bilinear when growing (resize dialog, production),
//   4 bicubic (Catmull-Rom) with the kernel widened by the shrink factor, the smoothest
//   (reports and gallery pictures). Any other value is treated as 2. Palette pictures become
//   24 bits except with flags 0.
// - RotateBitmap angle in hundredths of a degree, positive turns clockwise (9000 is a quarter
//   turn to the right, 27000 to the left). flags bit 1: the bitmap grows to hold the whole
//   turned picture; without it the size stays and the corners are cut. Quarter turns are exact
//   pixel moves; other angles sample bilinearly (nearest neighbour for palette pictures) and
//   fill the uncovered corners with fillColor.
// - SharpenBitmap amount 0..1000: unsharp mask over the 3x3 neighbourhood with strength
//   amount / 500 (850 gives 1.7); 0 changes nothing. The mean brightness is kept.
// - GaussianFilterBitmap radius 0..200 in tenths of a pixel: the standard deviation of the
//   blur is radius / 10 pixels; 0 changes nothing. Up to 3 pixels an exact separable kernel,
//   above that three box passes, which come within a few percent of the true Gaussian.
// - BalanceColors: out.R = r*red[0] + g*red[1] + b*red[2], likewise green and blue; each a
//   record of three factors. Palette pictures change their palette.
// - GrayScaleBitmap bits: 8 (256 grey palette), 4 (16 greys), 1 (threshold), 24 or 32 (equal
//   channels in the same layout). Luminance is (299 R + 587 G + 114 B) / 1000, rounded.
// - RemoveRedeyeBitmap(newColor, threshold, lightness): a pixel inside the region (the whole
//   picture without one) is red-eye when R - max(G, B) > threshold (0..255); it becomes
//   newColor scaled by the pixel's own brightness (R+G+B)/3 and by lightness / 50, so the
//   pupil keeps its shading; lightness 0..200.
// - CombineBitmap operation 800: plain copy of the source rectangle over the destination
//   (clipped to both bitmaps); other operations are refused with kNotSupported.
// - Colours are $00RRGGBB. A region (QRegion in stored bitmap pixels) limits Fill and red-eye
//   removal; nullptr or an empty pointer means the whole picture.
// Filters on palette pictures (sharpen, Gaussian, red-eye) turn them into 24 bits.
// Large pictures are processed by several threads (rows split between them); the result does
// not depend on the number of threads.
#include <QRegion>
#include <functional>

#include "PxBitmap.h"

namespace px {

// Runs fn(first, end) over [0, count) split into pieces on up to hardware-concurrency threads
// (one piece when the work is small).
void ParallelRows(int count, const std::function<void(int, int)>& fn, int64_t workPerRow = 1 << 16);
// On a thread that is itself one of a pool of workers the rows run on that thread alone.
bool SetSerialRows(bool serial);  // answers the former setting

int SizeBitmap(Bitmap& bmp, int width, int height, int flags);
int RotateBitmap(Bitmap& bmp, int angle, int flags, uint32_t fillColor);
// Turns the view perspective instead of the pixels (multiples of 9000 only, else kInvalidParam).
int RotateBitmapViewPerspective(Bitmap& bmp, int angle);
int FlipBitmap(Bitmap& bmp);     // top and bottom exchanged (as shown)
int ReverseBitmap(Bitmap& bmp);  // left and right exchanged (as shown)
int GrayScaleBitmap(Bitmap& bmp, int bits);
int SharpenBitmap(Bitmap& bmp, int amount);
int GaussianFilterBitmap(Bitmap& bmp, int radius);
int BalanceColors(Bitmap& bmp, const double red[3], const double green[3], const double blue[3]);
int RemoveRedeyeBitmap(Bitmap& bmp, uint32_t newColor, int threshold, int lightness, const QRegion* region = nullptr);
int FillBitmap(Bitmap& bmp, uint32_t color, const QRegion* region = nullptr);
int CombineBitmap(Bitmap& dst, int left, int top, int width, int height, const Bitmap& src, int srcLeft,
                  int srcTop, int operation);
// A new bitmap with the pixels of a rectangle of src (clipped to src; same depth and palette).
int CopyBitmapRect(const Bitmap& src, Bitmap& dst, int left, int top, int width, int height);

}  // namespace px
