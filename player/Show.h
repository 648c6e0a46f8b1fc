#pragma once
// A slideshow folder as the main program saves it: Diashow.ini ([DIASHOW] Titel, Time) and
// Pictures.ini (one picture per line: file name, optionally " | " and the caption).
#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora::player {

struct Slide {
  QString name;     // as the file is named (Pictures.ini, platform/StoredCaption.h)
  QString path;     // the file on disk (looked up without case when needed)
  QString caption;  // decoded text
};

struct Show {
  QString folder;  // with a trailing '/'
  QString title;
  int secondsPerPicture = 5;
  QList<Slide> slides;
  QStringList audio;  // the music, in playing order
  // Lines that named no usable picture, and why; for the log.
  QStringList skipped;
};

// A picture name from a stored list may only name a file in the slideshow folder itself.
bool IsSafePictureName(const QString& name);

// Reads the show in folder. Lines whose picture is missing, unsafe or empty are skipped;
// false (with a reason in *error) when the folder has no Pictures.ini.
bool ReadShow(const QString& folder, Show& show, QString* error = nullptr);

// The slideshow saved last under the archive root: the folder whose Diashow.ini was written
// most recently (the main program writes it with every save, right before it starts us).
// Placeholder folders (title "SPECIALDUMMY") do not count. Empty when there is none.
QString FindLastSavedShow(const QString& root);

// The slideshow folder root + name when name is a plain folder name under the root that holds
// a Diashow.ini; empty otherwise.
QString FindNamedShow(const QString& root, const QString& name);

// The music of a slideshow folder: its MP3 and WAVE files sorted by name, which the main
// program keeps in list order as Audio001.mp3, Audio002.wav, ...
QStringList AudioTitles(const QString& folder);

// Seconds per picture from a Diashow.ini Time text: 1..3600, 5 when unusable.
int SecondsFromText(const QString& text);

}  // namespace kalvora::player
