#include "fNoDriver.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TNoDriverForm* NoDriverForm = nullptr;

TNoDriverForm::TNoDriverForm(QWidget* parent) : TForm("NoDriverForm", parent) {
  setWindowTitle(QString::fromUtf8("Hinweis"));
  auto* layout = new QVBoxLayout(this);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName("InfoLabel");
  layout->addWidget(InfoLabel);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
}
