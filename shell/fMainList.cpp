// Editing the slideshow list: adding from the source list, removing, drag and drop, captions,
// rotating and mirroring the selected picture; and the bindings of the picture selection page.
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <fcntl.h>
#include <unistd.h>

#include "BusyCursor.h"
#include "Form.h"
#include "ImagingHooks.h"
#include "Language.h"
#include "ListItems.h"
#include "PicErrCode.h"
#include "ProgramWindows.h"
#include "Prompter.h"
#include "StringHelpers.h"
#include "Screenshots.h"
#include "fMain.h"

namespace {
void inform(int id) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), GetLanguageText(id), kalvora::mbOk);
}

// The slideshow item at index becomes the one worked on: its caption in the edit, the picture
// tools on, and its preview after the short wait.
void takeDiashowItem(TMainForm* f, int index) {
  const QString item = f->DiashowListBox->Item(index);
  f->FPreviewItem = ItemFileName(item);
  {
    const QSignalBlocker block(f->TextEdit);
    f->TextEdit->setText(ItemCaption(item));
  }
  f->EnablePictureTools();
  f->FSavedDiashowIndex = index;
  f->Timer1->start();
}

// Both thumbnail lists look the same.
void setUpThumbnailList(MarkupListBoxControl* list) {
  list->SetMultiSelect(true);
  list->SetExtendedSelect(true);
  list->setDragEnabled(false);
  list->SetDragMode(kalvora::dmAutomatic);
  list->SetItemHeight(70);
  list->SetShadowOffset(0);
}
// Opens the first sample slideshow, reads the second into the source list, previews a picture
// and saves the window as a picture; then the program ends.
void ShootSelectionPage(TMainForm* f, const QString& file) {
  f->PageControl1->setTabVisible(f->PageControl1->indexOf(f->TabSheet1), true);
  f->PageControl1->setCurrentWidget(f->TabSheet1);
  f->OpenArchive("Archive_0001");
  f->FSourceFolder = f->FArchiveRoot + "Archive_0002/";
  f->BilderEinlesen(f->FSourceFolder);
  if (f->DiashowListBox->Count() > 0) {
    f->DiashowListBox->SetItemIndex(0);
    f->DiashowListBoxClick();
    f->ShowPreview(f->FPreviewItem, true, true);
  }
  QTimer::singleShot(800, f, [f, file] {
    f->grab().save(file);
    f->close();
  });
}
}  // namespace

void TMainForm::SetUpPictureSelection() {
  setUpThumbnailList(FileListBox);
  SetUpThumbnailMaker(PicImage3);
  connect(OpenBitBtn, &QPushButton::clicked, this, [this] { OpenBitBtnClick(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(SpeedButton5, &QToolButton::clicked, this, [this] { RotateFlipPicture("90"); });
  connect(SpeedButton6, &QToolButton::clicked, this, [this] { RotateFlipPicture("-90"); });
  connect(SpeedButton7, &QToolButton::clicked, this, [this] { RotateFlipPicture("180"); });
  connect(SpeedButton9, &QToolButton::clicked, this, [this] { RotateFlipPicture("FlipV"); });
  connect(SpeedButton10, &QToolButton::clicked, this, [this] { RotateFlipPicture("FlipH"); });
  connect(BildbearbeitungBitBtn, &QPushButton::clicked, this, [this] { BildbearbeitungBitBtnClick(); });
  // Only what the user types changes a caption; the list's own updates of the edit do not.
  connect(TextEdit, &QLineEdit::textEdited, this, [this] { TextEditChange(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
  FileListBox->OnClick = [this](QObject*) { FileListBoxClick(); };
  FileListBox->OnDblClick = [this](QObject*) { FileListBoxDblClick(); };
  FileListBox->OnKeyDown = [this](QObject*, QKeyEvent* e) { DiashowListBoxKeyDown(e->key()); };
  FileListBox->OnKeyUp = [this](QObject*, QKeyEvent* e) { DiashowListBoxKeyUp(e->key()); };
  FileListBox->OnDragOver = [this](QObject*, QObject*, int, int, kalvora::TDragState, bool& accept) {
    FDragFromSourceList = true;
    accept = false;
  };
  FileListBox->OnEndDrag = [this](QObject*, QObject* target, int x, int y) {
    if (target == DiashowListBox) DiashowListBoxEndDrag(x, y);
    else FModifierKeyDown = false;
  };
  DisablePictureTools();
  // For scripts/screenshot-selection.sh: a picture of the selection page with a sample slideshow.
  const QString shot = qEnvironmentVariable("KALVORA_SHOT_SELECTION");
  if (!shot.isEmpty()) QTimer::singleShot(1500, this, [this, shot] { ShootSelectionPage(this, shot); });
  InstallScreenshotHooks(this);
}

void TMainForm::SetUpDiashowListBox() {
  setUpThumbnailList(DiashowListBox);
  DiashowListBox->OnClick = [this](QObject*) { DiashowListBoxClick(); };
  DiashowListBox->OnDblClick = [this](QObject*) { BildbearbeitungBitBtnClick(); };
  DiashowListBox->OnMouseDown = [this](QObject*, QMouseEvent* e) {
    DiashowListBoxMouseDown(int(e->position().x()), int(e->position().y()));
  };
  DiashowListBox->OnKeyDown = [this](QObject*, QKeyEvent* e) { DiashowListBoxKeyDown(e->key()); };
  DiashowListBox->OnKeyUp = [this](QObject*, QKeyEvent* e) { DiashowListBoxKeyUp(e->key()); };
  DiashowListBox->OnDragOver = [this](QObject*, QObject* source, int x, int y, kalvora::TDragState, bool& accept) {
    DiashowListBoxDragOver(source, x, y, accept);
  };
  DiashowListBox->OnDragDrop = [this](QObject*, QObject* source, int x, int y) { DiashowListBoxDragDrop(source, x, y); };
  DiashowListBox->OnEndDrag = [this](QObject*, QObject* target, int x, int y) {
    if (target == DiashowListBox) DiashowListBoxEndDrag(x, y);
    else FModifierKeyDown = false;
  };
}

void TMainForm::SpeedButton1Click() {
  FDropList.clear();
  QStringList names;
  for (int i = 0; i < FileListBox->Count(); ++i)
    if (FileListBox->Selected(i)) names << ItemFileName(FileListBox->Item(i));
  if (names.isEmpty()) {
    inform(10004);
    return;
  }
  PicProgressBar->show();
  FFileCount = int(names.size());
  FFilesDone = 0;
  for (const QString& name : names) {
    AddPictureToDiashow(AddTrailingBackslash(FSourceFolder) + name, -1);
    ++FFilesDone;
  }
  PicProgressBar->hide();
}

void TMainForm::SpeedButton2Click() {
  if (FileListBox->Count() == 0) {
    inform(10005);
    return;
  }
  PicProgressBar->show();
  FFileCount = FileListBox->Count();
  FFilesDone = 0;
  const QStringList items = FileListBox->Items();
  for (const QString& item : items) {
    AddPictureToDiashow(AddTrailingBackslash(FSourceFolder) + ItemFileName(item), -1);
    ++FFilesDone;
  }
  PicProgressBar->hide();
}

void TMainForm::SpeedButton3Click() {
  // With an empty list there is nothing to remove: the folder's files stay.
  if (DiashowListBox->Count() == 0) return;
  int remaining = DiashowListBox->SelCount();
  const bool any = remaining > 0;
  DiashowListBox->BeginUpdate();
  for (int i = DiashowListBox->Count() - 1; i >= 0 && remaining > 0; --i) {
    if (!DiashowListBox->Selected(i)) continue;
    RemovePictureFromDiashow(i);
    --remaining;
  }
  DiashowListBox->EndUpdate();
  DeleteOrphanThumbs();
  ForgetRemovedPreview();
  if (!any) inform(10006);
}

// A preview of a picture removed from the slideshow (its file is gone) is put away with its
// status line and caption, so nothing shows a picture the slideshow no longer has.
void TMainForm::ForgetRemovedPreview() {
  if (FPreviewPath_.isEmpty() || QFileInfo::exists(FPreviewPath_)) return;
  Timer1->stop();
  FPreviewPath_.clear();
  FPreviewItem.clear();
  FLastPreviewItem.clear();
  ViewPicImage->hide();
  StatusBar1->clearMessage();
  {
    const QSignalBlocker block(TextEdit);
    TextEdit->clear();
  }
  DisablePictureTools();
}

void TMainForm::SpeedButton4Click() {
  const int answer = kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, QString(),
                                                        GetLanguageText(10007), kalvora::mbYes | kalvora::mbNo);
  // Only an explicit Yes removes everything; closing the box keeps the pictures.
  if (answer != kalvora::mrYes) return;
  while (DiashowListBox->Count() > 0) RemovePictureFromDiashow(0);
  if (!FArchiveFolder.isEmpty()) DeleteFiles(SlideshowFolder() + "*.jpg");
  DeleteOrphanThumbs();
  ForgetRemovedPreview();
}

void TMainForm::DiashowListBoxMouseDown(int x, int y) {
  if (DiashowListBox->Count() == 0) return;
  FDragFromSourceList = false;
  FDragIndex = DiashowListBox->ItemAtPos(QPoint(x, y));
  const int index = DiashowListBox->ItemIndex();
  if (index < 0) return;
  takeDiashowItem(this, index);
}

void TMainForm::DiashowListBoxDragOver(QObject* source, int x, int y, bool& accept) {
  accept = source == DiashowListBox || source == FileListBox;
  if (!accept) return;
  FDragOverList = true;
  if (y < 50) DiashowListBox->ScrollLines(-1);
  else if (y > DiashowListBox->viewport()->height() - 50) DiashowListBox->ScrollLines(1);
  if (source == FileListBox) FDragIndex = DiashowListBox->ItemAtPos(QPoint(x, y), false);
  FDragScrollPos = DiashowListBox->verticalScrollBar()->value();
}

void TMainForm::DiashowListBoxDragDrop(QObject* source, int x, int y) {
  if (FDragFromSourceList || source == FileListBox) {
    FDropList.clear();
    for (int i = 0; i < FileListBox->Count(); ++i)
      if (FileListBox->Selected(i)) FDropList << ItemFileName(FileListBox->Item(i));
    PicProgressBar->show();
    FFileCount = int(FDropList.size());
    FFilesDone = 0;
    // Inserting from the last to the first at one index keeps the source order.
    for (qsizetype i = FDropList.size() - 1; i >= 0; --i) {
      AddPictureToDiashow(AddTrailingBackslash(FSourceFolder) + FDropList[i], FDragIndex);
      SelectOnlyItem(FDragIndex);
      ++FFilesDone;
    }
    PicProgressBar->hide();
    if (DiashowListBox->Count() > 0) DiashowListBoxClick();
    FDragFromSourceList = false;
    return;
  }
  const int target = DiashowListBox->ItemAtPos(QPoint(x, y));
  if (target != -1 && FDragIndex != -1 && FDragIndex < DiashowListBox->Count()) {
    DiashowListBox->Move(FDragIndex, target);
    FDragIndex = target;
  }
}

void TMainForm::DiashowListBoxEndDrag(int x, int y) {
  FModifierKeyDown = false;
  if (!FDragOverList) return;
  FDragOverList = false;
  // Back to where the list stood when the drag last passed over it.
  DiashowListBox->verticalScrollBar()->setValue(std::max(0, FDragScrollPos));
  FDragScrollPos = 1;
  SelectOnlyItem(DiashowListBox->ItemAtPos(QPoint(x, y), false));
}

void TMainForm::DiashowListBoxClick() {
  FDragOverList = false;
  const int index = DiashowListBox->ItemIndex();
  if (index < 0) return;
  ViewPicImage->show();
  takeDiashowItem(this, index);
}

void TMainForm::TextEditChange() {
  const int index = DiashowListBox->ItemIndex();
  if (index < 0) return;
  const QString item = DiashowListBox->Item(index);
  // The picture element and the name (escaped, so the first "|" is the caption's separator).
  const QString head = TrimBlanks(item.section('|', 0, 0));
  DiashowListBox->SetItem(index, head + " | " + kalvora::MarkupEscape(TextEdit->text()));
}

void TMainForm::RotateFlipPicture(const QString& command) {
  BusyCursor busy;
  FSavedDiashowIndex = DiashowListBox->ItemIndex();
  SetCurrentPicturePath();
  if (FCurrentPicturePath.isEmpty() || !QFileInfo(FCurrentPicturePath).isFile()) return;
  // A read-only picture is the user's choice: it is not replaced, and the user is told.
  const QFileInfo file(FCurrentPicturePath);
  const bool writable = (file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) &&
                        ::faccessat(AT_FDCWD, QFile::encodeName(FCurrentPicturePath).constData(), W_OK, AT_EACCESS) == 0;
  if (!writable) {
    kalvora::CurrentPrompter().message(
        kalvora::MsgKind::Information, QString(),
        shellwin::Text(14020, "Das Bild ist schreibgeschützt und bleibt, wie es ist:") + "\n" + FCurrentPicturePath,
        kalvora::mbOk);
    return;
  }
  try {
    // The picture is loaded here, whatever the preview shows now (a source picture, or still
    // the picture clicked before), so it is never saved under another picture's name.
    ViewPicImage->Load(FCurrentPicturePath, 0, 1, 1);
    if (command == "90") ViewPicImage->Rotate(9000, 1, 0xFFFFFF);
    else if (command == "-90") ViewPicImage->Rotate(27000, 1, 0xFFFFFF);
    else if (command == "180") ViewPicImage->Rotate(18000, 1, 0xFFFFFF);
    else if (command == "FlipV") ViewPicImage->Reverse();
    else if (command == "FlipH") ViewPicImage->Flip();
    ViewPicImage->Save(FCurrentPicturePath, 23, 24, 4, 0);
  } catch (const std::exception&) {
    // The save writes a new file and renames it over the old one: a failure leaves the old one.
    kalvora::CurrentPrompter().message(
        kalvora::MsgKind::Error, QString(),
        shellwin::Text(14021, "Das Bild konnte nicht geändert werden und bleibt, wie es war:") + "\n" +
            FCurrentPicturePath,
        kalvora::mbOk);
    FLastPreviewItem.clear();
    return;
  }
  FLastPreviewItem.clear();
  RefreshSelectedThumbnail();
  SelectOnlyItem(FSavedDiashowIndex);
}

void TMainForm::SelectOnlyItem(int index) {
  for (int i = 0; i < DiashowListBox->Count(); ++i) DiashowListBox->SetSelected(i, false);
  if (DiashowListBox->Count() == 0) return;
  if (index != -1 && index < DiashowListBox->Count()) DiashowListBox->SetItemIndex(index);
  else DiashowListBox->SetItemIndex(DiashowListBox->Count() - 1);
}

void TMainForm::BildbearbeitungBitBtnClick() {
  SetCurrentPicturePath();
  if (FCurrentPicturePath.isEmpty()) return;
  if (auto* editor = qobject_cast<TForm*>(FindProgramWindow("BildbeaerbeitungForm"))) editor->ShowModal();
}
