#pragma once
// The bridge between Bitmap24 and QImage. Kept apart from Bitmap24.h so the filters stay Qt-free.
#include <QImage>

#include "Bitmap24.h"

namespace kalvora {

// A QImage of Format_BGR888 over the bitmap's own bytes: no copy. It is valid only while the
// bitmap lives and keeps its size; painting into it changes the bitmap. Null for an empty bitmap.
QImage WrapAsQImage(Bitmap24& bitmap);
// A read-only view of the same kind (QImage's const-buffer constructor: the first write detaches).
QImage WrapAsQImage(const Bitmap24& bitmap);
// A deep copy as an independent QImage of Format_BGR888.
QImage ToQImage(const Bitmap24& bitmap);

// Any QImage, of any depth (1-bit, 8-bit indexed, 16-bit, 32-bit with or without alpha ...),
// as a 24-bit bitmap. Alpha is dropped: colour channels are taken as they are, like a plain
// copy of the pixels (a premultiplied picture is first unpremultiplied by Qt). A null image
// gives an empty bitmap.
Bitmap24 FromQImage(const QImage& image);

}  // namespace kalvora
