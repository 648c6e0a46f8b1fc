#include "fZuschneidenTip.h"

#include <QVBoxLayout>

#include "Prompter.h"

TZuschneidenTipForm* ZuschneidenTipForm = nullptr;

TZuschneidenTipForm::TZuschneidenTipForm(QWidget* parent) : TForm("ZuschneidenTipForm", parent) {
  setWindowTitle(QString::fromUtf8("Zuschneiden"));
  auto* layout = new QVBoxLayout(this);
  HintLabel = new QLabel(this);
  HintLabel->setObjectName("HintLabel");
  layout->addWidget(HintLabel);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("OK"));
  layout->addWidget(OkBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
