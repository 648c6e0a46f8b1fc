#include "fHTML.h"

#include <QVBoxLayout>

#include "Prompter.h"

THTMLForm* HTMLForm = nullptr;

THTMLForm::THTMLForm(QWidget* parent) : TForm("HTMLForm", parent) {
  setWindowTitle(QString::fromUtf8("HTML-Galerie"));
  auto* layout = new QVBoxLayout(this);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("Erzeugen"));
  layout->addWidget(OkBitBtn);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schließen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
