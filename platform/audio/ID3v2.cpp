#include "ID3v2.h"

#include <algorithm>
#include <cstring>

namespace kalvora::audio {

namespace {
// Without leading and trailing blanks and control characters (the zero padding included).
QString trimmed(const QByteArray& b) {
  QString s = QString::fromLatin1(b);
  int from = 0, to = int(s.size());
  while (from < to && s[from].unicode() <= 32) ++from;
  while (to > from && s[to - 1].unicode() <= 32) --to;
  return s.mid(from, to - from);
}

const char* const kFrameIds[7] = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};
}  // namespace

void TID3v2::ResetData() {
  FExists = false;
  FVersionID = 0;
  FSize = 0;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FTrack = 0;
  FYear.clear();
  FGenre.clear();
  FComment.clear();
}

bool TID3v2::ReadFromFile(const QString& fileName) {
  FileSource src(fileName);
  if (!src.isOpen()) {
    ResetData();
    return false;
  }
  return Read(src);
}

bool TID3v2::Read(ByteSource& src) {
  ResetData();
  const qint64 fileSize = src.size();
  uchar h[10];
  if (src.readAt(0, reinterpret_cast<char*>(h), 10) != 10) return false;
  if (memcmp(h, "ID3", 3) != 0) return true;
  FExists = true;
  FVersionID = h[3];
  // The size bytes carry 7 bits each; a set top bit means a damaged header, read as no size.
  if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return true;
  const qint64 size = qint64(h[6]) * 2097152 + qint64(h[7]) * 16384 + qint64(h[8]) * 128 + h[9] + 10;
  FSize = size > fileSize ? 0 : size;
  if (FVersionID != 3 || FSize < 1) return true;

  QByteArray texts[7];
  qint64 pos = 10;
  while (pos + 10 <= FSize) {
    uchar fh[10];
    if (src.readAt(pos, reinterpret_cast<char*>(fh), 10) != 10) break;
    const qint64 frameSize = qint64(fh[4]) << 24 | qint64(fh[5]) << 16 | qint64(fh[6]) << 8 | fh[7];
    const qint64 dataPos = pos + 10;
    // A frame is read only as far as the tag reaches; its first bytes are kept.
    const qint64 n = std::max<qint64>(0, std::min({frameSize, qint64(MaxFrameText), FSize - dataPos}));
    for (int i = 0; i < 7; ++i) {
      if (memcmp(fh, kFrameIds[i], 4) == 0) texts[i] = src.read(dataPos, n);
    }
    if (frameSize > FSize - dataPos) break;
    pos = dataPos + frameSize;
  }
  FTitle = trimmed(texts[0]);
  FArtist = trimmed(texts[1]);
  FAlbum = trimmed(texts[2]);
  const QString track = trimmed(texts[3]);
  const int slash = int(track.indexOf('/'));
  bool ok = false;
  FTrack = (slash >= 0 ? track.left(slash) : track).toInt(&ok);
  if (!ok) FTrack = 0;
  FYear = trimmed(texts[4]);
  const QString genre = trimmed(texts[5]);
  FGenre = genre.mid(genre.lastIndexOf(')') + 1);
  FComment = trimmed(texts[6].mid(4));
  return true;
}

}  // namespace kalvora::audio
