#pragma once
// The ID3v2 tag at the start of an MP3 file: its size (where the audio begins) and, for
// version 2.3, the title, artist, album, track, year, genre and comment frames.
#include <QString>

#include "ByteSource.h"

namespace kalvora::audio {

class TID3v2 {
 public:
  TID3v2() { ResetData(); }
  void ResetData();
  // True when the file could be read, whether or not it has a tag.
  bool ReadFromFile(const QString& fileName);
  bool Read(ByteSource& source);

  bool Exists() const { return FExists; }
  quint8 VersionID() const { return FVersionID; }
  // The whole tag with its 10-byte header; 0 when absent or not inside the file.
  qint64 Size() const { return FSize; }
  QString Title() const { return FTitle; }
  QString Artist() const { return FArtist; }
  QString Album() const { return FAlbum; }
  int Track() const { return FTrack; }
  QString Year() const { return FYear; }
  QString Genre() const { return FGenre; }
  QString Comment() const { return FComment; }

  // Bytes of a frame's text that are kept.
  static constexpr int MaxFrameText = 250;

 private:
  bool FExists = false;
  quint8 FVersionID = 0;
  qint64 FSize = 0;
  QString FTitle, FArtist, FAlbum;
  int FTrack = 0;
  QString FYear, FGenre, FComment;
};

}  // namespace kalvora::audio
