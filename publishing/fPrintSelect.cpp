#include "fPrintSelect.h"

#include <QVBoxLayout>

#include "Prompter.h"

TPrintSelectForm* PrintSelectForm = nullptr;

TPrintSelectForm::TPrintSelectForm(QWidget* parent) : TForm("PrintSelectForm", parent) {
  setWindowTitle(QString::fromUtf8("Bilder drucken"));
  auto* layout = new QVBoxLayout(this);
  MarkupCheckList1 = new MarkupCheckListControl(this);
  MarkupCheckList1->setObjectName("MarkupCheckList1");
  layout->addWidget(MarkupCheckList1);
  PrintBitBtn = new QPushButton(this);
  PrintBitBtn->setObjectName("PrintBitBtn");
  PrintBitBtn->setText(QString::fromUtf8("Bilder drucken"));
  layout->addWidget(PrintBitBtn);
  AbortBitBtn = new QPushButton(this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(AbortBitBtn);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(StatusBar1);
  connect(PrintBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(AbortBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
