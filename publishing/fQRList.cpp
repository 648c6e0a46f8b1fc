#include "fQRList.h"

#include <QVBoxLayout>

#include "Prompter.h"

TQRListForm* QRListForm = nullptr;

TQRListForm::TQRListForm(QWidget* parent) : TForm("QRListForm", parent) {
  setWindowTitle(QString::fromUtf8("Bilderliste A4"));
  auto* layout = new QVBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  PicImage1->hide();
}

void TQRListForm::FinishPrint() {}
