#pragma once
// A list of text lines as the program's list files keep them: loaded from CR, LF or CRLF
// separated text (each line UTF-8, or Windows-1252 when not valid UTF-8), saved with CRLF after each
// line through a temporary file, so a failed save leaves the old file whole.
#include <QString>
#include <QStringList>

namespace kalvora {

class StringList {
 public:
  StringList() = default;
  explicit StringList(const QStringList& lines) : lines_(lines) {}

  bool loadFromFile(const QString& fileName);  // false (and empty) when unreadable
  bool saveToFile(const QString& fileName) const;

  QString text() const;               // each line followed by CRLF

  int count() const { return int(lines_.size()); }
  bool isEmpty() const { return lines_.isEmpty(); }
  const QString& operator[](int i) const { return lines_[i]; }
  QString& operator[](int i) { return lines_[i]; }
  void add(const QString& line) { lines_.append(line); }
  void insert(int i, const QString& line) { lines_.insert(i, line); }
  void removeAt(int i) { lines_.removeAt(i); }
  void clear() { lines_.clear(); }
  // Index of the first line equal to s without case, -1 when none.
  int indexOf(const QString& s) const;
  const QStringList& lines() const { return lines_; }
  QStringList& lines() { return lines_; }

 private:
  QStringList lines_;
};

// Splits text at CR, LF or CRLF; a final line break does not make an empty last line.
QStringList SplitLines(const QString& text);

}  // namespace kalvora
