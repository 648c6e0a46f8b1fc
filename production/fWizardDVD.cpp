#include "fWizardDVD.h"

#include <QVBoxLayout>

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
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("Weiter"));
  layout->addWidget(OkBitBtn);
  AbortBitBtn = new QPushButton(this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(AbortBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(AbortBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
