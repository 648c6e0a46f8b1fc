// The program's main block: start the application, load the language, create the windows,
// run the message loop until the main window closes.
#include <QApplication>
#include <QTimer>

#include "Language.h"
#include "QtTranslations.h"
#include "SystemInfo.h"
#include "Windows.h"
#include "fMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("Kalvora");
  WindowsInfo();   // gathered once, before any window
  LoadLanguage();  // the main window's set-up already looks texts up
  InstallQtTranslations(CurrentLanguage());
  CreateWindows();
  MainForm->show();
  // For automated runs: close the main window after the given time, as a user would.
  bool ok = false;
  const int closeAfter = qEnvironmentVariableIntValue("KALVORA_CLOSE_AFTER_MS", &ok);
  if (ok) {
    // Windows that show by themselves (the tips at start, the products page at the end) are
    // closed at once, as a user in a hurry would.
    auto* closer = new QTimer(&app);
    closer->setInterval(20);
    QObject::connect(closer, &QTimer::timeout, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    closer->start();
    QTimer::singleShot(closeAfter, MainForm, [] { MainForm->close(); });
  }
  const int rc = app.exec();
  DestroyWindows();
  return rc;
}
