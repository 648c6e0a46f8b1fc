#pragma once
// Argument checks shared by the filters of TFxPaintFX.
#include "Bitmap24.h"

namespace kalvora::fx {

inline bool Usable(const Bitmap24* b) { return b && !b->isEmpty(); }

// Source and destination of a two-bitmap filter: both present, source not empty; a separate
// destination of another size first takes the source's size.
inline bool PrepareTarget(Bitmap24* source, Bitmap24* dest) {
  if (!Usable(source) || !dest) return false;
  if (dest != source && (dest->width() != source->width() || dest->height() != source->height()))
    dest->setSize(source->width(), source->height());
  return true;
}

}  // namespace kalvora::fx
