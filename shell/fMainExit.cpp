// The handlers of the settings pages, window activation and the end of the program.
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "Drives.h"
#include "MediaPlayer.h"
#include "ProgramWindows.h"
#include "ShellOpen.h"
#include "StringHelpers.h"
#include "fAbout.h"
#include "fMain.h"

using namespace shellwin;

namespace {
void paintPanel(QFrame* panel, const QColor& c) {
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, c);
  panel->setPalette(p);
}
}  // namespace

void TMainForm::SecEditExit() {
  QString text = SecEdit->text();
  if (FSecondsPerPicture.isEmpty()) text = "3";
  // "2,5" and "2.5" keep the whole seconds.
  if (text.contains(',')) text = ExtractWordN(1, text, ",");
  if (text.contains('.')) text = ExtractWordN(1, text, ".");
  bool ok = false;
  const int seconds = text.trimmed().toInt(&ok);
  // Zero or negative seconds would make a slideshow without time: they count as unreadable.
  if (!ok || seconds < 1) text = "3";
  else text = QString::number(seconds);
  SecEdit->setText(text);
  FSecondsPerPicture = text;
}

void TMainForm::BKGColorButtonClick() {
  const std::optional<QColor> c = kalvora::CurrentPrompter().color(FBackgroundColor);
  if (!c) return;
  FBackgroundColor = *c;
  paintPanel(BKGColorPanel, FBackgroundColor);
}

void TMainForm::TextcolorButtonClick() {
  const std::optional<QColor> c = kalvora::CurrentPrompter().color(FTextColor);
  if (!c) return;
  FTextColor = *c;
  paintPanel(TextColorPanel, FTextColor);
}

void TMainForm::TipsCheckBoxClick() {
  QFile::remove(FAppDir + "NoTip.ini");
  // These are this start's tips: the activation after the window closes shows none again.
  FTipsShown_ = true;
  ShowModal("TipForm");
}

void TMainForm::Allgemein1Click() {
  const int general = PageControl1->indexOf(TabSheet2);
  if (PageControl1->currentIndex() != general) FGeneralReturnPage_ = PageControl1->currentIndex();
  PageControl1->setTabVisible(general, true);
  PageControl1->setCurrentIndex(general);
}

// Back to the page the general settings were opened from, whose tabs are still the ones shown;
// a page whose tab is hidden by now (a slideshow deleted meanwhile) gives way to the first
// step, or to the archive page when no slideshow is open.
void TMainForm::LeaveGeneralSettings() {
  int page = FGeneralReturnPage_;
  FGeneralReturnPage_ = -1;
  if (page < 0 || page == PageControl1->indexOf(TabSheet2) || !PageControl1->isTabVisible(page))
    page = PageControl1->isTabVisible(PageControl1->indexOf(TabSheet1)) ? 1 : 0;
  PageControl1->setCurrentIndex(page);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
}

void TMainForm::Uebernehmen2BitBtnClick() {
  SaveGeneratorSettings();
  if (!FArchiveFolder.isEmpty()) SaveAndStartPlayer(false);
  if (FDriveChanged) {
    FDriveChanged = false;
    if (AskYes(GetLanguageText(10021))) {
      InformId(10022);
      SaveGeneratorSettings();
      close();
      return;
    }
    // Back to the drive the archive root lies on.
    QString root = FArchiveRoot;
    while (root.endsWith('/')) root.chop(1);
    root = root.left(root.lastIndexOf('/') + 1);
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
      if (DriveRootPath(DriveComboBox1->itemData(i).toString()) == root) {
        DriveComboBox1->setCurrentIndex(i);
        break;
      }
    }
    DriveComboBox1Change();
    FDriveChanged = false;
  }
  LeaveGeneralSettings();
}

void TMainForm::ViewPicImageDblClick() {
  if (BildbearbeitungBitBtn->isEnabled()) BildbearbeitungBitBtn->click();
}

void TMainForm::Info1Click() { ShowModal("AboutBox"); }

void TMainForm::Update1Click() {
  OpenWebAddress(ProductPageAddress);
}

void TMainForm::FormActivate() {
  // Once per start: the tip window's own closing activates this window again.
  if (FTipsShown_ || FClosed_ || QFileInfo::exists(FAppDir + "NoTip.ini")) return;
  if (!FindProgramWindow("TipForm")) return;
  FTipsShown_ = true;
  ShowModal("TipForm");
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !FTipsShown_)
    QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // What the user changed in the open slideshow is not dropped without a question.
  if (!FClosed_ && !ConfirmDropChanges()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TMainForm::FormClose() {
  if (FClosed_) return;
  FClosed_ = true;
  StopRunningRead();  // a read still running ends here, before its files are cleared
  if (MediaPlayer1) MediaPlayer1->Close();
  SaveGeneratorSettings();
  FEffectsList.clear();
  FDropList.clear();
  hide();
  if (!FSourceFolder.isEmpty()) DeleteConvertedCopies(FSourceFolder);
  // "Temp.bmp" is the result the editor's frames and warp dialogs leave behind.
  for (const char* mask : {"UNDO*.jpg", "Temp.jpg", "Temp.bmp", "prev.jpg", "Print.txt", "thumbs/*.*", "Print.txt"})
    DeleteFiles(FAppDir + QString::fromLatin1(mask));
  ClearTempPicFolder();
  // The list is gone: the numbered thumbnails its items showed go with it.
  DeleteOrphanThumbs(true);
  if (CurrentLanguage() == "GERMAN" && !QFileInfo::exists(FAppDir + "NoWer.ini")) ShowModal("WerbungForm");
}
