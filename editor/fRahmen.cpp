#include "fRahmen.h"

#include <QVBoxLayout>

#include "Prompter.h"

TRahmenForm* RahmenForm = nullptr;

TRahmenForm::TRahmenForm(QWidget* parent) : TForm("RahmenForm", parent) {
  setWindowTitle(QString::fromUtf8("Rahmen"));
  auto* layout = new QVBoxLayout(this);
  RahmenListBox = new QListWidget(this);
  RahmenListBox->setObjectName("RahmenListBox");
  layout->addWidget(RahmenListBox);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("OK"));
  layout->addWidget(OkBitBtn);
  AbortBitBtn = new QPushButton(this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(AbortBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(AbortBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
