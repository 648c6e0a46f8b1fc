#include "fZuschneidenTip.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TZuschneidenTipForm* ZuschneidenTipForm = nullptr;

TZuschneidenTipForm::TZuschneidenTipForm(QWidget* parent) : TForm("ZuschneidenTipForm", parent) {
  setWindowTitle(QString::fromUtf8("Zuschneiden"));
  auto* layout = new QVBoxLayout(this);
  HintLabel = new QLabel(this);
  HintLabel->setObjectName("HintLabel");
  layout->addWidget(HintLabel);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
}
