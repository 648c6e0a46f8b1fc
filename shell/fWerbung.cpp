#include "fWerbung.h"

#include <QVBoxLayout>

#include "Prompter.h"

TWerbungForm* WerbungForm = nullptr;

TWerbungForm::TWerbungForm(QWidget* parent) : TForm("WerbungForm", parent) {
  setWindowTitle(QString::fromUtf8("Top-Produkte von Tessaro"));
  auto* layout = new QVBoxLayout(this);
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setText(QString::fromUtf8("Tipp's nicht mehr anzeigen!"));
  layout->addWidget(CheckBox1);
}
