#include "fNew.h"

#include <QVBoxLayout>

#include "Prompter.h"

TNewForm* NewForm = nullptr;

TNewForm::TNewForm(QWidget* parent) : TForm("NewForm", parent) {
  setWindowTitle(QString::fromUtf8("Neue Diashow anlegen"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setText(QString::fromUtf8("Titel der gesamten Diashow"));
  layout->addWidget(Label1);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName("Edit1");
  layout->addWidget(Edit1);
  BitBtn1 = new QPushButton(this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setText(QString::fromUtf8("OK"));
  layout->addWidget(BitBtn1);
  BitBtn2 = new QPushButton(this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(BitBtn2);
  connect(BitBtn1, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(BitBtn2, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
