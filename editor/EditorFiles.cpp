#include "EditorFiles.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

#include "FileOps.h"
#include "PxFile.h"
#include "SaveFailure.h"

namespace editor {
namespace {

QString writeError(const QString& path, kalvora::WriteFailure why) {
  return QString::fromUtf8("Die Datei „%1“ konnte nicht geschrieben werden (%2).")
      .arg(path, shellwin::WriteFailureReason(why));
}

}  // namespace

QString SnapshotName(int n) { return QStringLiteral("UNDO_") + QString::number(n) + QStringLiteral(".jpg"); }

int EncodePicture(const px::Bitmap& bmp, int format, int bits, int qfactor, QByteArray& out) {
  std::vector<uint8_t> bytes;
  const int status = px::SaveBitmapMemory(bytes, bmp, format, bits, qfactor);
  if (status != 1) return status;
  out = QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  return 1;
}

bool WriteFileAtomic(const QString& path, const QByteArray& bytes, QString* error) {
  kalvora::WriteFailure why = kalvora::WriteFailure::None;
  if (kalvora::WriteFileAtomic(path, bytes, &why)) return true;
  if (error) *error = writeError(path, why);
  return false;
}

bool CopyFileAtomic(const QString& source, const QString& target, QString* error) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    if (error) *error = QString::fromUtf8("Die Datei „%1“ fehlt oder kann nicht gelesen werden.").arg(source);
    return false;
  }
  const QByteArray bytes = in.readAll();
  if (in.error() != QFileDevice::NoError) {
    if (error) *error = QString::fromUtf8("Die Datei „%1“ kann nicht gelesen werden.").arg(source);
    return false;
  }
  return WriteFileAtomic(target, bytes, error);
}

SaveFormat SaveBackFormat(const QString& path, int loadedFormat, int bitmapBits) {
  const QString ext = QFileInfo(path).suffix().toLower();
  // Lossless formats keep the picture's own depth (grey, palette, alpha) when they can hold it.
  const int own = (bitmapBits == 1 || bitmapBits == 4 || bitmapBits == 8 || bitmapBits == 24 || bitmapBits == 32)
                      ? bitmapBits : 24;
  auto jpeg = [] { return SaveFormat{px::kFormatJpeg422, 24, 2}; };
  if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif") return jpeg();
  if (ext == "png") return SaveFormat{px::kFormatPng, own, 0};
  if (ext == "bmp" || ext == "dib") return SaveFormat{px::kFormatBmp, own, 0};
  if (ext == "tif" || ext == "tiff")
    return SaveFormat{loadedFormat == px::kFormatTiffLzw ? px::kFormatTiffLzw : px::kFormatTiff, own, 0};
  // A GIF holds at most 256 colours: the edited picture is reduced to a palette of its own.
  if (ext == "gif") return SaveFormat{px::kFormatGif, own <= 8 ? own : 24, 0};
  switch (loadedFormat) {
    case px::kFormatPng: return SaveFormat{px::kFormatPng, own, 0};
    case px::kFormatBmp: return SaveFormat{px::kFormatBmp, own, 0};
    case px::kFormatTiff:
    case px::kFormatTiffLzw: return SaveFormat{loadedFormat, own, 0};
    case px::kFormatGif: return SaveFormat{px::kFormatGif, own <= 8 ? own : 24, 0};
    default: return jpeg();
  }
}

}  // namespace editor
