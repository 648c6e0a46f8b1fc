#include "fPicEffects.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TPicEffectsForm* PicEffectsForm = nullptr;

TPicEffectsForm::TPicEffectsForm(QWidget* parent) : TForm("PicEffectsForm", parent) {
  setWindowTitle(QString::fromUtf8("Effekte"));
  auto* layout = new QVBoxLayout(this);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("OK"), kalvora::mrOk);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
}
