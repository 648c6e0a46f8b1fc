#include "fText.h"

#include <QVBoxLayout>

#include "Prompter.h"

TTextForm* TextForm = nullptr;

TTextForm::TTextForm(QWidget* parent) : TForm("TextForm", parent) {
  setWindowTitle(QString::fromUtf8("Text"));
  auto* layout = new QVBoxLayout(this);
  TextEdit = new QLineEdit(this);
  TextEdit->setObjectName("TextEdit");
  layout->addWidget(TextEdit);
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
