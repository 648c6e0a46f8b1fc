#include "StringList.h"

#include <QFile>

#include "FileOps.h"
#include "TextCodec.h"

namespace kalvora {

QStringList SplitLines(const QString& text) {
  QStringList out;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c == '\r' || c == '\n') {
      out << text.mid(start, i - start);
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) out << text.mid(start);
  return out;
}

bool StringList::loadFromFile(const QString& fileName) {
  lines_.clear();
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) return false;
  lines_ = SplitLines(DecodeText(f.readAll()));
  return true;
}

bool StringList::saveToFile(const QString& fileName) const {
  return WriteFileAtomic(fileName, text().toUtf8());
}

QString StringList::text() const {
  QString out;
  for (const QString& l : lines_) {
    out += l;
    out += "\r\n";
  }
  return out;
}

int StringList::indexOf(const QString& s) const {
  for (int i = 0; i < lines_.size(); ++i)
    if (lines_[i].compare(s, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

}  // namespace kalvora
