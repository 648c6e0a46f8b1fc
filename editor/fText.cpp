#include "fText.h"

#include <QVBoxLayout>

#include "FormButtons.h"
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
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
