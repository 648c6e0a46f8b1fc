#include "fQRListA5.h"

#include <QVBoxLayout>

#include "Prompter.h"

TQRListA5Form* QRListA5Form = nullptr;

TQRListA5Form::TQRListA5Form(QWidget* parent) : TForm("QRListA5Form", parent) {
  setWindowTitle(QString::fromUtf8("Bilderliste A5"));
  auto* layout = new QVBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  PicImage1->hide();
}

void TQRListA5Form::FinishPrint() {}
