#include "fExport.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TExportForm* ExportForm = nullptr;

TExportForm::TExportForm(QWidget* parent) : TForm("ExportForm", parent) {
  setWindowTitle(QString::fromUtf8("Auswahl Diashow"));
  auto* layout = new QVBoxLayout(this);
  DoLabel = new QLabel(this);
  DoLabel->setObjectName("DoLabel");
  layout->addWidget(DoLabel);
  CheckListBox = new QListWidget(this);
  CheckListBox->setObjectName("CheckListBox");
  layout->addWidget(CheckListBox);
  OpenBitBtn = AddFormButton(this, layout, "OpenBitBtn", QString::fromUtf8("Auswahl  bestätigen"), kalvora::mrOk);
  BitBtn1 = AddFormButton(this, layout, "BitBtn1", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
