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
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == instanceName) return w;
  return nullptr;
}
