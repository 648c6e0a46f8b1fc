#include "fAnweisung.h"

#include <QVBoxLayout>

#include "Prompter.h"

TAnweisungForm* AnweisungForm = nullptr;

TAnweisungForm::TAnweisungForm(QWidget* parent) : TForm("AnweisungForm", parent) {
  setWindowTitle(QString::fromUtf8("Hilfe"));
  auto* layout = new QVBoxLayout(this);
  MakeLabel = new QLabel(this);
  MakeLabel->setObjectName("MakeLabel");
  layout->addWidget(MakeLabel);
  MakeSubLabel = new QLabel(this);
  MakeSubLabel->setObjectName("MakeSubLabel");
  layout->addWidget(MakeSubLabel);
  IconLabel = new QLabel(this);
  IconLabel->setObjectName("IconLabel");
  layout->addWidget(IconLabel);
  IconImage = new QLabel(this);
  IconImage->setObjectName("IconImage");
  layout->addWidget(IconImage);
  NeroBitBtn = new QPushButton(this);
  NeroBitBtn->setObjectName("NeroBitBtn");
  NeroBitBtn->setText(QString::fromUtf8("Detaillierte Anleitung zum Brennen"));
  layout->addWidget(NeroBitBtn);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("OK"));
  layout->addWidget(OkBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  MakeSubLabel->setWordWrap(true);
}
