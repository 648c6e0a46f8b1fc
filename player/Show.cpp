#include "Show.h"

#include <FileOps.h>
#include <IniFile.h>
#include <StoredCaption.h>
#include <StringList.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kalvora::player {

namespace {
QString WithSlash(const QString& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}
bool IsPlaceholder(const QString& title) {
  return title.trimmed().toUpper() == QLatin1String("SPECIALDUMMY");
}
}  // namespace

// The main window's rule, so the show plays every picture the slideshow lists.
bool IsSafePictureName(const QString& name) { return IsPlainFileName(name); }

int SecondsFromText(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok || v < 1) return 5;
  return std::min(v, 3600);
}

QStringList AudioTitles(const QString& folderIn) {
  const QString folder = WithSlash(folderIn);
  QStringList names = FindFiles(folder, "*.mp3") + FindFiles(folder, "*.wav");
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  QStringList paths;
  for (const QString& n : names) paths << folder + n;
  return paths;
}

bool ReadShow(const QString& folderIn, Show& show, QString* error) {
  show = Show{};
  show.folder = WithSlash(folderIn);
  IniFile diashow(ResolveNoCase(show.folder + "Diashow.ini"));
  show.title = diashow.readString("DIASHOW", "Titel").trimmed();
  if (IsPlaceholder(show.title)) show.title.clear();
  show.secondsPerPicture = SecondsFromText(diashow.readString("DIASHOW", "Time"));

  StringList lines;
  if (!lines.loadFromFile(ResolveNoCase(show.folder + "Pictures.ini"))) {
    if (error) *error = show.folder + "Pictures.ini";
    return false;
  }
  for (int i = 0; i < lines.count(); ++i) {
    const QString& line = lines[i];
    const PictureListEntry entry = ReadPictureListLine(line);
    const QString& name = entry.name;
    if (name.isEmpty()) {
      if (!line.trimmed().isEmpty()) show.skipped << QString("%1: no name").arg(i + 1);
      continue;
    }
    if (!IsSafePictureName(name)) {
      show.skipped << QString("%1: refused name %2").arg(i + 1).arg(name);
      continue;
    }
    const QString path = ResolveNoCase(show.folder + name);
    const QFileInfo fi(path);
    if (!fi.isFile()) {
      show.skipped << QString("%1: missing %2").arg(i + 1).arg(name);
      continue;
    }
    show.slides.append(Slide{name, path, entry.caption});
  }
  show.audio = AudioTitles(show.folder);
  return true;
}

QString FindNamedShow(const QString& rootIn, const QString& name) {
  if (!IsSafePictureName(name)) return QString();
  const QString root = WithSlash(rootIn);
  const QString folder = ResolveNoCase(root + name);
  if (!QFileInfo(folder).isDir() || !QFileInfo(ResolveNoCase(folder + "/Diashow.ini")).isFile()) return QString();
  return folder;
}

QString FindLastSavedShow(const QString& rootIn) {
  const QString root = WithSlash(rootIn);
  QString best;
  QDateTime bestTime;
  for (const QString& name : FindFiles(root, "*", FindKind::Folders)) {
    const QString ini = ResolveNoCase(root + name + "/Diashow.ini");
    const QFileInfo fi(ini);
    if (!fi.isFile()) continue;
    if (IsPlaceholder(IniFile(ini).readString("DIASHOW", "Titel"))) continue;
    const QDateTime t = fi.lastModified();
    // Ties go to the higher folder name: the newer slideshow.
    if (best.isEmpty() || t > bestTime || (t == bestTime && name > QFileInfo(best).fileName())) {
      best = root + name;
      bestTime = t;
    }
  }
  return best;
}

}  // namespace kalvora::player
