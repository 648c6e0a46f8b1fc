#include "Thumbnails.h"

#include <QCryptographicHash>
#include <QStringList>

#include "StringHelpers.h"
#include "fMain.h"

QString CacheThumbnailName(const QString& picturePath) {
  const QByteArray sum = QCryptographicHash::hash(picturePath.toUtf8(), QCryptographicHash::Md5).toHex().left(8);
  const QString name = TMainForm::MakeDosName(picturePath) + "_" + QString::fromLatin1(sum) + ".jpg";
  constexpr qsizetype kMaxNameBytes = 255;  // longest file name the file systems take
  if (name.toUtf8().size() <= kMaxNameBytes) return name;
  // A deep path: the end of the made name (the picture's own name) and a full hash of the path.
  const QString tail = "_" + QString::fromLatin1(
      QCryptographicHash::hash(picturePath.toUtf8(), QCryptographicHash::Sha256).toHex()) + ".jpg";
  const QList<uint> chars = TMainForm::MakeDosName(picturePath).toUcs4();
  QString head;
  qsizetype bytes = tail.size();
  for (qsizetype i = chars.size() - 1; i >= 0; --i) {
    const QString c = QString::fromUcs4(reinterpret_cast<const char32_t*>(&chars[i]), 1);
    const qsizetype n = c.toUtf8().size();
    if (bytes + n > kMaxNameBytes) break;
    head.prepend(c);
    bytes += n;
  }
  return head + tail;
}

QString SlideshowThumbnailName(const QString& fileName) { return "_THUMB_" + fileName; }

QString NumberedThumbnailName(int n, const QString& fileName) {
  return "_THUMB_" + QString::number(n) + fileName;
}

QString ThumbnailPictureName(const QString& thumbnailName, bool* oldNumbered) {
  if (oldNumbered) *oldNumbered = false;
  if (!thumbnailName.startsWith("_THUMB", Qt::CaseInsensitive)) return QString();
  const QString rest = thumbnailName.mid(6);
  if (rest.startsWith('_')) return rest.mid(1);
  qsizetype i = 0;
  while (i < rest.size() && rest[i].isDigit() && rest[i].unicode() < 128) ++i;
  if (i == 0 || i >= rest.size() || rest[i] != '_') return QString();
  if (oldNumbered) *oldNumbered = true;
  return rest.mid(i + 1);
}

namespace {
struct Conversion {
  const char* test;
  const char* suffix;
};
constexpr Conversion kConversions[] = {
    {".TIF", "_tiff.jpg"}, {".GIF", "_gif.jpg"}, {".JPEG", "_jpeg.jpg"}, {".BMP", "_bmp.jpg"},
    // PNG pictures are common today; they are read like the other formats, not left out unseen.
    {".PNG", "_png.jpg"}};
}  // namespace

QStringList ConvertedCopyNames(const QString& fileName) {
  QStringList out;
  const QString upper = fileName.toUpper();
  for (const Conversion& c : kConversions)
    if (upper.contains(QLatin1String(c.test))) out << FileBaseName(fileName) + QLatin1String(c.suffix);
  return out;
}

bool IsSourcePictureName(const QString& fileName) {
  if (fileName.isEmpty() || fileName.startsWith('.')) return false;
  return fileName.toUpper().contains(QLatin1String(".JPG")) || !ConvertedCopyNames(fileName).isEmpty();
}

bool IsConvertedCopyName(const QString& fileName) {
  const QString upper = fileName.toUpper();
  for (const char* s : {"_TIFF.JPG", "_GIF.JPG", "_JPEG.JPG", "_BMP.JPG", "_PNG.JPG"})
    if (upper.contains(QLatin1String(s))) return true;
  return false;
}

QString SlideshowPictureName(const QString& fileName) {
  QString name = fileName;
  for (QChar& c : name)
    if (c == '|' || c == '\n' || c == '\r') c = '_';
  if (name.startsWith("_THUMB", Qt::CaseInsensitive)) name.prepend('P');
  return name;
}
