#include "fAbout.h"

#include <QVBoxLayout>

#include "Prompter.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : TForm("AboutBox", parent) {
  setWindowTitle(QString::fromUtf8("Info"));
  auto* layout = new QVBoxLayout(this);
  ProductName = new QLabel(this);
  ProductName->setObjectName("ProductName");
  layout->addWidget(ProductName);
  VersionLabel = new QLabel(this);
  VersionLabel->setObjectName("VersionLabel");
  layout->addWidget(VersionLabel);
  URLLabel = new QLabel(this);
  URLLabel->setObjectName("URLLabel");
  layout->addWidget(URLLabel);
  MailLabel = new QLabel(this);
  MailLabel->setObjectName("MailLabel");
  layout->addWidget(MailLabel);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  layout->addWidget(Image1);
  UpdateButton = new QPushButton(this);
  UpdateButton->setObjectName("UpdateButton");
  UpdateButton->setText(QString::fromUtf8("Update"));
  layout->addWidget(UpdateButton);
  OKButton = new QPushButton(this);
  OKButton->setObjectName("OKButton");
  OKButton->setText(QString::fromUtf8("OK"));
  layout->addWidget(OKButton);
  connect(OKButton, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
