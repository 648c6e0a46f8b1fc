// Slideshow pictures and their thumbnails: copying a picture into the open slideshow, free copy
// names, the current picture of the list and the thumbnail rebuilt after an edit.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>

#include "BusyCursor.h"
#include "FileOps.h"
#include "ImagingHooks.h"
#include "IniFile.h"
#include "Language.h"
#include "ListItems.h"
#include "Markup.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "Thumbnails.h"
#include "fMain.h"

QString TMainForm::UniqueCopyName(const QString& path, const std::function<bool(const QString&)>& taken) {
  const QString folder = AddTrailingBackslash(DirectoryPart(path));
  const QString name = FileNamePart(path);
  QStringList words = name.split('.', Qt::SkipEmptyParts);
  QString base, extension;
  if (words.size() >= 2) {
    extension = "." + words.takeLast();
    base = words.join('.');
  } else {
    // A name without a point keeps itself as the base and gets no extension.
    base = name;
  }
  for (int n = 1;; ++n) {
    const QString candidate = folder + base + "_" + QString::number(n) + extension;
    if (!QFileInfo::exists(candidate) && !(taken && taken(candidate))) return candidate;
  }
}

void TMainForm::AddPictureToDiashow(const QString& source, int index) {
  BusyCursor busy;
  if (FArchiveFolder.isEmpty()) FArchiveFolder = NewArchiveFolder();
  const QString folder = SlideshowFolder();
  if (!QFileInfo(folder).isDir()) kalvora::ForceDirectories(folder);
  {
    kalvora::IniFile ini(folder + "Diashow.ini");
    kalvora::IniFile::Batch batch(ini);
    ini.writeString("DIASHOW", "Titel", FDiashowTitle);
    ini.writeString("DIASHOW", "Time", FSecondsPerPicture);
    if (ini.updateFile()) MarkSlideshowSaved(false, true);
  }
  // A picture missing for now keeps its name: its line waits in Pictures.ini for it.
  const auto kept = [this](const QString& path) { return KeptLineNames(FileNamePart(path)); };
  QString target = folder + SlideshowPictureName(FileNamePart(source));
  if (QFileInfo::exists(target) || kept(target)) target = UniqueCopyName(target, kept);
  const QString name = FileNamePart(target);
  // An item whose numbered thumbnail (made after an edit) has the new picture's thumbnail name
  // gets a copy under a free name first, so it keeps showing its own picture.
  const QString ownThumbnail = folder + SlideshowThumbnailName(name);
  for (int i = 0; i < DiashowListBox->Count(); ++i) {
    const QString item = DiashowListBox->Item(i);
    if (ItemThumbnailPath(item) != ownThumbnail) continue;
    const QString other = ItemFileName(item);
    const QString aside = folder + NumberedThumbnailName(FreeThumbnailNumber(other), other);
    kalvora::CopyFileReplace(ownThumbnail, aside);
    DiashowListBox->SetItem(i, ItemHasCaptionField(item) ? MakeListItem(aside, other, ItemCaption(item))
                                                         : MakeListItem(aside, other));
  }
  const bool copied = QFileInfo(source).isFile() && kalvora::CopyFileReplace(source, target);
  if (!copied || !QFileInfo(target).isFile()) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString(), GetLanguageText(10000), kalvora::mbOk);
    return;
  }
  // The copy is as private as its source; the user may write it, and a picture is no program.
  constexpr QFile::Permissions kReadWrite = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                            QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
  QFile::setPermissions(target, (QFile::permissions(source) & kReadWrite) | QFile::ReadOwner | QFile::WriteOwner);
  // The copy is new: a thumbnail left under its name belongs to an earlier picture.
  MakeThumb(target, 70, false, true);
  DiashowListBox->Insert(index, MakeListItem(folder + SlideshowThumbnailName(name), name));
  SavePictureList();
  UpdateDiashowLabel();
}

int TMainForm::FreeThumbnailNumber(const QString& fileName) const {
  const QString folder = SlideshowFolder();
  int n = 1;
  for (;; ++n) {
    const QString numbered = NumberedThumbnailName(n, fileName);
    // "_THUMB_" + "1" + "a.jpg" is also the thumbnail name of a picture "1a.jpg".
    const QString owner = ThumbnailPictureName(numbered);
    // The list keeps every picture it has loaded under its name: a name used before in this
    // list would show that old thumbnail again.
    const bool loaded = DiashowListBox && DiashowListBox->PictureCache().FindPicture(
                                              kalvora::ThumbnailItemPictureURL(folder + numbered));
    if (!QFileInfo::exists(folder + numbered) && !QFileInfo::exists(folder + owner) && !KeptLineNames(owner) &&
        !loaded)
      return n;
  }
}

void TMainForm::SetCurrentPicturePath() {
  const int index = DiashowListBox->ItemIndex();
  const QString name = index < 0 ? QString() : ItemFileName(DiashowListBox->Item(index));
  FCurrentPicturePath = IsPlainFileName(name) && !FArchiveFolder.isEmpty() ? SlideshowFolder() + name : QString();
}

void TMainForm::RefreshSelectedThumbnail(const QString& source) {
  const int index = DiashowListBox->ItemIndex();
  if (index < 0 || FCurrentPicturePath.isEmpty()) return;
  const QString caption = ItemCaption(DiashowListBox->Item(index));
  const QString shownBefore = ItemThumbnailPath(DiashowListBox->Item(index));
  const QString folder = SlideshowFolder();
  const QString name = FileNamePart(FCurrentPicturePath);
  const int n = FreeThumbnailNumber(name);
  if (source.isEmpty()) MakeThumb(folder + name, 70, false, true);
  else MakeThumbnailFile(PicImage3, source, folder + SlideshowThumbnailName(name), 70);
  const QString numbered = folder + NumberedThumbnailName(n, name);
  kalvora::CopyFileReplace(folder + SlideshowThumbnailName(name), numbered);
  // A new file name: the list keeps the pictures it has loaded by name.
  DiashowListBox->Delete(index);
  DiashowListBox->Insert(index, MakeListItem(numbered, name, caption));
  DiashowListBox->SetItemIndex(index);
  RemoveReplacedThumbnail(shownBefore, name);
  if (source.isEmpty()) ShowPreview(FCurrentPicturePath, true, true);
}

void TMainForm::RemoveReplacedThumbnail(const QString& thumbnail, const QString& fileName) {
  const QString folder = SlideshowFolder();
  const QString own = FileNamePart(thumbnail);
  // Only a numbered copy made after an edit: the plain thumbnail is the picture's own.
  if (DirectoryPart(thumbnail) != DirectoryPart(folder + fileName) || !own.startsWith("_THUMB_") ||
      !own.endsWith(fileName))
    return;
  const QString number = own.mid(7, own.size() - 7 - fileName.size());
  bool numeric = !number.isEmpty();
  for (QChar c : number) numeric = numeric && c >= '0' && c <= '9';
  if (!numeric) return;
  // A picture whose own thumbnail has this name keeps it, and so does any item still showing it.
  const QString owner = ThumbnailPictureName(own);
  if (QFileInfo::exists(folder + owner) || KeptLineNames(owner)) return;
  for (int i = 0; i < DiashowListBox->Count(); ++i)
    if (ItemThumbnailPath(DiashowListBox->Item(i)) == thumbnail) return;
  QFile::remove(thumbnail);
}
