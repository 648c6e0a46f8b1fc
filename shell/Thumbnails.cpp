#include "Thumbnails.h"

#include <QCryptographicHash>
#include <QStringList>

#include "StringHelpers.h"
#include "fMain.h"

QString CacheThumbnailName(const QString& picturePath) {
  const QByteArray sum = QCryptographicHash::hash(picturePath.toUtf8(), QCryptographicHash::Md5).toHex().left(8);
  return TMainForm::MakeDosName(picturePath) + "_" + QString::fromLatin1(sum) + ".jpg";
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
