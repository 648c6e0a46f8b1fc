#pragma once
// The production wizard: what to make from the open slideshow. It closes with OK once one of
// its choices is ticked; the main window's production step carries the choice out.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "Form.h"

class TMakeWizzard : public TForm {
  Q_OBJECT
 public:
  explicit TMakeWizzard(QWidget* parent = nullptr);

  QLabel* Label3 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* DruckenLabel = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label4 = nullptr;
  QRadioButton* PCRadioButton = nullptr;
  QRadioButton* DVDRadioButton = nullptr;
  QRadioButton* PrintRadioButton = nullptr;
  QRadioButton* PrintAllRadioButton = nullptr;
  QRadioButton* ThumbnailRadioButton = nullptr;
  QRadioButton* BetrachterRadioButton = nullptr;
  QRadioButton* FotoEntwickungRadioButton = nullptr;
  QRadioButton* FotoLaborRadioButton = nullptr;
  QRadioButton* CDROMRadioButton = nullptr;
  QRadioButton* HTMLRadioButton = nullptr;
  QRadioButton* ScreenSaverRadioButton = nullptr;
  QPushButton* WeiterBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QPushButton* HilfeBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the same button as WeiterBitBtn

  void WeiterBitBtnClick();
  void AbortBitBtnClick();
  void HilfeBitBtnClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  QString Text(int id, const char* german, const char* english) const;
};

extern TMakeWizzard* MakeWizzard;
