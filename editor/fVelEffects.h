#pragma once
// The painter-effects dialog of the effect host.
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

#include "Form.h"
#include "Placeholders.h"

class TPainterEffectsF : public TForm {
  Q_OBJECT
 public:
  explicit TPainterEffectsF(QWidget* parent = nullptr);

  QFrame* HelligkeitPanel = nullptr;
  QFrame* EffectPanel = nullptr;
  QFrame* AutomaticPanel = nullptr;
  QTreeWidget* EList = nullptr;
  QSlider* EBar = nullptr;
  QSlider* extrabar = nullptr;
  QSlider* cxbar = nullptr;
  QSlider* cybar = nullptr;
  QLabel* Image = nullptr;
  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;

  // Stores the effect host whose operations the bars run.
  Q_INVOKABLE void SetDrawImage(QObject* host) { FDrawImage = host; }
  QObject* DrawImage() const { return FDrawImage; }

 private:
  QObject* FDrawImage = nullptr;
};

extern TPainterEffectsF* PainterEffectsF;
