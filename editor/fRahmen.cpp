#include "fRahmen.h"

#include <QVBoxLayout>

#include "FormButtons.h"
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
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
