// Reading a source folder into the source list (with JPEG copies of the other formats made in
// the program's temporary picture folder, never in the source folder) and the deferred preview.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSet>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <optional>

#include "BusyCursor.h"
#include "DecodeAhead.h"
#include "FileOps.h"
#include "ImagingHooks.h"
#include "Language.h"
#include "ListItems.h"
#include "Prompter.h"
#include "RunningRead.h"
#include "ProgramWindows.h"
#include "PxFile.h"
#include "SlideshowEntries.h"
#include "StringHelpers.h"
#include "Thumbnails.h"
#include "fMain.h"

namespace {
int percentOf(int done, int count) { return count <= 0 ? 0 : int(std::nearbyint(double(done) / count * 100)); }

// The same folder, however it is written.
bool sameFolder(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
  if (!ca.isEmpty() && !cb.isEmpty()) return ca == cb;
  return QDir::cleanPath(a) == QDir::cleanPath(b);
}

// The status bar's text and the progress bar's value while a folder is read; both are
// painted at once, as the read keeps the event loop waiting.
void showProgress(QStatusBar* bar, QProgressBar* progress, const QString& text, int percent) {
  bar->showMessage(text);
  progress->setValue(std::clamp(percent, 0, 100));
  progress->repaint();
  bar->repaint();
}

// A picture of the folder read through JPEG copies of it.
struct Converted {
  QString name;
  bool convertible = false;  // a format that is read through a JPEG copy
  QStringList copies;        // the copies made of it in this read
};

// Every file of the folder with the copies to make of it, and each copy's source and target.
struct Conversions {
  std::vector<Converted> files;
  QStringList sources, targets;
};

Conversions conversionsOf(const QString& folder, const QStringList& names, bool readingTemp) {
  Conversions c;
  c.files.reserve(names.size());
  for (const QString& name : names) {
    QStringList copies = ConvertedCopyNames(name);
    const bool convertible = !copies.isEmpty();
    if (IsConvertedCopyName(name) && readingTemp) copies.clear();  // a copy of an earlier reading
    for (const QString& copy : copies) {
      c.sources << folder + name;
      c.targets << folder + copy;
    }
    c.files.push_back({name, convertible, std::move(copies)});
  }
  return c;
}

// How many copies the workers make ahead: all but the last, which this thread makes with the
// preview component (left holding it as before); none when one copy would overwrite or read
// another, as they are then made in order.
int copiesAhead(const Conversions& c) {
  int ahead = std::max(0, int(c.targets.size()) - 1);
  const QSet<QString> targetSet(c.targets.begin(), c.targets.end());
  if (targetSet.size() != c.targets.size()) ahead = 0;
  for (const QString& s : c.sources)
    if (targetSet.contains(s)) ahead = 0;
  return ahead;
}

// A JPEG file of the folder read into the list, with its cached thumbnail.
struct Listed {
  QString name, picture, thumbnail;
};
}  // namespace

void TMainForm::OpenBitBtnClick() {
  QString chosen;
  // The first time (or when the folder is gone) the dialog starts in the user's pictures.
  QString start = FSourceFolder;
  if (start.isEmpty() || !QFileInfo(start).isDir()) {
    start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(start).isDir()) start = QDir::homePath();
  }
  for (;;) {
    chosen = kalvora::CurrentPrompter().openFile(GetLanguageText(591), start,
                                                 "Alle Bilddateien|*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif");
    if (chosen.isEmpty()) return;
    const QString folder = AddTrailingBackslash(DirectoryPart(chosen));
    QString archive;
    if (OpenListBox->currentRow() >= 0 && OpenListBox->currentItem() && OpenListBox->currentItem()->isSelected())
      archive = FArchiveRoot + SlideshowEntryFolder(OpenListBox->currentItem()) + "/";
    if (!archive.isEmpty() && folder.toUpper().contains(archive.toUpper())) {
      kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), GetLanguageText(10003), kalvora::mbOk);
      continue;
    }
    break;
  }
  const QString folder = AddTrailingBackslash(DirectoryPart(chosen));
  if (!FSourceFolder.isEmpty() && AddTrailingBackslash(FSourceFolder) != folder) DeleteConvertedCopies(FSourceFolder);
  FSourceFolder = folder;
  BilderEinlesen(FSourceFolder);
}

void TMainForm::StopRunningRead() {
  if (!FStopRead_) return;
  const std::function<void()> stop = std::move(FStopRead_);
  FStopRead_ = nullptr;
  stop();
}

bool TMainForm::KeepReading(int generation) {
  QCoreApplication::processEvents();
  return generation == FReadGeneration_ && !FClosed_;
}

void TMainForm::ClearTempPicFolder() {
  StopRunningRead();  // no worker writes into the folder while it is emptied
  if (FTempPicFolder.isEmpty()) return;
  for (const QString& name : kalvora::FindFiles(FTempPicFolder, "*.*")) QFile::remove(FTempPicFolder + name);
}

void TMainForm::DeleteConvertedCopies(const QString& folder) {
  // Converted copies are made only in the temporary picture folder; a picture of the user's
  // own that happens to carry such a name is never touched.
  if (!sameFolder(folder, FTempPicFolder)) return;
  StopRunningRead();
  const QString prefix = AddTrailingBackslash(folder);
  for (const QString& name : kalvora::FindFiles(folder, "*.*"))
    if (IsConvertedCopyName(name)) QFile::remove(prefix + name);
}

void TMainForm::BilderEinlesen(const QString& folderIn) {
  RunningRead read(this);
  QString folder = AddTrailingBackslash(folderIn);
  FileListBox->Clear();
  FileListBox->SetSorted(false);
  FDragFromSourceList = false;
  BusyCursor busy;
  repaint();
  // Reading the temporary folder itself (a source folder kept from before) must not empty it.
  const bool readingTemp = sameFolder(folder, FTempPicFolder);
  if (!readingTemp) ClearTempPicFolder();

  if (!QFileInfo(folder).isDir()) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Warning, QString(), GetLanguageText(14003) + " " + folder,
                                       kalvora::mbOk);
    return;
  }

  // Count pass.
  const QStringList names = kalvora::FindFiles(folder, "*.*");
  FFileCount = int(names.size()) + 2;  // with the "." and ".." entries
  FFilesDone = 0;
  bool needsConversion = false;
  for (const QString& name : names)
    if (IsSourcePictureName(name) && !ConvertedCopyNames(name).isEmpty()) needsConversion = true;

  if (needsConversion && !readingTemp) {
    if (!CopySourcePictures(folder, names)) return;
    folder = FTempPicFolder;
  } else if (!readingTemp) {
    QDir::setCurrent(folder);
  }
  // One broken picture is reported and the others are still read.
  QStringList failed;
  if (needsConversion && !ConvertSourcePictures(read, folder, readingTemp, failed)) return;
  if (!ListSourcePictures(read, folder, failed)) return;
  FileListBox->SetSorted(true);
  StatusBar1->clearMessage();
  PicProgressBar->hide();
  if (!failed.isEmpty())
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Warning, QString(),
                                       GetLanguageText(14002) + "\n" + failed.join("\n"), kalvora::mbOk);
}

bool TMainForm::CopySourcePictures(const QString& folder, const QStringList& names) {
  // The folder's pictures go into the temporary folder, where the copies are made. Only
  // pictures: hidden and other files of the user's stay where they are, and what is copied can
  // be read by the user alone, as the folder it lies in.
  PicProgressBar->show();
  kalvora::ForceDirectories(FTempPicFolder);
  QFile::setPermissions(FTempPicFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  for (const QString& name : names) {
    // A source that vanished meanwhile is simply missing afterwards.
    if (IsSourcePictureName(name) && QFileInfo(folder + name).isFile() &&
        kalvora::CopyFileReplace(folder + name, FTempPicFolder + name))
      QFile::setPermissions(FTempPicFolder + name, QFile::ReadOwner | QFile::WriteOwner);
    ++FFilesDone;
    const int percent = percentOf(FFilesDone, FFileCount);
    showProgress(StatusBar1, PicProgressBar, shellwin::Text(14010, "Bilder kopieren") + " " + QString::number(percent) + "%",
                 percent);
  }
  FSourceFolder = FTempPicFolder;
  if (!QDir::setCurrent(FTempPicFolder)) {
    PicProgressBar->hide();
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString(), "I/O error 103: " + FTempPicFolder,
                                       kalvora::mbOk);
    return false;
  }
  PicProgressBar->hide();
  FFilesDone = 0;
  return true;
}

bool TMainForm::ConvertSourcePictures(RunningRead& read, const QString& folder, bool readingTemp,
                                      QStringList& failed) {
  PicProgressBar->show();
  const Conversions jobs = conversionsOf(folder, kalvora::FindFiles(folder, "*.*"), readingTemp);
  const QStringList& sources = jobs.sources;
  const QStringList& targets = jobs.targets;
  const int ahead = copiesAhead(jobs);
  OrderedWork<int> converting(
      ahead, [&sources, &targets](int i, BudgetTurn& turn) { return ConvertToJpegFile(sources[i], targets[i], &turn); },
      ReadWorkerCount(0, ahead), std::make_shared<PixelBudget>(ReadPixelBudget()));
  WatchedWork watching(read, converting);
  bool copying = false;
  for (const Converted& file : jobs.files) {
    const QString& name = file.name;
    for (const QString& copy : file.copies) {
      const int index = converting.next();
      std::optional<int> made;
      if (index < ahead) {
        made = converting.take(read.pump());
        if (read.overtaken()) return false;
      }
      bool ok = made && *made == 1;
      if (!made) {
        try {
          ConvertToJpeg(ViewPicImage, folder + name, folder + copy);
          ok = true;
        } catch (...) {
        }
      }
      if (!ok) {
        QFile::remove(folder + copy);
        if (!failed.contains(name)) failed << name;
      } else {
        QFile::setPermissions(folder + copy, QFile::ReadOwner | QFile::WriteOwner);  // in temppic/
      }
    }
    ++FFilesDone;
    if (!copying && file.convertible && OnReadPhase) {
      copying = true;
      OnReadPhase(ReadPhase::Copies);
      if (read.overtaken()) return false;
    }
    const int percent = percentOf(FFilesDone, FFileCount);
    showProgress(StatusBar1, PicProgressBar,
                 GetLanguageText(14000) + " " + QString::number(percent) + " " + GetLanguageText(14001), percent);
  }
  return true;
}

bool TMainForm::ListSourcePictures(RunningRead& read, const QString& folder, QStringList& failed) {
  const QStringList names = kalvora::FindFiles(folder, "*.*");
  FFileCount = 0;
  for (const QString& name : names)
    if (kalvora::MatchesMask(name, "*.jpg")) ++FFileCount;
  FFilesDone = 0;
  PicProgressBar->show();
  kalvora::ForceDirectories(FAppDir + "thumbs/");
  std::vector<Listed> listed;
  for (const QString& name : names) {
    if (!name.toUpper().contains(".JPG") || !QFileInfo(folder + name).isFile()) continue;
    listed.push_back({name, folder + name, FAppDir + "thumbs/" + CacheThumbnailName(folder + name)});
  }
  // Every core reads ahead: the pictures without a cached thumbnail are decoded and their
  // thumbnails made, and each entry's thumbnail is read for the list.
  std::vector<AheadItem> ahead;
  ahead.reserve(listed.size());
  for (const Listed& file : listed) ahead.push_back(AheadItem::ListEntry(file.picture, file.thumbnail));
  DecodeAhead reading(std::move(ahead), ThumbnailFrameOf(PicImage3), 70);
  WatchedWork watching(read, reading);
  for (const Listed& file : listed) {
    if (!QFileInfo(file.picture).isFile()) continue;  // gone while the folder was read
    std::optional<DecodedPicture> decoded = reading.takeIfNext(file.picture, read.pump());
    if (read.overtaken()) return false;
    MakeThumb(file.picture, 70, true, false, decoded && decoded->decoded ? &*decoded : nullptr);
    ++FFilesDone;
    // A file that is no readable picture gets no thumbnail: it is reported, not listed.
    if (!QFileInfo(file.thumbnail).isFile()) {
      failed << file.name;
      continue;
    }
    AdoptListPicture(FileListBox->PictureCache(), decoded);
    FileListBox->Add(MakeListItem(file.thumbnail, file.name));
    if (FileListBox->Count() == 1 && OnReadPhase) {
      OnReadPhase(ReadPhase::Listing);
      if (read.overtaken()) return false;
    }
  }
  return true;
}

void TMainForm::FileListBoxClick() {
  DisablePictureTools();
  FDragFromSourceList = true;
  FSavedDiashowIndex = DiashowListBox->ItemIndex();
  const int index = FileListBox->ItemIndex();
  FPreviewItem = index < 0 ? QString() : FileListBox->Item(index);
  // The tools act on the picture selected in the slideshow list, which they load themselves.
  BildbearbeitungBitBtn->setEnabled(true);
  for (QWidget* w : {SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton9, SpeedButton10}) w->setEnabled(true);
  Timer2->start();
}

void TMainForm::FileListBoxDblClick() { SpeedButton1Click(); }

void TMainForm::Timer1Timer() {
  if (FModifierKeyDown) {
    Timer1->start();
    return;
  }
  Timer1->stop();
  ShowPreview(FPreviewItem, true, false);
}

void TMainForm::Timer2Timer() {
  Timer2->stop();
  ShowPreview(FPreviewItem, false, false);
}

void TMainForm::ShowPreview(const QString& item, bool fromDiashow, bool force) {
  if (!force && item == FLastPreviewItem) return;
  FLastPreviewItem = item;
  if (item.isEmpty()) return;
  QString path;
  if (fromDiashow) {
    const QString name = item.contains('>') ? ItemFileName(item) : FileNamePart(item);
    path = SlideshowFolder() + name;
  } else {
    const QString name = item.contains('>') ? ItemFileName(item) : item;
    path = QFileInfo(name).isAbsolute() ? name : AddTrailingBackslash(FSourceFolder) + name;
  }
  // A picture that cannot be read leaves the previous one shown.
  px::FileInfo info;
  if (px::GetFileInfo(path.toStdString(), info) == 1 && LoadPictureInto(ViewPicImage, path)) {
    try {
      ViewPicImage->SetPaintSizeMode(PicFitMode);
      ViewPicImage->repaint();
      ViewPicImage->show();
      FPreviewPath_ = path;
    } catch (...) {
    }
  }
  if (DiashowListBox->ItemIndex() != FSavedDiashowIndex && FSavedDiashowIndex < DiashowListBox->Count())
    DiashowListBox->SetItemIndex(FSavedDiashowIndex);
  ShowPictureInfo(path);
}

void TMainForm::ShowPictureInfo(const QString& path) {
  QString t = "   ";
  const QString format = FileFormatName(ViewPicImage->InfoFormat());
  if (format == "NOT SUPPORTED") t += "     " + QString::number(ViewPicImage->InfoFormat());
  else t += format;
  t += "     " + QString::number(ViewPicImage->InfoWidth()) + "x" + QString::number(ViewPicImage->InfoHeight());
  t += "     " + QString::number(ViewPicImage->InfoBits()) + "Bit Farben  ";
  t += "     " + ViewPicImage->InfoText();
  StatusBar1->showMessage(FileNamePart(path) + " " + t);
  StatusBar1->repaint();
}

QString TMainForm::FileFormatName(int format) {
  if (format >= 135) return "NOT SUPPORTED";
  return QString::fromLatin1(px::FormatName(format));
}

void TMainForm::EnablePictureTools() {
  BildbearbeitungBitBtn->setEnabled(true);
  for (QWidget* w : {SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton9, SpeedButton10}) w->setEnabled(true);
  QPalette p = TextLabel->palette();
  p.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));  // navy
  TextLabel->setPalette(p);
}

void TMainForm::DisablePictureTools() {
  BildbearbeitungBitBtn->setEnabled(false);
  for (QWidget* w : {SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton9, SpeedButton10}) w->setEnabled(false);
  QPalette p = TextLabel->palette();
  p.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));  // grey
  TextLabel->setPalette(p);
}

void TMainForm::DiashowListBoxKeyDown(int key) {
  if (key == Qt::Key_Shift || key == Qt::Key_Control) FModifierKeyDown = true;
  if (key == Qt::Key_Delete) SpeedButton3Click();
}

void TMainForm::DiashowListBoxKeyUp(int key) {
  if (key == Qt::Key_Shift || key == Qt::Key_Control) FModifierKeyDown = false;
}

void TMainForm::DirectoryListBox1Click() { DisablePictureTools(); }
