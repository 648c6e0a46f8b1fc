#include "Thumbnails.h"

#include <QCryptographicHash>
#include <QStringList>

#include "StringHelpers.h"
#include "fMain.h"

namespace {
constexpr qsizetype kMaxNameBytes = 255;  // longest file name the file systems take
// Room a slideshow thumbnail leaves for the temporary name beside it when it is made again.
constexpr qsizetype kRoomToReplace = 8;

qsizetype utf8Size(const QString& s) { return s.toUtf8().size(); }

// A name for a text too long to be one: lead, then as many characters of text as fit (its end
// when fromEnd, else its start), "_", a SHA-256 of key and ".jpg", in at most maxBytes bytes.
QString hashedName(const QString& lead, const QString& text, bool fromEnd, const QString& key, qsizetype maxBytes) {
  const QString tail =
      "_" + QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex()) + ".jpg";
  const QList<uint> chars = text.toUcs4();
  QString kept;
  qsizetype bytes = utf8Size(lead) + tail.size();
  for (qsizetype k = 0; k < chars.size(); ++k) {
    const qsizetype i = fromEnd ? chars.size() - 1 - k : k;
    const QString c = QString::fromUcs4(reinterpret_cast<const char32_t*>(&chars[i]), 1);
    const qsizetype n = utf8Size(c);
    if (bytes + n > maxBytes) break;
    if (fromEnd) kept.prepend(c);
    else kept += c;
    bytes += n;
  }
  return lead + kept + tail;
}

// "_THUMB_" + mark + file name; the hashed form where that is too long for a file name.
QString thumbnailName(const QString& mark, const QString& fileName) {
  const QString name = "_THUMB_" + mark + fileName;
  if (utf8Size(name) <= kMaxNameBytes) return name;
  return hashedName("_THUMB_" + mark, fileName, false, fileName, kMaxNameBytes - kRoomToReplace);
}
}  // namespace

QString CacheThumbnailName(const QString& picturePath) {
  const QByteArray sum = QCryptographicHash::hash(picturePath.toUtf8(), QCryptographicHash::Md5).toHex().left(8);
  const QString name = TMainForm::MakeDosName(picturePath) + "_" + QString::fromLatin1(sum) + ".jpg";
  if (utf8Size(name) <= kMaxNameBytes) return name;
  // A deep path: the end of the made name (the picture's own name) and a full hash of the path.
  return hashedName(QString(), TMainForm::MakeDosName(picturePath), true, picturePath, kMaxNameBytes);
}

QString SlideshowThumbnailName(const QString& fileName) { return thumbnailName(QString(), fileName); }

QString NumberedThumbnailName(int n, const QString& fileName) { return thumbnailName(QString::number(n), fileName); }

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
