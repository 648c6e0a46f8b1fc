#include "fBetrachter.h"

#include <QVBoxLayout>

#include "Prompter.h"

TBetrachterForm* BetrachterForm = nullptr;

TBetrachterForm::TBetrachterForm(QWidget* parent) : TForm("BetrachterForm", parent) {
  setWindowTitle(QString::fromUtf8("Bildbetrachter"));
  auto* layout = new QVBoxLayout(this);
  PicturesListBox = new QListWidget(this);
  PicturesListBox->setObjectName("PicturesListBox");
  layout->addWidget(PicturesListBox);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  layout->addWidget(Panel1);
  SpeedButton1 = new QToolButton(this);
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton1->setText(QString::fromUtf8("<"));
  layout->addWidget(SpeedButton1);
  SpeedButton2 = new QToolButton(this);
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton2->setText(QString::fromUtf8(">"));
  layout->addWidget(SpeedButton2);
  SpeedButton3 = new QToolButton(this);
  SpeedButton3->setObjectName("SpeedButton3");
  SpeedButton3->setText(QString::fromUtf8("+"));
  layout->addWidget(SpeedButton3);
  SpeedButton4 = new QToolButton(this);
  SpeedButton4->setObjectName("SpeedButton4");
  SpeedButton4->setText(QString::fromUtf8("-"));
  layout->addWidget(SpeedButton4);
  SpeedButton5 = new QToolButton(this);
  SpeedButton5->setObjectName("SpeedButton5");
  SpeedButton5->setText(QString::fromUtf8("X"));
  layout->addWidget(SpeedButton5);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  layout->addWidget(StatusBar1);
  PicturesListBox->hide();
}
