#include "fPrintSize.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TPrintSizeWizard* PrintSizeWizard = nullptr;

TPrintSizeWizard::TPrintSizeWizard(QWidget* parent) : TForm("PrintSizeWizard", parent) {
  setWindowTitle(QString::fromUtf8("Größe"));
  auto* layout = new QVBoxLayout(this);
  SizePanel = new QFrame(this);
  SizePanel->setObjectName("SizePanel");
  layout->addWidget(SizePanel);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
