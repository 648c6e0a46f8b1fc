#include "ScriptedPrompter.h"

namespace kalvora {

QStringList ScriptedPrompter::messageTexts() const {
  QStringList out;
  for (const Question& q : questions_)
    if (q.what == "message") out << q.text;
  return out;
}

int ScriptedPrompter::message(MsgKind kind, const QString& title, const QString& text, int buttons) {
  questions_.push_back({"message", kind, title, text, buttons, QString()});
  if (!messages_.empty()) {
    const int r = messages_.front();
    messages_.pop_front();
    return r;
  }
  if (buttons & mbOk) return mrOk;
  if (buttons & mbYes) return mrYes;
  return buttons == 0 ? mrOk : mrCancel;
}

QStringList ScriptedPrompter::nextFiles() {
  if (files_.empty()) return {};
  QStringList r = files_.front();
  files_.pop_front();
  return r;
}

QString ScriptedPrompter::openFile(const QString& title, const QString& folder, const QString& filter) {
  questions_.push_back({"openFile", MsgKind::Information, title, folder, 0, QtFileFilter(filter)});
  const QStringList r = nextFiles();
  return r.isEmpty() ? QString() : r.first();
}

QStringList ScriptedPrompter::openFiles(const QString& title, const QString& folder, const QString& filter) {
  questions_.push_back({"openFiles", MsgKind::Information, title, folder, 0, QtFileFilter(filter)});
  return nextFiles();
}

QString ScriptedPrompter::saveFile(const QString& title, const QString& folder, const QString& filter) {
  questions_.push_back({"saveFile", MsgKind::Information, title, folder, 0, QtFileFilter(filter)});
  const QStringList r = nextFiles();
  return r.isEmpty() ? QString() : r.first();
}

QString ScriptedPrompter::folder(const QString& title, const QString& start) {
  questions_.push_back({"folder", MsgKind::Information, title, start, 0, QString()});
  if (folders_.empty()) return {};
  QString r = folders_.front();
  folders_.pop_front();
  return r;
}

std::optional<QColor> ScriptedPrompter::color(const QColor& initial) {
  questions_.push_back({"color", MsgKind::Information, QString(), initial.name(), 0, QString()});
  if (colors_.empty()) return std::nullopt;
  auto r = colors_.front();
  colors_.pop_front();
  return r;
}

std::optional<QString> ScriptedPrompter::text(const QString& title, const QString& label, const QString&) {
  questions_.push_back({"text", MsgKind::Information, title, label, 0, QString()});
  if (texts_.empty()) return std::nullopt;
  const bool given = texts_.front().has_value();
  const QString t = given ? *texts_.front() : QString();
  texts_.pop_front();
  if (!given) return std::nullopt;
  return t;
}

}  // namespace kalvora
