#include "FrameBitmap.h"

#include <QFile>
#include <QImageReader>

namespace {

uint32_t le32(const uchar* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uchar* p) { return uint16_t(p[0] | p[1] << 8); }

TBitmap::TPixelFormat FormatOfImage(const QImage& img) {
  switch (img.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return TBitmap::pf1bit;
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8: return TBitmap::pf8bit;
    case QImage::Format_RGB555: return TBitmap::pf15bit;
    case QImage::Format_RGB16: return TBitmap::pf16bit;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888: return TBitmap::pf24bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return TBitmap::pf32bit;
    case QImage::Format_Invalid: return TBitmap::pfDevice;
    default: return TBitmap::pfCustom;
  }
}

}  // namespace

TBitmap::TBitmap(QObject* parent) : QObject(parent) {}

void TBitmap::Assign(const QImage& image) {
  image_ = image;
  fileName_.clear();
  rawOffset_ = -1;
  width_ = image.width();
  height_ = image.height();
  format_ = FormatOfImage(image);
}

void TBitmap::LoadFromFile(const QString& fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) throw EInvalidGraphic("Cannot open file " + fileName.toStdString());
  const QByteArray head = f.read(54);
  image_ = QImage();
  rawOffset_ = -1;
  if (head.size() >= 54 && head.startsWith("BM")) {
    // The header says all the writer needs; the rows stay in the file.
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const uint32_t offBits = le32(h + 10), infoSize = le32(h + 14);
    const int32_t w = int32_t(le32(h + 18)), hgt = int32_t(le32(h + 22));
    const uint16_t bits = le16(h + 28);
    const uint32_t compression = le32(h + 30);
    if (infoSize < 40 || w <= 0 || hgt == 0 || w > 65535 || hgt > 65535 || hgt < -65535)
      throw EInvalidGraphic("Bitmap image is not valid");
    width_ = w;
    height_ = hgt < 0 ? -hgt : hgt;
    switch (bits) {
      case 1: format_ = pf1bit; break;
      case 4: format_ = pf4bit; break;
      case 8: format_ = pf8bit; break;
      case 16: {
        // 5-5-5 unless the bit fields say 5-6-5.
        format_ = pf15bit;
        if (compression == 3 && infoSize >= 40) {
          f.seek(14 + 40);
          const QByteArray m = f.read(4);
          if (m.size() == 4 && le32(reinterpret_cast<const uchar*>(m.constData())) == 0xF800) format_ = pf16bit;
        }
        break;
      }
      case 24: format_ = pf24bit; break;
      case 32: format_ = pf32bit; break;
      default: throw EInvalidGraphic("Bitmap image is not valid");
    }
    const qint64 rowBytes = (qint64(width_) * 24 + 31) / 32 * 4;
    if (bits == 24 && compression == 0 && hgt > 0 && qint64(offBits) + rowBytes * height_ <= f.size())
      rawOffset_ = offBits;
  } else {
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (!reader.canRead() || size.isEmpty()) throw EInvalidGraphic("Bitmap image is not valid");
    width_ = size.width();
    height_ = size.height();
    format_ = reader.imageFormat() == QImage::Format_Invalid ? pf24bit : FormatOfImage(QImage(1, 1, reader.imageFormat()));
  }
  fileName_ = fileName;
}

QImage TBitmap::Image() const {
  if (fileName_.isEmpty()) return image_;
  QImage img(fileName_);
  if (img.size() != QSize(width_, height_)) return QImage();
  return img;
}
