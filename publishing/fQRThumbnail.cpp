#include "fQRThumbnail.h"

#include <QVBoxLayout>

#include "Prompter.h"

TQRThumbnailForm* QRThumbnailForm = nullptr;

TQRThumbnailForm::TQRThumbnailForm(QWidget* parent) : TForm("QRThumbnailForm", parent) {
  setWindowTitle(QString::fromUtf8("Thumbnails"));
  auto* layout = new QVBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  PicImage1->hide();
}

void TQRThumbnailForm::FinishPrint() {}
