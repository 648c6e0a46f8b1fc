#include "fTip.h"

#include <QVBoxLayout>

#include "Prompter.h"

TTipForm* TipForm = nullptr;

TTipForm::TTipForm(QWidget* parent) : TForm("TipForm", parent) {
  setWindowTitle(QString::fromUtf8("Tipps"));
  auto* layout = new QVBoxLayout(this);
  Memo1 = new QTextEdit(this);
  Memo1->setObjectName("Memo1");
  layout->addWidget(Memo1);
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setText(QString::fromUtf8("Tipps nicht mehr anzeigen"));
  layout->addWidget(CheckBox1);
  NextTipBitBtn = new QPushButton(this);
  NextTipBitBtn->setObjectName("NextTipBitBtn");
  NextTipBitBtn->setText(QString::fromUtf8("nächster Tipp"));
  layout->addWidget(NextTipBitBtn);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schliessen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  Memo1->setReadOnly(true);
}
