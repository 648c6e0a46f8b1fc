#include "fBildbearbeitung.h"

#include <QVBoxLayout>

#include "FormButtons.h"
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
  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", QString::fromUtf8("Schließen"), kalvora::mrOk);
}
