#pragma once
// Small helpers of the main window for reaching the program's other windows by instance name
// (see Form.h), messages by language id and the hourglass cursor.
#include <QApplication>
#include <QString>

#include "Form.h"
#include "Language.h"
#include "Prompter.h"

namespace shellwin {

inline TForm* Form(const char* instanceName) {
  return qobject_cast<TForm*>(FindProgramWindow(QString::fromLatin1(instanceName)));
}

// Shows the window modally; mrCancel when the window does not exist.
inline int ShowModal(const char* instanceName) {
  TForm* f = Form(instanceName);
  return f ? f->ShowModal() : kalvora::mrCancel;
}

// A control of a window by its objectName; nullptr when either is missing.
template <typename T>
T* Control(const char* instanceName, const char* controlName) {
  QWidget* w = FindProgramWindow(QString::fromLatin1(instanceName));
  return w ? w->findChild<T*>(QString::fromLatin1(controlName)) : nullptr;
}

inline void Inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}
inline void InformId(int id) { Inform(GetLanguageText(id)); }
inline bool AskYes(const QString& text) {
  return kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, QString(), text,
                                            kalvora::mbYes | kalvora::mbNo) == kalvora::mrYes;
}

// A text by id with a fallback for the messages that must be readable even without texts.
inline QString Text(int id, const char* fallback) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? QString::fromUtf8(fallback) : t;
}

}  // namespace shellwin
