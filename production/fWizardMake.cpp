#include "fWizardMake.h"

#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AppDir.h"
#include "FormButtons.h"
#include "Language.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "fMain.h"

TMakeWizzard* MakeWizzard = nullptr;

QString TMakeWizzard::Text(int id, const char* german, const char* english) const {
  const QString t = GetLanguageText(id);
  if (!t.isEmpty()) return t;
  return QString::fromUtf8(CurrentLanguage() == "GERMAN" || CurrentLanguage().isEmpty() ? german : english);
}

TMakeWizzard::TMakeWizzard(QWidget* parent) : TForm("MakeWizzard", parent) {
  setWindowTitle(Text(6206, "Assistent", "Wizard"));
  auto* layout = new QVBoxLayout(this);
  auto label = [&](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    layout->addWidget(l);
    return l;
  };
  auto radio = [&](const char* name, const QString& text) {
    auto* r = new QRadioButton(text, this);
    r->setObjectName(name);
    layout->addWidget(r);
    return r;
  };
  Label3 = label("Label3", Text(6200, "Was wollen Sie tun?", "What do you want to do?"));
  Label2 = label("Label2", Text(6211, "Diashow", "Slideshow"));
  PCRadioButton = radio("PCRadioButton", Text(6201, "Diashow für meinen PC erstellen", "Slideshow for my PC"));
  CDROMRadioButton = radio("CDROMRadioButton", Text(6202, "Diashow für eine CD ROM erstellen", "Slideshow for a CD-ROM"));
  DVDRadioButton = radio("DVDRadioButton", Text(6203, "Diashow für einen DVD-Player erstellen", "Slideshow for a DVD player"));
  ScreenSaverRadioButton =
      radio("ScreenSaverRadioButton", Text(6205, "Bildschirmschoner mit Diashow (Screensaver)", "Screen saver with slideshow"));
  Label4 = label("Label4", Text(6212, "Interaktiv", "Interactive"));
  HTMLRadioButton = radio("HTMLRadioButton", Text(6204, "Internetseite mit Diashow erstellen ", "Web page with slideshow"));
  BetrachterRadioButton = radio("BetrachterRadioButton", Text(6210, "Betrachter", "Viewer"));
  DruckenLabel = label("DruckenLabel", Text(6213, "Drucken", "Print"));
  PrintRadioButton = radio("PrintRadioButton", Text(6207, "Ausgewählte Bilder des Archivs drucken", "Print chosen pictures of the archive"));
  PrintAllRadioButton = radio("PrintAllRadioButton", Text(6209, "Alle Bilder des Archivs drucken", "Print all pictures of the archive"));
  ThumbnailRadioButton = radio("ThumbnailRadioButton", QString::fromUtf8("Übersicht (Thumbnails) drucken"));
  Label1 = label("Label1", Text(6214, "Fotoentwicklung", "Photo development"));
  FotoLaborRadioButton = radio("FotoLaborRadioButton", Text(6208, "CD für Fotolabor erstellen", "CD for a photo lab"));
  FotoEntwickungRadioButton = radio("FotoEntwickungRadioButton", QString::fromUtf8("Online Fotoentwicklung"));
  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  HilfeBitBtn = AddFormButton(this, buttons, "HilfeBitBtn", Text(6001, "Hilfe", "Help"));
  WeiterBitBtn = AddFormButton(this, buttons, "WeiterBitBtn", Text(6003, "Weiter", "Next"));
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", Text(6002, "Abbrechen", "Cancel"));
  OkBitBtn = WeiterBitBtn;
  // Enter goes on, as in every wizard; the help opens only when asked for.
  for (QPushButton* b : {HilfeBitBtn, AbortBitBtn}) b->setAutoDefault(false);
  WeiterBitBtn->setDefault(true);
  connect(WeiterBitBtn, &QPushButton::clicked, this, [this] { WeiterBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { AbortBitBtnClick(); });
  connect(HilfeBitBtn, &QPushButton::clicked, this, [this] { HilfeBitBtnClick(); });
}

void TMakeWizzard::WeiterBitBtnClick() {
  for (QRadioButton* r : findChildren<QRadioButton*>())
    if (r->isChecked()) {
      SetModalResult(kalvora::mrOk);
      return;
    }
  kalvora::ShowMessage(Text(10027, "Bitte treffen Sie eine Auswahl.", "Please make a choice."));
}

void TMakeWizzard::AbortBitBtnClick() {
  if (MainForm && MainForm->PageControl1) MainForm->PageControl1->setCurrentIndex(1);
  SetModalResult(kalvora::mrCancel);
}

// Escape is the cancel button: the main window goes back to the picture selection instead of
// staying on the empty production page.
void TMakeWizzard::reject() { AbortBitBtnClick(); }

void TMakeWizzard::HilfeBitBtnClick() {
  OpenHelpPage((MainForm ? MainForm->FAppDir : kalvora::ProgramFolder()) + "help/help.html");
}

void TMakeWizzard::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  // The focus on the chosen line (or the first), so Enter goes on instead of opening the help.
  QRadioButton* first = nullptr;
  for (QRadioButton* r : findChildren<QRadioButton*>()) {
    if (!first) first = r;
    if (r->isChecked()) first = r;
  }
  if (first) first->setFocus();
}
