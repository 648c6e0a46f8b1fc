#pragma once
// The page of the maker's other products, shown when the program ends.
#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>

#include "Form.h"

class TWerbungForm : public TForm {
  Q_OBJECT
 public:
  explicit TWerbungForm(QWidget* parent = nullptr);

  QScrollArea* ScrollBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* CloseBitBtn = nullptr;  // the page fills the screen: it closes from inside

  // Opens a product's page; a refusal is reported.
  void OpenProductPage(const QString& address);
  void FormClose();
};

extern TWerbungForm* WerbungForm;
