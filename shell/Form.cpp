#include "Form.h"

#include <QApplication>

#include "Prompter.h"

namespace {
QStringList g_created;
}

TForm::TForm(const QString& instanceName, QWidget* parent) : QDialog(parent) {
  setObjectName(instanceName);
  g_created << instanceName;
}

TForm::~TForm() { g_created.removeOne(objectName()); }

QStringList CreatedFormNames() { return g_created; }

int TForm::ShowModal() {
  const int r = exec();
  return r == QDialog::Rejected ? kalvora::mrCancel : r;
}

void TForm::SetModalResult(int result) { done(result); }

QWidget* FindProgramWindow(const QString& instanceName) {
  // A helper component may give its own dialog a program window's name (the effect host's
  // dialog does); the program's own window wins, whatever order Qt lists top-levels in.
  QWidget* other = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() != instanceName) continue;
    if (dynamic_cast<TForm*>(w)) return w;
    if (!other) other = w;
  }
  return other;
}
