#include "fPrintSelect.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TPrintSelectForm* PrintSelectForm = nullptr;

TPrintSelectForm::TPrintSelectForm(QWidget* parent) : TForm("PrintSelectForm", parent) {
  setWindowTitle(QString::fromUtf8("Bilder drucken"));
  auto* layout = new QVBoxLayout(this);
  MarkupCheckList1 = new MarkupCheckListControl(this);
  MarkupCheckList1->setObjectName("MarkupCheckList1");
  layout->addWidget(MarkupCheckList1);
  PrintBitBtn = AddFormButton(this, layout, "PrintBitBtn", QString::fromUtf8("Bilder drucken"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(StatusBar1);
}
