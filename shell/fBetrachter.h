#pragma once
// The picture viewer: the pictures of one slideshow, one at a time.
#include <QFrame>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>

#include "Form.h"
#include "Placeholders.h"

class TBetrachterForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FPictureIndex MEMBER FPictureIndex)
 public:
  explicit TBetrachterForm(QWidget* parent = nullptr);

  int FPictureIndex = 0;

  QListWidget* PicturesListBox = nullptr;
  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER
  QFrame* Panel1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QToolButton* SpeedButton3 = nullptr;
  QToolButton* SpeedButton4 = nullptr;
  QToolButton* SpeedButton5 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
};

extern TBetrachterForm* BetrachterForm;
