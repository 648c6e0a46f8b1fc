#include "fExport.h"

#include <QVBoxLayout>

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
  OpenBitBtn = new QPushButton(this);
  OpenBitBtn->setObjectName("OpenBitBtn");
  OpenBitBtn->setText(QString::fromUtf8("Auswahl  bestätigen"));
  layout->addWidget(OpenBitBtn);
  BitBtn1 = new QPushButton(this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(BitBtn1);
  connect(OpenBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(BitBtn1, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
