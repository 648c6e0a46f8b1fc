#pragma once
// Asks for the title of a new slideshow.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Form.h"

class TNewForm : public TForm {
  Q_OBJECT
 public:
  explicit TNewForm(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

  // Enter closes with OK, Escape with Cancel, in any of the dialog's controls.
  void FormKeyPress(int key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

extern TNewForm* NewForm;
