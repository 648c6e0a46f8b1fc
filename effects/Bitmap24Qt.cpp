#include "Bitmap24Qt.h"

#include <cstring>

namespace kalvora {

QImage WrapAsQImage(Bitmap24& bitmap) {
  if (bitmap.isEmpty()) return QImage();
  return QImage(bitmap.bits(), bitmap.width(), bitmap.height(), bitmap.stride(), QImage::Format_BGR888);
}

QImage WrapAsQImage(const Bitmap24& bitmap) {
  if (bitmap.isEmpty()) return QImage();
  return QImage(bitmap.bits(), bitmap.width(), bitmap.height(), bitmap.stride(), QImage::Format_BGR888);
}

QImage ToQImage(const Bitmap24& bitmap) { return WrapAsQImage(bitmap).copy(); }

Bitmap24 FromQImage(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return Bitmap24();
  QImage src = image;
  if (src.format() != QImage::Format_BGR888) {
    // Drop alpha without blending: a straight (non-premultiplied) picture keeps its channels.
    if (src.hasAlphaChannel()) src = src.convertToFormat(QImage::Format_ARGB32);
    src = src.convertToFormat(QImage::Format_BGR888);
  }
  Bitmap24 out(src.width(), src.height());
  const std::size_t rowBytes = std::size_t(out.width()) * 3;
  if (std::size_t(src.bytesPerLine()) == std::size_t(out.stride())) {
    std::memcpy(out.bits(), src.constBits(), out.byteCount());
    // Qt leaves its own row padding undefined; ours is zero.
    if (rowBytes != std::size_t(out.stride()))
      for (int y = 0; y < out.height(); ++y)
        std::memset(out.scanLine(y) + rowBytes, 0, std::size_t(out.stride()) - rowBytes);
  } else {
    for (int y = 0; y < out.height(); ++y) std::memcpy(out.scanLine(y), src.constScanLine(y), rowBytes);
  }
  return out;
}

}  // namespace kalvora
