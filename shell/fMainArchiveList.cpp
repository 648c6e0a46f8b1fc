// The archive page: listing, creating, opening, deleting and importing slideshows.
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>

#include "BusyCursor.h"
#include "Drives.h"
#include "FileOps.h"
#include "IniFile.h"
#include "ListItems.h"
#include "ProgramWindows.h"
#include "ShellConstants.h"
#include "ShellFileOps.h"
#include "SlideshowEntries.h"
#include "StringHelpers.h"
#include "fBetrachter.h"
#include "fMain.h"

using namespace shellwin;

namespace {
void enableSlideshowMenus(TMainForm* f) {
  f->Diashow1->menuAction()->setEnabled(true);
  f->Drucken1->menuAction()->setEnabled(true);
  f->Import1->setEnabled(true);
  f->CDfrFotolaborerstellen1->setEnabled(true);
  f->EinstellungenDiashow1->setEnabled(true);
}

void disableSlideshowMenus(TMainForm* f) {
  f->Diashow1->menuAction()->setEnabled(false);
  f->Drucken1->menuAction()->setEnabled(false);
  f->Import1->setEnabled(false);
  f->CDfrFotolaborerstellen1->setEnabled(false);
  f->EinstellungenDiashow1->setEnabled(false);
}

void showTab(QTabWidget* tabs, QWidget* page, bool visible) { tabs->setTabVisible(tabs->indexOf(page), visible); }

// The marker that names the sibling program's slideshow a folder was imported from.
const QString kImportMarker = QStringLiteral("Import.ini");
}  // namespace

bool TMainForm::CheckArchiveSelected() {
  if (OpenListBox->currentRow() >= 0 && OpenListBox->currentItem()) return true;
  InformId(10026);
  return false;
}

QString TMainForm::SelectedArchiveFolder() const { return SlideshowEntryFolder(OpenListBox->currentItem()); }

namespace {
void openSelected(TMainForm* f, bool fromDoubleClick) {
  const QString folder = f->SelectedArchiveFolder();
  if (!IsPlainFileName(folder)) return;
  if (!f->ConfirmDropChanges()) return;
  f->PageControl1->setVisible(true);
  enableSlideshowMenus(f);
  f->repaint();
  f->OpenArchive(folder);
  showTab(f->PageControl1, f->TabSheet1, true);
  showTab(f->PageControl1, f->TabSheet4, true);
  if (fromDoubleClick) f->PageControl1->setCurrentIndex(0);
  f->PageControl1->setCurrentIndex(1);
}
}  // namespace

void TMainForm::Open1BitBtnClick() {
  if (!CheckArchiveSelected()) return;
  openSelected(this, false);
}

void TMainForm::OpenListBoxDblClick() {
  if (!OpenListBox->currentItem()) return;
  openSelected(this, true);
}

void TMainForm::NewBitBtnClick() {
  TForm* dialog = shellwin::Form("NewForm");
  if (!dialog || dialog->ShowModal() != kalvora::mrOk) return;
  auto* edit = dialog->findChild<QLineEdit*>("Edit1");
  if (!ConfirmDropChanges()) return;
  DeleteOrphanThumbs();
  PageControl1->setVisible(true);
  enableSlideshowMenus(this);
  repaint();
  FDiashowTitle = edit ? edit->text() : QString();
  TitleEdit->setText(FDiashowTitle);
  BusyCursor busy;
  // A file (not a folder) of the chosen name would keep the slideshow from being saved.
  QString folder = NewArchiveFolder();
  while (QFileInfo::exists(FArchiveRoot + folder)) {
    bool ok = false;
    const int n = ExtractWordN(2, folder, "_").toInt(&ok);
    if (!ok) break;
    folder = ArchiveFolderName(n + 1);
  }
  FArchiveFolder = folder;
  // Lines refused from the previously open slideshow's list do not belong to the new one.
  FKeptPictureLines.clear();
  ViewPicImage->hide();
  SaveGeneratorSettings();
  DiashowListBox->Clear();
  TextEdit->clear();
  DisablePictureTools();
  UpdateDiashowLabel();
  setWindowTitle(ProductName(CurrentLanguage()) + " - Archiv: " + FDiashowTitle);
  SecEdit->setText(FSecondsPerPicture);
  MarkSlideshowSaved();
  showTab(PageControl1, TabSheet1, true);
  showTab(PageControl1, TabSheet4, true);
  PageControl1->setCurrentIndex(1);
  FillArchiveList();
}

void TMainForm::Delete1BitBtnClick() {
  if (!CheckArchiveSelected()) return;
  const QString folder = SelectedArchiveFolder();
  // The question names the slideshow it deletes.
  const QString title = TrimBlanks(SlideshowEntryTitle(OpenListBox->currentItem()));
  if (!AskYes(GetLanguageText(10008) + "\n\n" + (title.isEmpty() ? folder : title + " (" + folder + ")"))) return;
  // Another slideshow is open: its changes would go with the placeholder opened below.
  if (folder != FArchiveFolder && !ConfirmDropChanges()) return;
  {
    BusyCursor busy;
    // The placeholder slideshow becomes the open one, so the one deleted is no longer open.
    OpenArchive("del");
    ViewPicImage->hide();
    DiashowListBox->Clear();
    UpdateDiashowLabel();
    const bool deleted = IsPlainFileName(folder) && DeletePath(FArchiveRoot + folder);
    if (!deleted) {
      QApplication::restoreOverrideCursor();
      InformId(10009);
      QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    // No slideshow is open any more: the working pages and menus wait for the next one, so no
    // picture can be added to a slideshow without a title.
    showTab(PageControl1, TabSheet1, false);
    showTab(PageControl1, TabSheet4, false);
    PageControl1->setCurrentIndex(0);
    disableSlideshowMenus(this);
    TextEdit->clear();
    DisablePictureTools();
    FillArchiveList();
  }
}

void TMainForm::ImportSlidoraClick() {
  if (!AskYes(Text(10200, "Möchten Sie wirklich alle Diashows von \"Slidora\" importieren? Änderungen welche Sie "
                          "an bereits importierten Archiven vorgenommen haben gehen hierbei verloren!")))
    return;
  QStringList failed;
  bool found = false;
  {
    BusyCursor busy;
    const QString source = AddTrailingBackslash(FSlidoraFolder);
    if (QFileInfo(source).isDir()) {
      // Folders imported before are found by their marker and refreshed; every other
      // slideshow gets a folder number that is free, so no slideshow of the user is replaced.
      QHash<QString, QString> imported;
      for (const QString& name : kalvora::FindFiles(FArchiveRoot, "*.*", kalvora::FindKind::Folders)) {
        const QString marker = FArchiveRoot + name + "/" + kImportMarker;
        if (!QFileInfo(marker).isFile()) continue;
        const QString from = kalvora::IniFile(marker).readString("IMPORT", "Source");
        if (!from.isEmpty() && !imported.contains(from)) imported.insert(from, name);
      }
      int number = 1000;
      for (const QString& name : kalvora::FindFiles(source, "*.*", kalvora::FindKind::Folders)) {
        if (!name.contains("Diashow_")) continue;
        found = true;
        QString target = imported.value(name);
        if (target.isEmpty()) {
          do {
            ++number;
            target = ArchiveFolderName(number);
          } while (QFileInfo::exists(FArchiveRoot + target) || QFileInfo(FArchiveRoot + target).isSymLink());
        }
        const QString targetPath = FArchiveRoot + target + "/";
        if (!kalvora::ForceDirectories(targetPath)) {
          failed << targetPath;
          continue;
        }
        for (const QString& file : kalvora::FindFiles(source + name, "*.*")) {
          if (file.startsWith('.')) continue;
          if (!kalvora::CopyFileReplace(source + name + "/" + file, targetPath + file)) failed << source + name + "/" + file;
        }
        kalvora::IniFile marker(targetPath + kImportMarker);
        marker.writeString("IMPORT", "Source", name);
      }
    }
    PageControl1->setCurrentIndex(0);
    FillArchiveList();
  }
  if (!found) Inform(Text(10207, "Es wurden keine Diashows von \"Slidora\" gefunden in:") + " " + FSlidoraFolder);
  if (!failed.isEmpty()) Inform(Text(10201, "Folgende Dateien konnten nicht kopiert werden:") + "\n" + failed.join("\n"));
}

void TMainForm::Betrachter2BitBtnClick() {
  // On the picture page the slideshow meant is the open one, whatever the archive page marks.
  if (!FArchiveFolder.isEmpty()) {
    FillArchiveList();
    for (int i = 0; i < OpenListBox->count(); ++i)
      if (SlideshowEntryFolder(OpenListBox->item(i)) == FArchiveFolder) OpenListBox->setCurrentRow(i);
    if (SelectedArchiveFolder() != FArchiveFolder) {
      // Not saved yet: nothing of it lies in the archive to show.
      InformId(10031);
      return;
    }
    const int index = DiashowListBox->ItemIndex();
    if (BetrachterForm && index >= 0) BetrachterForm->FStartPicture = ItemFileName(DiashowListBox->Item(index));
  }
  BetrachterBitBtnClick();
}

void TMainForm::BetrachterBitBtnClick() {
  if (!CheckArchiveSelected()) return;
  const QString folder = SelectedArchiveFolder();
  if (!IsPlainFileName(folder) || ViewerPictureList(FArchiveRoot + folder).isEmpty()) {
    InformId(10031);
    return;
  }
  ShowModal("BetrachterForm");
}
