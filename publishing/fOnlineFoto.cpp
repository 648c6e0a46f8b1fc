#include "fOnlineFoto.h"

#include <QVBoxLayout>

#include "Prompter.h"

TOnlineFotoForm* OnlineFotoForm = nullptr;

TOnlineFotoForm::TOnlineFotoForm(QWidget* parent) : TForm("OnlineFotoForm", parent) {
  setWindowTitle(QString::fromUtf8("Online Fotos bestellen"));
  auto* layout = new QVBoxLayout(this);
  InfoLabel = new QLabel(this);
  InfoLabel->setObjectName("InfoLabel");
  layout->addWidget(InfoLabel);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schließen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
