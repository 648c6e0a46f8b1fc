#pragma once
// The main window: it owns the state of the running program that the other windows read.
#include <QMainWindow>

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(QWidget* parent = nullptr);

  QString FAppDir;  // program folder, with a trailing separator

 private:
  void FormCreate();
};

extern TMainForm* MainForm;
