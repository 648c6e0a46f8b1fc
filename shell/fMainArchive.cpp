// Slideshow folders under the archive root: naming, opening into the slideshow list, writing
// the picture list back, removing a picture, saving and starting the player, the archive list,
// and the thumbnails of a slideshow folder.
#include <QApplication>
#include <algorithm>
#include <cmath>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "BusyCursor.h"
#include "DecodeAhead.h"
#include "FileOps.h"
#include "ImagingHooks.h"
#include "RunningRead.h"
#include "IniFile.h"
#include "Language.h"
#include "ListItems.h"
#include "Process.h"
#include "Prompter.h"
#include "ShellConstants.h"
#include "SlideshowEntries.h"
#include "StringHelpers.h"
#include "StringList.h"
#include "Thumbnails.h"
#include "fMain.h"

namespace {
void inform(int id) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), GetLanguageText(id), kalvora::mbOk);
}

// A text of the language file (fallback when it has none) with more text behind it.
void inform(int id, const char* fallback, const QString& more) {
  const QString text = GetLanguageText(id);
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(),
                                     (text.isEmpty() ? QString::fromUtf8(fallback) : text) + more, kalvora::mbOk);
}

void reportNotSaved(const QString& file) {
  inform(10352, "Die Diashow konnte nicht gespeichert werden, die bisherige Datei bleibt unverändert:", "\n" + file);
}

// Name (without case) and caption of each stored line, as opening the slideshow reads them;
// blank lines do not count.
QList<QPair<QString, QString>> storedEntries(const QStringList& lines) {
  QList<QPair<QString, QString>> out;
  for (const QString& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    const kalvora::PictureListEntry entry = ReadPictureListLine(line);
    out.append({entry.name.toLower(), entry.caption});
  }
  return out;
}

// A line of a slideshow's picture list as opening it reads the line: what it names and whether
// that picture is there.
struct PictureLine {
  enum class Kind { Blank, Refused, Missing, Present };
  QString line;
  QString name;  // as the file is named
  QString caption;
  // Present lines only: the file it names, its name as it lies there, and its thumbnail.
  QString picture, stored, thumbnail;
  Kind kind = Kind::Blank;
};

QList<PictureLine> readPictureLines(const kalvora::StringList& lines, const QString& folder) {
  QList<PictureLine> out;
  out.reserve(lines.count());
  for (int i = 0; i < lines.count(); ++i) {
    PictureLine entry;
    entry.line = lines[i];
    const kalvora::PictureListEntry stored = ReadPictureListLine(entry.line);
    entry.name = stored.name;
    entry.caption = stored.caption;
    if (!IsPlainFileName(entry.name)) {
      // A name that reaches outside the folder is never opened.
      entry.kind = entry.line.trimmed().isEmpty() ? PictureLine::Kind::Blank : PictureLine::Kind::Refused;
    } else {
      entry.picture = kalvora::ResolveNoCase(folder + entry.name);
      if (QFileInfo(entry.picture).isFile()) {
        entry.kind = PictureLine::Kind::Present;
        entry.stored = FileNamePart(entry.picture);
        entry.thumbnail = folder + SlideshowThumbnailName(entry.stored);
      } else {
        entry.kind = PictureLine::Kind::Missing;
        entry.picture.clear();
      }
    }
    out.append(entry);
  }
  return out;
}

// Windows' rounding: a half goes to the even neighbour.
int roundEven(double v) { return int(std::nearbyint(v)); }
}  // namespace

QString TMainForm::NewArchiveFolder() {
  int candidate = 1;
  int last = 0;
  for (const QString& name : kalvora::FindFiles(FArchiveRoot, "*.*", kalvora::FindKind::Folders)) {
    if (name.contains('.')) continue;
    if (name.contains('_')) {
      bool ok = false;
      const int n = ExtractWordN(2, name, "_").toInt(&ok);
      if (ok) last = n;
    }
    if (last >= candidate) candidate = last;
  }
  return ArchiveFolderName(candidate + 1);
}

void TMainForm::OpenArchive(const QString& folder) {
  RunningRead read(this);
  FreeDiashowListBox();
  CreateDiashowListBox();
  // No picture is selected in the fresh list: no caption to edit, nothing to turn.
  TextEdit->clear();
  DisablePictureTools();
  DeleteOrphanThumbs();
  const QString path = FArchiveRoot + folder + "/";
  const QString diashowIni = kalvora::ResolveNoCase(path + "Diashow.ini");
  if (QFileInfo(diashowIni).isFile()) {
    const kalvora::IniFile ini(diashowIni);
    QString title = TrimBlanks(ini.readString("DIASHOW", "Titel"));
    const bool special = title.toUpper() == "SPECIALDUMMY";
    if (special) title.clear();
    FDiashowTitle = title;
    setWindowTitle(ProductName(CurrentLanguage()) + " - Archiv: " + title);
    TitleEdit->setText(title);
    FSecondsPerPicture = ini.readString("DIASHOW", "Time");
    SecEdit->setText(FSecondsPerPicture);
    DiashowListBox->Clear();
    FKeptPictureLines.clear();
    QStringList missing;
    // Keys of the items shown so far, nearest first: where a kept line goes back to.
    QStringList before;
    QHash<QString, int> seen;
    const auto keep = [&](const QString& line) { FKeptPictureLines.append({line, before}); };
    kalvora::StringList lines;
    // A folder without a picture list (its first copy failed) opens as an empty slideshow.
    lines.loadFromFile(kalvora::ResolveNoCase(path + "Pictures.ini"));
    FFilesDone = 0;
    FFileCount = lines.count() - 1;
    PicProgressBar->show();
    {
      BusyCursor busy;
      // Every core reads ahead: the pictures whose thumbnail is missing are decoded and their
      // thumbnails made, and each entry's thumbnail is read for the list.
      const QList<PictureLine> entries = readPictureLines(lines, path);
      std::vector<AheadItem> ahead;
      for (const PictureLine& entry : entries)
        if (entry.kind == PictureLine::Kind::Present)
          ahead.push_back(AheadItem::ListEntry(entry.picture, entry.thumbnail));
      // This thread only takes the results in order.
      DecodeAhead reading(std::move(ahead), ThumbnailFrameOf(PicImage3), 70);
      WatchedWork watching(read, reading);
      for (int i = 0; i < entries.size(); ++i) {
        FFilesDone = i;
        const PictureLine& entry = entries[i];
        if (entry.kind == PictureLine::Kind::Blank) continue;
        // Refused lines stay in the file as they are. A missing picture (also one gone since the
        // list was read) is often gone only for a while: its line and caption stay for when it
        // is back.
        if (entry.kind != PictureLine::Kind::Present || !QFileInfo(entry.picture).isFile()) {
          keep(entry.line);
          if (entry.kind != PictureLine::Kind::Refused) missing << entry.name;
          continue;
        }
        const QString& picture = entry.picture;
        const QString lower = entry.stored.toLower();
        before.prepend(lower + "/" + QString::number(seen[lower]++));
        std::optional<DecodedPicture> decoded = reading.takeIfNext(picture, read.pump());
        if (read.overtaken()) return;
        MakeThumb(picture, 70, false, false, decoded && decoded->decoded ? &*decoded : nullptr);
        AdoptListPicture(DiashowListBox->PictureCache(), decoded);
        DiashowListBox->Add(MakeListItem(entry.thumbnail, entry.stored, entry.caption));
        DiashowListBox->repaint();
      }
    }
    PicProgressBar->hide();
    ViewPicImage->hide();
    FArchiveFolder = folder;
    if (special) FArchiveFolder = NewArchiveFolder();
    SaveGeneratorSettings();
    DeleteOrphanThumbs();
    if (!missing.isEmpty()) {
      QStringList shown = missing.mid(0, 20);
      if (missing.size() > 20) shown << "...";
      inform(10351, "Folgende Bilder der Diashow wurden nicht gefunden. Sie werden nicht angezeigt, bleiben "
                    "aber mit ihrem Text in der Diashow gespeichert:",
             "\n" + shown.join("\n"));
    }
  } else {
    FDiashowTitle.clear();
    setWindowTitle(ProductName(CurrentLanguage()));
    TitleEdit->clear();
    FSecondsPerPicture = "5";
    SecEdit->setText("5");
  }
  // What was opened is what the user starts from (nothing of it is unsaved).
  MarkSlideshowSaved();
  UpdateDiashowLabel();
}

void TMainForm::UpdateDiashowLabel() {
  const int count = DiashowListBox->Count();
  // "1 Bild", not "1 Bilder".
  const QString one = GetLanguageText(14005);
  DiashowLabel->setText(GetLanguageText(594) + " " + QString::number(count) + " " +
                        (count == 1 && !one.isEmpty() ? one : GetLanguageText(595)));
}

QStringList TMainForm::PictureItemKeys() const {
  QStringList keys;
  QHash<QString, int> seen;
  for (int i = 0; DiashowListBox && i < DiashowListBox->Count(); ++i) {
    const QString lower = ItemFileName(DiashowListBox->Item(i)).toLower();
    keys << lower + "/" + QString::number(seen[lower]++);
  }
  return keys;
}

QStringList TMainForm::PictureListLines() const {
  const QStringList keys = PictureItemKeys();
  const QSet<QString> present(keys.begin(), keys.end());
  QStringList leading;
  QHash<QString, QStringList> following;
  for (const KeptPictureLine& kept : FKeptPictureLines) {
    // Behind the nearest item before it that is still there; at the start when none is.
    QString anchor;
    for (const QString& key : kept.after)
      if (present.contains(key)) {
        anchor = key;
        break;
      }
    if (anchor.isEmpty()) leading << kept.line;
    else following[anchor] << kept.line;
  }
  QStringList lines = leading;
  for (int i = 0; DiashowListBox && i < DiashowListBox->Count(); ++i) {
    lines << ItemPictureListLine(DiashowListBox->Item(i));
    lines << following.value(keys[i]);
  }
  return lines;
}

bool TMainForm::KeptLineNames(const QString& fileName) const {
  for (const KeptPictureLine& kept : FKeptPictureLines)
    if (ReadPictureListLine(kept.line).name.compare(fileName, Qt::CaseInsensitive) == 0) return true;
  return false;
}

bool TMainForm::SavePictureList() {
  if (FArchiveFolder.isEmpty()) return true;
  const kalvora::StringList lines(PictureListLines());
  kalvora::ForceDirectories(SlideshowFolder());
  if (lines.saveToFile(SlideshowFolder() + "Pictures.ini")) {
    MarkSlideshowSaved(true, false);
    return true;
  }
  reportNotSaved(SlideshowFolder() + "Pictures.ini");
  return false;
}

bool TMainForm::HasUnsavedChanges() const {
  if (FArchiveFolder.isEmpty() || !DiashowListBox) return false;
  // A slideshow not saved yet holds nothing but its title until a picture is added.
  if (DiashowListBox->Count() == 0 && !QFileInfo(SlideshowFolder()).isDir()) return false;
  return storedEntries(PictureListLines()) != FSavedEntries || TrimBlanks(FDiashowTitle) != FSavedTitle ||
         TrimBlanks(FSecondsPerPicture) != FSavedTime;
}

void TMainForm::MarkSlideshowSaved(bool list, bool titleAndTime) {
  if (list) FSavedEntries = storedEntries(PictureListLines());
  if (titleAndTime) {
    FSavedTitle = TrimBlanks(FDiashowTitle);
    FSavedTime = TrimBlanks(FSecondsPerPicture);
  }
}

bool TMainForm::SaveOpenSlideshow() {
  if (TrimBlanks(FDiashowTitle).isEmpty()) {
    inform(10001);
    return false;
  }
  BusyCursor busy;
  if (!SavePictureList()) return false;
  kalvora::IniFile ini(SlideshowFolder() + "Diashow.ini");
  {
    kalvora::IniFile::Batch batch(ini);
    ini.writeString("DIASHOW", "Titel", FDiashowTitle);
    ini.writeString("DIASHOW", "Time", FSecondsPerPicture);
    if (ini.updateFile()) {
      MarkSlideshowSaved();
      return true;
    }
  }
  reportNotSaved(SlideshowFolder() + "Diashow.ini");
  return false;
}

bool TMainForm::ConfirmDropChanges() {
  if (!HasUnsavedChanges()) return true;
  const QString text = GetLanguageText(10350);
  const int answer = kalvora::CurrentPrompter().message(
      kalvora::MsgKind::Confirmation, QString(),
      (text.isEmpty() ? QStringLiteral("Die geöffnete Diashow wurde geändert. Möchten Sie die Änderungen speichern?")
                      : text) +
          "\n\n" + FDiashowTitle,
      kalvora::mbYes | kalvora::mbNo | kalvora::mbCancel);
  if (answer == kalvora::mrNo) return true;
  if (answer != kalvora::mrYes) return false;
  return SaveOpenSlideshow();
}

void TMainForm::RemovePictureFromDiashow(int index) {
  if (DiashowListBox->Count() == 0 || index < 0 || index >= DiashowListBox->Count()) return;
  BusyCursor busy;
  TextEdit->clear();
  // DisablePictureTools (the picture tools of the selection page).
  BildbearbeitungBitBtn->setEnabled(false);
  for (QWidget* w : {SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton9, SpeedButton10}) w->setEnabled(false);
  const QString name = ItemFileName(DiashowListBox->Item(index));
  DiashowListBox->Delete(index);
  // The list may show one picture twice: its file goes with the last item (or line) naming it.
  bool named = KeptLineNames(name);
  for (int i = 0; !named && i < DiashowListBox->Count(); ++i) named = ItemFileName(DiashowListBox->Item(i)) == name;
  if (!named && IsPlainFileName(name) && !FArchiveFolder.isEmpty()) QFile::remove(SlideshowFolder() + name);
  SavePictureList();
  UpdateDiashowLabel();
}

bool TMainForm::SaveAndStartPlayer(bool start) {
  FDiashowTitle = TitleEdit->text();
  setWindowTitle(ProductName(CurrentLanguage()) + " - Archiv: " + FDiashowTitle);
  if (TrimBlanks(FDiashowTitle).isEmpty()) {
    inform(10001);
    return false;
  }
  if (DiashowListBox->Count() == 0) {
    inform(10002);
    return false;
  }
  // A slideshow that could not be saved is not played as it stood before.
  if (!SaveOpenSlideshow()) return false;
  BusyCursor busy;
  // Without its settings the player would play another slideshow, or this one as it was.
  if (!WritePlayerSettings()) return false;
  if (start) {
    const QString player = PlayerPath();
    if (!kalvora::StartProgram(player, {"TEST"}, QString()))
      kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), "Unable to start " + player,
                                         kalvora::mbOk);
  }
  return true;
}

void TMainForm::DeleteFiles(const QString& mask) {
  BusyCursor busy;
  const QString folder = DirectoryPart(mask);
  const QString pattern = FileNamePart(mask);
  if (folder.isEmpty() || pattern.isEmpty()) return;
  const QString prefix = AddTrailingBackslash(folder);
  for (const QString& name : kalvora::FindFiles(folder, pattern)) QFile::remove(prefix + name);
}

void TMainForm::FillArchiveList() {
  BusyCursor busy;
  OpenListBox->clear();
  int selection = -1;
  int count = 0;
  for (const QString& name : kalvora::FindFiles(FArchiveRoot, "*.*", kalvora::FindKind::Folders)) {
    if (name.contains('.') || name.toUpper().contains("DEL")) continue;
    const QString ini = kalvora::ResolveNoCase(FArchiveRoot + name + "/Diashow.ini");
    if (!QFileInfo(ini).isFile()) continue;
    const QString title = kalvora::IniFile(ini).readString("DIASHOW", "Titel", " ");
    AddSlideshowEntry(OpenListBox, name, title);
    if (title == FDiashowTitle) selection = count;
    ++count;
  }
  if (selection != -1) OpenListBox->setCurrentRow(selection);
}

void TMainForm::DeleteOrphanThumbs(bool listClosing) {
  if (FArchiveFolder.isEmpty()) return;
  const QString folder = SlideshowFolder();
  // A numbered thumbnail (made after an edit) lives while an item of the list shows it.
  QSet<QString> shown;
  for (int i = 0; !listClosing && DiashowListBox && i < DiashowListBox->Count(); ++i)
    shown.insert(FileNamePart(ItemThumbnailPath(DiashowListBox->Item(i))));
  // The thumbnails the pictures there have (a hashed name does not say whose it is).
  QSet<QString> owned;
  for (const QString& name : kalvora::FindFiles(folder, "*.*"))
    if (ThumbnailPictureName(name).isEmpty()) owned.insert(SlideshowThumbnailName(name));
  for (const QString& name : kalvora::FindFiles(folder, "_THUMB*.*")) {
    bool oldNumbered = false;
    const QString picture = ThumbnailPictureName(name, &oldNumbered);
    if (picture.isEmpty() || shown.contains(name) || owned.contains(name)) continue;
    // A picture's own thumbnail stays; "_THUMB" + n + "_" + name never is one.
    if (!oldNumbered && QFileInfo::exists(folder + picture)) continue;
    QFile::remove(folder + name);
  }
}

QString TMainForm::MakeDosName(const QString& name) {
  static const QString toUnderscore = QString::fromUtf8(" '.-!$%=\"§?,´`€éáúóêâûô");
  static const QString toX = QStringLiteral("*:()\\/><");
  QString step1 = name;
  for (QChar& c : step1) {
    if (c == '&') c = 'a';
    else if (toX.contains(c)) c = 'x';
    else if (toUnderscore.contains(c)) c = '_';
  }
  QString out;
  for (QChar c : step1) {
    switch (c.unicode()) {
      case 0xE4: out += "ae"; break;
      case 0xC4: out += "Ae"; break;
      case 0xF6: out += "oe"; break;
      case 0xD6: out += "Oe"; break;
      case 0xFC: out += "ue"; break;
      case 0xDC: out += "Ue"; break;
      case 0xDF: out += "ss"; break;
      default: out += c;
    }
  }
  for (QChar& c : out)
    if (c >= 'A' && c <= 'Z') c = QChar(c.unicode() + 32);
  return out;
}

void TMainForm::MakeThumb(const QString& path, int height, bool toCache, bool overwrite,
                          const DecodedPicture* decoded) {
  const QString thumb = toCache
                            ? FAppDir + "thumbs/" + CacheThumbnailName(path)
                            : AddTrailingBackslash(DirectoryPart(path)) + SlideshowThumbnailName(FileNamePart(path));
  // A thumbnail a worker wrote is made again when its picture changed since.
  const bool madeAhead = decoded && decoded->thumbnailWritten;
  if (!madeAhead && QFileInfo::exists(thumb) && !overwrite) return;
  const int percent = FFileCount == 0 ? 0 : roundEven(double(FFilesDone) / FFileCount * 100);
  StatusBar1->showMessage(GetLanguageText(14000) + " " + QString::number(percent) + " " + GetLanguageText(14001));
  PicProgressBar->setValue(std::clamp(percent, 0, 100));
  PicProgressBar->repaint();
  StatusBar1->repaint();
  // Asked only now: the picture may change or go while the window answered.
  const bool current = decoded && decoded->stillCurrent(path);
  if (!(madeAhead && current)) {
    BusyCursor busy;
    try {
      // A picture changed or gone since a worker read it is read now, as it is.
      if (current && !madeAhead) MakeThumbnailFromDecoded(PicImage3, *decoded, thumb, height);
      else if (madeAhead) QFile::remove(thumb);  // of the picture as it was
      if (!current || madeAhead) MakeThumbnailFile(PicImage3, path, thumb, height);  // imaging hook
    } catch (...) {
      // A picture that cannot be read gets no thumbnail; its item shows none.
    }
  }
  const QString ready = GetLanguageText(14004);
  StatusBar1->showMessage(ready.isEmpty() ? QStringLiteral("Fertig") : ready);
}
