#pragma once
// The ID3v1 tag in the last 128 bytes of an MP3 file (versions 1.0 and 1.1).
#include <QString>

#include "ByteSource.h"

namespace kalvora::audio {

class TID3v1 {
 public:
  TID3v1() { ResetData(); }
  void ResetData();
  // True when the file could be read, whether or not it has a tag.
  bool ReadFromFile(const QString& fileName);
  bool Read(ByteSource& source);

  bool Exists() const { return FExists; }
  quint8 VersionID() const { return FVersionID; }  // 1: ID3v1.0, 2: ID3v1.1
  QString Title() const { return FTitle; }
  QString Artist() const { return FArtist; }
  QString Album() const { return FAlbum; }
  QString Year() const { return FYear; }
  QString Comment() const { return FComment; }
  quint8 Track() const { return FTrack; }
  quint8 GenreID() const { return FGenreID; }  // 255: unknown
  // The name of a genre index; empty past the table.
  static QString GenreName(int index);
  static constexpr int GenreCount = 148;

 private:
  bool FExists = false;
  quint8 FVersionID = 1;
  QString FTitle, FArtist, FAlbum, FYear, FComment;
  quint8 FTrack = 0;
  quint8 FGenreID = 255;
};

}  // namespace kalvora::audio
