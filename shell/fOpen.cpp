#include "fOpen.h"

#include <QApplication>
#include <QVBoxLayout>

#include "Language.h"

#include "Prompter.h"

TOpenForm* OpenForm = nullptr;

TOpenForm::TOpenForm(QWidget* parent) : TForm("OpenForm", parent) {
  setWindowTitle(QString::fromUtf8("Auswahl"));
  auto* layout = new QVBoxLayout(this);
  DoLabel = new QLabel(this);
  DoLabel->setObjectName("DoLabel");
  layout->addWidget(DoLabel);
  OpenBitBtn = new QPushButton(this);
  OpenBitBtn->setObjectName("OpenBitBtn");
  OpenBitBtn->setText(QString::fromUtf8("Öffnen"));
  layout->addWidget(OpenBitBtn);
  BitBtn2 = new QPushButton(this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(BitBtn2);
  connect(OpenBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(BitBtn2, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  const QString open = GetLanguageText(4200), cancel = GetLanguageText(4201), caption = GetLanguageText(4202);
  if (!open.isEmpty()) OpenBitBtn->setText(open);
  if (!cancel.isEmpty()) BitBtn2->setText(cancel);
  if (!caption.isEmpty()) setWindowTitle(caption);
}

void TOpenForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TOpenForm::FormActivate() {
  // The normal pointer stays: nothing runs while this dialog waits.
  if (Mode == 0) {
    DoLabel->setText(GetLanguageText(4203));
    OpenBitBtn->setText(GetLanguageText(4204));
  } else if (Mode == 1) {
    DoLabel->setText(GetLanguageText(4205));
    OpenBitBtn->setText(GetLanguageText(4206));
  }
}
