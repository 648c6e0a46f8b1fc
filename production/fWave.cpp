#include "fWave.h"

#include <QVBoxLayout>

#include "Prompter.h"

TWaveForm* WaveForm = nullptr;

TWaveForm::TWaveForm(QWidget* parent) : TForm("WaveForm", parent) {
  setWindowTitle(QString::fromUtf8("Audio"));
  auto* layout = new QVBoxLayout(this);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  layout->addWidget(ProgressBar1);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  layout->addWidget(Label1);
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  layout->addWidget(Label2);
  Label4 = new QLabel(this);
  Label4->setObjectName("Label4");
  layout->addWidget(Label4);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  layout->addWidget(Image1);
}
