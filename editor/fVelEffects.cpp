#include "fVelEffects.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "Prompter.h"

TPainterEffectsF* PainterEffectsF = nullptr;

TPainterEffectsF::TPainterEffectsF(QWidget* parent) : TForm("PainterEffectsF", parent) {
  setWindowTitle(QString::fromUtf8("Effekte"));
  auto* layout = new QVBoxLayout(this);
  HelligkeitPanel = new QFrame(this);
  HelligkeitPanel->setObjectName("HelligkeitPanel");
  layout->addWidget(HelligkeitPanel);
  EffectPanel = new QFrame(this);
  EffectPanel->setObjectName("EffectPanel");
  layout->addWidget(EffectPanel);
  AutomaticPanel = new QFrame(this);
  AutomaticPanel->setObjectName("AutomaticPanel");
  layout->addWidget(AutomaticPanel);
  EList = new QTreeWidget(this);
  EList->setObjectName("EList");
  layout->addWidget(EList);
  EBar = new QSlider(this);
  EBar->setObjectName("EBar");
  layout->addWidget(EBar);
  extrabar = new QSlider(this);
  extrabar->setObjectName("extrabar");
  layout->addWidget(extrabar);
  cxbar = new QSlider(this);
  cxbar->setObjectName("cxbar");
  layout->addWidget(cxbar);
  cybar = new QSlider(this);
  cybar->setObjectName("cybar");
  layout->addWidget(cybar);
  Image = new QLabel(this);
  Image->setObjectName("Image");
  layout->addWidget(Image);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  SaveBitBtn = AddFormButton(this, layout, "SaveBitBtn", QString::fromUtf8("OK"));
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"), kalvora::mrCancel);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  for (QSlider* s : {EBar, extrabar, cxbar, cybar}) s->setOrientation(Qt::Horizontal);
  EBar->setRange(1, 16);
  EBar->setValue(1);
  extrabar->setRange(1, 300);
  extrabar->setValue(1);
  cxbar->setRange(0, 100);
  cybar->setRange(0, 100);
  for (QSlider* s : {extrabar, cxbar, cybar}) s->hide();
  SaveBitBtn->setEnabled(false);
}
