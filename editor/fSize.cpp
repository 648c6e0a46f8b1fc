#include "fSize.h"

#include <QVBoxLayout>

#include "FormButtons.h"
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
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
