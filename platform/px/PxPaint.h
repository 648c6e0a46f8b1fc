#pragma once
// px display: turns px bitmaps into Qt images and paints them. The paint-effect layer builds
// on PaintBitmap (effect code 1000 is this plain paint).
#include <QImage>
#include <QPainter>
#include <QRect>

#include "PxBitmap.h"

namespace px {

// A QImage of the bitmap as shown (view perspective applied). 24-bit pictures share the pixel
// memory while the bitmap's view perspective is 0 (the QImage keeps the memory alive); other
// depths and perspectives are converted. Returns a null image for an empty bitmap.
QImage ToQImage(const Bitmap& bmp);
// A 24- or 32-bit bitmap with the pixels of a QImage (32 bits when it has alpha).
int FromQImage(const QImage& image, Bitmap& bmp);

// Paints the part `src` (view coordinates of the bitmap; `srcClip` limits it further) into
// `dst` (device coordinates), clipped to `clip`. Returns kOk, or kInvalidBitmap when empty.
// `smooth` picks bilinear scaling instead of nearest neighbour.
int PaintBitmap(QPainter& painter, const Bitmap& bmp, const QRect& src, const QRect& srcClip, const QRect& dst,
                const QRect& clip, bool smooth = true);

}  // namespace px
