#include "fPicEffects.h"

#include <QVBoxLayout>

#include "Prompter.h"

TPicEffectsForm* PicEffectsForm = nullptr;

TPicEffectsForm::TPicEffectsForm(QWidget* parent) : TForm("PicEffectsForm", parent) {
  setWindowTitle(QString::fromUtf8("Effekte"));
  auto* layout = new QVBoxLayout(this);
  OkBitBtn = new QPushButton(this);
  OkBitBtn->setObjectName("OkBitBtn");
  OkBitBtn->setText(QString::fromUtf8("OK"));
  layout->addWidget(OkBitBtn);
  AbortBitBtn = new QPushButton(this);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setText(QString::fromUtf8("Abbrechen"));
  layout->addWidget(AbortBitBtn);
  connect(OkBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(AbortBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrCancel); });
}
