#include "fVerschiebenTip.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TVerschiebenTipForm* VerschiebenTipForm = nullptr;

TVerschiebenTipForm::TVerschiebenTipForm(QWidget* parent) : TForm("VerschiebenTipForm", parent) {
  setWindowTitle(QString::fromUtf8("Verschieben"));
  auto* layout = new QVBoxLayout(this);
  HintLabel = new QLabel(this);
  HintLabel->setObjectName("HintLabel");
  layout->addWidget(HintLabel);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
}
