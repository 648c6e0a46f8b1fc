#include "fOpen.h"

#include <QVBoxLayout>

#include "Prompter.h"

TOpenForm* OpenForm = nullptr;

TOpenForm::TOpenForm(QWidget* parent) : TForm("OpenForm", parent) {
  setWindowTitle(QString::fromUtf8("Auswahl"));
  auto* layout = new QVBoxLayout(this);
  DoLabel = new QLabel(this);
  DoLabel->setObjectName("DoLabel");
  layout->addWidget(DoLabel);
  OpenBitBtn = new QPushButton(this);
  OpenBitBtn->setObjectName("OpenBitBtn");
  OpenBitBtn->setText(QString::fromUtf8("Öffnen"));
  layout->addWidget(OpenBitBtn);
  BitBtn2 = new QPushButton(this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(BitBtn2);
  connect(OpenBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(BitBtn2, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
