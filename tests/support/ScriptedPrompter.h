#pragma once
// The prompter the tests install: answers from a script and records every question.
#include <deque>
#include <vector>

#include "Prompter.h"

namespace kalvora {

// Answers from a script and records every question. A question with no scripted answer
// gets the default: the first of OK/Yes offered for messages, cancel for everything else.
class ScriptedPrompter : public Prompter {
 public:
  struct Question {
    QString what;  // "message", "openFile", "openFiles", "saveFile", "folder", "color", "text"
    MsgKind kind = MsgKind::Information;
    QString title;
    QString text;
    int buttons = 0;
    QString filter;  // file questions: the filter as the dialog shows it (Qt's form)
  };

  ScriptedPrompter& answerMessage(int result) { messages_.push_back(result); return *this; }
  ScriptedPrompter& answerFile(const QString& path) { files_.push_back({path}); return *this; }
  ScriptedPrompter& answerFiles(const QStringList& paths) { files_.push_back(paths); return *this; }
  ScriptedPrompter& answerFolder(const QString& path) { folders_.push_back(path); return *this; }
  ScriptedPrompter& answerColor(std::optional<QColor> c) { colors_.push_back(c); return *this; }
  ScriptedPrompter& answerText(std::optional<QString> t) { texts_.push_back(t); return *this; }

  const std::vector<Question>& questions() const { return questions_; }
  // Texts of the messages shown, in order.
  QStringList messageTexts() const;

  int message(MsgKind kind, const QString& title, const QString& text, int buttons) override;
  QString openFile(const QString& title, const QString& folder, const QString& filter) override;
  QStringList openFiles(const QString& title, const QString& folder, const QString& filter) override;
  QString saveFile(const QString& title, const QString& folder, const QString& filter) override;
  QString folder(const QString& title, const QString& start) override;
  std::optional<QColor> color(const QColor& initial) override;
  std::optional<QString> text(const QString& title, const QString& label, const QString& initial) override;

 private:
  QStringList nextFiles();
  std::vector<Question> questions_;
  std::deque<int> messages_;
  std::deque<QStringList> files_;
  std::deque<QString> folders_;
  std::deque<std::optional<QColor>> colors_;
  std::deque<std::optional<QString>> texts_;
};

}  // namespace kalvora
