#include "fWizardDVD.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <cmath>

#include "AppDir.h"
#include "FormButtons.h"
#include "FrameConversion.h"
#include "Language.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "fAnweisung.h"
#include "fDVD.h"
#include "fMain.h"
#include "fWizardMake.h"

TDVDWizardForm* DVDWizardForm = nullptr;

namespace {
int64_t Round(double v) { return int64_t(std::nearbyint(v)); }
}  // namespace

int64_t NeededVideoMB(bool highQuality, const QString& mode, int64_t pictures, double seconds, int fps,
                      int transitionFrames) {
  const double n = double(pictures), s = seconds;
  if (!highQuality) return Round((s * 0.18 * n + n * (mode == "SVCD" ? 1.106 : 0.406)) * 3.0);
  const double k = mode == "SVCD" ? 0.12 : 0.05;
  return Round(((s + 1.0) * 0.18 * n + fps * n * k + transitionFrames * n * k) * 1.0);
}

double CheckedSecondsPerPicture(const QString& text) {
  bool ok = false;
  const double s = QString(text).trimmed().replace(',', '.').toDouble(&ok);
  if (!ok || !std::isfinite(s) || s < 0.04 || s > 3600) return -1;
  return s;
}

TDVDWizardForm::TDVDWizardForm(QWidget* parent) : TForm("DVDWizardForm", parent) {
  setWindowTitle(Text(5207, "Video-CD erstellen", "Make a video CD"));
  auto* layout = new QVBoxLayout(this);
  Label3 = new QLabel(Text(5200, "Welche Art von Video wollen Sie erstellen?", "Which kind of video do you want to make?"), this);
  Label3->setObjectName("Label3");
  layout->addWidget(Label3);
  auto radio = [&](const char* name, const QString& text, QWidget* owner, QBoxLayout* to) {
    auto* r = new QRadioButton(text, owner);
    r->setObjectName(name);
    to->addWidget(r);
    return r;
  };
  VCDRadioButton = radio("VCDRadioButton", Text(5201, "VCD Diashow für einen DVD-Player erstellen", "VCD slideshow for a DVD player"), this, layout);
  SVCDRadioButton = radio("SVCDRadioButton", Text(5202, "SVCD Diashow erstellen (optionaler Encoder erforderlich)", "SVCD slideshow (optional encoder needed)"), this, layout);
  NanoVCDRadioButton = radio("NanoVCDRadioButton", Text(5203, "High Quality Diashow mit Überblendeffekten VCD", "High quality slideshow with transitions VCD"), this, layout);
  NanoSVCDRadioButton = radio("NanoSVCDRadioButton", Text(5204, "High Quality Diashow mit Überblendeffekten SVCD", "High quality slideshow with transitions SVCD"), this, layout);
  VCDRadioButton->setChecked(true);
  auto* kinds = new QButtonGroup(this);
  for (QRadioButton* r : {VCDRadioButton, SVCDRadioButton, NanoVCDRadioButton, NanoSVCDRadioButton}) kinds->addButton(r);
  FormatGroupBox = new QGroupBox(QString::fromUtf8("Format"), this);
  FormatGroupBox->setObjectName("FormatGroupBox");
  auto* fl = new QVBoxLayout(FormatGroupBox);
  PalRadioButton = radio("PalRadioButton", "PAL (Europe)", FormatGroupBox, fl);
  NTSCRadioButton = radio("NTSCRadioButton", "NTSC (USA, Japan)", FormatGroupBox, fl);
  PalRadioButton->setChecked(true);
  auto* standards = new QButtonGroup(this);
  standards->addButton(PalRadioButton);
  standards->addButton(NTSCRadioButton);
  layout->addWidget(FormatGroupBox);
  auto* grid = new QGridLayout;
  Label7 = new QLabel(Text(5205, "Benötigter Speicherplatz für die Diashow:", "Disk space the slideshow needs:"), this);
  DiashowSizeEdit = new QLineEdit(this);
  DiashowSizeEdit->setObjectName("DiashowSizeEdit");
  DiashowSizeEdit->setReadOnly(true);
  Label6 = new QLabel(Text(5206, "Freier Speicherplatz auf Ihrer Festplatte:", "Free space on your disk:"), this);
  FreeDiskEdit = new QLineEdit(this);
  FreeDiskEdit->setObjectName("FreeDiskEdit");
  FreeDiskEdit->setReadOnly(true);
  grid->addWidget(Label7, 0, 0);
  grid->addWidget(DiashowSizeEdit, 0, 1);
  grid->addWidget(Label6, 1, 0);
  grid->addWidget(FreeDiskEdit, 1, 1);
  layout->addLayout(grid);
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  HilfeBitBtn = AddFormButton(this, buttons, "HilfeBitBtn", Text(6001, "Hilfe", "Help"));
  ZurueckBitBtn = AddFormButton(this, buttons, "ZurueckBitBtn", Text(6000, "Zurück", "Back"));
  WeiterBitBtn = AddFormButton(this, buttons, "WeiterBitBtn", Text(6003, "Weiter", "Next"));
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", Text(6002, "Abbrechen", "Cancel"));
  OkBitBtn = WeiterBitBtn;
  // Enter goes on, as in every wizard; the help opens only when asked for.
  for (QPushButton* b : {HilfeBitBtn, ZurueckBitBtn, AbortBitBtn}) b->setAutoDefault(false);
  WeiterBitBtn->setDefault(true);
  connect(WeiterBitBtn, &QPushButton::clicked, this, [this] { WeiterBitBtnClick(); });
  connect(ZurueckBitBtn, &QPushButton::clicked, this, [this] { ZurueckBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { AbortBitBtnClick(); });
  connect(HilfeBitBtn, &QPushButton::clicked, this, [this] { HilfeBitBtnClick(); });
  for (QRadioButton* r : {VCDRadioButton, SVCDRadioButton, NanoVCDRadioButton, NanoSVCDRadioButton})
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) CheckDiskSpace();
    });
}

QString TDVDWizardForm::Text(int id, const char* german, const char* english) const {
  const QString t = GetLanguageText(id);
  if (!t.isEmpty()) return t;
  return QString::fromUtf8(CurrentLanguage() == "GERMAN" || CurrentLanguage().isEmpty() ? german : english);
}

void TDVDWizardForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  for (QRadioButton* r : {VCDRadioButton, SVCDRadioButton, NanoVCDRadioButton, NanoSVCDRadioButton})
    if (r->isChecked()) r->setFocus();
  CheckDiskSpace();
}

void TDVDWizardForm::ReadDriveInfo(const QString& path) {
  QString p = path;
  while (!p.isEmpty() && !QFileInfo::exists(p)) p = QFileInfo(p).absolutePath() == p ? QString() : QFileInfo(p).absolutePath();
  if (p.isEmpty()) p = QDir::homePath();
  QStorageInfo info(p);
  FVolumeName = info.name();
  FFileSystemName = QString::fromUtf8(info.fileSystemType());
  const double mb = 1000000.0 * 1.024 * 1.024;
  FDiskSizeMB = Round(double(info.bytesTotal()) / mb);
  const int64_t freeBytes = FreeBytes ? FreeBytes(p) : info.bytesAvailable();
  FDiskFreeMB = Round(double(freeBytes) / mb);
}

bool TDVDWizardForm::CheckDiskSpace() {
  ReadDriveInfo(ArchivePath ? ArchivePath() : (MainForm ? MainForm->FArchiveRoot : QString()));
  FreeDiskEdit->setText(QString::number(FDiskFreeMB) + " MB");
  const int64_t pictures =
      int64_t(PictureCount ? PictureCount() : (MainForm && MainForm->DiashowListBox ? MainForm->DiashowListBox->Count() : 0)) + 1;
  const QString text = SecondsPerPicture ? SecondsPerPicture() : (MainForm ? MainForm->FSecondsPerPicture : QString("5"));
  const double s = std::max(0.0, CheckedSecondsPerPicture(text));
  const int fps = MainForm && MainForm->FFramesPerSecond > 0 ? MainForm->FFramesPerSecond : 25;
  const int tf = MainForm && MainForm->FTransitionFrames > 0 ? MainForm->FTransitionFrames : 12;
  int64_t needed = 0;
  if (VCDRadioButton->isChecked()) needed = NeededVideoMB(false, "VCD", pictures, s, fps, tf);
  if (SVCDRadioButton->isChecked()) needed = NeededVideoMB(false, "SVCD", pictures, s, fps, tf);
  if (NanoVCDRadioButton->isChecked()) needed = NeededVideoMB(true, "VCD", pictures, s, fps, tf);
  if (NanoSVCDRadioButton->isChecked()) needed = NeededVideoMB(true, "SVCD", pictures, s, fps, tf);
  DiashowSizeEdit->setText(QString::number(needed) + " MB");
  return needed <= FDiskFreeMB;
}

void TDVDWizardForm::showHint(const QString& main, const QString& sub) {
  std::unique_ptr<TAnweisungForm> own;
  TAnweisungForm* hint = AnweisungForm;
  if (!hint) {
    own = std::make_unique<TAnweisungForm>(this);
    hint = own.get();
  }
  for (QWidget* w : {static_cast<QWidget*>(hint->NeroBitBtn), static_cast<QWidget*>(hint->IconImage),
                     static_cast<QWidget*>(hint->IconLabel)})
    if (w) w->setVisible(false);
  if (hint->MakeLabel) hint->MakeLabel->setText(main);
  if (hint->MakeSubLabel) hint->MakeSubLabel->setText(sub);
  hint->ShowModal();
}

void TDVDWizardForm::WeiterBitBtnClick() {
  if (!VCDRadioButton->isChecked() && !SVCDRadioButton->isChecked() && !NanoVCDRadioButton->isChecked() &&
      !NanoSVCDRadioButton->isChecked()) {
    kalvora::ShowMessage(Text(10027, "Bitte treffen Sie eine Auswahl.", "Please make a choice."));
    return;
  }
  const QString secs = SecondsPerPicture ? SecondsPerPicture() : (MainForm ? MainForm->FSecondsPerPicture : QString("5"));
  if (CheckedSecondsPerPicture(secs) < 0) {
    kalvora::ShowMessage(Text(10032, "Die Sekunden pro Bild müssen eine Zahl von 0,04 bis 3600 sein.",
                              "Seconds per picture must be a number from 0.04 to 3600."));
    return;
  }
  hide();
  if (MakeWizzard) {
    MakeWizzard->hide();
    MakeWizzard->setResult(kalvora::mrOk);
  }
  TDVDForm* run = Production ? Production : DVDForm;
  const bool hq = NanoVCDRadioButton->isChecked() || NanoSVCDRadioButton->isChecked();
  const QString mode = NanoSVCDRadioButton->isChecked() || SVCDRadioButton->isChecked() ? "SVCD" : "VCD";
  if (run) {
    run->HighQuality = hq;
    run->Pal = !NTSCRadioButton->isChecked();
  }
  // Closed first: the run's window takes over until the video is made.
  SetModalResult(kalvora::mrOk);
  StartProduction(mode);
}

void TDVDWizardForm::StartProduction(const QString& mode) {
  if (MainForm) MainForm->SavePictureList();
  if (!CheckDiskSpace()) {
    showHint(Text(4609, "Nicht genügend Speicherplatz!", "Not enough disk space!"),
             Text(4618, "Auf der Festplatte des Archivs ist nicht genug Platz für das Video frei. Bitte schaffen Sie Platz "
                        "und versuchen Sie es erneut.",
                  "The archive's disk has not enough free space for the video. Please free some space and try again."));
    return;
  }
  TDVDForm* run = Production ? Production : DVDForm;
  if (!run) return;
  run->show();
  run->Mode = mode;
  if (StartRun)
    StartRun(run);
  else
    run->MakeVideo();
}

void TDVDWizardForm::ZurueckBitBtnClick() { SetModalResult(kalvora::mrCancel); }

void TDVDWizardForm::AbortBitBtnClick() {
  SetModalResult(kalvora::mrCancel);
  if (MakeWizzard && MakeWizzard->isVisible()) MakeWizzard->SetModalResult(kalvora::mrCancel);
}

void TDVDWizardForm::HilfeBitBtnClick() {
  OpenHelpPage((MainForm ? MainForm->FAppDir : kalvora::ProgramFolder()) + "help/help.html");
}
