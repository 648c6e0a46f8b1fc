#include "fHTML.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

THTMLForm* HTMLForm = nullptr;

THTMLForm::THTMLForm(QWidget* parent) : TForm("HTMLForm", parent) {
  setWindowTitle(QString::fromUtf8("HTML-Galerie"));
  auto* layout = new QVBoxLayout(this);
  OkBitBtn = AddFormButton(this, layout, "OkBitBtn", QString::fromUtf8("Erzeugen"));
  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", QString::fromUtf8("Schließen"), kalvora::mrOk);
}
