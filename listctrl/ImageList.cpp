#include "ImageList.h"

namespace kalvora {

int TImageList::Add(const QPixmap& pixmap) {
  if (pixmap.width() != width_ || pixmap.height() != height_)
    images_.push_back(pixmap.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  else
    images_.push_back(pixmap);
  return int(images_.size()) - 1;
}

}  // namespace kalvora
