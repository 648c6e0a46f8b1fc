#include "fOnlineFoto.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TOnlineFotoForm* OnlineFotoForm = nullptr;

TOnlineFotoForm::TOnlineFotoForm(QWidget* parent) : TForm("OnlineFotoForm", parent) {
  setWindowTitle(QString::fromUtf8("Online Fotos bestellen"));
  auto* layout = new QVBoxLayout(this);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName("InfoLabel");
  layout->addWidget(InfoLabel);
  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", QString::fromUtf8("Schließen"), kalvora::mrOk);
}
