#include "fNoDriver.h"

#include <QVBoxLayout>

#include "Prompter.h"

TNoDriverForm* NoDriverForm = nullptr;

TNoDriverForm::TNoDriverForm(QWidget* parent) : TForm("NoDriverForm", parent) {
  setWindowTitle(QString::fromUtf8("Hinweis"));
  auto* layout = new QVBoxLayout(this);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName("InfoLabel");
  layout->addWidget(InfoLabel);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("OK"));
  layout->addWidget(OkBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
