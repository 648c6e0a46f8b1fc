#pragma once
// TBitmap: one frame picture handed to the AVI writer. It holds its pixels in memory
// (Assign) or only names its file (LoadFromFile reads the header at once and the pixels
// when the writer needs them), so a slideshow of a thousand SVCD frames never sits in memory
// as a whole.
#include <QImage>
#include <QObject>
#include <QString>
#include <stdexcept>

// The class library's error for a picture file it cannot read.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBitmap : public QObject {
  Q_OBJECT
 public:
  enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

  explicit TBitmap(QObject* parent = nullptr);

  // Pixels held in memory; the pixel format follows the image's format.
  void Assign(const QImage& image);
  // Names a picture file: its header is read now (EInvalidGraphic when the file is missing or
  // not a picture), its pixels when Image() is asked for.
  void LoadFromFile(const QString& fileName);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  TPixelFormat PixelFormat() const { return format_; }
  // The file named by LoadFromFile (empty for pixels held in memory).
  QString FileName() const { return fileName_; }

  // The picture; a file is read now (null image when it cannot be read any more).
  QImage Image() const;
  // For a 24-bit uncompressed bottom-up BMP file: where its rows start, else -1. Such a file
  // already holds the bytes of an AVI frame.
  qint64 RawDibOffset() const { return rawOffset_; }

 private:
  QImage image_;
  QString fileName_;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pfDevice;
  qint64 rawOffset_ = -1;
};
