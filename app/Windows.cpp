#include "Windows.h"

#include "fMain.h"

void CreateWindows() {
  // The main window comes first: it is the application's main window, closing it ends the program.
  MainForm = new TMainForm();
}
