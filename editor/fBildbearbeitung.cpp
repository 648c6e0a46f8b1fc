#include "fBildbearbeitung.h"

#include <QVBoxLayout>

#include "Prompter.h"

TBildbeaerbeitungForm* BildbeaerbeitungForm = nullptr;

TBildbeaerbeitungForm::TBildbeaerbeitungForm(QWidget* parent) : TForm("BildbeaerbeitungForm", parent) {
  setWindowTitle(QString::fromUtf8("Bildbearbeitung"));
  auto* layout = new QVBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(StatusBar1);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schließen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
