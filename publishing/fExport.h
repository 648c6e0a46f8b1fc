#pragma once
// Lets the user tick saved slideshows for an export.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "Form.h"

class TExportForm : public TForm {
  Q_OBJECT
 public:
  explicit TExportForm(QWidget* parent = nullptr);

  QLabel* DoLabel = nullptr;
  QListWidget* CheckListBox = nullptr;
  QPushButton* OpenBitBtn = nullptr;
  QPushButton* BitBtn1 = nullptr;
};

extern TExportForm* ExportForm;
