#include "fZuschneidenTip2.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TZuschneidenTipForm2* ZuschneidenTipForm2 = nullptr;

TZuschneidenTipForm2::TZuschneidenTipForm2(QWidget* parent) : TForm("ZuschneidenTipForm2", parent) {
  setWindowTitle(QString::fromUtf8("Zuschneiden für Papierbilder"));
  auto* layout = new QVBoxLayout(this);
  HintLabel = new QLabel(this);
  HintLabel->setObjectName("HintLabel");
  layout->addWidget(HintLabel);
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName("CheckBox1");
  layout->addWidget(CheckBox1);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
}
