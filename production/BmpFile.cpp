#include "BmpFile.h"

#include <QFile>
#include <cstring>

#include "FileOps.h"

bool SaveBmp24(const QImage& image, const QString& path) {
  if (image.isNull()) return false;
  const QImage img = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
  const int w = img.width(), h = img.height();
  const qint64 rowBytes = (qint64(w) * 24 + 31) / 32 * 4;
  const qint64 imageBytes = rowBytes * h;
  if (54 + imageBytes > qint64(UINT32_MAX)) return false;
  QByteArray out(qsizetype(54 + imageBytes), '\0');
  auto* p = reinterpret_cast<uchar*>(out.data());
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = uchar(v >> (8 * i));
  };
  p[0] = 'B';
  p[1] = 'M';
  put32(2, uint32_t(54 + imageBytes));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  p[26] = 1;
  p[28] = 24;
  put32(34, uint32_t(imageBytes));
  put32(38, 3780);  // 96 dpi
  put32(42, 3780);
  for (int y = 0; y < h; ++y) std::memcpy(p + 54 + (h - 1 - y) * rowBytes, img.constScanLine(y), size_t(w) * 3);
  return kalvora::WriteFileAtomic(path, out);
}
