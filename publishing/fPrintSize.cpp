#include "fPrintSize.h"

#include <QVBoxLayout>

#include "Prompter.h"

TPrintSizeWizard* PrintSizeWizard = nullptr;

TPrintSizeWizard::TPrintSizeWizard(QWidget* parent) : TForm("PrintSizeWizard", parent) {
  setWindowTitle(QString::fromUtf8("Größe"));
  auto* layout = new QVBoxLayout(this);
  SizePanel = new QFrame(this);
  SizePanel->setObjectName("SizePanel");
  layout->addWidget(SizePanel);
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
