#pragma once
// The About box: product name, version and the maker's addresses.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TAboutBox : public TForm {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProductName = nullptr;
  QLabel* VersionLabel = nullptr;
  QLabel* URLLabel = nullptr;
  QLabel* MailLabel = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* UpdateButton = nullptr;
  QPushButton* OKButton = nullptr;
};

extern TAboutBox* AboutBox;
