#include "fMain.h"

#include "AppDir.h"
#include "ShellConstants.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  FormCreate();
}

void TMainForm::FormCreate() {
  FAppDir = kalvora::ProgramFolder();
  setWindowTitle(ProductName("GERMAN"));
}
