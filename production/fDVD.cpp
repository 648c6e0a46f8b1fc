#include "fDVD.h"

#include <QVBoxLayout>

#include "FormButtons.h"
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
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"));
  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", QString::fromUtf8("Schließen"), kalvora::mrOk);
}
