#pragma once
// Generated test pictures in the formats the source folder reads.
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include "PxBitmap.h"
#include "PxFile.h"
#include "PxPaint.h"

namespace shelltest {

// A picture with a colour gradient and a diagonal bar, so every side looks different.
inline QImage makeImage(int w, int h, int seed = 0) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    uchar* line = img.scanLine(y);
    for (int x = 0; x < w; ++x) {
      line[3 * x] = uchar((x * 255) / std::max(1, w - 1));
      line[3 * x + 1] = uchar((y * 255) / std::max(1, h - 1));
      line[3 * x + 2] = uchar((seed * 40) & 255);
    }
  }
  QPainter p(&img);
  p.setPen(QPen(Qt::white, std::max(1, std::min(w, h) / 20)));
  p.drawLine(0, 0, w / 2, h);
  return img;
}

// Format numbers of px: 23 JPEG, 6 BMP, 2 GIF, 3 TIFF.
inline bool writePicture(const QString& path, int w, int h, int format, int seed = 0) {
  px::Bitmap bmp;
  QImage img = makeImage(w, h, seed);
  if (format == px::kFormatGif) {
    // A palette picture: 8 bits with a grey ramp.
    if (px::CreateBitmap(bmp, w, h, 8) != 1) return false;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bmp.scanLine(y)[x] = uchar(qGray(img.pixel(x, y)));
  } else if (px::FromQImage(img, bmp) != 1) {
    return false;
  }
  return px::SaveBitmap(path.toStdString(), bmp, format, format == px::kFormatGif ? 8 : 24, 2) == 1;
}

// The size as Qt's own reader sees it, not the picture library the program writes with.
inline QSize pictureSize(const QString& path) { return QImageReader(path).size(); }

}  // namespace shelltest
