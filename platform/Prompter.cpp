#include "Prompter.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include <memory>

namespace kalvora {

namespace {
Prompter* g_current = nullptr;

QtPrompter& qtPrompter() {
  static QtPrompter p;
  return p;
}

QWidget* dialogParent() { return QApplication::activeWindow(); }
}  // namespace

Prompter& CurrentPrompter() { return g_current ? *g_current : qtPrompter(); }
void SetPrompter(Prompter* p) { g_current = p; }

void ShowMessage(const QString& text) {
  CurrentPrompter().message(MsgKind::Information, QApplication::applicationDisplayName(), text, mbOk);
}

PrompterScope::PrompterScope(Prompter& p) : previous_(g_current) { g_current = &p; }
PrompterScope::~PrompterScope() { g_current = previous_; }

int QtPrompter::message(MsgKind kind, const QString& title, const QString& text, int buttons) {
  QMessageBox box(dialogParent());
  switch (kind) {
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
  }
  // An untitled box carries the program's name, not an empty title bar.
  box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
  box.setText(text);
  struct Map { int flag; QMessageBox::StandardButton button; int result; };
  static const Map maps[] = {
      {mbYes, QMessageBox::Yes, mrYes},         {mbNo, QMessageBox::No, mrNo},
      {mbOk, QMessageBox::Ok, mrOk},            {mbCancel, QMessageBox::Cancel, mrCancel},
      {mbAbort, QMessageBox::Abort, mrAbort},   {mbRetry, QMessageBox::Retry, mrRetry},
      {mbIgnore, QMessageBox::Ignore, mrIgnore}};
  QMessageBox::StandardButtons set;
  for (const Map& m : maps)
    if (buttons & m.flag) set |= m.button;
  if (!set) set = QMessageBox::Ok;
  box.setStandardButtons(set);
  const int chosen = box.exec();
  for (const Map& m : maps)
    if (chosen == m.button) return m.result;
  return mrCancel;
}

QString QtFileFilter(const QString& filter) {
  // Pattern lists are separated by ";" (Windows) or blanks (Qt).
  auto patterns = [](const QString& list) {
    return list.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts).join(' ');
  };
  const QString f = filter.trimmed();
  if (f.isEmpty()) return QString();
  if (!f.contains('|')) return f.contains('(') ? f : patterns(f);
  const QStringList parts = f.split('|');
  if (parts.size() == 1) return patterns(parts.first());
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString list = patterns(parts[i + 1]);
    if (list.isEmpty()) continue;
    const QString description = parts[i].trimmed();
    out << (description.isEmpty() ? list : description + " (" + list + ")");
  }
  return out.join(QStringLiteral(";;"));
}

QFileDialog* CreateFileDialog(QWidget* parent, FileDialogKind kind, const QString& title, const QString& folder,
                              const QString& filter) {
  auto* dialog = new QFileDialog(parent, title, folder);
  if (kind != FileDialogKind::Folder) {
    const QString qtFilter = QtFileFilter(filter);
    if (!qtFilter.isEmpty()) dialog->setNameFilter(qtFilter);
  }
  switch (kind) {
    case FileDialogKind::Open: dialog->setFileMode(QFileDialog::ExistingFile); break;
    case FileDialogKind::OpenMany: dialog->setFileMode(QFileDialog::ExistingFiles); break;
    case FileDialogKind::Save:
      dialog->setFileMode(QFileDialog::AnyFile);
      dialog->setAcceptMode(QFileDialog::AcceptSave);
      break;
    case FileDialogKind::Folder:
      dialog->setFileMode(QFileDialog::Directory);
      dialog->setOption(QFileDialog::ShowDirsOnly, true);
      break;
  }
  return dialog;
}

namespace {
QStringList runFileDialog(FileDialogKind kind, const QString& title, const QString& folder, const QString& filter) {
  std::unique_ptr<QFileDialog> dialog(CreateFileDialog(dialogParent(), kind, title, folder, filter));
  if (dialog->exec() != QDialog::Accepted) return {};
  return dialog->selectedFiles();
}

QString firstOf(const QStringList& files) { return files.isEmpty() ? QString() : files.first(); }
}  // namespace

QString QtPrompter::openFile(const QString& title, const QString& folder, const QString& filter) {
  return firstOf(runFileDialog(FileDialogKind::Open, title, folder, filter));
}

QStringList QtPrompter::openFiles(const QString& title, const QString& folder, const QString& filter) {
  return runFileDialog(FileDialogKind::OpenMany, title, folder, filter);
}

QString QtPrompter::saveFile(const QString& title, const QString& folder, const QString& filter) {
  return firstOf(runFileDialog(FileDialogKind::Save, title, folder, filter));
}

QString QtPrompter::folder(const QString& title, const QString& start) {
  return firstOf(runFileDialog(FileDialogKind::Folder, title, start, QString()));
}

std::optional<QColor> QtPrompter::color(const QColor& initial) {
  const QColor c = QColorDialog::getColor(initial, dialogParent());
  if (!c.isValid()) return std::nullopt;
  return c;
}

std::optional<QString> QtPrompter::text(const QString& title, const QString& label, const QString& initial) {
  bool ok = false;
  const QString t = QInputDialog::getText(dialogParent(), title, label, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return t;
}

}  // namespace kalvora
