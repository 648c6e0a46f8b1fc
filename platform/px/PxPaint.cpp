#include "PxPaint.h"

#include <cstring>

namespace px {

namespace {
void ReleaseShared(void* info) { delete static_cast<std::shared_ptr<uint8_t[]>*>(info); }
}  // namespace

QImage ToQImage(const Bitmap& bmp) {
  if (!bmp.allocated()) return QImage();
  QImage img;
  if (bmp.bits == 24 || bmp.bits == 32) {
    auto* keep = new std::shared_ptr<uint8_t[]>(bmp.pixels);
    QImage::Format f = bmp.bits == 24 ? QImage::Format_BGR888
                       : (bmp.flags & kFlagTransparency) ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32;
    img = QImage(bmp.pixels.get(), bmp.width, bmp.height, bmp.stride, f, ReleaseShared, keep);
  } else {
    img = QImage(bmp.width, bmp.height, QImage::Format_Indexed8);
    if (img.isNull()) return img;
    QList<QRgb> table;
    for (size_t i = 0; i < size_t(1) << bmp.bits; ++i) {
      QRgb c = 0xFF000000u | (i < bmp.palette.size() ? bmp.palette[i] : 0u);
      if (int(i) == bmp.transparentIndex) c &= 0x00FFFFFFu;
      table.push_back(c);
    }
    img.setColorTable(table);
    for (int y = 0; y < bmp.height; ++y) {
      uchar* o = img.scanLine(y);
      if (bmp.bits == 8) std::memcpy(o, bmp.scanLine(y), size_t(bmp.width));
      else
        for (int x = 0; x < bmp.width; ++x) o[x] = uchar(GetIndex(bmp, x, y));
    }
  }
  if (bmp.xResolution > 0) img.setDotsPerMeterX(int(DpiToDotsPerMeter(bmp.xResolution)));
  if (bmp.yResolution > 0) img.setDotsPerMeterY(int(DpiToDotsPerMeter(bmp.yResolution)));
  QTransform t;
  switch (bmp.viewPerspective) {
    case 2: return img.mirrored(true, false);
    case 3: return img.mirrored(true, true);
    case 6: return img.mirrored(false, true);
    case 4: return img.transformed(QTransform(0, 1, 1, 0, 0, 0));
    case 5: return img.transformed(t.rotate(90));
    case 7: return img.transformed(QTransform(0, -1, -1, 0, 0, 0));
    case 8: return img.transformed(t.rotate(270));
    default: return img;
  }
}

int FromQImage(const QImage& image, Bitmap& bmp) {
  if (image.isNull()) return kInvalidBitmap;
  bool alpha = image.hasAlphaChannel();
  QImage src = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  Bitmap out;
  int st = CreateBitmap(out, src.width(), src.height(), alpha ? 32 : 24);
  if (st != kOk) return st;
  for (int y = 0; y < src.height(); ++y) std::memcpy(out.scanLine(y), src.constScanLine(y), size_t(out.rowBytes()));
  if (alpha) out.flags |= kFlagTransparency;
  bmp = std::move(out);
  return kOk;
}

int PaintBitmap(QPainter& painter, const Bitmap& bmp, const QRect& src, const QRect& srcClip, const QRect& dst,
                const QRect& clip, bool smooth) {
  if (!bmp.allocated()) return kInvalidBitmap;
  QImage img = ToQImage(bmp);
  if (img.isNull()) return kNoMemory;
  QRect s = src.intersected(srcClip).intersected(img.rect());
  if (s.isEmpty() || dst.isEmpty()) return kOk;
  // Map the clipped source part onto the destination in proportion.
  double sx = double(dst.width()) / src.width(), sy = double(dst.height()) / src.height();
  QRectF d(dst.left() + (s.left() - src.left()) * sx, dst.top() + (s.top() - src.top()) * sy, s.width() * sx,
           s.height() * sy);
  painter.save();
  painter.setClipRect(clip, Qt::IntersectClip);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  painter.drawImage(d, img, QRectF(s));
  painter.restore();
  return kOk;
}

}  // namespace px
