// The production step: reading the production wizard's choice and running what it chose,
// the shortcuts that preselect a choice, printing, and the page changes of the main window.
#include <QCheckBox>
#include <QCursor>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "AudioTitles.h"
#include "Drives.h"
#include "ImagingHooks.h"
#include "MediaPlayer.h"
#include "ProgramWindows.h"
#include "fMain.h"

using namespace shellwin;

namespace {
bool wizardChoice(const char* radioButton) {
  auto* r = Control<QRadioButton>("MakeWizzard", radioButton);
  return r && r->isChecked();
}

void setInstruction(const char* control, const QString& text) {
  if (auto* l = Control<QLabel>("AnweisungForm", control)) l->setText(text);
}

void showInstructionControl(const char* control, bool visible) {
  if (auto* w = Control<QWidget>("AnweisungForm", control)) w->setVisible(visible);
}

void setExportLabel(int id) {
  if (auto* l = Control<QLabel>("ExportForm", "DoLabel")) l->setText(GetLanguageText(id));
}

void showTab(TMainForm* f, QWidget* page, bool visible) {
  f->PageControl1->setTabVisible(f->PageControl1->indexOf(page), visible);
}

// The slideshow settings page alone (where "Diashow erzeugen" finishes a production).
void toSettingsPage(TMainForm* f) {
  showTab(f, f->TabSheet3, true);
  f->PageControl1->setCurrentIndex(3);
  for (QWidget* page : {f->TabSheet5, f->TabSheet1, f->TabSheet4}) showTab(f, page, false);
}

// Back from the settings page to the picture selection.
void fromSettingsPage(TMainForm* f) {
  for (QWidget* page : {f->TabSheet5, f->TabSheet1, f->TabSheet4}) showTab(f, page, true);
  f->PageControl1->setCurrentIndex(1);
  showTab(f, f->TabSheet3, false);
}

// Printing needs a printer; the preview does not. The report windows know whether one is there
// (the system's printers, or a test's stand-in).
bool printerCheck(TMainForm* f) {
  bool ready = true;
  QWidget* report = FindProgramWindow(QStringLiteral("QRListForm"));
  if (!f->PrintPreviewCheckBox->isChecked() && report)
    QMetaObject::invokeMethod(report, "PrinterReady", Q_RETURN_ARG(bool, ready));
  if (ready) return true;
  Inform((LanguageIsEnglish() ? QStringLiteral("No printer is set up.") : QStringLiteral("Es ist kein Drucker eingerichtet.")) +
         "\n" + Text(10208, "Der Ausdruck kann nicht gestartet werden."));
  return false;
}

// Prints or previews a report window, then lets it finish. A report window that has no print
// operation yet is shown as it stands.
void runReport(TMainForm* f, const char* form, const QString& paper) {
  QWidget* w = FindProgramWindow(QString::fromLatin1(form));
  if (!w) return;
  w->setProperty("FPrintWidth", f->FPrintWidth);
  if (!paper.isEmpty()) w->setProperty("FPaperFormat", paper);
  const char* operation = f->PrintPreviewCheckBox->isChecked() ? "Preview" : "Print";
  auto run = [operation](QObject* o) {
    const QByteArray signature = QByteArray(operation) + "()";
    return o && o->metaObject()->indexOfMethod(signature.constData()) >= 0 && QMetaObject::invokeMethod(o, operation);
  };
  if (!run(w->findChild<QObject*>("QuickRep1")) && !run(w)) ShowModal(form);
  QMetaObject::invokeMethod(w, "FinishPrint");
}

// A double click on the preview picture opens the editor.
class ViewDoubleClickFilter : public QObject {
 public:
  explicit ViewDoubleClickFilter(TMainForm* form) : QObject(form), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick && watched == form_->ViewPicImage) form_->ViewPicImageDblClick();
    return QObject::eventFilter(watched, event);
  }

 private:
  TMainForm* form_;
};

QAction* popupAction(QMenu* menu, const char* name, const QString& text) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}
}  // namespace

QString TMainForm::DefaultPrinterName() { return QPrinterInfo::defaultPrinterName(); }

void TMainForm::ShowProductionWizard(bool ask) {
  if (MediaPlayer1) MediaPlayer1->Close();
  RefreshAudioList();
  if (ask && ShowModal("MakeWizzard") != kalvora::mrOk) return;
  RunProductionStep();
}

void TMainForm::RunProductionStep() {
  showInstructionControl("IconImage", false);
  showInstructionControl("IconLabel", false);
  SaveGeneratorSettings();
  SaveAndStartPlayer(false);
  const QString burnText =
      GetLanguageText(4620) + " " + FExportFolder + " " + GetLanguageText(4621);

  if (wizardChoice("PrintRadioButton")) {
    FPrintAllPictures = false;
    if (ShowModal("PrintSelectForm") == kalvora::mrOk) PrintList();
    PageControl1->setCurrentIndex(1);
  }
  if (wizardChoice("PrintAllRadioButton")) {
    FPrintAllPictures = true;
    PrintList();
    PageControl1->setCurrentIndex(1);
  }
  if (wizardChoice("ThumbnailRadioButton")) {
    FPrintAllPictures = true;
    PrintThumbnails();
    PageControl1->setCurrentIndex(1);
  }
  if (wizardChoice("BetrachterRadioButton")) {
    FillArchiveList();
    Betrachter2BitBtnClick();  // the open slideshow, also when two have the same title
    PageControl1->setCurrentIndex(1);
  }
  if (wizardChoice("FotoEntwickungRadioButton")) {
    setExportLabel(2604);
    if (!QFileInfo::exists(FAppDir + "NoZuschneidenTip2.ini")) ShowModal("ZuschneidenTipForm2");
    if (ShowModal("ExportForm") == kalvora::mrOk && RecreateExportFolder(FExportFolder)) {
      ExportToCd(true);
      ShowModal("OnlineFotoForm");
    }
    PageControl1->setCurrentIndex(1);
  }
  if (wizardChoice("FotoLaborRadioButton")) {
    setExportLabel(2602);
    if (!QFileInfo::exists(FAppDir + "NoZuschneidenTip2.ini")) ShowModal("ZuschneidenTipForm2");
    if (ShowModal("ExportForm") == kalvora::mrOk) {
      showInstructionControl("NeroBitBtn", false);
      setInstruction("MakeLabel", GetLanguageText(4603));
      setInstruction("MakeSubLabel", burnText);
      if (RecreateExportFolder(FExportFolder)) {
        ExportToCd(true);
        ShowModal("AnweisungForm");
      }
    }
  }
  if (wizardChoice("PCRadioButton") || wizardChoice("DVDRadioButton")) toSettingsPage(this);
  if (wizardChoice("CDROMRadioButton")) {
    setExportLabel(2602);
    if (ShowModal("ExportForm") == kalvora::mrOk) {
      showInstructionControl("NeroBitBtn", false);
      setInstruction("MakeLabel", GetLanguageText(4628));
      setInstruction("MakeSubLabel", burnText);
      if (RecreateExportFolder(FExportFolder)) {
        SaveAndStartPlayer(false);
        ExportToCd(false);
        ShowModal("AnweisungForm");
      }
    }
  }
  if (wizardChoice("HTMLRadioButton")) {
    showInstructionControl("NeroBitBtn", false);
    setInstruction("MakeLabel", GetLanguageText(4604));
    setInstruction("MakeSubLabel", GetLanguageText(4613));
    showInstructionControl("IconImage", false);
    showInstructionControl("IconLabel", false);
    SavePictureList();
    ShowModal("HTMLForm");
    // The hint says the gallery was made: only when it was.
    const QWidget* gallery = FindProgramWindow("HTMLForm");
    if (gallery && gallery->property("galleryMade").toBool()) ShowModal("AnweisungForm");
  }
  if (wizardChoice("ScreenSaverRadioButton")) {
    SaveAndStartPlayer(false);
    InstallScreensaver();
  }
}

void TMainForm::MakeDiashowBitBtnClick() {
  if (wizardChoice("DVDRadioButton")) {
    ShowModal("DVDWizardForm");
    fromSettingsPage(this);
    return;
  }
  // Reached through the menu, the wizard may hold another choice (or none): the button's
  // caption promises the slideshow, so it plays on the PC then too.
  {
    RenumberAudioFiles();
    if (auto* r = Control<QRadioButton>("MakeWizzard", "PCRadioButton")) r->setChecked(true);
    ShowProductionWizard(false);
    showInstructionControl("NeroBitBtn", false);
    setInstruction("MakeLabel", GetLanguageText(4602));
    setInstruction("MakeSubLabel", GetLanguageText(4611));
    showInstructionControl("IconImage", true);
    showInstructionControl("IconLabel", true);
    // "The slideshow was made and starts now" only when it was saved.
    if (SaveAndStartPlayer(true)) ShowModal("AnweisungForm");
    fromSettingsPage(this);
  }
}

void TMainForm::AbbrechenBitBtnClick() {
  if (MediaPlayer1) MediaPlayer1->Close();
  fromSettingsPage(this);
}

void TMainForm::Diashowerstellen1Click() {
  if (PageControl1->currentIndex() == 3) RefreshAudioList();
  toSettingsPage(this);  // the page change refreshes the audio list
}

void TMainForm::PreselectProduction(const QString& radioButton) {
  if (DiashowListBox->Count() == 0) {
    PageControl1->setCurrentIndex(1);
    InformId(10010);
    return;
  }
  if (auto* r = Control<QRadioButton>("MakeWizzard", radioButton.toLatin1().constData())) r->setChecked(true);
  else return;
  RunProductionStep();
  PageControl1->setCurrentIndex(1);
}

void TMainForm::DruckenBitBtnClick() { PopupMenu1->popup(QCursor::pos()); }

void TMainForm::PrintList() {
  if (!printerCheck(this)) return;
  if (ShowModal("PrintSizeWizard") != kalvora::mrOk) return;
  if (FPaperFormat == "A4") runReport(this, "QRListForm", QString());
  else if (FPaperFormat == "A5") runReport(this, "QRListA5Form", QString());
}

void TMainForm::PrintThumbnails() {
  if (!printerCheck(this)) return;
  FPrintAllPictures = true;
  runReport(this, "QRThumbnailForm", "A4");
}

void TMainForm::PageControl1Change(int index) {
  // Leaving the settings page first: a production started below may bring it back.
  if (index != 3 && FAudioPageShown) {
    FAudioPageShown = false;
    RenumberAudioFiles();
  }
  PathButton->hide();
  Drucken1->menuAction()->setEnabled(false);
  Import1->setEnabled(false);
  CDfrFotolaborerstellen1->setEnabled(false);
  EinstellungenDiashow1->setEnabled(false);
  if (index == 0) FillArchiveList();
  if (index == 1 || index == 2) {
    Drucken1->menuAction()->setEnabled(true);
    Import1->setEnabled(true);
    CDfrFotolaborerstellen1->setEnabled(true);
    EinstellungenDiashow1->setEnabled(true);
  }
  if (index == 2) {
    StatusBar1->clearMessage();
    if (DiashowListBox->Count() == 0) {
      PageControl1->setCurrentIndex(1);
      InformId(10010);
    } else {
      ShowProductionWizard(true);
    }
  }
  if (index == 3) {
    FAudioPageShown = true;
    RefreshAudioList();
    // The effect preview starts with a picture rather than an empty box.
    if (PicImage1->BitmapWidth() == 0) {
      PicImage1->SetPaintSizeMode(PicFitMode);
      LoadPictureInto(PicImage1, FAppDir + "Preview1.jpg");
    }
  }
}

void TMainForm::ConnectProductionHandlers() {
  FSlidoraFolder = DriveRootPath(QString()) + "diashow/";
  MediaPlayer1 = new TFfplayMediaPlayer(this);
  MediaPlayer1->setObjectName("MediaPlayer1");
  auto click = [this](QAbstractButton* b, void (TMainForm::*handler)()) {
    connect(b, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  auto menu = [this](QAction* a, auto handler) { connect(a, &QAction::triggered, this, handler); };

  // Archive page.
  click(NewBitBtn, &TMainForm::NewBitBtnClick);
  click(Open1BitBtn, &TMainForm::Open1BitBtnClick);
  click(Delete1BitBtn, &TMainForm::Delete1BitBtnClick);
  click(BetrachterBitBtn, &TMainForm::BetrachterBitBtnClick);
  click(Betrachter2BitBtn, &TMainForm::Betrachter2BitBtnClick);
  connect(OpenListBox, &QListWidget::itemDoubleClicked, this, [this] { OpenListBoxDblClick(); });
  menu(NewDiashow1, [this] {
    PageControl1->setCurrentIndex(0);
    NewBitBtnClick();
  });
  // From another page these lead to the archive page, where the user sees which slideshow is
  // marked; on the archive page they do what its buttons do with the marked one (or ask to
  // mark one), so they never seem to do nothing.
  menu(OpenDiashow1, [this] {
    if (PageControl1->currentIndex() != 0) PageControl1->setCurrentIndex(0);
    else Open1BitBtnClick();
  });
  menu(DeleteDiashow1, [this] {
    if (PageControl1->currentIndex() != 0) PageControl1->setCurrentIndex(0);
    else Delete1BitBtnClick();
  });
  menu(Import1, [this] { ImportSlidoraClick(); });

  // Production.
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) { PageControl1Change(index); });
  click(MakeDiashowBitBtn, &TMainForm::MakeDiashowBitBtnClick);
  click(AbbrechenBitBtn, &TMainForm::AbbrechenBitBtnClick);
  click(DruckenBitBtn, &TMainForm::DruckenBitBtnClick);
  menu(Diashowerstellen1, [this] { Diashowerstellen1Click(); });
  menu(EinstellungenDiashow1, [this] { Diashowerstellen1Click(); });
  auto preselect = [this](const char* radio) { return [this, radio] { PreselectProduction(QString::fromLatin1(radio)); }; };
  menu(CDfrFotolaborerstellen1, preselect("FotoLaborRadioButton"));
  connect(FotolaborBitBtn, &QPushButton::clicked, this, preselect("FotoLaborRadioButton"));
  menu(AlleDrucken1, preselect("PrintAllRadioButton"));
  menu(AusgewhlteDrucken1, preselect("PrintRadioButton"));
  menu(bersichtThumbnailsdrucken1, preselect("ThumbnailRadioButton"));
  menu(bersichtThumbnailsDrucken2, preselect("ThumbnailRadioButton"));
  menu(popupAction(PopupMenu1, "AlleDrucken2", GetLanguageText(6209)), preselect("PrintAllRadioButton"));
  menu(popupAction(PopupMenu1, "AusgewhlteDrucken2", GetLanguageText(6207)), preselect("PrintRadioButton"));

  // Audio titles.
  click(OpenAudioBitBtn, &TMainForm::OpenAudioBitBtnClick);
  click(DeleteAudioBitBtn, &TMainForm::DeleteAudioBitBtnClick);
  click(InfoBitBtn, &TMainForm::InfoBitBtnClick);
  click(PlayBitBtn, &TMainForm::PlayBitBtnClick);
  click(PauseBitBtn, &TMainForm::PauseBitBtnClick);
  click(StopBitBtn, &TMainForm::StopBitBtnClick);
  click(StartRipperBitBtn, &TMainForm::StartRipper);
  connect(AudioListBox, &QListWidget::itemClicked, this, [this] { AudioListBoxClick(); });
  connect(AudioListBox, &QListWidget::itemDoubleClicked, this, [this] { InfoBitBtnClick(); });
  connect(AudioListBox, &QListWidget::itemSelectionChanged, this, [this] { AudioSelectionChanged(); });
  connect(AudioListBox, &QListWidget::itemPressed, this,
          [this](QListWidgetItem* item) { AudioListBoxMouseDown(AudioListBox->row(item)); });
  // Qt moves the dragged line itself; the order reaches the names at the next renumbering.
  AudioListBox->setDragDropMode(QAbstractItemView::InternalMove);
  ShowAudioTitles(AudioListBox);

  // Settings, help and exit.
  connect(SecEdit, &QLineEdit::editingFinished, this, [this] { SecEditExit(); });
  click(BKGColorButton, &TMainForm::BKGColorButtonClick);
  click(TextcolorButton, &TMainForm::TextcolorButtonClick);
  click(TipsCheckBox, &TMainForm::TipsCheckBoxClick);
  click(Uebernehmen2BitBtn, &TMainForm::Uebernehmen2BitBtnClick);
  menu(Allgemein1, [this] { Allgemein1Click(); });
  menu(Info1, [this] { Info1Click(); });
  menu(Update1, [this] { Update1Click(); });
  ViewPicImage->installEventFilter(new ViewDoubleClickFilter(this));
}
