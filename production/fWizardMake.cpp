#include "fWizardMake.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TMakeWizzard* MakeWizzard = nullptr;

TMakeWizzard::TMakeWizzard(QWidget* parent) : TForm("MakeWizzard", parent) {
  setWindowTitle(QString::fromUtf8("Assistent"));
  auto* layout = new QVBoxLayout(this);
  PCRadioButton = new QRadioButton(this);
  PCRadioButton->setObjectName("PCRadioButton");
  layout->addWidget(PCRadioButton);
  DVDRadioButton = new QRadioButton(this);
  DVDRadioButton->setObjectName("DVDRadioButton");
  layout->addWidget(DVDRadioButton);
  PrintRadioButton = new QRadioButton(this);
  PrintRadioButton->setObjectName("PrintRadioButton");
  layout->addWidget(PrintRadioButton);
  PrintAllRadioButton = new QRadioButton(this);
  PrintAllRadioButton->setObjectName("PrintAllRadioButton");
  layout->addWidget(PrintAllRadioButton);
  ThumbnailRadioButton = new QRadioButton(this);
  ThumbnailRadioButton->setObjectName("ThumbnailRadioButton");
  layout->addWidget(ThumbnailRadioButton);
  BetrachterRadioButton = new QRadioButton(this);
  BetrachterRadioButton->setObjectName("BetrachterRadioButton");
  layout->addWidget(BetrachterRadioButton);
  FotoEntwickungRadioButton = new QRadioButton(this);
  FotoEntwickungRadioButton->setObjectName("FotoEntwickungRadioButton");
  layout->addWidget(FotoEntwickungRadioButton);
  FotoLaborRadioButton = new QRadioButton(this);
  FotoLaborRadioButton->setObjectName("FotoLaborRadioButton");
  layout->addWidget(FotoLaborRadioButton);
  CDROMRadioButton = new QRadioButton(this);
  CDROMRadioButton->setObjectName("CDROMRadioButton");
  layout->addWidget(CDROMRadioButton);
  HTMLRadioButton = new QRadioButton(this);
  HTMLRadioButton->setObjectName("HTMLRadioButton");
  layout->addWidget(HTMLRadioButton);
  ScreenSaverRadioButton = new QRadioButton(this);
  ScreenSaverRadioButton->setObjectName("ScreenSaverRadioButton");
  layout->addWidget(ScreenSaverRadioButton);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("Weiter"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
