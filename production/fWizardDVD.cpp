#include "fWizardDVD.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TDVDWizardForm* DVDWizardForm = nullptr;

TDVDWizardForm::TDVDWizardForm(QWidget* parent) : TForm("DVDWizardForm", parent) {
  setWindowTitle(QString::fromUtf8("Video-Assistent"));
  auto* layout = new QVBoxLayout(this);
  VCDRadioButton = new QRadioButton(this);
  VCDRadioButton->setObjectName("VCDRadioButton");
  layout->addWidget(VCDRadioButton);
  SVCDRadioButton = new QRadioButton(this);
  SVCDRadioButton->setObjectName("SVCDRadioButton");
  layout->addWidget(SVCDRadioButton);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("Weiter"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
