#include "fDVD.h"

#include <QVBoxLayout>

#include "Prompter.h"

TDVDForm* DVDForm = nullptr;

TDVDForm::TDVDForm(QWidget* parent) : TForm("DVDForm", parent) {
  setWindowTitle(QString::fromUtf8("Diashow erzeugen"));
  auto* layout = new QVBoxLayout(this);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  layout->addWidget(ProgressBar1);
  StepLabel = new QLabel(this);
  StepLabel->setObjectName("StepLabel");
  layout->addWidget(StepLabel);
  AbortBitBtn = new QPushButton(this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(AbortBitBtn);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schließen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
