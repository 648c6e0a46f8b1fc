#include "fSize.h"

#include <QVBoxLayout>

#include "Prompter.h"

TSizeForm* SizeForm = nullptr;

TSizeForm::TSizeForm(QWidget* parent) : TForm("SizeForm", parent) {
  setWindowTitle(QString::fromUtf8("Größe"));
  auto* layout = new QVBoxLayout(this);
  WidthEdit = new QSpinBox(this);
  WidthEdit->setObjectName("WidthEdit");
  layout->addWidget(WidthEdit);
  HeightEdit = new QSpinBox(this);
  HeightEdit->setObjectName("HeightEdit");
  layout->addWidget(HeightEdit);
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
