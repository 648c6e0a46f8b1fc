#include "ID3v1.h"

namespace kalvora::audio {

namespace {
// Text of a fixed field without its trailing blanks and control characters.
QString field(const char* p, int n) {
  int len = 0;
  while (len < n && p[len] != '\0') ++len;
  QString s = QString::fromLatin1(p, len);
  while (!s.isEmpty() && s.back().unicode() <= 32) s.chop(1);
  return s;
}

const char* const kGenres[TID3v1::GenreCount] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal",
    "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip",
    "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop",
    "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk",
    "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk",
    "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic", "Bluegrass",
    "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock",
    "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club",
    "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore",
    "Terror", "Indie", "BritPop",
    "Genre 133",  // a neutral name: nothing in the program looks genre names up
    "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover",
    "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Trash Metal", "Anime", "JPop", "Synthpop"};
}  // namespace

QString TID3v1::GenreName(int index) {
  return index >= 0 && index < GenreCount ? QString::fromLatin1(kGenres[index]) : QString();
}

void TID3v1::ResetData() {
  FExists = false;
  FVersionID = 1;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FYear.clear();
  FComment.clear();
  FTrack = 0;
  FGenreID = 255;
}

bool TID3v1::ReadFromFile(const QString& fileName) {
  FileSource src(fileName);
  if (!src.isOpen()) {
    ResetData();
    return false;
  }
  return Read(src);
}

bool TID3v1::Read(ByteSource& src) {
  ResetData();
  const qint64 size = src.size();
  char t[128];
  if (size < 128 || src.readAt(size - 128, t, 128) != 128) return false;
  if (memcmp(t, "TAG", 3) != 0) return true;
  FExists = true;
  const char b125 = t[125], b126 = t[126];
  if (b125 == 0 && b126 != 0)
    FVersionID = 2;
  else if (b125 != ' ' || b126 == ' ')
    FVersionID = 1;
  else
    FVersionID = 2;
  FTitle = field(t + 3, 30);
  FArtist = field(t + 33, 30);
  FAlbum = field(t + 63, 30);
  FYear = field(t + 93, 4);
  if (FVersionID == 2) {
    FComment = field(t + 97, 28);
    FTrack = quint8(b126);
  } else {
    FComment = field(t + 97, 30);
  }
  FGenreID = quint8(t[127]);
  return true;
}

}  // namespace kalvora::audio
